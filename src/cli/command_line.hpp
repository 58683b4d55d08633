#pragma once

namespace velrin::cli {

/// velrin's entry point: with no command, the dialogue on standard input
/// and output; otherwise the command (report, batch or scan) that argv
/// names, parsed by CLI11. Returns the exit status; 2 for a usage error.
int runCommandLine(int argc, const char* const* argv);

}  // namespace velrin::cli
