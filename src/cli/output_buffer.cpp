#include "cli/output_buffer.hpp"

#include <algorithm>

namespace velrin::cli {

void OutputBuffer::appendInt(int64_t value) {
  // The magnitude is taken in uint64_t, where -INT64_MIN is representable.
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (value < 0) {
    append('-');
    magnitude = 0 - magnitude;
  }
  appendUnsigned(magnitude);
}

void OutputBuffer::appendUnsigned(__uint128_t value) {
  // 2^128 has 39 decimal digits; they are produced from the last, in
  // 64-bit division once the value fits, as nearly every value does.
  char digits[40];
  char* end = digits + sizeof digits;
  char* first = end;
  while (value > UINT64_MAX) {
    *--first = static_cast<char>('0' + static_cast<int>(value % 10));
    value /= 10;
  }
  uint64_t low = static_cast<uint64_t>(value);
  do {
    *--first = static_cast<char>('0' + static_cast<int>(low % 10));
    low /= 10;
  } while (low != 0);
  append(std::string_view(first, static_cast<size_t>(end - first)));
}

void OutputBuffer::grow(size_t n) {
  const size_t capacity = std::max({capacity_ * 2, size_ + n, size_t{4096}});
  std::unique_ptr<char[]> bigger(new char[capacity]);
  if (size_ != 0) std::memcpy(bigger.get(), data_.get(), size_);
  data_ = std::move(bigger);
  capacity_ = capacity;
}

}  // namespace velrin::cli
