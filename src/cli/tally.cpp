#include "cli/tally.hpp"

#include <algorithm>
#include <cinttypes>
#include <map>

namespace velrin::cli {

namespace {

void addTo(std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>>& list,
           std::pair<int32_t, int32_t> key, uint64_t count) {
  for (auto& entry : list) {
    if (entry.first == key) {
      entry.second += count;
      return;
    }
  }
  list.emplace_back(key, count);
}

void addTo(std::vector<std::pair<int32_t, uint64_t>>& list, int32_t key, uint64_t count) {
  for (auto& entry : list) {
    if (entry.first == key) {
      entry.second += count;
      return;
    }
  }
  list.emplace_back(key, count);
}

std::vector<std::pair<int32_t, uint64_t>> sorted(std::vector<std::pair<int32_t, uint64_t>> list) {
  std::sort(list.begin(), list.end());
  return list;
}

}  // namespace

void Tally::add(const RankSearch& rank) {
  if (!rank.searched) return;
  ++searched_;
  if (rank.proven()) {
    addTo(proven_, rank.lower, 1);
  } else {
    addTo(open_, rank.upper - rank.lower, 1);
  }
}

std::vector<std::pair<int32_t, uint64_t>> Tally::provenRankCounts() const {
  return sorted(proven_);
}

std::vector<std::pair<int32_t, uint64_t>> Tally::openGapCounts() const { return sorted(open_); }

void Tally::add(CurveStatus status, std::array<int32_t, 2> dims) {
  if (status == CurveStatus::kSingular) {
    ++singular_;
    return;
  }
  if (status == CurveStatus::kTooLarge) {
    ++tooLarge_;
    return;
  }
  ++analysed_;
  addTo(dims_, {dims[0], dims[1]}, 1);
}

void Tally::merge(const Tally& other) {
  singular_ += other.singular_;
  tooLarge_ += other.tooLarge_;
  analysed_ += other.analysed_;
  badLines_ += other.badLines_;
  for (const auto& [key, count] : other.dims_) addTo(dims_, key, count);
  searched_ += other.searched_;
  for (const auto& [key, count] : other.proven_) addTo(proven_, key, count);
  for (const auto& [key, count] : other.open_) addTo(open_, key, count);
}

void Tally::clear() {
  singular_ = tooLarge_ = analysed_ = badLines_ = searched_ = 0;
  dims_.clear();
  proven_.clear();
  open_.clear();
}

std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>> Tally::dimensionCounts() const {
  auto counts = dims_;
  std::sort(counts.begin(), counts.end());
  return counts;
}

std::vector<std::pair<int32_t, uint64_t>> Tally::rankBoundCounts() const {
  std::map<int32_t, uint64_t> counts;
  // The rank bound of line [4] is dim Sel(E^/Q) + dim Sel(E/Q) - 1.
  for (const auto& [dims, count] : dimensionCounts()) counts[dims.first + dims.second - 1] += count;
  return {counts.begin(), counts.end()};
}

std::vector<std::pair<int32_t, uint64_t>> Tally::differenceCounts() const {
  std::map<int32_t, uint64_t> counts;
  for (const auto& [dims, count] : dims_) counts[dims.second - dims.first] += count;
  return {counts.begin(), counts.end()};
}

void Tally::print(std::FILE* out) const {
  const uint64_t total = singular_ + tooLarge_ + analysed_;
  std::fprintf(out, "\nSummary of %" PRIu64 " curves\n", total);
  std::fprintf(out, "  %-28s %12" PRIu64 "\n", "singular", singular_);
  std::fprintf(out, "  %-28s %12" PRIu64 "\n", "refused as too large", tooLarge_);
  std::fprintf(out, "  %-28s %12" PRIu64 "\n", "analysed", analysed_);
  if (badLines_ != 0) {
    std::fprintf(out, "  %-28s %12" PRIu64 "\n", "bad input lines", badLines_);
  }
  std::fprintf(out, "\n  %-28s %12s\n", "rank bound (rank <= N)", "curves");
  for (const auto& [bound, count] : rankBoundCounts()) {
    std::fprintf(out, "  %-28d %12" PRIu64 "\n", bound, count);
  }
  std::fprintf(out, "\n  %-13s %-14s %12s\n", "dim Sel(E^/Q)", "dim Sel(E/Q)", "curves");
  for (const auto& [dims, count] : dimensionCounts()) {
    std::fprintf(out, "  %-13d %-14d %12" PRIu64 "\n", dims.first, dims.second, count);
  }
  std::fprintf(out, "\n  %-28s %12s\n", "dim Sel(E/Q) - dim Sel(E^/Q)", "curves");
  for (const auto& [difference, count] : differenceCounts()) {
    std::fprintf(out, "  %-28d %12" PRIu64 "\n", difference, count);
  }
  if (searched_ == 0) return;
  // --rank: the curves whose rank the search proved, and the others.
  uint64_t proven = 0;
  for (const auto& entry : proven_) proven += entry.second;
  std::fprintf(out, "\n  %-28s %12" PRIu64 " of %" PRIu64 "\n", "rank proven", proven, searched_);
  std::fprintf(out, "  %-28s %12s\n", "rank (proven)", "curves");
  for (const auto& [rank, count] : provenRankCounts()) {
    std::fprintf(out, "  %-28d %12" PRIu64 "\n", rank, count);
  }
  std::fprintf(out, "  %-28s %12s\n", "open: bound - lower bound", "curves");
  for (const auto& [gap, count] : openGapCounts()) {
    std::fprintf(out, "  %-28d %12" PRIu64 "\n", gap, count);
  }
}

std::string Tally::json() const {
  const uint64_t total = singular_ + tooLarge_ + analysed_;
  std::string out =
      "{\"curves\":" + std::to_string(total) + ",\"singular\":" + std::to_string(singular_) +
      ",\"too_large\":" + std::to_string(tooLarge_) + ",\"analysed\":" + std::to_string(analysed_) +
      ",\"bad_lines\":" + std::to_string(badLines_) + ",\"rank_bounds\":[";
  const char* separator = "";
  for (const auto& [bound, count] : rankBoundCounts()) {
    out += separator;
    out +=
        "{\"rank_bound\":" + std::to_string(bound) + ",\"curves\":" + std::to_string(count) + "}";
    separator = ",";
  }
  out += "],\"selmer_dims\":[";
  separator = "";
  for (const auto& [dims, count] : dimensionCounts()) {
    out += separator;
    out += "{\"dim_sel_e_hat\":" + std::to_string(dims.first) +
           ",\"dim_sel_e\":" + std::to_string(dims.second) +
           ",\"curves\":" + std::to_string(count) + "}";
    separator = ",";
  }
  out += "]}\n";
  return out;
}

}  // namespace velrin::cli
