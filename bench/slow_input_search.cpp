// Searches for the curves on which a full pass is slowest, the inputs of
// full_pass.cpp. Usage: velrin_slow_input_search MODE [COUNT]
//
//   smooth     D = B(A^3 - 27B) with as many distinct primes below 100 as fit
//              in 64 bits, optionally with one prime near the top of the table
//              (up to 611951) or just beyond it. B runs over the 97-smooth
//              values below 2^31 with at least 8 distinct primes, A over every
//              value that keeps D in 64 bits.
//   two-large  B a product of small primes, A^3 - 27B = +-p q with p, q table
//              primes near 611951: two long root searches per candidate.
//   semiprime  COUNT random B with A near the largest value that keeps D in
//              64 bits; where D / (its part below 1000) is a product of two
//              primes above 2^29, the hardest case for Pollard's rho, times
//              the fast pass.
//   random     COUNT random curves of every size; times the fast pass on each.
//
// Every mode prints its best finds, one a line, with the plain-path cost
// model of plainSteps (a guide for ranking; full_pass.cpp measures).

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arith/factor_search.hpp"
#include "arith/prime_table.hpp"
#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "null_sink.hpp"
#include "xorshift.hpp"

namespace velrin {
namespace {

constexpr int64_t kInt32Min = -2147483648LL;
constexpr int64_t kInt32Max = 2147483647LL;

struct Find {
  int32_t a;
  int32_t b;
  double score;
  std::string note;
};

// Images of E(Q_p) -> Q_p^*/Q_p^*3 as BadPrimeNode numbers them.
constexpr LocalImage kTrivialImage = LocalImage::kTrivial;
constexpr LocalImage kUnitImage = LocalImage::kUnits;
constexpr LocalImage kImageOfB = LocalImage::kGeneratedByB;

// Expected number of steps of the plain path's least-root search on a random
// unit modulo p: for p = 1 (mod 3) two units in three are no cubes and cost
// the whole range, a cube costs the least of its three roots (p/4); for the
// other primes cubing permutes the units and the one root lies anywhere.
double searchSteps(int32_t p) { return (p - 1) % 3 == 0 ? 0.75 * p : 0.5 * p; }

// Expected work of the plain enumeration in steps of the least-root search:
// every candidate walks the nodes in increasing order until one rejects it,
// paying for each node reached the residue of the candidate (about one
// modular product per factor, ~kVisitSteps) and the search. The pass rates
// treat the unit parts of the candidates as random residues.
double plainSteps(const Curve& curve) {
  constexpr double kVisitSteps = 30.0;
  double candidates = curve.threeIsBad == 0 ? 3.0 : 1.0;
  int32_t nodes = 0;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    candidates *= 3.0;
    ++nodes;
  }
  double reaching = 1.0;
  double perCandidate = 0.0;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    const int32_t p = node->prime;
    double cost = kVisitSteps * nodes / 1.5;
    double pass = 1.0;
    if (node->imageKind == kTrivialImage) {
      if (p == 3) {
        cost += 3.0;
        pass = 1.0 / 9.0;
      } else if ((p - 1) % 3 == 0) {
        cost += searchSteps(p) / 3.0;  // only the units are searched
        pass = 1.0 / 9.0;
      } else {
        pass = 1.0 / 3.0;
      }
    } else if (node->imageKind == kUnitImage) {
      cost += 2.0;
      pass = 1.0 / 3.0;
    } else if (node->imageKind == kImageOfB) {
      cost += searchSteps(p);
      pass = (p - 1) % 3 == 0 ? 1.0 / 3.0 : 1.0;
    }
    perCandidate += reaching * cost;
    reaching *= pass;
  }
  return candidates * perCandidate;
}

int32_t countNodes(const Curve& curve) {
  int32_t nodes = 0;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) ++nodes;
  return nodes;
}

std::string describeNodes(const Curve& curve) {
  std::string text;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    char item[48];
    std::snprintf(item, sizeof item, "%s%d:%s/%d", text.empty() ? "" : " ", node->prime,
                  node->kodaira.c_str(), static_cast<int>(node->imageKind));
    text.append(item);
  }
  return text;
}

// Seconds of one full fast pass, the least of `repeats` runs.
double fastPassSeconds(ReportingCurve& curve, int32_t a, int32_t b, int32_t repeats) {
  double best = 1e9;
  for (int32_t r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    if (curve.setCoefficients(a, b) != 0) printReport(curve);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void printFinds(std::vector<Find>& finds, size_t keep, const char* unit) {
  std::sort(finds.begin(), finds.end(),
            [](const Find& x, const Find& y) { return x.score > y.score; });
  if (finds.size() > keep) finds.resize(keep);
  for (const Find& f : finds) {
    std::printf("A=%d B=%d %s=%.4g %s\n", f.a, f.b, unit, f.score, f.note.c_str());
  }
}

// Divisibility by an odd constant through its inverse modulo 2^64.
struct OddDivisor {
  uint64_t p;
  uint64_t inverse;
  uint64_t limit;
  explicit OddDivisor(uint64_t prime) : p(prime), inverse(prime), limit(UINT64_MAX / prime) {
    for (int i = 0; i < 5; ++i) inverse *= 2 - p * inverse;
  }
  bool divides(uint64_t n) const { return n * inverse <= limit; }
};

// The smooth mode's loop: every B with enough small primes, every A.
void searchSmooth() {
  std::vector<uint64_t> small;
  for (uint64_t n = 2; n < 100; ++n) {
    bool prime = true;
    for (uint64_t d = 2; d * d <= n; ++d) prime = prime && n % d != 0;
    if (prime) small.push_back(n);
  }
  std::vector<OddDivisor> odd;
  for (size_t i = 1; i < small.size(); ++i) odd.emplace_back(small[i]);
  // Primes up to 10^6 for the cofactor: a table prime near the top, or one
  // just beyond the table.
  constexpr int32_t kSieve = 1000000;
  std::vector<bool> composite(kSieve + 1, false);
  composite[0] = composite[1] = true;
  for (int64_t n = 2; n * n <= kSieve; ++n) {
    if (composite[static_cast<size_t>(n)]) continue;
    for (int64_t k = n * n; k <= kSieve; k += n) composite[static_cast<size_t>(k)] = true;
  }
  // The 97-smooth B below 2^31 with at least 8 distinct primes, as masks.
  struct SmoothB {
    int64_t value;
    uint32_t mask;
  };
  std::vector<SmoothB> bs;
  auto build = [&](auto&& self, size_t i, int64_t value, uint32_t mask) -> void {
    if (i == small.size()) {
      if (__builtin_popcount(mask) >= 8) bs.push_back({value, mask});
      return;
    }
    self(self, i + 1, value, mask);
    for (int64_t v = value * static_cast<int64_t>(small[i]); v <= kInt32Max;
         v *= static_cast<int64_t>(small[i])) {
      self(self, i + 1, v, mask | (1U << i));
    }
  };
  build(build, 0, 1, 0);
  std::fprintf(stderr, "%zu values of B\n", bs.size());

  std::vector<Find> smooth;
  std::vector<Find> edge;
  std::vector<Find> beyond;
  Sink sink;
  ReportingCurve curve(sink.get());
  for (const SmoothB& entry : bs) {
    for (const int64_t b : {entry.value, -entry.value}) {
      const auto fMax = static_cast<double>(INT64_MAX / entry.value);
      const double hi = std::cbrt(27.0 * static_cast<double>(b) + fMax);
      const double lo = std::cbrt(27.0 * static_cast<double>(b) - fMax);
      const auto aLo = std::max<int64_t>(kInt32Min, static_cast<int64_t>(std::ceil(lo)));
      const auto aHi = std::min<int64_t>(kInt32Max, static_cast<int64_t>(std::floor(hi)));
      for (int64_t a = aLo; a <= aHi; ++a) {
        const __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * static_cast<__int128_t>(b);
        if (f == 0) continue;
        const __int128_t d = f * b;
        if (d > INT64_MAX || d < INT64_MIN) continue;
        uint64_t m = f < 0 ? static_cast<uint64_t>(-f) : static_cast<uint64_t>(f);
        uint32_t mask = entry.mask;
        if ((m & 1U) == 0) {
          mask |= 1U;
          m >>= __builtin_ctzll(m);
        }
        for (size_t i = 0; i < odd.size(); ++i) {
          if (!odd[i].divides(m)) continue;
          mask |= 1U << (i + 1);
          do m /= odd[i].p;
          while (odd[i].divides(m));
        }
        const int32_t omega = __builtin_popcount(mask);
        if (m == 1) {
          if (omega < 13) continue;
        } else if (m <= kSieve && !composite[m] && m >= 400000) {
          if (omega < 10) continue;
        } else {
          continue;
        }
        if (curve.setCoefficients(static_cast<int32_t>(a), static_cast<int32_t>(b)) == 0) continue;
        char note[64];
        std::snprintf(note, sizeof note, "omega=%d cofactor=%" PRIu64 " nodes=%d ", omega + (m > 1),
                      m, countNodes(curve));
        std::string text(note);
        text.append(describeNodes(curve));
        Find find{static_cast<int32_t>(a), static_cast<int32_t>(b), plainSteps(curve), text};
        if (m == 1) {
          find.score = omega * 1e12 + find.score;  // most primes first
          smooth.push_back(find);
        } else if (m <= static_cast<uint64_t>(PrimeTable::kLargestPrime)) {
          edge.push_back(find);
        } else {
          find.score = omega * 1e12 + find.score;
          beyond.push_back(find);
        }
      }
    }
  }
  std::printf("== most distinct primes below 100 (score = 1e12 * primes + steps)\n");
  printFinds(smooth, 25, "score");
  std::printf("== one prime of the table above 400000 (score = plain steps)\n");
  printFinds(edge, 25, "steps");
  std::printf("== one prime just beyond the table (score = 1e12 * primes + steps)\n");
  printFinds(beyond, 25, "score");
}

// B runs over products of the first primes, A over every value that keeps
// |A^3 - 27B| below 611951^2; the cofactor of A^3 - 27B is split exactly.
void searchTwoLarge() {
  std::vector<Find> finds;
  Sink sink;
  ReportingCurve curve(sink.get());
  const int64_t bases[] = {9699690, 4849845,     3233230,     1939938, 2 * 9699690, 3 * 9699690,
                           510510,  17 * 510510, 23 * 510510, 1021020, 1531530};
  constexpr double kLimit = 611951.0 * 611951.0;
  for (const int64_t base : bases) {
    for (const int64_t b : {base, -base}) {
      const auto hi = static_cast<int64_t>(std::cbrt(27.0 * static_cast<double>(b) + kLimit));
      const auto lo = static_cast<int64_t>(std::cbrt(27.0 * static_cast<double>(b) - kLimit));
      for (int64_t a = lo; a <= hi; ++a) {
        const __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * static_cast<__int128_t>(b);
        if (f == 0 || f > INT64_MAX / base || -f > INT64_MAX / base) continue;
        uint64_t m = f < 0 ? static_cast<uint64_t>(-f) : static_cast<uint64_t>(f);
        for (uint64_t p = 2; p < 1000 && m > 1; ++p) {
          while (m % p == 0) m /= p;
        }
        if (m < 100000ULL * 100000ULL || isPrime(m)) continue;
        const uint64_t p = findDivisor(m);
        const uint64_t q = m / p;
        if (!isPrime(p) || !isPrime(q) || std::max(p, q) > 611951) continue;
        if (curve.setCoefficients(static_cast<int32_t>(a), static_cast<int32_t>(b)) == 0) continue;
        char note[64];
        std::snprintf(note, sizeof note, "p*q=%" PRIu64 "*%" PRIu64 " nodes=%d ", std::min(p, q),
                      std::max(p, q), countNodes(curve));
        std::string text(note);
        text.append(describeNodes(curve));
        finds.push_back(
            {static_cast<int32_t>(a), static_cast<int32_t>(b), plainSteps(curve), text});
      }
    }
  }
  std::printf("== two primes of the table above 10^5 in A^3 - 27B (score = plain steps)\n");
  printFinds(finds, 25, "steps");
}

// Times the fast pass where D, stripped of its primes below 1000, is a
// composite with no factor below 2^29: Pollard's rho must walk about the
// square root of the smaller prime, and how far exactly depends on the
// orbit of x -> x^2 + 1 modulo each prime, so only a timing finds the worst.
// B is drawn with a random bit length, A in the upper half below the largest value that keeps
// D in 64 bits.
void searchSemiprime(int64_t count) {
  std::vector<Find> finds;
  Sink sink;
  ReportingCurve curve(sink.get());
  XorShift next(0x13198a2e03707344ULL);
  int64_t balanced = 0;
  for (int64_t i = 0; i < count; ++i) {
    // Half the draws keep |B| <= 16: A then has the most room, and the
    // balanced cofactors are commonest.
    const uint64_t bitsB = (next() & 1U) != 0 ? next() % 5 : next() % 32;
    auto b = static_cast<int64_t>((next() % (uint64_t{1} << bitsB)) + 1);
    if (b > kInt32Max) b = kInt32Max;
    if ((next() & 1U) != 0) b = -b;
    const double aMax = std::cbrt(9.2e18 / static_cast<double>(b < 0 ? -b : b));
    auto a = static_cast<int64_t>(aMax * (0.5 + 0.5 * static_cast<double>(next() % 1000000) / 1e6));
    if (a > kInt32Max) a = kInt32Max;
    if ((next() & 1U) != 0) a = -a;
    const __int128_t d = static_cast<__int128_t>(b) * (static_cast<__int128_t>(a) * a * a - 27 * b);
    if (d > INT64_MAX || d < INT64_MIN || d == 0) continue;
    uint64_t m = d < 0 ? static_cast<uint64_t>(-d) : static_cast<uint64_t>(d);
    for (uint64_t p = 2; p < 1000 && m > 1; ++p) {
      while (m % p == 0) m /= p;
    }
    if (m < (1ULL << 58) || isPrime(m)) continue;
    const uint64_t p = findDivisor(m);
    const uint64_t small = std::min(p, m / p);
    if (small < (1ULL << 29)) continue;
    ++balanced;
    const double seconds =
        fastPassSeconds(curve, static_cast<int32_t>(a), static_cast<int32_t>(b), 3);
    char note[80];
    std::snprintf(note, sizeof note, "cofactor=%" PRIu64 "*%" PRIu64, small, m / small);
    finds.push_back({static_cast<int32_t>(a), static_cast<int32_t>(b), seconds, note});
  }
  std::fprintf(stderr, "%" PRId64 " balanced composite cofactors timed\n", balanced);
  std::printf("== balanced semiprime cofactors (score = fastest of 3 fast passes, seconds)\n");
  printFinds(finds, 25, "seconds");
}

// Coefficients of every size, as the session benchmark draws them: a bit
// length for A, then one for B within what keeps D near 64 bits.
void searchRandom(int64_t count) {
  std::vector<Find> finds;
  Sink sink;
  ReportingCurve curve(sink.get());
  XorShift next(0x243f6a8885a308d3ULL);
  double slowest = 0.0;
  for (int64_t i = 0; i < count; ++i) {
    const uint64_t bitsA = next() % 32;
    const uint64_t roomForB = bitsA >= 21 ? 1 : 63 - 3 * bitsA;
    const uint64_t bitsB = 1 + next() % std::min<uint64_t>(roomForB, 31);
    auto a = static_cast<int64_t>(next() % (uint64_t{1} << bitsA));
    auto b = static_cast<int64_t>(next() % (uint64_t{1} << bitsB)) + 1;
    if ((next() & 1U) != 0) a = -a;
    if ((next() & 1U) != 0) b = -b;
    const double seconds =
        fastPassSeconds(curve, static_cast<int32_t>(a), static_cast<int32_t>(b), 1);
    if (seconds < slowest / 4) continue;
    slowest = std::max(slowest, seconds);
    // Time it again: a single slow run may be the machine's, not the curve's.
    const double again =
        fastPassSeconds(curve, static_cast<int32_t>(a), static_cast<int32_t>(b), 3);
    finds.push_back({static_cast<int32_t>(a), static_cast<int32_t>(b), again, ""});
  }
  std::printf("== slowest of %" PRId64 " random curves (score = fastest of 3 passes, seconds)\n",
              count);
  printFinds(finds, 25, "seconds");
}

}  // namespace
}  // namespace velrin

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  const int64_t count = argc > 2 ? std::atoll(argv[2]) : 200000;
  if (std::strcmp(mode, "smooth") == 0) {
    velrin::searchSmooth();
  } else if (std::strcmp(mode, "two-large") == 0) {
    velrin::searchTwoLarge();
  } else if (std::strcmp(mode, "semiprime") == 0) {
    velrin::searchSemiprime(count);
  } else if (std::strcmp(mode, "random") == 0) {
    velrin::searchRandom(count);
  } else {
    std::fprintf(stderr, "usage: %s smooth|two-large|semiprime|random [count]\n", argv[0]);
    return 2;
  }
  return 0;
}
