#include "cli/scan_box.hpp"

#include <charconv>

#include "cli/pair_line.hpp"

namespace velrin::cli {

namespace {

// The whole text as a decimal integer of type T, or nothing.
template <typename T>
std::optional<T> parseWhole(std::string_view text) {
  T value{};
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || error != std::errc() || end != last) return std::nullopt;
  return value;
}

}  // namespace

std::optional<Interval> parseInterval(std::string_view text) {
  const size_t colon = text.find(':');
  const std::optional<int32_t> min = parseInteger32(text.substr(0, colon));
  const std::optional<int32_t> max =
      colon == std::string_view::npos ? min : parseInteger32(text.substr(colon + 1));
  if (!min || !max || *min > *max) return std::nullopt;
  return Interval{*min, *max};
}

std::optional<Shard> parseShard(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::optional<uint64_t> index = parseWhole<uint64_t>(text.substr(0, slash));
  const std::optional<uint64_t> count = parseWhole<uint64_t>(text.substr(slash + 1));
  if (!index || !count || *index < 1 || *index > *count) return std::nullopt;
  return Shard{*index, *count};
}

std::optional<uint64_t> Box::pairCount() const {
  // Each size is at most 2^32, so the product fits in 128 bits.
  const __uint128_t count = static_cast<__uint128_t>(a_.size()) * b_.size();
  if (count > UINT64_MAX) return std::nullopt;
  return static_cast<uint64_t>(count);
}

std::pair<int32_t, int32_t> Box::pairAt(uint64_t index) const {
  const uint64_t width = b_.size();
  return {static_cast<int32_t>(a_.min + static_cast<int64_t>(index / width)),
          static_cast<int32_t>(b_.min + static_cast<int64_t>(index % width))};
}

IndexRange shardRange(uint64_t total, Shard shard) {
  // total * K / N in 128 bits: the product would overflow 64.
  const auto bound = [&](uint64_t k) {
    return static_cast<uint64_t>(static_cast<__uint128_t>(total) * k / shard.count);
  };
  return {bound(shard.index - 1), bound(shard.index)};
}

}  // namespace velrin::cli
