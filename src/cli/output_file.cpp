#include "cli/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace velrin::cli {

ResumeFile::ResumeFile(int fd) : fd_(fd) {}

ResumeFile::~ResumeFile() = default;

bool ResumeFile::open(bool compressed, std::string& error) {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    error = std::string("cannot read it: ") + std::strerror(errno);
    return false;
  }
  fileSize_ = static_cast<uint64_t>(info.st_size);
  size_ = fileSize_;
  if (!compressed) return true;
  frames_ = std::make_unique<FrameReader>(fd_);
  if (!frames_->survey(fileSize_, error)) return false;
  size_ = frames_->contentSize();
  return true;
}

Match ResumeFile::compare(std::string_view expected) {
  const size_t n = static_cast<size_t>(std::min<uint64_t>(expected.size(), left()));
  if (frames_ ? !frames_->read(n, buffer_, readError_) : !readAt(n)) return Match::kUnreadable;
  const auto [mine, theirs] = std::mismatch(buffer_.begin(), buffer_.end(), expected.begin());
  newlines_ += static_cast<uint64_t>(std::count(buffer_.begin(), mine, '\n'));
  if (mine != buffer_.end()) return Match::kDiffers;
  if (n < expected.size()) return Match::kTorn;
  offset_ += n;
  return Match::kWhole;
}

bool ResumeFile::readAt(size_t n) {
  buffer_.resize(n);
  for (size_t done = 0; done < n;) {
    const ssize_t got =
        ::pread(fd_, buffer_.data() + done, n - done, static_cast<off_t>(offset_ + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      readError_ = got < 0 ? std::strerror(errno) : "it grew shorter while it was read";
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

bool ResumeFile::cut(std::string& error) {
  const uint64_t keep = frames_ ? frames_->completeEnd() : offset_;
  if (keep != fileSize_ && ::ftruncate(fd_, static_cast<off_t>(keep)) != 0) {
    error = std::string("cannot cut off its incomplete end: ") + std::strerror(errno);
    return false;
  }
  if (::lseek(fd_, static_cast<off_t>(keep), SEEK_SET) < 0) {
    error = std::string("cannot seek in it: ") + std::strerror(errno);
    return false;
  }
  return true;
}

int openOutputFile(const char* path) {
  int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  const bool created = fd >= 0;
  if (fd < 0 && errno == EEXIST) fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (!created) return fd;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A file system that cannot sync a directory (EINVAL) keeps no more
  // than it would anyway.
  const bool synced = dir >= 0 && (::fsync(dir) == 0 || errno == EINVAL);
  const int syncError = errno;
  if (dir >= 0) ::close(dir);
  if (!synced) {
    ::close(fd);
    errno = syncError;
    return -1;
  }
  return fd;
}

OutputSink::OutputSink(int fd, bool durable, bool compressed)
    : fd_(fd), durable_(durable), lastSync_(Clock::now()) {
  if (compressed) compressor_ = std::make_unique<FrameCompressor>();
}

bool OutputSink::write(std::string_view bytes) {
  if (!compressor_) return writeOut(bytes);
  content_.append(bytes);
  return content_.size() < kFrameContent || writeFrame();
}

bool OutputSink::writeFrame() {
  if (!compressor_->compress(content_, frame_)) {
    error_ = ENOMEM;
    return false;
  }
  content_.clear();
  return writeOut(frame_);
}

bool OutputSink::writeOut(std::string_view bytes) {
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
  if (compressor_ && !content_.empty() && !writeFrame()) return false;
  if (!durable_ || ::fdatasync(fd_) == 0) return true;
  error_ = errno;
  return false;
}

std::optional<ResumePoint> prepareResume(int fd, bool compressed, std::string_view header,
                                         IndexRange range, const JobFactory& jobFor,
                                         const RunOptions& run, Tally& tally, std::string& error) {
  ResumeFile file(fd);
  if (!file.open(compressed, error)) return std::nullopt;
  ResumePoint point;
  Tally found;
  Match verdict = Match::kWhole;
  if (file.left() != 0 && !header.empty()) verdict = file.compare(header);

  // Whole chunks, rendered on every thread, while the file holds them.
  std::optional<uint64_t> tailFirst;  // the first pair of the chunk the file ends in
  if (verdict == Match::kWhole && file.left() != 0 && range.begin < range.end) {
    const std::unique_ptr<ChunkJob> job = jobFor(range);
    runPipeline(*job, run.threads, run.format, [&](Chunk& chunk) {
      if (chunk.bytes.size() > file.left()) {
        tailFirst = chunk.first;
        return false;
      }
      verdict = file.compare(chunk.bytes.view());
      if (verdict != Match::kWhole) return false;
      point.records += chunk.records;
      found.merge(chunk.tally);
      return file.left() != 0;
    });
  }
  // The chunk the file ends in, one record at a time: the file's last
  // bytes are whole records, or the start of one (a torn record).
  if (verdict == Match::kWhole && tailFirst) {
    Worker worker(run.format);
    Chunk one;
    for (uint64_t index = *tailFirst; verdict == Match::kWhole && file.left() != 0; ++index) {
      const std::unique_ptr<ChunkJob> job = jobFor({index, range.end});
      one.bytes.clear();
      one.tally.clear();
      one.records = 0;
      if (!job->take(one, 1)) break;
      job->render(one, worker);
      verdict = file.compare(one.bytes.view());
      if (verdict != Match::kWhole) break;
      ++point.records;
      found.merge(one.tally);
    }
  }

  switch (verdict) {
    case Match::kUnreadable:
      error = "cannot read it: " + file.readError();
      return std::nullopt;
    case Match::kDiffers:
      error = "it is not this scan's output: its line " + std::to_string(file.line()) +
              " is not what this scan writes there (the format, the rules, the box, the "
              "shard, --distinct and --rank with its --height must all be the same)";
      return std::nullopt;
    case Match::kWhole:
      if (file.left() != 0) {
        error = "it is not this scan's output: it goes on, from its line " +
                std::to_string(file.line()) + ", after all that this scan writes";
        return std::nullopt;
      }
      break;
    case Match::kTorn:
      break;
  }
  if (!file.framesEndBetweenRecords()) {
    error = "it is not this scan's output: its complete frames end inside a record, on its line " +
            std::to_string(file.line());
    return std::nullopt;
  }
  // Only now, the file proven to be this scan's, may a torn record go.
  point.keep = file.offset();
  if (!file.cut(error)) return std::nullopt;
  tally.merge(found);
  return point;
}

FileCloser::~FileCloser() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace velrin::cli
