// A driver that waits for each prompt before it types its answer, as a
// person or an expect-style script does. If a prompt stayed in the
// program's buffer, the driver would wait for it for ever; here the wait is
// bounded and the test fails instead.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace velrin {
namespace {

class Driver {
 public:
  // Starts the program with its input and output on two pipes, or with
  // both on a pseudo-terminal.
  explicit Driver(bool terminal) {
    if (terminal) {
      int master = -1;
      pid_ = ::forkpty(&master, nullptr, nullptr, nullptr);
      if (pid_ == 0) exec();
      toChild_ = master;
      fromChild_ = master;
      return;
    }
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::close(in[1]);
      ::close(out[0]);
      exec();
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
  }

  ~Driver() {
    ::close(toChild_);
    if (fromChild_ != toChild_) ::close(fromChild_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Reads until the output seen so far ends with text; false after ten
  // seconds without it.
  bool waitFor(const std::string& text) {
    for (int waited = 0; waited < 100;) {
      if (seen_.size() >= text.size() &&
          seen_.compare(seen_.size() - text.size(), text.size(), text) == 0) {
        return true;
      }
      pollfd ready{fromChild_, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) {
        ++waited;
        continue;
      }
      char chunk[4096];
      const ssize_t got = ::read(fromChild_, chunk, sizeof chunk);
      if (got <= 0) return false;
      seen_.append(chunk, static_cast<size_t>(got));
    }
    return false;
  }

  void type(const std::string& line) {
    ASSERT_EQ(::write(toChild_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  int exitStatus() {
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  [[noreturn]] static void exec() {
    ::execl(VELRIN_BINARY, VELRIN_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }

  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string seen_;
};

TEST(Interactive, EveryPromptIsVisibleBeforeTheProgramWaits) {
  // Each step: the prompt to wait for, then the line to type.
  const std::vector<std::pair<std::string, std::string>> steps = {
      {"A=", "1\n"},
      {"B=", "2\n"},
      {"Quit? (y/n) >", "maybe\n"},
      {"Quit? (y/n) >", "n\n"},
      {"A=", "99999999999\n"},
      {"A=", "0\n"},
      {"B=", "0\n"},
      {"Quit? (y/n) >", "y\n"},
  };
  for (const bool terminal : {false, true}) {
    SCOPED_TRACE(terminal ? "pseudo-terminal" : "two pipes");
    Driver driver(terminal);
    for (const auto& [prompt, line] : steps) {
      SCOPED_TRACE(prompt);
      ASSERT_TRUE(driver.waitFor(prompt));
      driver.type(line);
    }
    EXPECT_EQ(driver.exitStatus(), 0);
  }
}

}  // namespace
}  // namespace velrin
