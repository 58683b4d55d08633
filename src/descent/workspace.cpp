#include "descent/workspace.hpp"

#include "arith/cubic_residue_table.hpp"
#include "arith/prime_table.hpp"

namespace velrin {

namespace {

// The primes of term k and their exponents; the large prime's is 1.
size_t gather(const ProgressionSieve& sieve, uint32_t k,
              std::array<__uint128_t, Workspace::RowSieves::kMostPrimes>& primes,
              std::array<uint8_t, Workspace::RowSieves::kMostPrimes>& exponents) {
  const std::span<const uint32_t> small = sieve.smallPrimes(k);
  const std::span<const uint8_t> powers = sieve.smallExponents(k);
  size_t count = 0;
  for (; count < small.size(); ++count) {
    primes[count] = small[count];
    exponents[count] = powers[count];
  }
  if (sieve.largePrime(k) > 1) {
    exponents[count] = 1;
    primes[count++] = sieve.largePrime(k);
  }
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
  const size_t nf = gather(f, k, primesOfF_, exponentsOfF_);
  const size_t nb = gather(b, k, primesOfB_, exponentsOfB_);
  return {{primesOfB_.data(), nb},
          {primesOfF_.data(), nf},
          {exponentsOfB_.data(), nb},
          {exponentsOfF_.data(), nf}};
}

Workspace::RowSieves& Workspace::rowSieves(uint32_t terms) {
  if (!sieves_ || sieves_->f.capacity() < terms) sieves_ = std::make_unique<RowSieves>(terms);
  return *sieves_;
}

}  // namespace velrin
