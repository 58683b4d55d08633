#pragma once

// Runs the built program with an argument vector (no shell), its standard
// input from given bytes and its standard output and error captured, for
// the command-line tests.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace velrin::cli_test {

namespace fs = std::filesystem;

struct CliRun {
  std::string out;
  std::string err;
  int status = -1;  ///< the exit status; -1 when killed or timed out
};

inline std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// A file's bytes, through `zstd -dc` (an independent decoder) when its
/// name ends in .zst.
inline std::string readContent(const fs::path& path) {
  if (path.extension() != ".zst") return readWhole(path);
  const fs::path plain = path.string() + ".out";
  const std::string command = "zstd -q -dc " + path.string() + " > " + plain.string();
  if (std::system(command.c_str()) != 0) return "(zstd could not decompress it)";
  return readWhole(plain);
}

inline void writeWhole(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

/// A directory of its own per test process, removed at the end.
class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("velrin-cli-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  static int& counter() {
    static int next = 0;
    return next;
  }
  fs::path path_;
};

/// Starts the program with args, stdin from inPath (or, when inPath is
/// empty, from the descriptor inFd when there is one, else from a pipe
/// whose write end stays open in *heldPipe, so that a read would wait for
/// ever), stdout and stderr to files (or devices). Returns its pid.
inline pid_t startVelrin(const std::vector<std::string>& args, const fs::path& inPath,
                         const fs::path& outPath, const fs::path& errPath, int* heldPipe = nullptr,
                         int inFd = -1) {
  int pipeEnds[2] = {-1, -1};
  if (inPath.empty() && inFd < 0 && ::pipe(pipeEnds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = !inPath.empty() ? ::open(inPath.c_str(), O_RDONLY)
                   : inFd >= 0     ? inFd
                                   : pipeEnds[0];
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(127);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    if (pipeEnds[1] >= 0) ::close(pipeEnds[1]);
    std::vector<char*> argv;
    std::string program = VELRIN_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pipeEnds[0] >= 0) ::close(pipeEnds[0]);
  if (heldPipe != nullptr) *heldPipe = pipeEnds[1];
  return pid;
}

/// Waits for pid; after timeout it is killed and -1 returned.
inline int waitFor(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

/// Runs the program to its end with the given standard input.
inline CliRun runVelrin(const std::vector<std::string>& args, const std::string& input = "",
                        std::chrono::milliseconds timeout = std::chrono::seconds(300)) {
  TempDir dir;
  writeWhole(dir / "in", input);
  const pid_t pid = startVelrin(args, dir / "in", dir / "out", dir / "err");
  CliRun run;
  run.status = waitFor(pid, timeout);
  run.out = readWhole(dir / "out");
  run.err = readWhole(dir / "err");
  return run;
}

/// Where a run's standard streams go when not to the bytes given and to
/// captured files: standard input from a path (a directory) or an open
/// descriptor (a pseudo-terminal that fails part-way), standard output to
/// a path (/dev/full).
struct Streams {
  fs::path in;
  int inFd = -1;
  fs::path out;
};

/// Runs the program to its end with the streams given; what it wrote to
/// standard output is captured only when that went to a file of its own.
inline CliRun runVelrinWith(const std::vector<std::string>& args, const Streams& streams,
                            std::chrono::milliseconds timeout = std::chrono::seconds(300)) {
  TempDir dir;
  writeWhole(dir / "in", "");
  const fs::path in = !streams.in.empty() || streams.inFd >= 0 ? streams.in : dir / "in";
  const fs::path out = streams.out.empty() ? dir / "out" : streams.out;
  const pid_t pid = startVelrin(args, in, out, dir / "err", nullptr, streams.inFd);
  CliRun run;
  run.status = waitFor(pid, timeout);
  if (streams.out.empty()) run.out = readWhole(out);
  run.err = readWhole(dir / "err");
  return run;
}

/// The lines of text, without their newlines.
inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace velrin::cli_test
