#include "cli/output_file.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/record_reading.hpp"

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

}  // namespace

bool OutputSink::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error_ = wrote < 0 ? errno : ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(wrote));
  }
  // A resumed scan needs only what reached the file; the sync bounds what
  // a crash of the machine, not of the process, can take back.
  if (durable_ && Clock::now() - lastSync_ >= std::chrono::seconds(5)) {
    lastSync_ = Clock::now();
    if (::fdatasync(fd_) != 0) {
      error_ = errno;
      return false;
    }
  }
  return true;
}

bool OutputSink::finish() {
  if (!durable_ || ::fdatasync(fd_) == 0) return true;
  error_ = errno;
  return false;
}

std::optional<ResumePoint> prepareResume(int fd, Format format, bool expectHeader, Tally* tally,
                                         std::string& error) {
  ResumePoint point;
  // Offsets: keep is the end of the last complete record; lastLine the
  // start of the last complete line.
  uint64_t keep = 0;
  uint64_t lastLine = 0;
  uint64_t lineStart = 0;
  uint64_t offset = 0;
  uint64_t lines = 0;
  bool terminalSeen = false;                 // text: the last line closes a report
  std::optional<RecordOutcome> textOutcome;  // text: what the current report states
  Tally found;
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
      const bool looked = format == Format::kText || lines == 0 || tally != nullptr;
      if (looked && partial.size() < kLookedAt) {
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
          if (textOutcome) found.add(textOutcome->status, textOutcome->selmerDims);
          textOutcome.reset();
        }
        terminalSeen = endsTextReport(partial);
        if (const std::optional<RecordOutcome> outcome = textLineOutcome(partial)) {
          textOutcome = outcome;
        }
      } else {
        ++point.records;
        keep = lineEnd;
        lastLine = lineStart;
        const bool header = lines == 0 && format == Format::kCsv && expectHeader;
        if (tally != nullptr && !header) {
          const std::optional<RecordOutcome> outcome = recordOutcome(partial, format);
          if (!outcome) {
            error = "line " + std::to_string(lines + 1) + " is not a velrin record in this format";
            return std::nullopt;
          }
          found.add(outcome->status, outcome->selmerDims);
        }
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
  if (tally != nullptr) tally->merge(found);
  return point;
}

}  // namespace velrin::cli
