#pragma once

// A literal model of Velrin's first design, in which every intermediate value
// of the analysis was a signed 64-bit integer and multiplication wrapped
// modulo 2^64. Where nothing wraps, that design and the exact program must
// print the same report; where something does, the model shows the wrong
// answer the exact program replaced.

#include <cstdint>
#include <string>

#include "curve/curve.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {

/// The places where the 64-bit design could leave the range, as bits.
enum WrapPoint : uint32_t {
  kWrapInSingularityTest = 1U << 0U,  ///< A^3 or 27B beyond 64 bits
  kWrapInDiscriminant = 1U << 1U,     ///< A^3 - 27B or B(A^3 - 27B) beyond 64 bits
  kWrapInResidueAtThree = 1U << 2U,   ///< q * t of the type II/III choice at 3
  kWrapInCandidate = 1U << 3U,        ///< a Selmer candidate m, or m B, or m B^2
};

/// What the 64-bit design prints for one pair of coefficients.
struct WrappingReport {
  /// Line [1] through line [4] with any factorisation warnings between, or
  /// the singular message alone: the exact bytes of one pass.
  std::string text;
  /// The WrapPoint bits of every value whose exact value left int64.
  uint32_t wraps = 0;
  bool singular = false;
  /// The number of accepted candidates before the 3-adic valuation is
  /// taken; a power of 3 whenever the candidates are exact. 0 if singular.
  int64_t rawCount = 0;
  int32_t dualDim = 0;    ///< dim Sel(E^/Q) as printed
  int32_t selmerDim = 0;  ///< dim Sel(E/Q) as printed

  bool wrapped() const { return wraps != 0; }
};

/// Runs the 64-bit design on E: y^2 + Axy + By = x^3. Its values wrap as
/// that design's did (computed in uint64_t, so without undefined behaviour);
/// the exact values are tracked beside them only to set `wraps`. With
/// Paths::kPlain it factorises by the whole table walk and tests cubes by
/// the least-root search, as the design did; Paths::kFast swaps in the
/// program's equivalents of the same contract (factorize, cubeRootSign),
/// which only makes a run over many curves affordable.
WrappingReport wrappingReference(int32_t A, int32_t B, Paths paths = Paths::kPlain);

}  // namespace velrin
