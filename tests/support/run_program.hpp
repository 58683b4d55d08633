#pragma once

#include <string>

namespace velrin {

/// What one run of the built program printed and how it ended.
struct ProgramRun {
  std::string output;
  int exitStatus = -1;
};

/// Runs the built program with the given bytes as its whole standard input
/// and the given command-line arguments (words separated by spaces, passed
/// through the shell as they stand).
ProgramRun runProgram(const std::string& input, const std::string& arguments = "");

}  // namespace velrin
