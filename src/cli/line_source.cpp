#include "cli/line_source.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velrin::cli {

bool LineSource::next(std::string_view& line, bool& tooLong) {
  for (;;) {
    const char* first = storage_.data() + begin_;
    const auto* newline = static_cast<const char*>(std::memchr(first, '\n', end_ - begin_));
    if (newline != nullptr) {
      const auto length = static_cast<size_t>(newline - first);
      begin_ += length + 1;
      if (skipping_) {
        skipping_ = false;
        continue;
      }
      tooLong = length > kMaxLine;
      line = std::string_view(first, tooLong ? kMaxLine : length);
      return true;
    }
    if (skipping_) {
      begin_ = end_;
    } else if (end_ - begin_ > kMaxLine) {
      // Report the line now, from its first bytes; its rest is dropped as
      // it arrives.
      tooLong = true;
      line = std::string_view(first, kMaxLine);
      begin_ = end_;
      skipping_ = true;
      return true;
    }
    if (ended_ || !refill()) {
      // A line cut off by a read error is not read at all: its first
      // bytes could be a pair the input never held.
      if (begin_ == end_ || skipping_ || error_ != 0) return false;
      // A last line without a newline, at the end of the input.
      const auto length = end_ - begin_;
      tooLong = length > kMaxLine;
      line = std::string_view(storage_.data() + begin_, tooLong ? kMaxLine : length);
      begin_ = end_;
      return true;
    }
  }
}

bool LineSource::hasBufferedLine() const {
  return ended_ || std::memchr(storage_.data() + begin_, '\n', end_ - begin_) != nullptr;
}

bool LineSource::refill() {
  if (begin_ != 0) {
    std::memmove(storage_.data(), storage_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, storage_.data() + end_, storage_.size() - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) error_ = errno;
      ended_ = true;
      return false;
    }
    end_ += static_cast<size_t>(got);
    return true;
  }
}

}  // namespace velrin::cli
