#pragma once

#include <cstdint>
#include <vector>

namespace velrin {

/// A named list of numbers to factor, the same on every machine.
struct FactorWorkload {
  const char* name;
  std::vector<__uint128_t> values;
  bool slowForRho;  ///< Pollard's rho alone needs a tenth of a second a value
};

/// The hard cases for F = A^3 - 27B (a 94-bit prime, two primes near 2^47,
/// many small primes times a large prime or times two primes near 2^40),
/// then |F| and |B| of 10,000 random pairs over the 32-bit range and of
/// 10,000 pairs of a family scan (|A| <= 1000, |B| <= 5000), fixed seeds.
std::vector<FactorWorkload> factorWorkloads();

}  // namespace velrin
