#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace velrin {

/// Bytes rendered for output: records are appended by hand, without
/// iostreams or a heap allocation per record; the storage grows
/// geometrically and is kept by clear(), so a reused buffer stops
/// allocating once it has held its largest chunk.
class OutputBuffer {
 public:
  OutputBuffer() = default;
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;
  OutputBuffer(OutputBuffer&&) = default;
  OutputBuffer& operator=(OutputBuffer&&) = default;

  const char* data() const { return data_.get(); }
  size_t size() const { return size_; }
  std::string_view view() const { return {data_.get(), size_}; }
  void clear() { size_ = 0; }

  void append(std::string_view text) {
    reserve(text.size());
    if (!text.empty()) std::memcpy(data_.get() + size_, text.data(), text.size());
    size_ += text.size();
  }
  void append(char c) {
    reserve(1);
    data_[size_++] = c;
  }
  /// Appends the decimal digits of value, with a minus sign when negative;
  /// every int64_t, INT64_MIN included.
  void appendInt(int64_t value);
  /// Appends the decimal digits of value; every 128-bit value.
  void appendUnsigned(__uint128_t value);

  /// Replaces the byte at offset at, which must be below size().
  void replace(size_t at, char c) { data_[at] = c; }

  /// Makes room for n more bytes.
  void reserve(size_t n) {
    if (capacity_ - size_ < n) grow(n);
  }

 private:
  void grow(size_t n);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace velrin
