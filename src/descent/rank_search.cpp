#include "descent/rank_search.hpp"

#include <gmpxx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <numeric>
#include <optional>

#include "curve/local_data.hpp"
#include "curve/pari_points.hpp"
#include "descent/second_descent.hpp"

// The rank from the 3-isogeny descent, proven where the points allow it.
//
// T = (0,0) has order 3; phi: E -> E^ = E/<T>, phihat its dual. E(Q)[3] is
// <T> (a second point of order 3 would put the cube roots of unity in Q by
// the Weil pairing), so dim_F3 E(Q)/3E(Q) = r + 1, r the rank (when the
// torsion is Z/9, T is divisible by 3 and a point S of order 9 takes its
// place). Any homomorphism Phi: E(Q)/3E(Q) -> F_3^N therefore gives
//   r >= dim span Phi({T, P_1, ..., P_n}) - 1
// for any points P_i, and this bound is proven: nothing is guessed. Phi has
// two kinds of coordinates, both exact:
//   delta, the Kummer map of phihat: P -> y(P) modulo cubes, as the exponent
//   vector mod 3 over the bad primes (a point's y is m times a cube with m
//   in the Selmer group, supported on the bad primes); delta(T) = B^2,
//   computed from 1/(y + Ax + B) = 1/B. A point found on the cover C_m has
//   delta = m by construction, and the exact check on E confirms it.
//   f_p, for good primes p = 2 (mod 3), p not dividing 3 B0 F0: E(F_p)[3] is
//   <T> (no cube roots of unity in F_p), so the 3-part of E(F_p) is cyclic
//   and E(F_p)/3E(F_p) = Z/3; f_p(P) = c where (N_p/3) P = c T in E(F_p),
//   N_p = #E(F_p); its kernel is 3E(F_p). A point whose denominator p
//   divides reduces to O. The f_p see E^(Q)/phi(E(Q)) too (phihat maps
//   E^(F_p) onto E(F_p)), which delta cannot, and by Chebotarev enough of
//   them separate E(Q)/3E(Q).
// The points are searched for in two places. The covers C_m of the classes
// m of Sel(E^/Q) (covering_curve.hpp) hold the points P with delta(P) = m,
// searched over (V, W) with the cubic in U solved for each pair. The
// images phihat(Q') of points Q' of E^(Q) (delta = 1) are small on E^ but
// large on C_1 (the height triples), so they are searched for on E^ itself,
//   E^: y^2 + A0 xy + B0 y = x^3 - 5 A0 B0 x - A0^3 B0 - 7 B0^2,
// with the PARI library's sieve in a box stretched to the size of E^ (see
// pariSmallPointsStretched: where E^ is large its small points have large
// numerators and small denominators), and mapped to E by phihat (Velu's
// formula for the kernel x = -A0^2/3, then the change of variables to E);
// each image is checked on E exactly, and its delta computed from its y.
// The generators reported are reduced (reduceGenerators).
//
// The descent bounds r <= d1 + d2 - 1; where the lower bound meets it, the
// rank is proven and delta(E(Q)) fills Sel(E^/Q), so Sha(E)[phi] and
// Sha(E^)[phihat] are trivial.

namespace velrin {

namespace {

// Primes p = 2 (mod 3) used for the functionals f_p, at most this many.
constexpr int32_t kFunctionalPrimes = 30;
// E^ is searched to this many times the square of the height (by the
// fixtures, at height 40: 10 proves 97.8% of the sharp bounds with |A|,
// |B| <= 40, 100 proves 98.8% at four times the cost).
constexpr int64_t kDualHeightFactor = 10;
// E^'s box is stretched along the numerator of x to this many times the
// size of its minimal model, at least this deep in the denominator (see
// pariSmallPointsStretched): the random sample's generators on E^ have x
// about R d^2 with d small.
constexpr int64_t kDualStretch = 144;
constexpr int64_t kDualMinDenominator = 36;
// The sieving primes of the covers' search and the bits of their tables.
constexpr std::array<int64_t, 4> kSievePrimes{5, 7, 11, 13};
constexpr int64_t kSieveBits = 5 * 5 + 7 * 7 + 11 * 11 + 13 * 13;
constexpr size_t kSieveWords = (kSieveBits + 63) / 64;
// At most this many Selmer classes get a cover; more would cost 3^d1.
constexpr int32_t kMaxSelmerDimension = 7;
// The second descent (second_descent.cpp, with --second-descent) runs on at
// most this many covers of a curve whose rank is left open, the smallest
// fields first: its cost is a field and up to 81 searches per cover.
constexpr size_t kSecondDescentCovers = 13;
// Points kept for choosing small generators, beyond those that raise the span.
constexpr size_t kKeptPoints = 48;

// A vector of F_3^64 in two masks, coordinate j in bit j.
struct Vector64 {
  uint64_t ones = 0;
  uint64_t twos = 0;
  bool zero() const { return (ones | twos) == 0; }
};

// A subspace of F_3^64 in echelon form: each basis vector has 1 at its
// pivot, the lowest set coordinate, and the pivots are distinct.
class Span {
 public:
  // Adds v; true when it was not in the span.
  bool insert(Vector64 v) {
    for (size_t i = 0; i < count_; ++i) {
      const uint64_t bit = pivots_[i];
      if ((v.ones & bit) != 0) {
        addF3Into(v.ones, v.twos, basis_[i].twos, basis_[i].ones);
      } else if ((v.twos & bit) != 0) {
        addF3Into(v.ones, v.twos, basis_[i].ones, basis_[i].twos);
      }
    }
    if (v.zero()) return false;
    const uint64_t bit = (v.ones | v.twos) & (0 - (v.ones | v.twos));
    if ((v.twos & bit) != 0) std::swap(v.ones, v.twos);
    basis_[count_] = v;
    pivots_[count_] = bit;
    ++count_;
    return true;
  }
  int32_t dimension() const { return static_cast<int32_t>(count_); }

 private:
  std::array<Vector64, 64> basis_{};
  std::array<uint64_t, 64> pivots_{};
  size_t count_ = 0;
};

uint64_t inverseMod(uint64_t a, uint64_t p) {
  // Fermat: p prime, a a unit; p < 2^16 keeps every product below 2^32.
  uint64_t result = 1;
  uint64_t base = a % p;
  for (uint64_t e = p - 2; e != 0; e >>= 1U) {
    if ((e & 1U) != 0) result = result * base % p;
    base = base * base % p;
  }
  return result;
}

// The reduction of the minimal model y^2 + a1 xy + a3 y = x^3 modulo a good
// odd prime p below 2^16, with its number of points.
struct ReducedCurve {
  uint64_t p = 0;
  uint64_t a1 = 0;
  uint64_t a3 = 0;
  uint64_t order = 0;  // N_p = #E(F_p)
};

struct ModPoint {
  uint64_t x = 0;
  uint64_t y = 0;
  bool infinity = true;
};

ModPoint addMod(const ReducedCurve& e, const ModPoint& s, const ModPoint& t) {
  if (s.infinity) return t;
  if (t.infinity) return s;
  const uint64_t p = e.p;
  uint64_t lambda = 0;
  if (s.x == t.x) {
    // t = -s when y_t = -y_s - a1 x - a3.
    const uint64_t denominator = (2 * s.y + e.a1 * s.x + e.a3) % p;
    if ((s.y + t.y + e.a1 * s.x + e.a3) % p == 0 || denominator == 0) return {};
    const uint64_t numerator = (3 * s.x % p * s.x + p * p - e.a1 * s.y % p) % p;
    lambda = numerator * inverseMod(denominator, p) % p;
  } else {
    lambda = (t.y + p - s.y) % p * inverseMod((t.x + p - s.x) % p, p) % p;
  }
  const uint64_t nu = (s.y + p * p - lambda * s.x % p) % p;
  const uint64_t x = (lambda * lambda + e.a1 * lambda + 2 * p - s.x - t.x) % p;
  const uint64_t y = (2 * p * p - (lambda + e.a1) % p * x % p - nu - e.a3) % p;
  return {x, y, false};
}

ModPoint multiplyMod(const ReducedCurve& e, ModPoint point, uint64_t k) {
  ModPoint result;
  for (; k != 0; k >>= 1U) {
    if ((k & 1U) != 0) result = addMod(e, result, point);
    point = addMod(e, point, point);
  }
  return result;
}

// N_p by counting: for each x, y^2 + (a1 x + a3) y = x^3 has 1 + (D/p)
// solutions with D = (a1 x + a3)^2 + 4 x^3.
uint64_t countPoints(uint64_t p, uint64_t a1, uint64_t a3) {
  // The squares modulo p, kept per thread: a curve asks for 30 primes.
  thread_local std::vector<uint8_t> square;
  square.assign(p, 0);
  for (uint64_t t = 0; t < p; ++t) square[t * t % p] = 1;
  uint64_t count = 1;
  for (uint64_t x = 0; x < p; ++x) {
    const uint64_t l = (a1 * x + a3) % p;
    const uint64_t d = (l * l + 4 * (x * x % p) * x) % p;
    count += d == 0 ? 1 : (square[d] != 0 ? 2 : 0);
  }
  return count;
}

int64_t residueOf(__int128_t n, int64_t p) {
  const __int128_t r = n % p;
  return static_cast<int64_t>(r < 0 ? r + p : r);
}

bool isPrime(int64_t n) {
  if (n < 2) return false;
  for (int64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

// A point of a cover, (U:V:W), with the cover's index.
struct CoverPoint {
  size_t cover = 0;
  __int128_t u = 0;
  __int128_t v = 0;
  __int128_t w = 0;
};

struct Found {
  RationalPoint point;
  Vector64 image;
  double height = 0;
};

class Searcher {
 public:
  Searcher(const CurveAnalysis& analysis, int32_t height, bool secondDescent)
      : analysis_(analysis),
        height_(height),
        secondDescent_(secondDescent),
        a0_(analysis.a / analysis.scale),
        b0_(static_cast<int64_t>(analysis.b) /
            (static_cast<int64_t>(analysis.scale) * analysis.scale * analysis.scale)),
        bad_(analysis.badPrimeCount) {}

  RankSearch run();

 private:
  void buildCovers(RankSearch& result);
  void buildFunctionals();
  Vector64 imageOfTorsion();
  Vector64 imageOf(const CoverPoint& point);
  void setFunctional(Vector64& image, int32_t index, uint64_t value) const;
  // Tries the pair (V, W) on every cover; true when the span is full.
  bool tryPair(int64_t v, int64_t w);
  bool tryRoot(size_t index, double root, int64_t v, int64_t w);
  // Adds the cover's primitive point (U:V:W), U, W != 0, checked on E;
  // true when the span is full.
  bool addCoverPoint(size_t index, __int128_t u, __int128_t v, __int128_t w);
  // The second descent on each cover whose class no point has shown yet;
  // true when the span is full.
  bool searchSecondDescent();
  // The covers' shells of heights from to `to`; true when the span is full.
  bool searchCovers(int64_t from, int64_t to);
  // Searches E^ and adds the images phihat(Q'); true when the span is full.
  bool searchDual(int64_t bound);
  bool addRational(const mpq_class& x, const mpq_class& y);
  // Replaces the generators by an LLL-reduced basis of their span.
  void reduceGenerators(std::vector<RationalPoint>& points) const;

  const CurveAnalysis& analysis_;
  int32_t height_;
  bool secondDescent_;
  int64_t a0_;
  int64_t b0_;
  int32_t bad_;
  F3Matrix::Vector torsionClass_;  // delta(T) = B0^2
  std::vector<CoveringCurve> covers_;
  std::vector<F3Matrix::Vector> classes_;
  std::vector<double> u3_, v3_, uvw_, w3_;  // the covers' coefficients in double
  // The sieve: for each cover and sieving prime l, bit (V mod l) l + (W mod l)
  // is set when the cubic in U has a root modulo l; a pair whose bit is
  // clear has no integer root and is not solved.
  std::vector<std::array<uint64_t, kSieveWords>> sieve_;
  std::vector<ReducedCurve> functionals_;
  bool functionalsBuilt_ = false;
  Span span_;
  int32_t target_ = 0;
  std::vector<Found> found_;
};

void Searcher::buildCovers(RankSearch& result) {
  const std::span<const F3Matrix::Vector> basis = analysis_.selmerBasis();
  const auto d = static_cast<int32_t>(basis.size());
  int64_t total = 1;
  for (int32_t i = 0; i < d; ++i) total *= 3;
  // Every class once up to inversion: C_m and C_(m^2) hold P and -P, so the
  // classes whose lowest non-zero exponent is 1 stand for both.
  for (int64_t index = 0; index < total; ++index) {
    F3Matrix::Vector sum;
    int64_t digits = index;
    for (int32_t i = 0; i < d; ++i, digits /= 3) {
      const auto digit = digits % 3;
      const F3Matrix::Vector& e = basis[static_cast<size_t>(i)];
      if (digit == 1) addF3Into(sum.ones, sum.twos, e.ones, e.twos);
      if (digit == 2) addF3Into(sum.ones, sum.twos, e.twos, e.ones);
    }
    const uint32_t support = sum.ones | sum.twos;
    if (support != 0 && (sum.ones & support & (0 - support)) == 0) continue;
    // With d2 = 0 the classes of <delta(T)> hold only the points k T +
    // phihat(Q'), which add nothing (see run): their covers are not searched.
    const bool inTorsionClass =
        support == 0 || (sum.ones == torsionClass_.ones && sum.twos == torsionClass_.twos) ||
        (sum.ones == torsionClass_.twos && sum.twos == torsionClass_.ones);
    if (inTorsionClass && analysis_.dimSelmerE == 0) continue;
    __uint128_t m1 = 0;
    __uint128_t m2 = 0;
    std::optional<CoveringCurve> cover;
    if (selmerClassFactors(analysis_, sum, m1, m2)) cover = coveringCurve(a0_, b0_, m1, m2);
    if (!cover) {
      result.allCoversSearched = false;
      continue;
    }
    covers_.push_back(*cover);
    classes_.push_back(sum);
    u3_.push_back(static_cast<double>(cover->u3));
    v3_.push_back(static_cast<double>(cover->v3));
    uvw_.push_back(static_cast<double>(cover->uvw));
    w3_.push_back(static_cast<double>(cover->w3));
    // For each l and each t = VW mod l, the values of u3 U^3 + uvw t U
    // modulo l as a mask; (V, W) passes when -(v3 V^3 + w3 W^3) is among
    // those of t = VW. Every product below is under 13^2.
    std::array<uint64_t, kSieveWords> table{};
    int64_t offset = 0;
    for (const int64_t l : kSievePrimes) {
      const int64_t cu = residueOf(cover->u3, l);
      const int64_t cv = residueOf(cover->v3, l);
      const int64_t cuvw = residueOf(cover->uvw, l);
      const int64_t cw = residueOf(cover->w3, l);
      std::array<uint32_t, 13> values{};
      for (int64_t t = 0; t < l; ++t) {
        for (int64_t u = 0; u < l; ++u) {
          const int64_t value = (cu * (u * u % l * u % l) + cuvw * t % l * u) % l;
          values[static_cast<size_t>(t)] |= 1U << value;
        }
      }
      for (int64_t v = 0; v < l; ++v) {
        for (int64_t w = 0; w < l; ++w) {
          const int64_t rest = (cv * (v * v % l * v % l) + cw * (w * w % l * w % l)) % l;
          const int64_t wanted = (l - rest) % l;
          if (((values[static_cast<size_t>(v * w % l)] >> wanted) & 1U) != 0) {
            const auto bit = static_cast<size_t>(offset + v * l + w);
            table[bit / 64] |= uint64_t{1} << (bit % 64);
          }
        }
      }
      offset += l * l;
    }
    sieve_.push_back(table);
  }
}

void Searcher::buildFunctionals() {
  functionalsBuilt_ = true;
  // With d2 = 0, phihat(E^(Q)) lies in 3E(Q) + <T>: delta alone separates
  // E(Q)/3E(Q) (see run), and no f_p is needed.
  if (analysis_.dimSelmerE == 0) return;
  const __int128_t f0 =
      static_cast<__int128_t>(a0_) * a0_ * a0_ - 27 * static_cast<__int128_t>(b0_);
  for (int64_t p = 5; static_cast<int32_t>(functionals_.size()) < kFunctionalPrimes; p += 6) {
    // p = 5 (mod 6): p = 2 (mod 3), odd. The bound p < 2^16 of the modular
    // arithmetic holds: the 30th such good prime is far below it, as a curve
    // has at most 32 bad primes.
    if (!isPrime(p) || b0_ % p == 0 || residueOf(f0, p) == 0) continue;
    ReducedCurve e;
    e.p = static_cast<uint64_t>(p);
    e.a1 = static_cast<uint64_t>(residueOf(a0_, p));
    e.a3 = static_cast<uint64_t>(residueOf(b0_, p));
    e.order = countPoints(e.p, e.a1, e.a3);
    functionals_.push_back(e);
  }
}

void Searcher::setFunctional(Vector64& image, int32_t index, uint64_t value) const {
  const uint64_t bit = uint64_t{1} << static_cast<uint64_t>(bad_ + index);
  if (value == 1) image.ones |= bit;
  if (value == 2) image.twos |= bit;
}

Vector64 Searcher::imageOfTorsion() {
  if (!functionalsBuilt_) buildFunctionals();
  // delta(T) = B0^2 modulo cubes: twice the exponents of B0.
  Vector64 image;
  const std::span<const LocalDatum> primes = analysis_.badPrimes();
  for (size_t j = 0; j < primes.size(); ++j) {
    int64_t rest = b0_;
    int32_t v = 0;
    const __uint128_t p = primes[j].prime;
    while (p < (__uint128_t{1} << 32U) && rest % static_cast<int64_t>(p) == 0) {
      rest /= static_cast<int64_t>(p);
      ++v;
    }
    const int32_t c = (2 * v) % 3;
    if (c == 1) image.ones |= uint64_t{1} << j;
    if (c == 2) image.twos |= uint64_t{1} << j;
  }
  for (size_t i = 0; i < functionals_.size(); ++i) {
    const ReducedCurve& e = functionals_[i];
    const ModPoint q = multiplyMod(e, ModPoint{0, 0, false}, e.order / 3);
    uint64_t c = 0;
    if (!q.infinity && q.x == 0) c = q.y == 0 ? 1 : 2;
    setFunctional(image, static_cast<int32_t>(i), c);
  }
  return image;
}

Vector64 Searcher::imageOf(const CoverPoint& point) {
  if (!functionalsBuilt_) buildFunctionals();
  const CoveringCurve& cover = covers_[point.cover];
  const F3Matrix::Vector& m = classes_[point.cover];
  Vector64 image{m.ones, m.twos};
  for (size_t i = 0; i < functionals_.size(); ++i) {
    const ReducedCurve& e = functionals_[i];
    const auto p = static_cast<int64_t>(e.p);
    // p | W: the point reduces to O (p divides neither U nor V then, nor
    // m1 m2, which is made of bad primes).
    const auto w = static_cast<uint64_t>(residueOf(point.w, p));
    if (w == 0) continue;
    const uint64_t wInverse = inverseMod(w, e.p);
    const uint64_t w2 = wInverse * wInverse % e.p;
    const uint64_t w3 = w2 * wInverse % e.p;
    const auto u = static_cast<uint64_t>(residueOf(point.u, p));
    const auto v = static_cast<uint64_t>(residueOf(point.v, p));
    const auto m1m2 = static_cast<uint64_t>(residueOf(cover.m1m2, p));
    const auto u3 = static_cast<uint64_t>(residueOf(cover.u3, p));
    const ModPoint reduced{m1m2 * u % e.p * v % e.p * w2 % e.p,
                           u3 * (u * u % e.p * u % e.p) % e.p * w3 % e.p, false};
    const ModPoint q = multiplyMod(e, reduced, e.order / 3);
    // (N_p/3) P lies in E(F_p)[3] = {O, T, -T}; -T = (0, -B0).
    uint64_t c = 0;
    if (!q.infinity && q.x == 0) c = q.y == 0 ? 1 : 2;
    setFunctional(image, static_cast<int32_t>(i), c);
  }
  return image;
}

bool Searcher::tryRoot(size_t index, double root, int64_t v, int64_t w) {
  if (!(std::fabs(root) < 1e15)) return false;
  const auto u = static_cast<int64_t>(std::llround(root));
  const CoveringCurve& cover = covers_[index];
  const std::optional<__int128_t> value = coverValue(cover, u, v, w);
  if (!value || *value != 0) return false;
  if (u == 0) return false;  // T itself (y = 0), the seed of the span
  // Only primitive triples: the reduction below needs gcd(U, V, W) = 1, and
  // a multiple of a triple was met at a smaller height.
  if (std::gcd(std::gcd(u < 0 ? -u : u, v < 0 ? -v : v), w) != 1) return false;
  return addCoverPoint(index, u, v, w);
}

bool Searcher::addCoverPoint(size_t index, __int128_t u, __int128_t v, __int128_t w) {
  std::optional<RationalPoint> point =
      coverPointOnCurve(covers_[index], analysis_.a, analysis_.b, analysis_.scale, u, v, w);
  if (!point) return false;
  const Vector64 image = imageOf({index, u, v, w});

  const bool raises = span_.insert(image);
  if (raises || found_.size() < kKeptPoints) {
    const double h = naiveHeight(*point);
    found_.push_back({std::move(*point), image, h});
  }
  return span_.dimension() >= target_;
}

bool Searcher::tryPair(int64_t v, int64_t w) {
  // The sieve's bit of (V, W) for each prime, shared by every cover.
  std::array<size_t, kSievePrimes.size()> bits{};
  int64_t offset = 0;
  for (size_t k = 0; k < kSievePrimes.size(); ++k) {
    const int64_t l = kSievePrimes[k];
    bits[k] = static_cast<size_t>(offset + ((v % l) + l) % l * l + w % l);
    offset += l * l;
  }
  const int64_t g = std::gcd(v < 0 ? -v : v, w);
  const auto dv = static_cast<double>(v);
  const auto dw = static_cast<double>(w);
  for (size_t i = 0; i < covers_.size(); ++i) {
    // A primitive point with a prime q dividing V and W has q | m1 m2^2.
    if (g > 1 && std::gcd(static_cast<int64_t>(covers_[i].m1m2 % g), g) == 1) continue;
    const std::array<uint64_t, kSieveWords>& table = sieve_[i];
    bool sieved = false;
    for (const size_t bit : bits) sieved = sieved || ((table[bit / 64] >> (bit % 64)) & 1U) == 0;
    if (sieved) continue;
    // u3 U^3 + (uvw V W) U + (w3 W^3 + v3 V^3) = 0, depressed: t^3 + P t + Q.
    const double pp = uvw_[i] * dv * dw / u3_[i];
    const double qq = (w3_[i] * dw * dw * dw + v3_[i] * dv * dv * dv) / u3_[i];
    const double discriminant = qq * qq / 4 + pp * pp * pp / 27;
    if (discriminant > 0) {
      // One real root, by Cardano with the larger cube root first.
      const double s = std::sqrt(discriminant);
      const double c = std::cbrt(-qq / 2 - std::copysign(s, qq));
      double t = c == 0 ? 0 : c - pp / (3 * c);
      const double derivative = 3 * t * t + pp;
      if (derivative != 0) t -= (t * t * t + pp * t + qq) / derivative;
      if (tryRoot(i, t, v, w)) return true;
    } else {
      // Three real roots (pp <= 0), by the trigonometric form.
      const double r = std::sqrt(-pp / 3);
      if (r == 0) {
        if (tryRoot(i, 0, v, w)) return true;
        continue;
      }
      const double cosine = std::clamp(-qq / (2 * r * r * r), -1.0, 1.0);
      const double angle = std::acos(cosine) / 3;
      for (int32_t k = 0; k < 3; ++k) {
        double t = 2 * r * std::cos(angle - 2 * std::numbers::pi * k / 3);
        const double derivative = 3 * t * t + pp;
        if (derivative != 0) t -= (t * t * t + pp * t + qq) / derivative;
        if (tryRoot(i, t, v, w)) return true;
      }
    }
  }
  return false;
}

}  // namespace

namespace {

// The class of y modulo cubes over the bad primes; what is left of y after
// the bad primes must be a cube (the class lies in the Selmer group).
std::optional<F3Matrix::Vector> classOfY(const CurveAnalysis& analysis, const mpq_class& y) {
  F3Matrix::Vector image;
  mpz_class numerator = abs(y.get_num());
  mpz_class denominator = y.get_den();
  const std::span<const LocalDatum> primes = analysis.badPrimes();
  for (size_t j = 0; j < primes.size(); ++j) {
    const __uint128_t p = primes[j].prime;
    mpz_class prime(static_cast<unsigned long>(p >> 64U));
    prime = (prime << 64) + mpz_class(static_cast<unsigned long>(p & ~uint64_t{0}));
    const auto up = static_cast<int64_t>(
        mpz_remove(numerator.get_mpz_t(), numerator.get_mpz_t(), prime.get_mpz_t()));
    const auto down = static_cast<int64_t>(
        mpz_remove(denominator.get_mpz_t(), denominator.get_mpz_t(), prime.get_mpz_t()));
    const int64_t c = ((up - down) % 3 + 3) % 3;
    if (c == 1) image.ones |= 1U << j;
    if (c == 2) image.twos |= 1U << j;
  }
  if (mpz_root(numerator.get_mpz_t(), numerator.get_mpz_t(), 3) == 0 ||
      mpz_root(denominator.get_mpz_t(), denominator.get_mpz_t(), 3) == 0) {
    return {};
  }
  return image;
}

}  // namespace

std::optional<F3Matrix::Vector> kummerClass(const CurveAnalysis& analysis,
                                            const RationalPoint& point) {
  if (!onCurve(point, analysis.a, analysis.b)) return {};
  mpq_class x;
  mpq_class y;
  if (x.set_str(point.x, 10) != 0 || y.set_str(point.y, 10) != 0) return {};
  x.canonicalize();
  y.canonicalize();
  if (y == 0) y = 1 / (y + analysis.a * x + analysis.b);
  return classOfY(analysis, y);
}

namespace {

bool Searcher::searchCovers(int64_t from, int64_t to) {
  // The shells max(|V|, W) = h, every cover in each, so the smallest
  // points come first.
  for (int64_t h = from; h <= to; ++h) {
    for (int64_t v = -h; v <= h; ++v) {
      if (tryPair(v, h)) return true;
    }
    for (int64_t w = 1; w < h; ++w) {
      if (tryPair(-h, w) || tryPair(h, w)) return true;
    }
  }
  return false;
}

bool Searcher::addRational(const mpq_class& x, const mpq_class& y) {
  if (y == 0) return false;  // T
  if (!functionalsBuilt_) buildFunctionals();
  const mpz_class a0(static_cast<long>(a0_));
  const mpz_class b0(static_cast<long>(b0_));
  if (y * y + a0 * x * y + b0 * y != x * x * x) return false;
  // delta(P): y modulo cubes, its exponents at the bad primes.
  const std::optional<F3Matrix::Vector> delta = classOfY(analysis_, y);
  if (!delta) return false;
  Vector64 image{delta->ones, delta->twos};
  for (size_t i = 0; i < functionals_.size(); ++i) {
    const ReducedCurve& e = functionals_[i];
    const auto p = static_cast<unsigned long>(e.p);
    // A denominator divisible by p: the point reduces to O.
    if (mpz_divisible_ui_p(x.get_den().get_mpz_t(), p) != 0) continue;
    const auto reduce = [&e, p](const mpq_class& q) {
      const uint64_t n = mpz_fdiv_ui(q.get_num().get_mpz_t(), p);
      const uint64_t d = mpz_fdiv_ui(q.get_den().get_mpz_t(), p);
      return n * inverseMod(d, e.p) % e.p;
    };
    const ModPoint q = multiplyMod(e, ModPoint{reduce(x), reduce(y), false}, e.order / 3);
    uint64_t c = 0;
    if (!q.infinity && q.x == 0) c = q.y == 0 ? 1 : 2;
    setFunctional(image, static_cast<int32_t>(i), c);
  }
  // On the model as typed: x = u^2 x0, y = u^3 y0, checked there too.
  const mpz_class u(static_cast<long>(analysis_.scale));
  const mpq_class typedX = x * u * u;
  const mpq_class typedY = y * u * u * u;
  RationalPoint point{typedX.get_str(10), typedY.get_str(10)};
  if (!onCurve(point, analysis_.a, analysis_.b)) return false;
  const bool raises = span_.insert(image);
  if (raises || found_.size() < kKeptPoints) {
    const double h = naiveHeight(point);
    found_.push_back({std::move(point), image, h});
  }
  return span_.dimension() >= target_;
}

bool Searcher::searchDual(int64_t bound) {
  // E^ of the minimal model; |A0^3 B0| <= 2^124 and 7 B0^2 < 2^65 fit.
  const __int128_t a = a0_;
  const __int128_t b = b0_;
  const std::array<__int128_t, 5> ainvs{a, 0, b, -5 * a * b, -a * a * a * b - 7 * b * b};
  std::vector<std::pair<std::string, std::string>> points;
  pariSmallPointsStretched(ainvs, bound, kDualStretch, kDualMinDenominator, points);
  const mpq_class aq(static_cast<long>(a0_));
  const mpq_class bq(static_cast<long>(b0_));
  for (const auto& [xText, yText] : points) {
    mpq_class x;
    mpq_class y;
    if (x.set_str(xText, 10) != 0 || y.set_str(yText, 10) != 0) continue;
    x.canonicalize();
    y.canonicalize();
    // phihat: E^ -> F by Velu's formula for the kernel x = -a^2/3, then F
    // -> E by x_E = (X - 2a^2/3)/9, y_E = -(Y + 18 a x_E + 14 b + a^3/3)/27.
    const mpq_class a2 = aq * aq;
    const mpq_class d = x + a2 / 3;
    if (d == 0) continue;  // the kernel of phihat: P = O
    const mpq_class a3 = a2 * aq;
    const mpq_class a4 = a2 * a2;
    const mpq_class x2 = x * x;
    const mpq_class x3 = x2 * x;
    const mpq_class bigX =
        (x3 + mpq_class(2, 3) * a2 * x2 + (mpq_class(4, 9) * a4 - 9 * aq * bq) * x +
         (mpq_class(2, 27) * a4 * a2 - a3 * bq - 27 * bq * bq)) /
        (d * d);
    const mpq_class bigY = (y * x3 + (a2 * y + (-mpq_class(1, 3) * a4 * aq + 9 * a2 * bq)) * x2 +
                            (9 * aq * bq * y + (-mpq_class(1, 9) * a4 * a3 +
                                                mpq_class(4, 3) * a4 * bq + 45 * aq * bq * bq)) *
                                x +
                            ((-a3 * bq + 54 * bq * bq) * y +
                             (-mpq_class(1, 81) * a4 * a4 * aq + mpq_class(4, 27) * a4 * a2 * bq +
                              4 * a3 * bq * bq + 27 * bq * bq * bq))) /
                           (d * d * d);
    const mpq_class xE = (bigX - mpq_class(2, 3) * a2) / 9;
    const mpq_class yE = -(bigY + 18 * aq * xE + 14 * bq + a3 / 3) / 27;
    if (addRational(xE, yE)) return true;
  }
  return false;
}

bool Searcher::searchSecondDescent() {
  // The covers by the size of their field's radicand B0 (m1 m2^2)^2, up to
  // cubes: smallest first.
  std::vector<size_t> order(covers_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::vector<double> size(covers_.size());
  for (size_t i = 0; i < covers_.size(); ++i)
    size[i] = static_cast<double>(covers_[i].m1m2) * static_cast<double>(covers_[i].u3);
  std::stable_sort(order.begin(), order.end(),
                   [&size](size_t s, size_t t) { return size[s] < size[t]; });
  if (order.size() > kSecondDescentCovers) order.resize(kSecondDescentCovers);
  const uint64_t deltaBits = (uint64_t{1} << static_cast<uint64_t>(bad_)) - 1;
  for (const size_t i : order) {
    // A class that a point has shown already adds nothing new by itself.
    const F3Matrix::Vector& m = classes_[i];
    const bool seen = std::any_of(found_.begin(), found_.end(), [&](const Found& f) {
      const uint64_t ones = f.image.ones & deltaBits;
      const uint64_t twos = f.image.twos & deltaBits;
      return (ones == m.ones && twos == m.twos) || (ones == m.twos && twos == m.ones);
    });
    if (seen && !(m.ones == 0 && m.twos == 0)) continue;
    const std::vector<ThreeCovering> coverings =
        threeCoverings(covers_[i], a0_, b0_, SecondDescentLimits{});
    for (const ThreeCovering& covering : coverings) {
      for (const auto& [u, v, w] :
           threeCoveringPoints(covering, covers_[i], SecondDescentLimits{}.height)) {
        if (addCoverPoint(i, u, v, w)) return true;
      }
    }
  }
  return false;
}

void Searcher::reduceGenerators(std::vector<RationalPoint>& points) const {
  // The points found are independent modulo torsion (their images under
  // Phi are). Any change with integral inverse spans the same subgroup, so
  // the images of T and of the new points span the same space and the
  // proof stands. Three points or more: an LLL basis of their lattice
  // under the canonical height pairing (PARI's heights cost about 0.4 ms a
  // curve, too much for the many curves of rank 2), each new point checked
  // on E exactly, the points left as they are on any failure. Two points:
  // reduced by the naive height, exactly, as Gauss reduces a binary form:
  // P2 -> P2 +- P1 (and P1 -> P1 +- P2) while that lowers the naive height
  // of x.
  if (points.size() >= 3) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const RationalPoint& p : points) texts.emplace_back(p.x, p.y);
    const std::array<__int128_t, 5> ainvs{analysis_.a, 0, static_cast<__int128_t>(analysis_.b), 0,
                                          0};
    if (!pariReducePoints(ainvs, texts) || texts.size() != points.size()) return;
    std::vector<RationalPoint> reduced;
    for (auto& [x, y] : texts) {
      RationalPoint p{std::move(x), std::move(y)};
      if (!onCurve(p, analysis_.a, analysis_.b)) return;
      reduced.push_back(std::move(p));
    }
    points = std::move(reduced);
    return;
  }
  if (points.size() != 2) return;
  // Each step lowers the sum of two naive heights, which are logarithms of
  // integers: the loop ends; the bound on its steps is a guard.
  for (int32_t step = 0; step < 64; ++step) {
    bool lowered = false;
    for (size_t j = 0; j < 2 && !lowered; ++j) {
      const RationalPoint& other = points[1 - j];
      const double height = naiveHeight(points[j]);
      for (const bool subtract : {false, true}) {
        std::optional<RationalPoint> sum =
            sumOnCurve(points[j], other, analysis_.a, analysis_.b, subtract);
        if (sum && onCurve(*sum, analysis_.a, analysis_.b) && naiveHeight(*sum) < height) {
          points[j] = std::move(*sum);
          lowered = true;
          break;
        }
      }
    }
    if (!lowered) break;
  }
  std::stable_sort(points.begin(), points.end(),
                   [](const RationalPoint& s, const RationalPoint& t) {
                     return naiveHeight(s) < naiveHeight(t);
                   });
}

RankSearch Searcher::run() {
  RankSearch result;
  result.searched = true;
  result.height = height_;
  result.upper = analysis_.rankBound();
  if (result.upper <= 0) {
    result.upper = std::max(result.upper, 0);
    return result;  // rank 0, proven by the descent alone
  }
  if (analysis_.selmerBasisCount > kMaxSelmerDimension) {
    result.allCoversSearched = false;
    return result;
  }
  target_ = result.upper + 1;
  const Vector64 torsion = imageOfTorsion();
  const uint64_t deltaBits = (uint64_t{1} << static_cast<uint64_t>(bad_)) - 1;
  torsionClass_ = {static_cast<uint32_t>(torsion.ones & deltaBits),
                   static_cast<uint32_t>(torsion.twos & deltaBits)};
  buildCovers(result);
  // phihat(E^(Q)) is the kernel of delta, and phihat(E^(Q))/3E(Q) is a
  // quotient of E^(Q)/phi(E(Q)), of dimension at most d2 = dim Sel(E/Q):
  // with d2 = 0 the points of E^ add nothing, and E^ is not searched.
  const bool dual = analysis_.dimSelmerE > 0;

  span_.insert(torsion);
  // Cheap stages first, each stopping as soon as the span is full: the
  // covers to a quarter of the height, E^ to kDualHeightFactor times the
  // square of the height (PARI's sieve costs about 0.3 ms whatever its
  // bound, so it is called once), then the covers to the height.
  const auto h2 = static_cast<int64_t>(height_) * height_;
  const int64_t early = std::max<int64_t>(height_ / 4, 1);
  bool full = searchCovers(1, early);
  if (!full && dual) full = searchDual(kDualHeightFactor * h2);
  if (!full) full = searchCovers(early + 1, height_);
  if (!full && secondDescent_) full = searchSecondDescent();
  // The generators: the smallest points whose images are independent of
  // those of T and of the smaller ones.
  std::stable_sort(found_.begin(), found_.end(),
                   [](const Found& s, const Found& t) { return s.height < t.height; });
  Span chosen;
  const bool torsionSeen = chosen.insert(torsion);
  bool nineTorsionFound = false;
  for (Found& f : found_) {
    if (!chosen.insert(f.image)) continue;
    // T divisible by 3 (torsion Z/9): a point S with 3S = +-T is torsion,
    // not a generator; it takes T's place in the span.
    if (!torsionSeen && !nineTorsionFound && triplesToTorsion(f.point, analysis_.a, analysis_.b)) {
      nineTorsionFound = true;
      continue;
    }
    result.points.push_back(std::move(f.point));
  }
  result.lower = std::max(chosen.dimension() - 1, 0);
  if (static_cast<int32_t>(result.points.size()) > result.lower) {
    result.points.resize(static_cast<size_t>(result.lower));
  }
  reduceGenerators(result.points);
  return result;
}

}  // namespace

bool selmerClassFactors(const CurveAnalysis& analysis, const F3Matrix::Vector& element,
                        __uint128_t& m1, __uint128_t& m2) {
  m1 = 1;
  m2 = 1;
  const std::span<const LocalDatum> primes = analysis.badPrimes();
  for (size_t j = 0; j < primes.size(); ++j) {
    const uint32_t bit = 1U << j;
    __uint128_t& target = (element.ones & bit) != 0 ? m1 : m2;
    if (((element.ones | element.twos) & bit) == 0) continue;
    if (__builtin_mul_overflow(target, primes[j].prime, &target)) return false;
  }
  return true;
}

std::string selmerClassText(const CurveAnalysis& analysis, const F3Matrix::Vector& element) {
  // Decimal digits, least significant first, multiplied in place: exact
  // for any product of 32 primes below 2^96.
  std::vector<uint32_t> digits{1};
  const auto multiply = [&digits](__uint128_t factor) {
    // Split the factor into 32-bit limbs' worth by multiplying digit by
    // digit with a 128-bit carry: factor < 2^96 and a digit below 10 keep
    // digit * factor + carry below 2^101.
    __uint128_t carry = 0;
    for (uint32_t& digit : digits) {
      const __uint128_t t = static_cast<__uint128_t>(digit) * factor + carry;
      digit = static_cast<uint32_t>(t % 10);
      carry = t / 10;
    }
    while (carry != 0) {
      digits.push_back(static_cast<uint32_t>(carry % 10));
      carry /= 10;
    }
  };
  const std::span<const LocalDatum> primes = analysis.badPrimes();
  for (size_t j = 0; j < primes.size(); ++j) {
    const uint32_t bit = 1U << j;
    if ((element.ones & bit) != 0) multiply(primes[j].prime);
    if ((element.twos & bit) != 0) {
      multiply(primes[j].prime);
      multiply(primes[j].prime);
    }
  }
  std::string text;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it)
    text.push_back(static_cast<char>('0' + *it));
  return text;
}

RankSearch searchRank(const CurveAnalysis& analysis, int32_t height, bool secondDescent) {
  if (analysis.rules != Rules::kTrue || analysis.status != CurveStatus::kAnalysed) return {};
  Searcher searcher(analysis, std::clamp(height, 1, kMaxSearchHeight), secondDescent);
  return searcher.run();
}

}  // namespace velrin
