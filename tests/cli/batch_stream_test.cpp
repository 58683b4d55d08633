// A batch fed through a pipe answers each line before the next arrives, so
// that it can serve as a coprocess: the record of a line is written while
// the pipe is still open and nothing more has been sent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "cli/cli_run.hpp"

namespace velrin::cli_test {
namespace {

// Waits up to 20 s for the file to hold `lines` lines.
std::string awaitLines(const fs::path& path, size_t lines) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::string text;
  while (std::chrono::steady_clock::now() < deadline) {
    text = readWhole(path);
    if (linesOf(text).size() >= lines) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return text;
}

TEST(BatchStream, AnswersEachLineOfAPipeAsItArrives) {
  for (const std::string threads : {"1", "2"}) {
    SCOPED_TRACE(threads + " threads");
    TempDir dir;
    int pipe = -1;
    const pid_t pid = startVelrin({"batch", "--format", "jsonl", "--threads", threads}, "",
                                  dir / "out", dir / "err", &pipe);
    const std::string lines[] = {"1 2\n", "# a comment\n14a1\n", "0 0\n"};
    const std::string expected[] = {"{\"a\":1,\"b\":2,", "{\"a\":5,\"b\":7,", "{\"a\":0,\"b\":0,"};
    for (size_t i = 0; i < 3; ++i) {
      ASSERT_EQ(::write(pipe, lines[i].data(), lines[i].size()),
                static_cast<ssize_t>(lines[i].size()));
      const std::vector<std::string> got = linesOf(awaitLines(dir / "out", i + 1));
      ASSERT_EQ(got.size(), i + 1);
      EXPECT_TRUE(got[i].starts_with(expected[i])) << got[i];
    }
    ::close(pipe);
    EXPECT_EQ(waitFor(pid, std::chrono::seconds(20)), 0) << readWhole(dir / "err");
  }
}

}  // namespace
}  // namespace velrin::cli_test
