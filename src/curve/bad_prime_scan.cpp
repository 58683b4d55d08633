#include <array>
#include <cstddef>
#include <cstdint>

#include "arith/factorize.hpp"
#include "curve/curve.hpp"
#include "curve/local_classification.hpp"

namespace velrin {

void Curve::scanBadPrimes() {
  // D = B(A^3 - 27B) has the prime divisors of the discriminant B^3(A^3 - 27B).
  // It is formed exactly; a D beyond 64 bits is refused rather than
  // factorised in a wrapped form that has nothing to do with the curve.
  const __int128_t d = static_cast<__int128_t>(b) * (static_cast<__int128_t>(a) * a * a - 27 * b);
  if (d > INT64_MAX || d < INT64_MIN) {
    tooLarge = true;
    return;
  }
  // At most 15 distinct primes and the terminating 0 are written, from slot 1.
  std::array<int32_t, 17> primes{};
  warnings = factorizeQuietly(static_cast<int64_t>(d), primes, paths_ == Paths::kFast);
  BadPrimeNode* current = head;
  for (size_t i = 1; primes[i] != 0; ++i) {
    const int32_t p = primes[i];
    if (p == 3) threeIsBad = 1;
    classifyPrime(p, *current);
    // A node left open (good reduction after scaling) takes the next prime.
    if (current->prime != 0) {
      current->next = new BadPrimeNode;
      current = current->next;
    }
  }
}

void Curve::classifyPrime(int32_t p, BadPrimeNode& node) {
  const LocalDatum local = classifyClassic(a, b, p);
  node.kodaira = kodairaText(local.kodaira);
  node.imageKind = local.image;
  node.dimDelta = local.term;
  if (local.prime != 0) node.prime = p;
}

}  // namespace velrin
