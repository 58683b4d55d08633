// A batch as a stream: fed through a pipe it answers each line before the
// next arrives, so that it can serve as a coprocess; its shards take the
// lines by their number modulo N, and merged by line number they are the
// whole batch; its --output file survives being killed at any moment.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <random>
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

std::vector<std::string> plus(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Pairs, curves by model and label, bad lines, comments and blank lines,
// so that shards and resumes meet every kind of line and of record.
std::string mixedInput(size_t pairs) {
  std::string input = "# curves\n14a1\n\n[1,0,1,4,-6]\nnonsense\n27a3\n";
  std::mt19937_64 random(19);
  for (size_t i = 0; i < pairs; ++i) {
    const auto a = static_cast<int64_t>(random() % 2001) - 1000;
    const auto b = static_cast<int64_t>(random() % 5001) - 2500;
    input += std::to_string(a) + (i % 3 == 0 ? "," : " ") + std::to_string(b) + "\n";
    if (i % 97 == 5) input += "[0,1,1,-9,-15]\n";
    if (i % 101 == 7) input += "# a comment\n1 x\n";
  }
  return input;
}

// A JSON record's or CSV row's line number: the "line" field, or the
// column named line.
uint64_t lineOf(const std::string& record, const std::string& format, size_t column) {
  if (format == "jsonl") return nlohmann::json::parse(record)["line"].get<uint64_t>();
  size_t at = 0;
  for (size_t k = 0; k < column; ++k) at = record.find(',', at) + 1;
  return std::stoull(record.substr(at, record.find(',', at) - at));
}

TEST(BatchStream, ShardsMergedByLineNumberAreTheWholeBatch) {
  TempDir dir;
  writeWhole(dir / "input", mixedInput(3000));
  for (const std::string format : {"jsonl", "csv"}) {
    const std::vector<std::string> args = {"batch", "--quiet", "--format", format,
                                           (dir / "input").string()};
    const CliRun whole = runVelrin(args);
    ASSERT_EQ(whole.status, 1);  // the bad lines
    const std::vector<std::string> wholeLines = linesOf(whole.out);
    size_t column = 0;
    if (format == "csv") {
      std::string names = wholeLines[0];
      std::replace(names.begin(), names.end(), ',', '\n');
      const std::vector<std::string> columns = linesOf(names);
      column =
          static_cast<size_t>(std::find(columns.begin(), columns.end(), "line") - columns.begin());
      ASSERT_LT(column, columns.size());
    }
    for (const int shards : {2, 3, 7}) {
      SCOPED_TRACE(format + " in " + std::to_string(shards) + " shards");
      std::vector<std::pair<uint64_t, std::string>> merged;
      std::string errors;
      for (int k = 1; k <= shards; ++k) {
        const std::string shard = std::to_string(k) + "/" + std::to_string(shards);
        const CliRun part = runVelrin(plus(args, {"--shard", shard}));
        std::vector<std::string> lines = linesOf(part.out);
        // Only shard 1 writes the CSV header.
        if (format == "csv" && k == 1) {
          ASSERT_FALSE(lines.empty());
          EXPECT_EQ(lines.front(), wholeLines.front());
          lines.erase(lines.begin());
        }
        for (const std::string& line : lines) {
          const uint64_t number = lineOf(line, format, column);
          EXPECT_EQ((number - 1) % static_cast<uint64_t>(shards), static_cast<uint64_t>(k - 1));
          merged.emplace_back(number, line);
        }
        errors += part.err;
      }
      std::sort(merged.begin(), merged.end());
      std::string joined = format == "csv" ? wholeLines.front() + "\n" : "";
      for (const auto& [number, line] : merged) joined += line + "\n";
      EXPECT_TRUE(joined == whole.out);
      // Every bad line is reported by exactly one shard.
      EXPECT_EQ(linesOf(errors).size(), linesOf(whole.err).size());
    }
  }
}

// The output a killed batch left behind: the complete output cut at any
// byte (for .zst, the compressed file cut anywhere). Running the same
// command again completes it exactly; the summary counts the whole batch.
TEST(BatchStream, ResumingAfterATornWriteCompletesTheOutputExactly) {
  const bool haveZstd = std::system("zstd --version >/dev/null 2>&1") == 0;
  TempDir dir;
  writeWhole(dir / "input", mixedInput(1500));
  std::mt19937_64 random(20261210);
  struct Case {
    std::string format;
    std::string shard;
    std::string file;
  };
  const std::vector<Case> cases = {{"jsonl", "1/1", "records"},
                                   {"csv", "1/1", "records"},
                                   {"text", "2/3", "records"},
                                   {"csv", "1/1", "records.zst"},
                                   {"jsonl", "2/3", "records.zst"}};
  for (const Case& c : cases) {
    if (c.file.ends_with(".zst") && !haveZstd) continue;
    SCOPED_TRACE(c.format + " shard " + c.shard + " to " + c.file);
    const std::vector<std::string> args = {
        "batch",   "--quiet", "--format",  c.format,
        "--shard", c.shard,   "--summary", (dir / "input").string()};
    const CliRun whole = runVelrin(args);
    const fs::path output = dir / c.file;
    fs::remove(output);
    const CliRun first = runVelrin(plus(args, {"--output", output.string()}));
    ASSERT_EQ(first.status, whole.status);
    ASSERT_TRUE(readContent(output) == whole.out);
    const std::string complete = readWhole(output);
    std::vector<size_t> cuts = {0, 1, complete.size() - 1, complete.size()};
    for (size_t i = 0, newline = 0; i < 2 && c.file == "records"; ++i, ++newline) {
      newline = complete.find('\n', newline);
      cuts.insert(cuts.end(), {newline, newline + 1});
    }
    for (int i = 0; i < 3; ++i) cuts.push_back(random() % complete.size());
    for (const size_t cut : cuts) {
      SCOPED_TRACE("cut at " + std::to_string(cut));
      writeWhole(output, complete.substr(0, cut));
      const CliRun run = runVelrin(plus(args, {"--output", output.string(), "--threads", "2"}));
      EXPECT_EQ(run.status, whole.status) << run.err;
      EXPECT_EQ(run.err, whole.err);
      EXPECT_TRUE(readContent(output) == whole.out);
    }
  }
}

TEST(BatchStream, KilledAtRandomMomentsAndRunAgainGivesTheUninterruptedOutput) {
  const bool haveZstd = std::system("zstd --version >/dev/null 2>&1") == 0;
  TempDir dir;
  writeWhole(dir / "input", mixedInput(150000));
  std::mt19937_64 random(4243);
  for (const std::string file : {"records.jsonl", "records.csv.zst"}) {
    if (file.ends_with(".zst") && !haveZstd) continue;
    SCOPED_TRACE(file);
    const std::string format = file.find("csv") != std::string::npos ? "csv" : "jsonl";
    const std::vector<std::string> args = {
        "batch", "--quiet", "--format", format, "--threads", "2", (dir / "input").string()};
    const auto started = std::chrono::steady_clock::now();
    const std::string whole = runVelrin(args).out;
    // Every run rereads the input and renders the records again, so each
    // takes about as long as the whole batch: killed within the first
    // three quarters of that, on a loaded machine or a quiet one.
    const auto wholeTime = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    uint64_t window = std::max<uint64_t>(1000, static_cast<uint64_t>(wholeTime.count()) * 3 / 4);
    const fs::path output = dir / file;
    int kills = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
      const pid_t pid = startVelrin(plus(args, {"--output", output.string()}), "/dev/null",
                                    dir / "out", dir / "err");
      std::this_thread::sleep_for(std::chrono::microseconds(random() % window));
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        // Exit status 1: the input's bad lines.
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << readWhole(dir / "err");
        if (kills > 0) break;
        // Done before the first kill (the machine got quicker): again,
        // from nothing, killed sooner.
        fs::remove(output);
        window = std::max<uint64_t>(1000, window / 2);
        continue;
      }
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ++kills;
    }
    const CliRun last = runVelrin(plus(args, {"--output", output.string()}));
    EXPECT_EQ(last.status, 1) << last.err;
    EXPECT_GT(kills, 0);
    EXPECT_TRUE(readContent(output) == whole) << "after " << kills << " kills";
  }
}

// A resume proves the file is this batch's own start before it changes a
// byte: another input, shard, format or rules, or a file that goes on
// after the batch's end, is refused (exit 2) and left as it was.
TEST(BatchStream, RefusesToResumeInAFileOfAnotherBatch) {
  TempDir dir;
  const std::string input = mixedInput(300);
  writeWhole(dir / "input", input);
  writeWhole(dir / "other", "0 1\n" + input);
  const auto output = [&](const std::vector<std::string>& more) {
    return runVelrin(plus({"batch", "--quiet"}, more)).out;
  };
  const std::string in = (dir / "input").string();
  const std::vector<std::string> mine = {"--format", "jsonl", in};
  struct Case {
    std::string name;
    std::vector<std::string> run;
    std::string content;
  };
  const std::vector<Case> cases = {
      {"another input", mine, output({"--format", "jsonl", (dir / "other").string()})},
      {"another shard", plus(mine, {"--shard", "1/2"}), output(plus(mine, {"--shard", "2/2"}))},
      {"the whole batch as a shard", plus(mine, {"--shard", "1/2"}), output(mine)},
      {"another format", {"--format", "csv", in}, output(mine)},
      {"the other rules", plus(mine, {"--classic"}), output(mine)},
      {"a scan's records", mine,
       runVelrin({"scan", "--a", "1", "--b", "1:50", "--format", "jsonl"}).out},
      {"notes after the records", mine, output(mine) + "notes\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.content.empty());
    writeWhole(dir / "records", c.content);
    const CliRun run = runVelrin(
        plus(plus({"batch", "--quiet"}, c.run), {"--output", (dir / "records").string()}));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("velrin: cannot resume in " + (dir / "records").string() +
                           ": it is not this batch's output"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(readWhole(dir / "records") == c.content);
  }
  // A .zst file must hold whole records in its complete frames too: this
  // batch's first bytes, cut inside a record and compressed by zstd.
  if (std::system("zstd --version >/dev/null 2>&1") != 0) return;
  writeWhole(dir / "start", output(mine).substr(0, 3000));
  const std::string zst = (dir / "records.zst").string();
  ASSERT_EQ(std::system(("zstd -q -c " + (dir / "start").string() + " > " + zst).c_str()), 0);
  const std::string packed = readWhole(zst);
  const CliRun run = runVelrin(plus(plus({"batch", "--quiet"}, mine), {"--output", zst}));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("it is not this batch's output: its complete frames end inside a record"),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(readWhole(zst) == packed);
}

}  // namespace
}  // namespace velrin::cli_test
