#include "cli/zstd_frames.hpp"

#include <unistd.h>
#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velrin::cli {

namespace {

// zstd's fastest level: on records it compresses as well as its default, 3,
// at about twice the speed, and it runs on the thread that writes.
constexpr int kLevel = 1;

// The first bytes of every zstd frame, the magic number in little-endian
// order; velrin writes no skippable frames.
constexpr unsigned char kMagic[4] = {0x28, 0xB5, 0x2F, 0xFD};

// A frame header is at most 18 bytes: the magic number, the descriptor,
// the window, a 4-byte dictionary id and an 8-byte content size.
constexpr size_t kFrameHeaderMax = 18;

// Reads n bytes at offset; false at a failure or the end of the file.
bool readAt(int fd, char* into, size_t n, uint64_t offset, std::string& error) {
  for (size_t done = 0; done < n;) {
    const ssize_t got = ::pread(fd, into + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got < 0 ? std::strerror(errno) : "it grew shorter while it was read";
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

std::string at(uint64_t offset) { return "the frame at byte " + std::to_string(offset); }

}  // namespace

bool isZstdName(std::string_view path) { return path.size() > 4 && path.ends_with(".zst"); }

FrameCompressor::FrameCompressor() : context_(ZSTD_createCCtx()) {
  auto* context = static_cast<ZSTD_CCtx*>(context_);
  if (context == nullptr) return;
  ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, kLevel);
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, 1);
}

FrameCompressor::~FrameCompressor() { ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(context_)); }

bool FrameCompressor::compress(std::string_view content, std::string& frame) {
  if (context_ == nullptr) return false;
  frame.resize(ZSTD_compressBound(content.size()));
  const size_t size = ZSTD_compress2(static_cast<ZSTD_CCtx*>(context_), frame.data(), frame.size(),
                                     content.data(), content.size());
  if (ZSTD_isError(size) != 0) return false;
  frame.resize(size);
  return true;
}

FrameReader::FrameReader(int fd) : fd_(fd), context_(ZSTD_createDCtx()) {}

FrameReader::~FrameReader() { ZSTD_freeDCtx(static_cast<ZSTD_DCtx*>(context_)); }

bool FrameReader::survey(uint64_t fileSize, std::string& error) {
  if (context_ == nullptr) {
    error = "out of memory for zstd";
    return false;
  }
  std::string readError;
  uint64_t offset = 0;
  while (offset < fileSize) {
    const uint64_t left = fileSize - offset;
    // The frame header, then at most what its content can compress to.
    char header[kFrameHeaderMax];
    const auto headerSize = static_cast<size_t>(std::min<uint64_t>(left, sizeof header));
    if (!readAt(fd_, header, headerSize, offset, readError)) {
      error = "cannot read it: " + readError;
      return false;
    }
    if (std::memcmp(header, kMagic, std::min(headerSize, sizeof kMagic)) != 0) {
      error = at(offset) + " is not a zstd frame";
      return false;
    }
    const unsigned long long content = ZSTD_getFrameContentSize(header, headerSize);
    if (content == ZSTD_CONTENTSIZE_ERROR) {
      // Too short even for its header: a frame torn right at its start.
      if (headerSize == left && headerSize < sizeof header && tornFrameDecodes(offset, left)) break;
      error = at(offset) + " is not a zstd frame";
      return false;
    }
    if (content == ZSTD_CONTENTSIZE_UNKNOWN || content > kMaxFrameContent) {
      error = at(offset) + " does not record a content size of at most 64 MiB, as velrin's do";
      return false;
    }
    size_t size = 0;
    if (!readFrame(offset, fileSize, static_cast<size_t>(content), size, readError)) {
      error = "cannot read it: " + readError;
      return false;
    }
    if (size == 0) {
      // Only the last frame may be incomplete, cut off by the end of the file.
      if (ZSTD_compressBound(static_cast<size_t>(content)) < left ||
          !tornFrameDecodes(offset, left)) {
        error = at(offset) + " is damaged";
        return false;
      }
      break;
    }
    offset += size;
    contentSize_ += content;
    completeEnd_ = offset;
  }
  compressed_.clear();
  compressed_.shrink_to_fit();
  return true;
}

bool FrameReader::readFrame(uint64_t offset, uint64_t limit, size_t content, size_t& size,
                            std::string& error) {
  // A frame is at most ZSTD_compressBound of its content; velrin's are
  // about a tenth of that, so the reads start from twice the last frame
  // and double, each reading only the bytes not yet read.
  const uint64_t most = std::min<uint64_t>(limit - offset, ZSTD_compressBound(content));
  uint64_t want = std::min<uint64_t>(most, std::max<uint64_t>(lastFrame_ * 2, uint64_t{1} << 16));
  size_t have = 0;
  for (;;) {
    compressed_.resize(static_cast<size_t>(want));
    if (!readAt(fd_, compressed_.data() + have, compressed_.size() - have, offset + have, error)) {
      return false;
    }
    have = compressed_.size();
    const size_t found = ZSTD_findFrameCompressedSize(compressed_.data(), have);
    if (ZSTD_isError(found) == 0) {
      size = found;
      lastFrame_ = found;
      return true;
    }
    if (want == most) {
      size = 0;
      return true;
    }
    want = std::min<uint64_t>(most, want * 2);
  }
}

bool FrameReader::tornFrameDecodes(uint64_t offset, uint64_t size) const {
  std::string bytes(static_cast<size_t>(size), '\0');
  std::string readError;
  if (!readAt(fd_, bytes.data(), bytes.size(), offset, readError)) return false;
  ZSTD_DStream* stream = ZSTD_createDStream();
  if (stream == nullptr) return false;
  std::string out(ZSTD_DStreamOutSize(), '\0');
  ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
  bool decodes = true;
  // Consumes all of it; an incomplete frame never reports its end (0).
  while (decodes && in.pos < in.size) {
    ZSTD_outBuffer into{out.data(), out.size(), 0};
    const size_t result = ZSTD_decompressStream(stream, &into, &in);
    decodes = ZSTD_isError(result) == 0 && result != 0;
  }
  ZSTD_freeDStream(stream);
  return decodes;
}

bool FrameReader::loadFrame(std::string& error) {
  char header[kFrameHeaderMax];
  const auto headerSize =
      static_cast<size_t>(std::min<uint64_t>(completeEnd_ - nextFrame_, sizeof header));
  if (!readAt(fd_, header, headerSize, nextFrame_, error)) return false;
  // The survey has checked the header and the size.
  const auto content = static_cast<size_t>(ZSTD_getFrameContentSize(header, headerSize));
  size_t size = 0;
  if (!readFrame(nextFrame_, completeEnd_, content, size, error)) return false;
  if (size == 0) {
    error = "it changed while it was read";
    return false;
  }
  frame_.resize(content);
  const size_t got = ZSTD_decompressDCtx(static_cast<ZSTD_DCtx*>(context_), frame_.data(),
                                         frame_.size(), compressed_.data(), size);
  if (ZSTD_isError(got) != 0 || got != content) {
    // A checksum that does not match is an error too.
    error = at(nextFrame_) + " is damaged" +
            (ZSTD_isError(got) != 0 ? std::string(" (") + ZSTD_getErrorName(got) + ")" : "");
    return false;
  }
  nextFrame_ += size;
  used_ = 0;
  return true;
}

bool FrameReader::read(size_t n, std::string& out, std::string& error) {
  out.clear();
  while (out.size() < n) {
    if (used_ == frame_.size()) {
      if (nextFrame_ >= completeEnd_) {
        error = "it grew shorter while it was read";
        return false;
      }
      if (!loadFrame(error)) return false;
      continue;
    }
    const size_t take = std::min(n - out.size(), frame_.size() - used_);
    out.append(frame_, used_, take);
    used_ += take;
  }
  return true;
}

}  // namespace velrin::cli
