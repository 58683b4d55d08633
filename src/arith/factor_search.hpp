#pragma once

#include <cstdint>

namespace velrin {

/// Returns true when n is prime; any n below 2^64. Deterministic: the
/// Miller-Rabin test with the first twelve primes as bases has no
/// pseudoprime below 2^64.
bool isPrime(uint64_t n);

/// Returns a proper divisor of n, found by Pollard's rho method with
/// Brent's cycle search; n is odd, composite, below 2^63, and has no prime
/// factor below 1000. Always succeeds: a failed walk is retried with
/// another polynomial.
uint64_t findDivisor(uint64_t n);

}  // namespace velrin
