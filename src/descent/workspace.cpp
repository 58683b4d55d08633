#include "descent/workspace.hpp"

#include "arith/cubic_residue_table.hpp"
#include "arith/prime_table.hpp"

namespace velrin {

namespace {

size_t gather(const ProgressionSieve& sieve, uint32_t k,
              std::array<__uint128_t, ProgressionSieve::kMaxSmallPrimes + 1>& out) {
  size_t count = 0;
  for (const uint32_t p : sieve.smallPrimes(k)) out[count++] = p;
  if (sieve.largePrime(k) > 1) out[count++] = sieve.largePrime(k);
  return count;
}

}  // namespace

void startAnalysis() {
  startPariOnThisThread();
  (void)PrimeTable::instance();
  (void)CubicResidueTable::instance();
  ProgressionSieve::preparePrimes();
}

void stopAnalysis() { stopPariOnThisThread(); }

CurveFactors Workspace::RowSieves::factorsOf(uint32_t k) {
  const size_t nf = gather(f, k, primesOfF_);
  const size_t nb = gather(b, k, primesOfB_);
  return {{primesOfB_.data(), nb}, {primesOfF_.data(), nf}};
}

Workspace::RowSieves& Workspace::rowSieves(uint32_t terms) {
  if (!sieves_ || sieves_->f.capacity() < terms) sieves_ = std::make_unique<RowSieves>(terms);
  return *sieves_;
}

}  // namespace velrin
