#include "render/output_buffer.hpp"

#include <algorithm>

namespace velrin {

void OutputBuffer::appendInt(int64_t value) {
  // The magnitude is taken in uint64_t, where -INT64_MIN is representable.
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (value < 0) {
    append('-');
    magnitude = 0 - magnitude;
  }
  appendUnsigned(magnitude);
}

namespace {

// "00" to "99": two digits per division by 100.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The number of decimal digits of n, 1 for 0.
unsigned digitCount(uint64_t n) {
  unsigned count = 1;
  // Four digits at a time, then one: at most 8 comparisons for 20 digits.
  while (n >= 10000) {
    n /= 10000;
    count += 4;
  }
  if (n >= 1000) return count + 3;
  if (n >= 100) return count + 2;
  return n >= 10 ? count + 1 : count;
}

// Writes the digits of n so that they end just before end.
void writeDigits(uint64_t n, char* end) {
  while (n >= 100) {
    const auto pair = static_cast<size_t>(n % 100) * 2;
    n /= 100;
    *--end = kDigitPairs[pair + 1];
    *--end = kDigitPairs[pair];
  }
  if (n >= 10) {
    const auto pair = static_cast<size_t>(n) * 2;
    *--end = kDigitPairs[pair + 1];
    *--end = kDigitPairs[pair];
  } else {
    *--end = static_cast<char>('0' + n);
  }
}

}  // namespace

void OutputBuffer::appendUnsigned(__uint128_t value) {
  if (value >> 64U == 0) {
    // Nearly every value: the digits go straight into the buffer.
    const auto word = static_cast<uint64_t>(value);
    const unsigned count = digitCount(word);
    reserve(count);
    writeDigits(word, data_.get() + size_ + count);
    size_ += count;
    return;
  }
  // 2^128 has 39 decimal digits; they are produced from the last, in
  // 64-bit division once the value fits.
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

}  // namespace velrin
