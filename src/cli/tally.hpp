#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "descent/curve_analysis.hpp"

namespace velrin::cli {

/// How many curves of a run fell into each class: singular, refused (too
/// large), and, among the analysed ones, each pair of Selmer dimensions
/// (from which the rank bound follows). Workers tally their chunk; the
/// writer merges the chunks.
class Tally {
 public:
  void add(const CurveAnalysis& analysis) { add(analysis.status, analysis.selmerDims); }
  /// Counts a curve of this status; dims matter when it was analysed.
  void add(CurveStatus status, std::array<int32_t, 2> dims);
  void addBadLine() { ++badLines_; }
  void merge(const Tally& other);
  void clear();

  uint64_t singular() const { return singular_; }
  uint64_t tooLarge() const { return tooLarge_; }
  uint64_t analysed() const { return analysed_; }
  uint64_t badLines() const { return badLines_; }
  /// (dim Sel(E^/Q), dim Sel(E/Q)) with its count, in increasing order.
  std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>> dimensionCounts() const;
  /// rank bound with its count, in increasing order.
  std::vector<std::pair<int32_t, uint64_t>> rankBoundCounts() const;

  /// The table of --summary, for a reader.
  void print(std::FILE* out) const;

 private:
  // Dimensions from kLow to kLow + kSide - 1 are counted in place; the
  // classic rules can give -1 and a curve of 32-bit coefficients has fewer
  // than 30 bad primes, so the spill list stays empty in practice.
  static constexpr int32_t kLow = -4;
  static constexpr int32_t kSide = 36;

  uint64_t singular_ = 0;
  uint64_t tooLarge_ = 0;
  uint64_t analysed_ = 0;
  uint64_t badLines_ = 0;
  std::array<uint64_t, kSide * kSide> grid_{};
  std::vector<std::pair<std::pair<int32_t, int32_t>, uint64_t>> spill_;
};

}  // namespace velrin::cli
