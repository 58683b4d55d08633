#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "arith/pari_factor.hpp"
#include "arith/progression_sieve.hpp"
#include "descent/curve_analysis.hpp"

namespace velrin {

/// The state of the analysis, all of it.
///
/// In the process, set up once by startAnalysis() on the thread that
/// outlives every other (main, the Python module's import), constant
/// afterwards and shared by all threads: PARI's main stack and global state
/// (arith/pari_factor), the prime table, the cubic residue table and the row
/// sieve's primes. A caller that skips startAnalysis() gets each built on
/// its first use instead, as the tests do.
///
/// In each thread that analyses, a Workspace: its PARI stack, for the wide
/// factorisations and the rank search, and the row sieves of a scan. The
/// pipeline makes one for each worker before its first curve, on the
/// worker's thread, and releases it when the worker ends. A thread without
/// one (a test, a single report) gets a PARI stack on its first wide
/// composite, kept until it ends.
///
/// Beyond these a thread keeps only scratch that carries nothing from one
/// curve to the next (the rank search's table of squares): a curve's record
/// depends on (A, B) and the rules alone.
void startAnalysis();

/// Releases the process's PARI state that startAnalysis() set up, on the
/// same thread, after every worker has ended (the tables stay until exit,
/// as constants); nothing may analyse afterwards.
void stopAnalysis();

/// One analysing thread's state. Made, used and destroyed on one thread.
class Workspace {
 public:
  /// A row of a family factored at once: the sieves for F = A^3 - 27B and
  /// for B over consecutive B, and the primes of the curve at hand, with
  /// their exponents, in the form the analysis takes.
  struct RowSieves {
    explicit RowSieves(uint32_t capacity) : f(capacity), b(capacity) {}
    ProgressionSieve f;
    ProgressionSieve b;
    /// The primes of term k of both sieves and their exponents, valid
    /// until the next call.
    CurveFactors factorsOf(uint32_t k);

    static constexpr size_t kMostPrimes = ProgressionSieve::kMaxSmallPrimes + 1;

   private:
    std::array<__uint128_t, kMostPrimes> primesOfF_{};
    std::array<__uint128_t, kMostPrimes> primesOfB_{};
    std::array<uint8_t, kMostPrimes> exponentsOfF_{};
    std::array<uint8_t, kMostPrimes> exponentsOfB_{};
  };

  Workspace() = default;

  /// The row sieves, with room for `terms` terms at least: sized by the
  /// longest piece of a row this thread has met, which the pipeline keeps
  /// small when there are many threads, so that their memory stays bounded
  /// in total.
  RowSieves& rowSieves(uint32_t terms);

 private:
  PariThreadStack pari_;
  std::unique_ptr<RowSieves> sieves_;
};

}  // namespace velrin
