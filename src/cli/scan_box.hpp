#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace velrin::cli {

/// An inclusive range of one coefficient.
struct Interval {
  int32_t min = 0;
  int32_t max = 0;

  uint64_t size() const {
    return static_cast<uint64_t>(static_cast<int64_t>(max) - static_cast<int64_t>(min)) + 1;
  }
};

/// Reads "MIN:MAX" (or a single value N, meaning N:N) with MIN <= MAX, each
/// an integer as parseInteger32 reads it; nothing for any other text.
std::optional<Interval> parseInterval(std::string_view text);

/// Shard index of count, 1 <= index <= count.
struct Shard {
  uint64_t index = 1;
  uint64_t count = 1;
};

/// Reads "K/N" with 1 <= K <= N; nothing for any other text.
std::optional<Shard> parseShard(std::string_view text);

/// A half-open range [begin, end) of pair indices.
struct IndexRange {
  uint64_t begin = 0;
  uint64_t end = 0;
};

/// The pairs (A, B) of a box, numbered A outer and B inner, both increasing:
/// index i is A = a.min + i / |b|, B = b.min + i % |b|.
class Box {
 public:
  Box(Interval a, Interval b) : a_(a), b_(b) {}

  /// The number of pairs, or nothing when it is 2^64 (both ranges whole),
  /// one more than a 64-bit index can count.
  std::optional<uint64_t> pairCount() const;
  /// The pair numbered index; index below pairCount(), so that A stays in
  /// its range.
  std::pair<int32_t, int32_t> pairAt(uint64_t index) const;
  uint64_t width() const { return b_.size(); }
  const Interval& a() const { return a_; }
  const Interval& b() const { return b_; }

 private:
  Interval a_;
  Interval b_;
};

/// The contiguous share of [0, total) that a shard covers: the shards
/// 1..N, in order, tile it, each taking floor(total / N) or one more.
IndexRange shardRange(uint64_t total, Shard shard);

}  // namespace velrin::cli
