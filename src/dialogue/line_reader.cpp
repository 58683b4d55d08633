#include "dialogue/line_reader.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace velrin {

namespace {
constexpr size_t kChunk = 1U << 16U;
}  // namespace

LineReader::LineReader(int fd, std::FILE* flushBeforeWaiting)
    : fd_(fd), flushBeforeWaiting_(flushBeforeWaiting), storage_(kChunk) {}

LineReader::LineReader(std::string_view data) : pending_(data) {}

bool LineReader::refill() {
  if (!pending_.empty()) return true;
  if (fd_ < 0 || ended_) return false;
  if (flushBeforeWaiting_ != nullptr) std::fflush(flushBeforeWaiting_);
  ssize_t got = 0;
  do {
    got = ::read(fd_, storage_.data(), storage_.size());
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    ended_ = true;  // end of input, or an error: no later read is tried
    return false;
  }
  pending_ = std::string_view(storage_.data(), static_cast<size_t>(got));
  return true;
}

bool LineReader::readLine(char* buffer, int size) {
  size_t stored = 0;
  const auto capacity = static_cast<size_t>(size - 1);
  while (stored < capacity && refill()) {
    const size_t room = capacity - stored;
    const size_t newline = pending_.substr(0, room).find('\n');
    const size_t take =
        newline == std::string_view::npos ? std::min(room, pending_.size()) : newline + 1;
    std::memcpy(buffer + stored, pending_.data(), take);
    stored += take;
    pending_.remove_prefix(take);
    if (newline != std::string_view::npos) break;
  }
  if (stored == 0) return false;
  buffer[stored] = '\0';
  return true;
}

}  // namespace velrin
