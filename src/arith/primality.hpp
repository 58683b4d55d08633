#pragma once

#include <cstdint>

namespace velrin {

/// Returns true when n is prime; any n below 2^64. Proven: strong
/// Miller-Rabin to the first k prime bases, with k the least for which n
/// lies below the least strong pseudoprime to those bases (at most 12).
bool isPrime(uint64_t n);

/// Returns true when n is prime; n below 2^127 (an odd n >= 2^127 with no
/// prime factor up to 41 is not examined and gives false). Proven below
/// psi_13 = 3317044064679887385961981 (about 2^81.5): strong Miller-Rabin
/// to up to the first 13 primes. From psi_13 on, Baillie-PSW (strong base 2
/// and strong Lucas with Selfridge's parameters): no composite is known to
/// pass it, none exists below 2^64, but none is proven not to exist above.
bool isPrimeWide(__uint128_t n);

}  // namespace velrin
