// Whole sessions through the built program: each tests/golden/<case>.in is
// its standard input and <case>.out, written by hand from the dialogue's
// rules, the local rules and PARI/GP's data for the curves, its exact
// standard output. The sessions below tests/golden/classic run with
// --classic and hold the original program's reports.
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

std::vector<fs::path> goldenInputs(const char* folder) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(VELRIN_SOURCE_DIR) / folder)) {
    if (entry.path().extension() == ".in") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

void expectSessions(const char* folder, const std::string& arguments) {
  const std::vector<fs::path> inputs = goldenInputs(folder);
  ASSERT_GE(inputs.size(), 15U);
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.stem().string());
    fs::path expectedPath = input;
    expectedPath.replace_extension(".out");
    const ProgramRun run = runProgram(readFile(input), arguments);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, readFile(expectedPath));
  }
}

TEST(GoldenTranscripts, ProgramPrintsExactlyTheExpectedSession) {
  expectSessions("tests/golden", "");
}

TEST(GoldenTranscripts, ClassicRulesReproduceTheOriginalSessions) {
  expectSessions("tests/golden/classic", "--classic");
}

}  // namespace
}  // namespace velrin
