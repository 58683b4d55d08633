#include "dialogue/line_reader.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace velrin {
namespace {

// What successive reads with a 256-byte buffer deliver, as fgets would:
// each read's bytes up to the first NUL, then the end.
std::vector<std::string> readAll(LineReader& reader) {
  std::vector<std::string> lines;
  char buffer[256];
  while (reader.readLine(buffer, sizeof buffer)) lines.emplace_back(buffer);
  return lines;
}

TEST(LineReader, HasFgetsSemantics) {
  struct Row {
    const char* name;
    std::string input;
    std::vector<std::string> reads;
  };
  const std::string longLine = std::string(300, 'x') + "\n";
  const std::vector<Row> rows = {
      {"plain lines", "12\n-3\ny\n", {"12\n", "-3\n", "y\n"}},
      {"empty input", "", {}},
      {"last line without newline", "5\n7", {"5\n", "7"}},
      {"empty lines", "\n\n", {"\n", "\n"}},
      {"CR LF", "1\r\n", {"1\r\n"}},
      {"254 characters", std::string(254, '1') + "\n", {std::string(254, '1') + "\n"}},
      {"255 characters", std::string(255, '1') + "\n", {std::string(255, '1'), "\n"}},
      {"256 characters", std::string(256, '1') + "\n", {std::string(255, '1'), "1\n"}},
      {"300 characters", longLine, {std::string(255, 'x'), std::string(45, 'x') + "\n"}},
      {"NUL inside a line",
       std::string("12\0"
                   "34\n5\n",
                   8),
       {"12", "5\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LineReader reader(row.input);
    EXPECT_EQ(readAll(reader), row.reads);
  }
}

TEST(LineReader, ReadsADescriptorInChunksAndStopsAtItsEnd) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string input = "1\n2\n" + std::string(1000, '9') + "\nlast";
  ASSERT_EQ(::write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ::close(fds[1]);
  LineReader reader(fds[0], nullptr);
  const std::vector<std::string> lines = readAll(reader);
  ::close(fds[0]);
  ASSERT_EQ(lines.size(), 7U);  // 1, 2, four pieces of the long line, last
  EXPECT_EQ(lines[0], "1\n");
  EXPECT_EQ(lines[5], std::string(1000 - 3 * 255, '9') + "\n");
  EXPECT_EQ(lines[6], "last");
}

}  // namespace
}  // namespace velrin
