#include "cli/command_line.hpp"

int main(int argc, char** argv) { return velrin::cli::runCommandLine(argc, argv); }
