#pragma once

#include <string>
#include <utility>

namespace velrin::cli {

/// How a command ended: its exit status and, when a failure stopped it,
/// what to say about it. The commands return it and runCommandLine alone
/// prints it, as "velrin: MESSAGE" on standard error. Messages about single
/// lines or files that a command reports and goes on past are part of its
/// output on standard error, not an outcome.
struct Outcome {
  int status = 0;
  /// Why the command stopped (empty when it ran to its end); every name in
  /// it has passed through printable().
  std::string message;
};

/// The command ran to its end, with this exit status.
inline Outcome finished(int status) { return Outcome{status, {}}; }

/// The command stopped: 2 when nothing was done (it could not start, or a
/// file is not what it must be), 1 when a write or a read failed on the
/// way.
inline Outcome stopped(int status, std::string message) {
  return Outcome{status, std::move(message)};
}

}  // namespace velrin::cli
