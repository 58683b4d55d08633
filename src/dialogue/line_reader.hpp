#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace velrin {

/// Reads lines with the semantics of fgets: at most size - 1 bytes, up to
/// and including a newline, then a terminating NUL; the rest of a longer
/// line stays for the next read. Input comes from a file descriptor or from
/// memory. Before a read from the descriptor could wait for input, the
/// given output stream is flushed, so a prompt is always visible before
/// the program waits, and piped input costs no flush per line.
class LineReader {
 public:
  LineReader(int fd, std::FILE* flushBeforeWaiting);
  explicit LineReader(std::string_view data);

  /// Fills buffer like fgets(buffer, size, stream); size >= 2. Returns
  /// false, like fgets returning null, at end of input before any byte was
  /// read and on a read error.
  bool readLine(char* buffer, int size);

 private:
  /// Makes at least one unread byte available; false at end or on error.
  bool refill();

  int fd_ = -1;
  std::FILE* flushBeforeWaiting_ = nullptr;
  std::vector<char> storage_;
  std::string_view pending_;  // the bytes read but not yet handed out
  bool ended_ = false;
};

}  // namespace velrin
