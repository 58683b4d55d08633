#pragma once

#include <cstdint>
#include <cstdio>

#include "curve/curve.hpp"

namespace velrin {

/// The original record Curve with its operations that print: line [1] (or
/// the singular message), the factorisation's warnings and the refusal of
/// a curve too large for 64 bits when its coefficients are set, and lines
/// [2] to [4] in printReport. The record and its computations are Curve's
/// (curve/curve.hpp); the descent's operations take it as a Curve. With
/// out == nullptr it prints nothing.
class ReportingCurve : public Curve {
 public:
  explicit ReportingCurve(std::FILE* out = stdout) : out_(out) {}

  /// Curve::setCoefficients, then what the original program prints for
  /// it. Returns 1 for a nonsingular curve, 0 for a singular one.
  int32_t setCoefficients(const int32_t& A, const int32_t& B);

  /// Where the record prints, or nullptr for none.
  std::FILE* out() const { return out_; }

 private:
  std::FILE* out_;
};

/// Classic rules: prints lines [2] to [4] of the report for the curve's
/// list, computing the Selmer dimensions; nothing for a refused curve or a
/// record without output.
void printReport(ReportingCurve& curve);

}  // namespace velrin
