#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velrin::cli {

/// The content a .zst output gathers before it closes a frame, at the next
/// record boundary: large enough that independent frames compress about as
/// well as one stream, small enough that a kill loses little to recompute.
inline constexpr size_t kFrameContent = size_t{1} << 20;

/// The largest frame content a resume accepts: bounds its memory whatever
/// the file holds (velrin's frames hold kFrameContent and one chunk).
inline constexpr uint64_t kMaxFrameContent = uint64_t{64} << 20;

/// True when a file name says zstd: it ends in .zst.
bool isZstdName(std::string_view path);

/// Compresses content into one complete zstd frame (level 1) that records
/// its content size and ends with a checksum of it, so that a reader can
/// tell a whole frame from a torn or damaged one.
class FrameCompressor {
 public:
  FrameCompressor();
  ~FrameCompressor();
  FrameCompressor(const FrameCompressor&) = delete;
  FrameCompressor& operator=(const FrameCompressor&) = delete;

  /// The frame into frame; false when zstd failed (out of memory).
  bool compress(std::string_view content, std::string& frame);

 private:
  void* context_;  // a ZSTD_CCtx, kept out of this header
};

/// Reads the complete frames of a .zst file in order, as one stream of
/// content, after a survey that finds where they end.
class FrameReader {
 public:
  explicit FrameReader(int fd);
  ~FrameReader();
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  /// Walks the file's frames without decompressing them. False, with error
  /// set, unless it holds complete zstd frames (each with its content size,
  /// at most kMaxFrameContent), then at most one torn frame: the start of
  /// a frame, cut off by the end of the file, that decodes without error
  /// as far as it goes.
  bool survey(uint64_t fileSize, std::string& error);
  /// The content of the complete frames, in bytes.
  uint64_t contentSize() const { return contentSize_; }
  /// The file offset after the last complete frame.
  uint64_t completeEnd() const { return completeEnd_; }

  /// The next n bytes of content into out, decompressing (and checking the
  /// checksum of) each frame as it is reached; false, with error set, when
  /// a read fails or a frame is damaged.
  bool read(size_t n, std::string& out, std::string& error);

 private:
  bool loadFrame(std::string& error);
  /// Reads the frame at offset, with content bytes of content, into
  /// compressed_ (no byte at or beyond limit); size is its size, or 0 when
  /// the bytes up to limit do not complete it. False when a read failed.
  bool readFrame(uint64_t offset, uint64_t limit, size_t content, size_t& size, std::string& error);
  bool tornFrameDecodes(uint64_t offset, uint64_t size) const;

  int fd_;
  void* context_;  // a ZSTD_DCtx
  uint64_t contentSize_ = 0;
  uint64_t completeEnd_ = 0;
  uint64_t nextFrame_ = 0;  // the file offset of the next frame to load
  uint64_t lastFrame_ = 0;  // the size of the frame read last
  std::string compressed_;
  std::string frame_;  // the content of the frame being read
  size_t used_ = 0;    // the bytes of frame_ already read
};

}  // namespace velrin::cli
