#include "cli/output_file.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

namespace velrin::cli {

namespace {

constexpr size_t kLookedAt = 4096;

// A text report ends with one of these lines and an empty line.
bool endsTextReport(std::string_view line) {
  return line.starts_with("[4] ") || line == "[1] The curve E is singular." ||
         line.starts_with("[2] The curve is too large");
}

// Reads bytes [offset, offset + size) of the file.
bool readAt(int fd, uint64_t offset, size_t size, std::string& out) {
  out.resize(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

// Consumes a decimal int32 at the start of text; nothing unless one is
// there.
std::optional<int32_t> leadingInt(std::string_view& text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

}  // namespace

bool OutputSink::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(wrote));
  }
  // A resumed scan needs only what reached the file; the sync bounds what
  // a crash of the machine, not of the process, can take back.
  if (durable_ && Clock::now() - lastSync_ >= std::chrono::seconds(5)) {
    lastSync_ = Clock::now();
    if (::fdatasync(fd_) != 0) return false;
  }
  return true;
}

bool OutputSink::finish() { return !durable_ || ::fdatasync(fd_) == 0; }

std::optional<std::pair<int32_t, int32_t>> recordPair(std::string_view line, Format format) {
  if (format == Format::kJsonLines) {
    if (!line.starts_with("{\"a\":")) return std::nullopt;
    line.remove_prefix(5);
    const std::optional<int32_t> a = leadingInt(line);
    if (!a || !line.starts_with(",\"b\":")) return std::nullopt;
    line.remove_prefix(5);
    const std::optional<int32_t> b = leadingInt(line);
    if (!b) return std::nullopt;
    return std::pair{*a, *b};
  }
  const std::optional<int32_t> a = leadingInt(line);
  if (!a || !line.starts_with(',')) return std::nullopt;
  line.remove_prefix(1);
  const std::optional<int32_t> b = leadingInt(line);
  if (!b || !line.starts_with(',')) return std::nullopt;
  return std::pair{*a, *b};
}

std::optional<ResumePoint> prepareResume(int fd, Format format, bool expectHeader,
                                         std::string& error) {
  ResumePoint point;
  // Offsets: keep is the end of the last complete record; lastLine the
  // start of the last complete line.
  uint64_t keep = 0;
  uint64_t lastLine = 0;
  uint64_t lineStart = 0;
  uint64_t offset = 0;
  uint64_t lines = 0;
  bool terminalSeen = false;  // text: the last line closes a report
  std::string firstLine;
  std::string partial;  // text: the current line when it spans two reads
  std::vector<char> block(1 << 20);
  for (;;) {
    const ssize_t got = ::pread(fd, block.data(), block.size(), static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = std::string("cannot read it: ") + std::strerror(errno);
      return std::nullopt;
    }
    if (got == 0) break;
    const std::string_view bytes(block.data(), static_cast<size_t>(got));
    for (size_t from = 0; from < bytes.size();) {
      const size_t newline = bytes.find('\n', from);
      const size_t to = newline == std::string_view::npos ? bytes.size() : newline;
      // Only the start of a line is looked at, so a long line (no line of
      // velrin's is long) does not grow the memory.
      if ((format == Format::kText || lines == 0) && partial.size() < kLookedAt) {
        partial.append(bytes.substr(from, std::min(to - from, kLookedAt - partial.size())));
      }
      if (newline == std::string_view::npos) break;
      // A complete line ends here.
      const uint64_t lineEnd = offset + newline + 1;
      if (lines == 0) firstLine = partial;
      if (format == Format::kText) {
        if (terminalSeen && partial.empty()) {
          ++point.records;
          keep = lineEnd;
        }
        terminalSeen = endsTextReport(partial);
      } else {
        ++point.records;
        keep = lineEnd;
        lastLine = lineStart;
      }
      partial.clear();
      ++lines;
      lineStart = lineEnd;
      from = newline + 1;
    }
    offset += static_cast<uint64_t>(got);
  }

  if (format == Format::kCsv && expectHeader && keep != 0) {
    if (firstLine + "\n" != csvHeader()) {
      error = "its first line is not velrin's CSV header";
      return std::nullopt;
    }
    point.hasHeader = true;
    --point.records;
  }
  if (format != Format::kText && point.records != 0) {
    std::string line;
    if (!readAt(fd, lastLine, static_cast<size_t>(keep - 1 - lastLine), line)) {
      error = std::string("cannot read it: ") + std::strerror(errno);
      return std::nullopt;
    }
    point.lastPair = recordPair(line, format);
    if (!point.lastPair) {
      error = "its last line is not a velrin record in this format";
      return std::nullopt;
    }
  }
  if (keep != offset && ::ftruncate(fd, static_cast<off_t>(keep)) != 0) {
    error = std::string("cannot cut off its incomplete last record: ") + std::strerror(errno);
    return std::nullopt;
  }
  if (::lseek(fd, static_cast<off_t>(keep), SEEK_SET) < 0) {
    error = std::string("cannot seek in it: ") + std::strerror(errno);
    return std::nullopt;
  }
  return point;
}

}  // namespace velrin::cli
