#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velrin::cli {

/// Splits what a file descriptor yields into lines, without their newline,
/// in blocks: no copy and no allocation per line. A line longer than
/// kMaxLine bytes is returned cut to that length and flagged, and the rest
/// of it is skipped, so memory stays bounded whatever the input.
class LineSource {
 public:
  static constexpr size_t kMaxLine = 4096;

  explicit LineSource(int fd) : fd_(fd), storage_(1 << 16) {}

  /// The next line; valid until the next call. False at the end of input
  /// or on a read error (then error() is its errno); a line is complete,
  /// ended by a newline or by the end of input, never by a read error.
  bool next(std::string_view& line, bool& tooLong);
  int error() const { return error_; }
  /// True when next() can return a line without reading: a whole line is
  /// in the buffer, or the input has ended. A reader that answers each
  /// line as it comes stops there rather than wait for more.
  bool hasBufferedLine() const;

 private:
  /// Moves the unread bytes to the front and reads more; false at the end.
  bool refill();

  int fd_;
  std::vector<char> storage_;
  size_t begin_ = 0;  // the unread bytes are storage_[begin_, end_)
  size_t end_ = 0;
  bool ended_ = false;
  int error_ = 0;
  bool skipping_ = false;  // inside the rest of an overlong line
};

}  // namespace velrin::cli
