#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"

namespace velrin::cli {

/// How many curves of a run fell into each class: singular, refused (too
/// large), and, among the analysed ones, each pair of Selmer dimensions
/// (from which the rank bound follows). Workers tally their chunk; the
/// writer merges the chunks.
class Tally {
 public:
  void add(const CurveAnalysis& analysis) {
    add(analysis.status, {analysis.dimSelmerEHat, analysis.dimSelmerE});
  }
  /// Counts a curve of this status; dims matter when it was analysed.
  void add(CurveStatus status, std::array<int32_t, 2> dims);
  void addBadLine() { ++badLines_; }
  /// Counts a curve's rank search (--rank): proven, by rank, or left open,
  /// by upper minus lower bound.
  void add(const RankSearch& rank);
  void merge(const Tally& other);
  void clear();

  uint64_t singular() const { return singular_; }
  uint64_t tooLarge() const { return tooLarge_; }
  uint64_t analysed() const { return analysed_; }
  uint64_t badLines() const { return badLines_; }
  /// Curves searched (--rank), and by proven rank and by open gap.
  uint64_t searched() const { return searched_; }
  std::vector<std::pair<int32_t, uint64_t>> provenRankCounts() const;
  std::vector<std::pair<int32_t, uint64_t>> openGapCounts() const;
  /// (dim Sel(E^/Q), dim Sel(E/Q)) with its count, in increasing order.
  std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>> dimensionCounts() const;
  /// rank bound with its count, in increasing order.
  std::vector<std::pair<int32_t, uint64_t>> rankBoundCounts() const;
  /// dim Sel(E/Q) - dim Sel(E^/Q), the exponent of 3 in the Tamagawa ratio
  /// (Cassels' formula), with its count, in increasing order.
  std::vector<std::pair<int32_t, uint64_t>> differenceCounts() const;

  /// The table of --summary, for a reader.
  void print(std::FILE* out) const;
  /// The same as one JSON object and a newline, for a program (--summary-json,
  /// summarize --json): {"curves", "singular", "too_large", "analysed",
  /// "bad_lines", "rank_bounds": [{"rank_bound", "curves"}], "selmer_dims":
  /// [{"dim_sel_e_hat", "dim_sel_e", "curves"}]}, in increasing order.
  std::string json() const;

 private:
  uint64_t singular_ = 0;
  uint64_t tooLarge_ = 0;
  uint64_t analysed_ = 0;
  uint64_t badLines_ = 0;
  uint64_t searched_ = 0;
  std::vector<std::pair<int32_t, uint64_t>> proven_;  // rank, curves
  std::vector<std::pair<int32_t, uint64_t>> open_;    // upper - lower, curves
  // A family has few distinct pairs of dimensions (a curve of 32-bit
  // coefficients has fewer than 30 bad primes), so a short list searched
  // from the front costs less than a table, and a chunk's tally stays small
  // however many chunks are in flight.
  std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>> dims_;
};

}  // namespace velrin::cli
