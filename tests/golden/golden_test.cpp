// Whole sessions through the built program: each tests/golden/<case>.in is
// its standard input and <case>.out, written by hand from the dialogue's
// rules and the worked examples, its exact standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace velrin {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<fs::path> goldenInputs() {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(VELRIN_SOURCE_DIR) / "tests/golden")) {
    if (entry.path().extension() == ".in") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

TEST(GoldenTranscripts, ProgramPrintsExactlyTheExpectedSession) {
  const std::vector<fs::path> inputs = goldenInputs();
  ASSERT_GE(inputs.size(), 15U);
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.stem().string());
    fs::path expectedPath = input;
    expectedPath.replace_extension(".out");
    const ProgramRun run = runProgram(readFile(input));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, readFile(expectedPath));
  }
}

}  // namespace
}  // namespace velrin
