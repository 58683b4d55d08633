#include "descent/second_descent.hpp"

#include <pari/pari.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "arith/pari_factor.hpp"
#include "curve/pari_values.hpp"

// The second descent: 3-coverings of a cover C_m, on which the points of
// large height are small.
//
// C_m: f = a U^3 + b V^3 + c UVW + d W^3 = 0 (covering_curve.hpp) meets
// U = 0 in the three points (0 : beta : 1), beta^3 = -d/b, over T; they
// are flexes. Over L = Q(beta) the tangent at F = (0 : beta : 1) is, after
// dividing the gradient (c beta, 3 b beta^2, 3 d) by beta and using
// d = -b beta^3,
//   t = c U + 3 b beta V - 3 b beta^2 W.
// On C_m div(t/W) = 3 (F) - (the three points over O, W = 0), and div(U/W)
// = (the three flexes over T) - (the same), so N_{L/Q}(t) and kappa U^3
// agree on C_m: expanding the norm of x0 + x1 beta + x2 beta^2,
//   N(t) = kappa U^3 - 27 b d f,  kappa = c^3 + 27 a b d
// (= (m1 m2)^3 (A0^3 - 27 B0)). A rational point with U != 0 therefore has
// t = delta gamma^3 with gamma in L, and delta in L*/L*^3 of norm kappa
// times a rational cube, unramified outside the primes above 3, B0, m1 m2
// and A0^3 - 27 B0 (the primes where the conjugates of t can share a
// factor): delta lies in the 3-Selmer group L(S, 3). Its part from the
// S-units is what is built here; the part from the class group's 3-torsion
// is left out, which loses points, never soundness (every point is checked
// on the cover and on E exactly). Scaling (U, V, W) by a rational lambda
// scales t by lambda, so delta counts modulo Q* as well.
//
// Write gamma = z0 w0 + z1 w1 + z2 w2 on a basis of L and delta gamma^3 =
// e0 + e1 beta + e2 beta^2, cubic forms in z. Then U = e0 / c, V = e1 /
// (3 b), W = -e2 / (3 b), and U = s N(gamma) with s^3 = N(delta)/kappa,
// which gives the plane cubic
//   D_delta: e0(z) - c s N(gamma)(z) = 0   (c = 0: e0(z) = 0, U = s N),
// with D_delta -> C_m of degree 3: N(t) = kappa U^3 holds on the image,
// which is f = 0. A point of E of canonical height h lies on C_m at size
// about exp(h/2) (x is of degree 2 in U, V, W) and on D_delta at about
// exp(h/6) once the model is reduced: the basis (w0, w1, w2) is an LLL
// basis, under the form sum over the embeddings sigma of |sigma(delta)|^(2/3)
// |sigma(gamma)|^2, of the ideal where delta gamma^3 is integral. The
// field's arithmetic is the PARI library's (bnfinit, bnfsunit, the LLL).

namespace velrin {

namespace {

// The small primes at which a covering must have a point modulo p.
constexpr std::array<int64_t, 9> kLocalPrimes{2, 3, 5, 7, 11, 13, 17, 19, 23};

// The coordinates of an element of nf on the power basis 1, x, x^2.
GEN powerCoordinates(GEN nf, GEN element) {
  GEN a = lift(basistoalg(nf, element));
  if (typ(a) != t_POL) return mkcol3(a, gen_0, gen_0);
  return RgX_to_RgC(a, 3);
}

// The bits of a rational number's numerator and denominator together.
long bitsOf(GEN q) {
  if (gequal0(q)) return 0;
  if (typ(q) == t_INT) return expi(q) + 1;
  return expi(gel(q, 1)) + expi(gel(q, 2)) + 2;
}

// The two places of L = Q(theta), theta^3 = n' not a cube: the real root
// theta and the complex theta omega (its conjugate gives the same absolute
// values), at a precision chosen for one element delta.
//
// The weights |sigma(delta)|^(2/3) of the reduction need delta's smallest
// embedding to a relative precision of 64 bits or so, and evaluating
// x0 + x1 theta + x2 theta^2 loses as many bits as the largest term has over
// the result. Both places are at most 2^(b + 2t) with b the largest
// coordinate's bits (numerator and denominator) and 2^t above |theta|, and
// |N(delta)| = |sigma_1| |sigma_2|^2 >= 2^(-3b), so the smallest is at
// least 2^(-5b - 4t): 6b + 6t bits cover the loss. The regulators here
// are in the hundreds and thousands (a unit alone has a hundred digits or
// more), so delta is large as a rule, and at the library's default
// precision its weights, and so the reduced models, would be noise.
struct Embeddings {
  Embeddings(GEN nf, GEN coordinates) {
    GEN pol = nf_get_pol(nf);
    GEN radicand = negi(gel(pol, 2));  // x^3 - n': n' is minus the constant term
    const long t = expi(radicand) / 3 + 2;
    long b = 0;
    for (long i = 1; i <= 3; ++i) b = std::max(b, bitsOf(gel(coordinates, i)));
    precision = nbits2prec(std::max<long>(6 * (b + t) + 128, 128));
    GEN root = sqrtnr(itor(absi(radicand), precision), 3);
    theta[0] = signe(radicand) < 0 ? negr(root) : root;
    GEN omega = mkcomplex(mkfrac(gen_m1, gen_2), gmul2n(sqrtr(utor(3, precision)), -1));
    theta[1] = gmul(theta[0], omega);
  }
  // The element with power-basis coordinates c at place r (1 real, 2 complex).
  GEN at(GEN c, long r) const {
    GEN x = theta[static_cast<size_t>(r - 1)];
    return gadd(gel(c, 1), gmul(x, gadd(gel(c, 2), gmul(x, gel(c, 3)))));
  }
  std::array<GEN, 2> theta{};
  long precision = DEFAULTPREC;
};

// What the field's first stage hands to the enumeration of delta.
struct FieldData {
  std::string radicand;  // n' with L = Q(theta), theta^3 = n'
  std::string cubeRoot;  // k: b beta = k theta
  // Over F_3: the exponents of the rational primes of S on the generators
  // (fundamental unit, then the S-units), and the valuations modulo 3 at
  // those primes of the generators' norms and of kappa.
  std::vector<std::vector<int32_t>> rationalPrimes;
  std::vector<std::vector<int32_t>> normValuations;  // per generator
  std::vector<int32_t> kappaValuations;
};

int32_t mod3(long v) { return static_cast<int32_t>(((v % 3) + 3) % 3); }

// Stage one on the PARI stack: the field and its S-units. Returns the
// generators (a t_VEC of nf elements) and the bnf through the pointers,
// or false when the flexes over T are rational or the field too large.
bool buildField(const CoveringCurve& cover, int64_t a0, int64_t b0,
                const SecondDescentLimits& limits, FieldData& data, GEN* bnfOut, GEN* gensOut,
                GEN* kappaOut, GEN* primesOut, GEN* idealsOut) {
  GEN b = pariInteger(cover.v3);
  GEN d = stoi(static_cast<long>(b0));
  GEN n = negi(mulii(d, sqri(b)));
  GEN fa = Z_factor(absi(n));
  GEN radicand = stoi(signe(n));
  GEN k = gen_1;
  for (long i = 1; i < lg(gel(fa, 1)); ++i) {
    GEN p = gcoeff(fa, i, 1);
    const long e = itos(gcoeff(fa, i, 2));
    radicand = mulii(radicand, powiu(p, static_cast<ulong>(e % 3)));
    k = mulii(k, powiu(p, static_cast<ulong>(e / 3)));
  }
  if (is_pm1(radicand)) return false;
  if (gtodouble(absi(radicand)) > limits.maxRadicand) return false;
  GEN pol = mkpoln(4, gen_1, gen_0, gen_0, negi(radicand));
  GEN bnf = Buchall(pol, nf_FORCE, DEFAULTPREC);
  GEN nf = bnf_get_nf(bnf);
  GEN bigA = stoi(static_cast<long>(a0));
  GEN f0 = subii(powiu(bigA, 3), mulsi(27, d));
  GEN m1m2 = pariInteger(cover.m1m2);
  // kappa = (m1 m2)^3 (A0^3 - 27 B0).
  *kappaOut = mulii(powiu(m1m2, 3), f0);
  GEN primes = gel(Z_factor(absi(mulii(mulsi(3, mulii(d, m1m2)), f0))), 1);
  GEN s = cgetg(1, t_VEC);
  for (long i = 1; i < lg(primes); ++i) s = shallowconcat(s, idealprimedec(nf, gel(primes, i)));
  GEN sunits = bnfsunit(bnf, s, DEFAULTPREC);
  GEN fu = bnf_get_fu(bnf);
  if (typ(fu) != t_VEC) return false;
  GEN gens = shallowconcat(fu, gel(sunits, 1));
  const long units = lg(fu) - 1;
  const long count = lg(gens) - 1;
  for (long i = 1; i < lg(primes); ++i) {
    GEN e = bnfissunit(bnf, sunits, gel(primes, i));
    if (lg(e) != count + 2) return false;  // units, the torsion, the S-units
    std::vector<int32_t> row;
    for (long j = 1; j < lg(e); ++j) {
      if (j == units + 1) continue;  // the torsion +-1, a cube
      row.push_back(mod3(itos(gel(e, j)) % 3));
    }
    data.rationalPrimes.push_back(std::move(row));
  }
  for (long g = 1; g <= count; ++g) {
    GEN norm = nfnorm(nf, gel(gens, g));
    std::vector<int32_t> row;
    for (long i = 1; i < lg(primes); ++i) row.push_back(mod3(Q_pval(norm, gel(primes, i))));
    data.normValuations.push_back(std::move(row));
  }
  for (long i = 1; i < lg(primes); ++i)
    data.kappaValuations.push_back(mod3(Q_pval(*kappaOut, gel(primes, i))));
  data.radicand = pariDecimal(radicand);
  data.cubeRoot = pariDecimal(k);
  *bnfOut = bnf;
  *gensOut = gens;
  *primesOut = primes;
  *idealsOut = s;
  return true;
}

// The classes delta (exponent vectors on the generators) of norm kappa
// times a cube, one for each class modulo Q*; none when there are too many.
std::vector<std::vector<int32_t>> candidateClasses(const FieldData& data, size_t maxCount) {
  const size_t count = data.normValuations.size();
  // The span of the rational primes in echelon form.
  std::vector<std::vector<int32_t>> basis;
  std::vector<size_t> pivots;
  for (std::vector<int32_t> v : data.rationalPrimes) {
    for (size_t r = 0; r < basis.size(); ++r) {
      const int32_t c = v[pivots[r]];
      if (c == 0) continue;
      for (size_t j = 0; j < count; ++j) v[j] = mod3(v[j] - c * basis[r][j]);
    }
    size_t pivot = 0;
    while (pivot < count && v[pivot] == 0) ++pivot;
    if (pivot == count) continue;
    const int32_t inverse = v[pivot];  // 1 or 2, its own inverse mod 3
    for (int32_t& x : v) x = mod3(x * inverse);
    for (size_t r = 0; r < basis.size(); ++r) {
      const int32_t c = basis[r][pivot];
      if (c == 0) continue;
      for (size_t j = 0; j < count; ++j) basis[r][j] = mod3(basis[r][j] - c * v[j]);
    }
    basis.push_back(std::move(v));
    pivots.push_back(pivot);
  }
  // Representatives modulo the span: zero at the pivots.
  std::vector<size_t> free;
  for (size_t j = 0; j < count; ++j) {
    if (std::find(pivots.begin(), pivots.end(), j) == pivots.end()) free.push_back(j);
  }
  // The norm condition on the free coordinates, sum_j e_j v_q(N(g_j)) =
  // v_q(kappa) (mod 3) at each prime q, solved as a linear system over F_3:
  // a particular solution plus the span of the kernel.
  const size_t primes = data.kappaValuations.size();
  const size_t unknowns = free.size();
  std::vector<std::vector<int32_t>> rows;  // [coefficients..., right-hand side]
  for (size_t q = 0; q < primes; ++q) {
    std::vector<int32_t> row(unknowns + 1);
    for (size_t j = 0; j < unknowns; ++j) row[j] = data.normValuations[free[j]][q];
    row[unknowns] = data.kappaValuations[q];
    rows.push_back(std::move(row));
  }
  std::vector<size_t> leads;  // the pivot column of each reduced row
  size_t rank = 0;
  for (size_t column = 0; column < unknowns && rank < rows.size(); ++column) {
    size_t r = rank;
    while (r < rows.size() && rows[r][column] == 0) ++r;
    if (r == rows.size()) continue;
    std::swap(rows[r], rows[rank]);
    const int32_t inverse = rows[rank][column];  // 1 or 2, its own inverse mod 3
    for (int32_t& x : rows[rank]) x = mod3(x * inverse);
    for (size_t o = 0; o < rows.size(); ++o) {
      const int32_t c = rows[o][column];
      if (o == rank || c == 0) continue;
      for (size_t j = 0; j <= unknowns; ++j) rows[o][j] = mod3(rows[o][j] - c * rows[rank][j]);
    }
    leads.push_back(column);
    ++rank;
  }
  std::vector<std::vector<int32_t>> result;
  for (size_t r = rank; r < rows.size(); ++r) {
    if (rows[r][unknowns] != 0) return result;  // no class has the norm of kappa
  }
  std::vector<size_t> open;  // the kernel's free columns
  for (size_t j = 0; j < unknowns; ++j) {
    if (std::find(leads.begin(), leads.end(), j) == leads.end()) open.push_back(j);
  }
  size_t total = 1;
  for (size_t i = 0; i < open.size(); ++i) {
    if (total > maxCount) return result;  // too many classes
    total *= 3;
  }
  if (total > maxCount) return result;
  for (size_t index = 0; index < total; ++index) {
    std::vector<int32_t> x(unknowns, 0);
    size_t digits = index;
    for (const size_t j : open) {
      x[j] = static_cast<int32_t>(digits % 3);
      digits /= 3;
    }
    for (size_t r = 0; r < rank; ++r) {
      int32_t v = rows[r][unknowns];
      for (const size_t j : open) v -= rows[r][j] * x[j];
      x[leads[r]] = mod3(v);
    }
    std::vector<int32_t> e(count, 0);
    for (size_t j = 0; j < unknowns; ++j) e[free[j]] = x[j];
    result.push_back(std::move(e));
  }
  return result;
}

// Stage two on the PARI stack, for one delta: s, and the power-basis
// coordinates of delta and of a reduced basis (w0, w1, w2), as decimal
// rationals (12 of them, then s), for each lattice tried.
//
// Any lattice of L serves (the points are projective), but the size of a
// point's coordinates depends on it: gamma lies in the ideal where delta
// gamma^3 is integral, (gamma) = ((t)/(delta))^(1/3), and t's valuations
// at the primes of S vary from point to point. Scaling delta by a rational
// lambda leaves the points and gamma as they are but moves that ideal at
// the rational primes with two or more primes of L above them (elsewhere
// it moves by a rational factor, which changes nothing), so one lattice is
// tried for each lambda made of those primes, each reduced by the LLL
// under sum over the embeddings sigma of |sigma(delta)|^(2/3)
// |sigma(gamma)|^2. At most maxLattices of them.
bool reducedBases(GEN bnf, GEN gens, GEN kappa, GEN primes, GEN ideals,
                  const std::vector<int32_t>& exponents, long maxLattices,
                  std::vector<std::vector<std::string>>& out) {
  GEN nf = bnf_get_nf(bnf);
  GEN delta = gen_1;
  for (size_t i = 0; i < exponents.size(); ++i) {
    if (exponents[i] == 0) continue;
    delta = nfmul(nf, delta, nfpow(nf, gel(gens, static_cast<long>(i) + 1), stoi(exponents[i])));
  }
  delta = algtobasis(nf, delta);
  GEN s = nullptr;
  if (!ispower(gdiv(nfnorm(nf, delta), kappa), utoipos(3), &s)) return false;
  const long count = lg(ideals) - 1;
  // For each prime of S: delta's valuation, its ramification index and
  // the index of its rational prime among those that split.
  GEN valuation = cgetg(count + 1, t_VECSMALL);
  GEN ramification = cgetg(count + 1, t_VECSMALL);
  GEN splitIndex = cgetg(count + 1, t_VECSMALL);
  long split = 0;
  for (long i = 1; i < lg(primes); ++i) {
    long above = 0;
    for (long j = 1; j <= count; ++j) above += equalii(pr_get_p(gel(ideals, j)), gel(primes, i));
    for (long j = 1; j <= count; ++j) {
      if (!equalii(pr_get_p(gel(ideals, j)), gel(primes, i))) continue;
      valuation[j] = idealval(nf, delta, gel(ideals, j));
      ramification[j] = pr_get_e(gel(ideals, j));
      splitIndex[j] = above >= 2 ? split + 1 : 0;
    }
    if (above >= 2) ++split;
  }
  long total = 1;
  for (long i = 0; i < split && total <= maxLattices * 9; ++i) total *= 3;
  std::vector<std::vector<long>> seen;
  GEN coordinates = powerCoordinates(nf, delta);
  const Embeddings places(nf, coordinates);
  GEN weights = cgetg(3, t_VEC);
  for (long r = 1; r <= 2; ++r) {
    gel(weights, r) = gpow(gabs(places.at(coordinates, r), places.precision),
                           mkfrac(gen_2, utoipos(3)), places.precision);
  }
  for (long index = 0; index < total && static_cast<long>(seen.size()) < maxLattices; ++index) {
    // lambda's exponents at the split primes, digit by digit.
    std::vector<long> key(static_cast<size_t>(count) + 1, 0);
    for (long j = 1; j <= count; ++j) {
      long e = 0;
      if (splitIndex[j] != 0) {
        long digits = index;
        for (long d = 1; d < splitIndex[j]; ++d) digits /= 3;
        e = digits % 3;
      }
      const long v = valuation[j] + e * ramification[j];
      key[static_cast<size_t>(j)] = v >= 0 ? -(v / 3) : (-v + 2) / 3;  // -floor(v/3)
    }
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    // Each lattice's work is released before the next: at the precision
    // of a large delta the reals of a few lattices would fill the stack.
    const pari_sp lattice = avma;
    GEN ideal = idealhnf(nf, gen_1);
    for (long j = 1; j <= count; ++j) {
      const long e = key[static_cast<size_t>(j)];
      if (e != 0) ideal = idealmul(nf, ideal, idealpow(nf, gel(ideals, j), stoi(e)));
    }
    // The ideal's basis at the real place and at one of the complex pair.
    std::array<std::array<GEN, 3>, 2> basisEmbeddings{};
    for (long i = 1; i <= 3; ++i) {
      GEN c = powerCoordinates(nf, gel(ideal, i));
      for (long r = 1; r <= 2; ++r) basisEmbeddings[r - 1][i - 1] = places.at(c, r);
    }
    GEN gram = cgetg(4, t_MAT);
    for (long j = 1; j <= 3; ++j) {
      GEN column = cgetg(4, t_COL);
      for (long i = 1; i <= 3; ++i) {
        GEN sum = gen_0;
        for (long r = 1; r <= 2; ++r) {
          const auto place = static_cast<size_t>(r - 1);
          GEN product = greal(gmul(basisEmbeddings[place][static_cast<size_t>(i - 1)],
                                   gconj(basisEmbeddings[place][static_cast<size_t>(j - 1)])));
          GEN term = gmul(gel(weights, r), product);
          sum = gadd(sum, r == 1 ? term : gmul2n(term, 1));
        }
        gel(column, i) = sum;
      }
      gel(gram, j) = column;
    }
    GEN change = lllgram(gram);
    if (typ(change) != t_MAT || lg(change) != 4) {
      set_avma(lattice);
      continue;
    }
    GEN reduced = RgM_mul(ideal, change);
    std::vector<std::string>& group = out.emplace_back();
    for (long i = 1; i <= 3; ++i) group.push_back(pariDecimal(gel(coordinates, i)));
    for (long j = 1; j <= 3; ++j) {
      GEN w = powerCoordinates(nf, gel(reduced, j));
      for (long i = 1; i <= 3; ++i) group.push_back(pariDecimal(gel(w, i)));
    }
    group.push_back(pariDecimal(s));
    set_avma(lattice);
  }
  return true;
}

// Polynomials in (z0, z1, z2) of degree at most 3 over Q: the coefficient
// of z0^i z1^j z2^l at i * 16 + j * 4 + l.
using Poly = std::array<mpq_class, 64>;

Poly multiply(const Poly& p, const Poly& q) {
  Poly r;
  for (size_t i = 0; i < 64; ++i) {
    if (p[i] == 0) continue;
    for (size_t j = 0; j < 64; ++j) {
      if (q[j] == 0) continue;
      const size_t e0 = i / 16 + j / 16;
      const size_t e1 = i / 4 % 4 + j / 4 % 4;
      const size_t e2 = i % 4 + j % 4;
      if (e0 + e1 + e2 > 3) continue;  // never met: the degrees add to 3 at most
      r[e0 * 16 + e1 * 4 + e2] += p[i] * q[j];
    }
  }
  return r;
}

Poly scaled(const Poly& p, const mpq_class& c) {
  Poly r;
  for (size_t i = 0; i < 64; ++i) r[i] = p[i] * c;
  return r;
}

Poly added(const Poly& p, const Poly& q) {
  Poly r;
  for (size_t i = 0; i < 64; ++i) r[i] = p[i] + q[i];
  return r;
}

// An element of L with polynomial coordinates on 1, theta, theta^2.
using LPoly = std::array<Poly, 3>;

LPoly multiply(const LPoly& p, const LPoly& q, const mpq_class& radicand) {
  LPoly r;
  for (size_t i = 0; i < 3; ++i) {
    for (size_t j = 0; j < 3; ++j) {
      Poly t = multiply(p[i], q[j]);
      // theta^3 = n', theta^4 = n' theta.
      if (i + j >= 3) t = scaled(t, radicand);
      r[(i + j) % 3] = added(r[(i + j) % 3], t);
    }
  }
  return r;
}

// A cubic form's coefficients times scale, which clears their denominators.
CubicForm integral(const Poly& form, const mpz_class& scale) {
  CubicForm out;
  for (size_t i = 0; i <= 3; ++i) {
    for (size_t j = 0; i + j <= 3; ++j) {
      const mpq_class c = form[i * 16 + j * 4 + (3 - i - j)] * scale;
      out[i * 4 + j] = c.get_num();
    }
  }
  return out;
}

mpz_class denominatorOf(const Poly& p) {
  mpz_class l = 1;
  for (const mpq_class& c : p) {
    if (c != 0) mpz_lcm(l.get_mpz_t(), l.get_mpz_t(), c.get_den().get_mpz_t());
  }
  return l;
}

mpz_class contentOf(const CubicForm& f) {
  mpz_class g = 0;
  for (const mpz_class& c : f) mpz_gcd(g.get_mpz_t(), g.get_mpz_t(), c.get_mpz_t());
  return g;
}

mpz_class evaluate(const CubicForm& f, const mpz_class& z0, const mpz_class& z1,
                   const mpz_class& z2) {
  mpz_class total = 0;
  for (size_t i = 0; i <= 3; ++i) {
    for (size_t j = 0; i + j <= 3; ++j) {
      const mpz_class& c = f[i * 4 + j];
      if (c == 0) continue;
      mpz_class t = c;
      for (size_t e = 0; e < i; ++e) t *= z0;
      for (size_t e = 0; e < j; ++e) t *= z1;
      for (size_t e = 0; e < 3 - i - j; ++e) t *= z2;
      total += t;
    }
  }
  return total;
}

// Whether the form (not zero modulo p) has a projective zero modulo p.
bool hasPointModulo(const CubicForm& f, int64_t p) {
  std::array<int64_t, 16> r{};
  bool zero = true;
  for (size_t i = 0; i < 16; ++i) {
    r[i] = static_cast<int64_t>(mpz_fdiv_ui(f[i].get_mpz_t(), static_cast<unsigned long>(p)));
    zero = zero && r[i] == 0;
  }
  if (zero) return true;
  // Every product below is of residues under 23: at most 23^4 * 16.
  const auto value = [&r, p](int64_t z0, int64_t z1, int64_t z2) {
    const std::array<int64_t, 4> p0{1, z0, z0 * z0 % p, z0 * z0 % p * z0 % p};
    const std::array<int64_t, 4> p1{1, z1, z1 * z1 % p, z1 * z1 % p * z1 % p};
    const std::array<int64_t, 4> p2{1, z2, z2 * z2 % p, z2 * z2 % p * z2 % p};
    int64_t total = 0;
    for (size_t i = 0; i <= 3; ++i) {
      for (size_t j = 0; i + j <= 3; ++j) {
        total = (total + r[i * 4 + j] * p0[i] % p * p1[j] % p * p2[3 - i - j]) % p;
      }
    }
    return total;
  };
  if (value(1, 0, 0) == 0) return true;
  for (int64_t z0 = 0; z0 < p; ++z0) {
    if (value(z0, 1, 0) == 0) return true;
    for (int64_t z1 = 0; z1 < p; ++z1) {
      if (value(z0, z1, 1) == 0) return true;
    }
  }
  return false;
}

// The covering of one delta from stage two's coordinates.
bool coveringOf(const CoveringCurve& cover, const FieldData& data,
                const std::vector<std::string>& coordinates, ThreeCovering& out) {
  std::vector<mpq_class> q(coordinates.size());
  for (size_t i = 0; i < coordinates.size(); ++i) {
    if (q[i].set_str(coordinates[i], 10) != 0) return false;
    q[i].canonicalize();
  }
  mpq_class radicand;
  mpq_class k;
  if (radicand.set_str(data.radicand, 10) != 0 || k.set_str(data.cubeRoot, 10) != 0) return false;
  // gamma = z0 w0 + z1 w1 + z2 w2, coordinate by coordinate.
  LPoly gamma;
  for (size_t i = 0; i < 3; ++i) {
    gamma[i][16] = q[3 + 0 * 3 + i];  // z0
    gamma[i][4] = q[3 + 1 * 3 + i];   // z1
    gamma[i][1] = q[3 + 2 * 3 + i];   // z2
  }
  LPoly delta;
  for (size_t i = 0; i < 3; ++i) delta[i][0] = q[i];
  const LPoly square = multiply(gamma, gamma, radicand);
  const LPoly cube = multiply(square, gamma, radicand);
  const LPoly t = multiply(delta, cube, radicand);
  const mpq_class& s = q[12];
  // N(gamma) = g0^3 + n' g1^3 + n'^2 g2^3 - 3 n' g0 g1 g2.
  Poly norm = multiply(multiply(gamma[0], gamma[0]), gamma[0]);
  norm = added(norm, scaled(multiply(multiply(gamma[1], gamma[1]), gamma[1]), radicand));
  norm = added(norm, scaled(multiply(multiply(gamma[2], gamma[2]), gamma[2]), radicand * radicand));
  norm = added(norm, scaled(multiply(multiply(gamma[0], gamma[1]), gamma[2]), -3 * radicand));
  // delta gamma^3 = e0 + e1 theta + e2 theta^2 = e0 + e1 (b/k) beta +
  // e2 (b/k)^2 beta^2, as b beta = k theta.
  mpz_class bz;
  mpz_class cz;
  {
    const __int128_t b = cover.v3;
    const __int128_t c = cover.uvw;
    const auto toMpz = [](__int128_t n) {
      const bool negative = n < 0;
      const __uint128_t m =
          negative ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
      mpz_class r = (mpz_class(static_cast<unsigned long>(m >> 64U)) << 64) +
                    mpz_class(static_cast<unsigned long>(m & ~uint64_t{0}));
      return negative ? mpz_class(-r) : r;
    };
    bz = toMpz(b);
    cz = toMpz(c);
  }
  const mpq_class bq(bz);
  const mpq_class cq(cz);
  const mpq_class ratio = bq / k;
  Poly equation;
  Poly u;
  if (cz == 0) {
    equation = t[0];
    u = scaled(norm, s);
  } else {
    equation = added(t[0], scaled(norm, -cq * s));
    u = scaled(t[0], 1 / cq);
  }
  // V = c1 / (3b) with c1 = e1 b / k; W = -c2 / (3b) with c2 = e2 b^2 / k^2.
  const Poly v = scaled(t[1], 1 / (3 * k));
  const Poly w = scaled(t[2], -ratio / (3 * k));
  CubicForm e = integral(equation, denominatorOf(equation));
  const mpz_class content = contentOf(e);
  if (content == 0) return false;
  for (mpz_class& c : e) c /= content;
  mpz_class common = 1;
  for (const Poly* p : std::array<const Poly*, 3>{&u, &v, &w}) {
    const mpz_class dn = denominatorOf(*p);
    mpz_lcm(common.get_mpz_t(), common.get_mpz_t(), dn.get_mpz_t());
  }
  out.equation = e;
  out.map = {integral(u, common), integral(v, common), integral(w, common)};
  mpz_class g = 0;
  for (const CubicForm& f : out.map) {
    const mpz_class c = contentOf(f);
    mpz_gcd(g.get_mpz_t(), g.get_mpz_t(), c.get_mpz_t());
  }
  if (g == 0) return false;
  for (CubicForm& f : out.map) {
    for (mpz_class& c : f) c /= g;
  }
  return true;
}

}  // namespace

namespace {

// Stage one inside the library's error handler; false on its errors too.
bool buildFieldCaught(const CoveringCurve& cover, int64_t a0, int64_t b0,
                      const SecondDescentLimits& limits, FieldData& data, GEN* handles) {
  volatile bool ok = false;
  pari_CATCH(CATCH_ALL) { ok = false; }
  pari_TRY {
    ok = buildField(cover, a0, b0, limits, data, &handles[0], &handles[1], &handles[2], &handles[3],
                    &handles[4]);
  }
  pari_ENDCATCH;
  return ok;
}

void reducedBasesCaught(const GEN* handles, const std::vector<int32_t>& exponents, long maxLattices,
                        std::vector<std::vector<std::string>>& out) {
  pari_CATCH(CATCH_ALL) {}
  pari_TRY {
    (void)reducedBases(handles[0], handles[1], handles[2], handles[3], handles[4], exponents,
                       maxLattices, out);
  }
  pari_ENDCATCH;
}

}  // namespace

std::vector<ThreeCovering> threeCoverings(const CoveringCurve& cover, int64_t a0, int64_t b0,
                                          const SecondDescentLimits& limits) {
  std::vector<ThreeCovering> result;
  FieldData data;
  std::vector<std::vector<std::string>> bases;
  enterPariThread();
  const pari_sp top = avma;
  // The bnf, the generators, kappa, the rational primes of S and the
  // primes of L above them.
  std::array<GEN, 5> handles{};
  if (!buildFieldCaught(cover, a0, b0, limits, data, handles.data())) {
    set_avma(top);
    return result;
  }
  const std::vector<std::vector<int32_t>> classes =
      candidateClasses(data, static_cast<size_t>(limits.maxCoverings));
  // The models shared out evenly: each class gets at most
  // maxCoverings / #classes of its lambdas' lattices (at least one), so the
  // first classes cannot take the whole budget.
  const long share = std::max<long>(
      1, static_cast<long>(limits.maxCoverings) / std::max<long>(1, std::ssize(classes)));
  for (const std::vector<int32_t>& c : classes) {
    const long room =
        std::min(share, static_cast<long>(limits.maxCoverings) - static_cast<long>(bases.size()));
    if (room <= 0) break;
    const pari_sp before = avma;
    reducedBasesCaught(handles.data(), c, room, bases);
    set_avma(before);  // the field's handles lie below
  }
  set_avma(top);
  for (const std::vector<std::string>& basis : bases) {
    if (basis.size() != 13) continue;
    ThreeCovering covering;
    if (!coveringOf(cover, data, basis, covering)) continue;
    const bool local = std::all_of(kLocalPrimes.begin(), kLocalPrimes.end(),
                                   [&](int64_t p) { return hasPointModulo(covering.equation, p); });
    if (local) result.push_back(std::move(covering));
  }
  return result;
}

namespace {

bool toWide(const mpz_class& n, __int128_t& out) {
  if (mpz_sizeinbase(n.get_mpz_t(), 2) > 125) return false;
  mpz_class m = abs(n);
  const mpz_class high = m >> 64;
  const mpz_class low = m - (high << 64);
  const __uint128_t magnitude = (static_cast<__uint128_t>(high.get_ui()) << 64U) | low.get_ui();
  out = n < 0 ? -static_cast<__int128_t>(magnitude) : static_cast<__int128_t>(magnitude);
  return true;
}

// The real roots of a3 t^3 + a2 t^2 + a1 t + a0, polished by Newton's step.
std::vector<long double> realRoots(long double a3, long double a2, long double a1, long double a0) {
  std::vector<long double> roots;
  const auto polish = [&](long double t) {
    for (int32_t step = 0; step < 2; ++step) {
      const long double value = ((a3 * t + a2) * t + a1) * t + a0;
      const long double derivative = (3 * a3 * t + 2 * a2) * t + a1;
      if (derivative == 0) break;
      t -= value / derivative;
    }
    roots.push_back(t);
  };
  if (a3 == 0) {
    if (a2 == 0) {
      if (a1 != 0) roots.push_back(-a0 / a1);
      return roots;
    }
    const long double disc = a1 * a1 - 4 * a2 * a0;
    if (disc < 0) return roots;
    const long double r = std::sqrt(disc);
    polish((-a1 + r) / (2 * a2));
    polish((-a1 - r) / (2 * a2));
    return roots;
  }
  const long double b = a2 / a3;
  const long double c = a1 / a3;
  const long double d = a0 / a3;
  const long double p = c - b * b / 3;
  const long double q = 2 * b * b * b / 27 - b * c / 3 + d;
  const long double shift = -b / 3;
  const long double discriminant = q * q / 4 + p * p * p / 27;
  if (discriminant > 0) {
    const long double s = std::sqrt(discriminant);
    const long double u = std::cbrt(-q / 2 - std::copysign(s, q));
    polish((u == 0 ? 0 : u - p / (3 * u)) + shift);
  } else {
    const long double r = std::sqrt(-p / 3);
    if (r == 0) {
      polish(shift);
      return roots;
    }
    const long double cosine = std::clamp(-q / (2 * r * r * r), -1.0L, 1.0L);
    const long double angle = std::acos(cosine) / 3;
    for (int32_t k = 0; k < 3; ++k) {
      polish(2 * r * std::cos(angle - 2 * 3.14159265358979323846L * k / 3) + shift);
    }
  }
  return roots;
}

}  // namespace

std::vector<std::array<__int128_t, 3>> threeCoveringPoints(const ThreeCovering& covering,
                                                           const CoveringCurve& cover,
                                                           int32_t height) {
  std::vector<std::array<__int128_t, 3>> points;
  std::array<long double, 16> f{};
  for (size_t i = 0; i < 16; ++i) f[i] = static_cast<long double>(covering.equation[i].get_d());
  const auto tryPoint = [&](const mpz_class& z0, const mpz_class& z1, const mpz_class& z2) {
    if (evaluate(covering.equation, z0, z1, z2) != 0) return;
    std::array<mpz_class, 3> image;
    for (size_t i = 0; i < 3; ++i) image[i] = evaluate(covering.map[i], z0, z1, z2);
    mpz_class g = 0;
    for (const mpz_class& c : image) mpz_gcd(g.get_mpz_t(), g.get_mpz_t(), c.get_mpz_t());
    if (g == 0) return;
    std::array<__int128_t, 3> triple{};
    for (size_t i = 0; i < 3; ++i) {
      if (!toWide(image[i] / g, triple[i])) return;
    }
    if (triple[0] == 0 || triple[2] == 0) return;
    const std::optional<__int128_t> value = coverValue(cover, triple[0], triple[1], triple[2]);
    if (!value || *value != 0) return;
    if (std::find(points.begin(), points.end(), triple) == points.end()) points.push_back(triple);
  };
  tryPoint(1, 0, 0);
  const auto tryPair = [&](int64_t z1, int64_t z2) {
    const auto x = static_cast<long double>(z1);
    const auto y = static_cast<long double>(z2);
    const long double a3 = f[12];
    const long double a2 = f[9] * x + f[8] * y;
    const long double a1 = (f[6] * x + f[5] * y) * x + f[4] * y * y;
    const long double a0 = ((f[3] * x + f[2] * y) * x + f[1] * y * y) * x + f[0] * y * y * y;
    for (const long double root : realRoots(a3, a2, a1, a0)) {
      if (!(std::fabs(root) < 1e15L)) continue;
      const auto z0 = static_cast<long>(std::llround(root));
      const long double t = static_cast<long double>(z0);
      const long double residual = ((a3 * t + a2) * t + a1) * t + a0;
      const long double size =
          ((std::fabs(a3) * std::fabs(t) + std::fabs(a2)) * std::fabs(t) + std::fabs(a1)) *
              std::fabs(t) +
          std::fabs(a0);
      if (std::fabs(residual) > 1e-9L * size) continue;
      tryPoint(mpz_class(z0), mpz_class(static_cast<long>(z1)), mpz_class(static_cast<long>(z2)));
    }
  };
  // Up to sign (z and -z are one point): z2 > 0, or z2 = 0 and z1 > 0.
  for (int64_t h = 1; h <= height; ++h) {
    tryPair(h, 0);
    for (int64_t z1 = -h; z1 <= h; ++z1) tryPair(z1, h);
    for (int64_t z2 = 1; z2 < h; ++z2) {
      tryPair(-h, z2);
      tryPair(h, z2);
    }
  }
  return points;
}

}  // namespace velrin
