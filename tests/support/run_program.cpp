#include "support/run_program.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velrin {

ProgramRun runProgram(const std::string& input, const std::string& arguments) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path();
  const std::string stem = "velrin-run-" + std::to_string(::getpid());
  const fs::path inPath = dir / (stem + ".in");
  const fs::path outPath = dir / (stem + ".out");
  std::ofstream(inPath, std::ios::binary) << input;
  const std::string command = std::string("'") + VELRIN_BINARY + "' " + arguments + " < '" +
                              inPath.string() + "' > '" + outPath.string() + "'";
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream out(outPath, std::ios::binary);
  std::ostringstream text;
  text << out.rdbuf();
  run.output = text.str();
  fs::remove(inPath);
  fs::remove(outPath);
  return run;
}

}  // namespace velrin
