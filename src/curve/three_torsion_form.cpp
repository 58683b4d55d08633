#include "curve/three_torsion_form.hpp"

#include <pari/pari.h>

#include "arith/pari_factor.hpp"

namespace velrin {

namespace {

// Numbers up to this many bits are factored in full when the smallest
// scale needs it: a few milliseconds at most.
constexpr long kFactorBits = 200;

// Trial division bound before the cube test of the rest.
constexpr ulong kTrialBound = ulong{1} << 20U;

std::string rationalText(GEN q) {
  if (typ(q) == t_INT) return itostr(q);
  return std::string(itostr(gel(q, 1))) + "/" + itostr(gel(q, 2));
}

// The largest d with d^3 | g, g > 0, or NULL when that needs a
// factorisation beyond kFactorBits. Primes below kTrialBound are divided
// out; the rest is a cube, or small enough to factor.
GEN cubeRootOfCubePart(GEN g) {
  GEN root = nullptr;
  if (Z_ispowerall(g, 3, &root)) return root;
  GEN d = gen_1;
  GEN rest = gen_1;
  const GEN partial = Z_factor_limit(g, kTrialBound);
  for (long i = 1; i < lg(gel(partial, 1)); ++i) {
    const GEN q = gcoeff(partial, i, 1);
    const long e = itos(gcoeff(partial, i, 2));
    if (abscmpiu(q, kTrialBound) < 0) {
      d = mulii(d, powiu(q, static_cast<ulong>(e / 3)));
    } else {
      rest = mulii(rest, powiu(q, static_cast<ulong>(e)));
    }
  }
  if (equali1(rest)) return d;
  if (Z_ispowerall(rest, 3, &root)) return mulii(d, root);
  if (expi(rest) >= kFactorBits) return nullptr;
  const GEN full = Z_factor(rest);
  for (long i = 1; i < lg(gel(full, 1)); ++i) {
    const long e = itos(gcoeff(full, i, 2));
    d = mulii(d, powiu(gcoeff(full, i, 1), static_cast<ulong>(e / 3)));
  }
  return d;
}

// The conversion on the PARI stack; the caller restores it. Not inlined:
// what it writes to form is in memory when an error of the library jumps
// back to the caller.
[[gnu::noinline]] void convert(const WeierstrassModel& model, ThreeTorsionForm& form) {
  const GEN a1 = stoi(model[0]);
  const GEN a2 = stoi(model[1]);
  const GEN a3 = stoi(model[2]);
  const GEN a4 = stoi(model[3]);
  const GEN a6 = stoi(model[4]);
  const GEN b2 = addii(sqri(a1), mulsi(4, a2));
  const GEN b4 = addii(mulsi(2, a4), mulii(a1, a3));
  const GEN b6 = addii(sqri(a3), mulsi(4, a6));
  const GEN b8 = subii(addii(mulii(sqri(a1), a6), mulsi(4, mulii(a2, a6))),
                       addii(mulii(mulii(a1, a3), a4), subii(sqri(a4), mulii(a2, sqri(a3)))));
  const GEN discriminant = addii(subii(negi(mulii(sqri(b2), b8)), mulsi(8, powiu(b4, 3))),
                                 subii(mulsi(9, mulii(b2, mulii(b4, b6))), mulsi(27, sqri(b6))));
  if (signe(discriminant) == 0) {
    form.status = FormStatus::kSingular;
    return;
  }
  const GEN psi3 = mkpoln(5, stoi(3), b2, mulsi(3, b4), mulsi(3, b6), b8);
  const GEN roots = nfrootsQ(psi3);
  GEN x0 = nullptr;
  GEN y0 = nullptr;
  for (long i = 1; i < lg(roots) && x0 == nullptr; ++i) {
    const GEN x = gel(roots, i);
    // y^2 + (a1 x + a3) y = x^3 + a2 x^2 + a4 x + a6 has a rational root
    // exactly when its discriminant (a1 x + a3)^2 + 4 (x^3 + ...) is a
    // square in Q; it is not 0, since a point of order 3 is not of order 2.
    const GEN h = gadd(gmul(a1, x), a3);
    const GEN f = gadd(gmul(gadd(gmul(gadd(x, a2), x), a4), x), a6);
    GEN root = nullptr;
    if (!gequal0(gissquareall(gadd(gsqr(h), gmulsg(4, f)), &root))) {
      x0 = x;
      y0 = gdivgu(gsub(root, h), 2);
    }
  }
  if (x0 == nullptr) {
    form.status = FormStatus::kNoThreeTorsion;
    return;
  }
  // x = x' + r, y = y' + s x' + t with (r, t) = (x0, y0): then a6' = 0,
  // a3' = a3 + r a1 + 2t and a4' = (a4 + 2 r a2 - t a1 + 3 r^2) - s a3'.
  // The shear s = that bracket / a3' makes a4' = 0, so y = 0 is the
  // tangent at (0,0); an inflexion tangent meets the curve there three
  // times, which makes a2' = a2 - s a1 + 3r - s^2 = 0 as well.
  const GEN r = x0;
  const GEN t = y0;
  const GEN a3p = gadd(gadd(a3, gmul(r, a1)), gmulsg(2, t));
  const GEN bracket = gadd(gsub(gadd(a4, gmul(gmulsg(2, r), a2)), gmul(t, a1)), gmulsg(3, gsqr(r)));
  const GEN s = gdiv(bracket, a3p);
  const GEN a1p = gadd(a1, gmulsg(2, s));
  const GEN a2p = gsub(gadd(gsub(a2, gmul(s, a1)), gmulsg(3, r)), gsqr(s));
  if (!gequal0(a2p)) return;  // kFailed: not an inflexion point, which cannot happen
  // Scale x' = k^-2 X, y' = k^-3 Y: A = k a1', B = k^3 a3'. The smallest
  // K > 0 making both integral, then the largest d with d | A0 and d^3 |
  // B0 removed: d^3 is the cube part of gcd(A0^3, B0).
  const GEN d1 = Q_denom(a1p);
  GEN k3 = gen_1;  // the smallest c with denominator(a3') | c^3
  if (const GEN d3 = Q_denom(a3p); !equali1(d3)) {
    const GEN factors = Z_factor(d3);
    for (long i = 1; i < lg(gel(factors, 1)); ++i) {
      const long e = itos(gcoeff(factors, i, 2));
      k3 = mulii(k3, powiu(gcoeff(factors, i, 1), static_cast<ulong>((e + 2) / 3)));
    }
  }
  const GEN bigK = lcmii(d1, k3);
  const GEN a0 = gmul(a1p, bigK);
  const GEN b0 = gmul(a3p, powiu(bigK, 3));
  const GEN g = signe(a0) == 0 ? absi(b0) : gcdii(powiu(a0, 3), b0);
  const GEN d = cubeRootOfCubePart(g);
  if (d == nullptr) {
    form.status = FormStatus::kNotFactored;
    return;
  }
  GEN bigA = diviiexact(a0, d);
  GEN bigB = diviiexact(b0, powiu(d, 3));
  const GEN u = gdiv(d, bigK);
  GEN sFinal = s;
  GEN tFinal = t;
  if (signe(bigB) < 0) {
    // Take -P = (x0, -y0 - a1 x0 - a3) to (0,0) instead: t becomes -t -
    // (a1 r + a3), then a3' = -a3', s = -s - a1 and a1' = -a1', so (A, B)
    // becomes (-A, -B) with the same u > 0.
    bigA = negi(bigA);
    bigB = negi(bigB);
    tFinal = gsub(gneg(t), gadd(gmul(a1, r), a3));
    sFinal = gsub(gneg(s), a1);
  }
  if (cmpis(bigA, INT32_MIN) < 0 || cmpis(bigA, INT32_MAX) > 0 || cmpis(bigB, INT32_MAX) > 0) {
    form.status = FormStatus::kBeyond32Bits;
    return;
  }
  form.a = static_cast<int32_t>(itos(bigA));
  form.b = static_cast<int32_t>(itos(bigB));
  form.change = {rationalText(u), rationalText(r), rationalText(sFinal), rationalText(tFinal)};
  form.status = FormStatus::kConverted;
}

}  // namespace

ThreeTorsionForm toThreeTorsionForm(const WeierstrassModel& model) {
  enterPariThread();
  ThreeTorsionForm form;
  const pari_sp top = avma;
  // Written inside the setjmp context and read after a possible longjmp.
  volatile bool failed = false;
  pari_CATCH(CATCH_ALL) { failed = true; }
  pari_TRY { convert(model, form); }
  pari_ENDCATCH;
  set_avma(top);
  if (failed) form.status = FormStatus::kFailed;
  return form;
}

}  // namespace velrin
