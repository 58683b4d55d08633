\\ Shared by make_fixture.gp, make_fixture_32bit.gp and the live oracle test:
\\ one line of reference data for the curve E: y^2 + A*x*y + B*y = x^3, i.e.
\\ a1 = A, a3 = B, and the generators of the families of curves checked.
\\ Its discriminant is B^3 * (A^3 - 27*B).

oracleNonsingular(A, B) = B != 0 && A^3 != 27 * B;

\\ Both coefficients are signed 32-bit integers.
oracleFits32(A, B) = A >= -2^31 && A < 2^31 && B >= -2^31 && B < 2^31;

\\ B * (A^3 - 27*B) is a signed 64-bit integer (and not -2^63).
oracleFits64(A, B) = abs(B * (A^3 - 27 * B)) < 2^63;

\\ PARI encodes the Kodaira type as an integer: 1 = I0, m > 4 = I_{m-4},
\\ 2, 3, 4 = II, III, IV, and the negatives for the starred types, with
\\ -1 = I0^* and -m < -4 = I_{m-4}^*.  Velrin writes the star as "^*".
oracleKodaira(kod) =
{
  if (kod == 1, return("I0"));
  if (kod > 4, return(Str("I", kod - 4)));
  if (kod > 1, return(["II", "III", "IV"][kod - 1]));
  if (kod == -1, return("I0^*"));
  if (kod < -4, return(Str("I", -kod - 4, "^*")));
  Str(["II", "III", "IV"][-kod - 1], "^*");
}

\\ "A B | p:kod:cE:cEhat ... | vu vuhat | w": for each prime p of the
\\ conductor the Kodaira type of the minimal model at p (Tate's algorithm
\\ does not depend on the model typed) and the Tamagawa numbers c_p of E and
\\ of E^ = E/<(0,0)>; then v_3 of the scale u of the change of variables to
\\ the minimal model, for E and for the model of E^ that ellisogeny (Velu's
\\ formulae) gives; then the root number of E.  Isogenous curves share their
\\ conductor, so the two lists of primes are one.
oracleReduction(A, B) =
{
  my(E = ellinit([A, 0, B, 0, 0]), red = ellglobalred(E),
     Eh = ellinit(ellisogeny(E, [0, 0])[1]), redh = ellglobalred(Eh),
     fa = red[4], loc = red[5], s = Str(A, " ", B, " |"));
  if (red[1] != redh[1], error("conductors of E and E^ differ at ", [A, B]));
  for (i = 1, #loc,
    s = Str(s, " ", fa[i, 1], ":", oracleKodaira(loc[i][2]), ":", loc[i][4], ":", redh[5][i][4]));
  Str(s, " | ", valuation(red[2][1], 3), " ", valuation(redh[2][1], 3), " | ", ellrootno(E));
}

\\ "rlow rhigh" from ellrank(E, effort): rlow is the number of independent
\\ points found, rhigh the 2-Selmer bound; "? ?" when it takes more than
\\ secs seconds (or fails).
oracleRank(E, effort, secs) =
{
  my(rk = iferr(alarm(secs, ellrank(E, effort)), err, err));
  if (type(rk) == "t_ERROR", "? ?", Str(rk[1], " ", rk[2]));
}

\\ The whole line; the rank only when tryRank, "? ?" otherwise.  It leaves
\\ the random generator as it found it, so that a list of curves drawn
\\ between lines depends on the seed alone.
oracleLineIf(A, B, effort, secs, tryRank) =
{
  my(state = getrand(), s = oracleReduction(A, B));
  s = Str(s, " | ", if (tryRank, oracleRank(ellinit([A, 0, B, 0, 0]), effort, secs), "? ?"));
  setrand(state);
  s;
}

oracleLine(A, B, effort, secs) = oracleLineIf(A, B, effort, secs, 1);

\\ ellrank's 2-descent works in the cubic field of the model y^2 = x^3 +
\\ (Ax + B)^2/4; on trial curves it finished within 2 s up to about
\\ |B(A^3 - 27B)| = 2^94 and mostly not beyond 2^100.
kOracleRankBits = 100;
oracleRankLikely(A, B) = abs(B * (A^3 - 27 * B)) < 2^kOracleRankBits;

\\ A nonsingular curve with |A| <= amax and 0 < |B| <= bmax, from PARI's
\\ random generator (seed it with setrand for a reproducible list).
oracleRandomCurve(amax, bmax) =
{
  my(A, B);
  until (oracleNonsingular(A, B),
    A = random(2 * amax + 1) - amax;
    B = random(2 * bmax + 1) - bmax);
  [A, B];
}

\\ ---------------------------------------------------------------------
\\ The minimal model and the cases of the local rules at 3.

\\ The largest u > 0 with u | A and u^3 | B (B != 0).
oracleScale(A, B) =
{
  my(fa = factor(abs(if (A == 0, B, gcd(A, B))))[, 1], u = 1);
  for (i = 1, #fa,
    my(p = fa[i], e = valuation(B, p) \ 3);
    if (A != 0, e = min(e, valuation(A, p)));
    u *= p^e);
  u;
}

\\ The case of the minimal model y^2 + A0xy + B0y = x^3 at 3 that decides
\\ its reduction type there: a = v3(A0), b = v3(B0), d = v3(A0^3 - 27B0).
\\ A minimal model has a = 0 or b <= 2.
oracleCaseAtThree(A, B) =
{
  my(u = oracleScale(A, B), A0 = A / u, B0 = B / u^3, a, b, d, pm);
  a = if (A0 == 0, oo, valuation(A0, 3));
  b = valuation(B0, 3);
  if (a == 0, return(if (b == 0, "good", "a=0,b>=1")));
  if (b == 1, return(if (a >= 2, "b=1,a>=2", if ((A0 + B0) % 9, "b=1,a=1", "b=1,a=1,9|A0+B0"))));
  if (b == 2, return(if (a >= 2, "b=2,a>=2", "b=2,a=1")));
  if (b > 2, error("not minimal at 3: ", [A, B]));
  d = valuation(A0^3 - 27 * B0, 3);
  pm = if (B0 % 9 == 1 || B0 % 9 == 8, ",B0=+-1(9)", "");
  if (d == 3, return(Str("b=0,d=3,", if (a >= 2, "a>=2", "a=1"), pm)));
  if (d <= 5, return(Str("b=0,d=", d, pm)));
  Str("b=0,d>=6", pm);
}

\\ The thirteen cases that oracleAtThree constructs, in its order.
{
  oracleThreeCases = ["a=0,b>=1", "b=1,a=1,9|A0+B0", "b=1,a=1", "b=1,a>=2", "b=2,a=1",
    "b=2,a>=2", "b=0,d=3,a>=2,B0=+-1(9)", "b=0,d=3,a>=2", "b=0,d=3,a=1,B0=+-1(9)",
    "b=0,d=3,a=1", "b=0,d=4", "b=0,d=5,B0=+-1(9)", "b=0,d>=6,B0=+-1(9)"];
}

\\ A random integer in [-m, m]; one prime to 3 there (m >= 1).
oracleSigned(m) = random(2 * m + 1) - m;
oracleUnit(m) = my(x = 0); while (x % 3 == 0, x = oracleSigned(max(m, 1))); x;

\\ 2^e for e drawn uniformly from [lo, hi]: sizes spread over all scales.
oracleScaleBound(lo, hi) = 2^(lo + random(hi - lo + 1));

\\ (A0, B0) with |A0| <= ma, |B0| <= mb in case k of oracleThreeCases at 3
\\ (ma >= 27, mb >= 3^5), with v3(B0) >= bmin in case 1.  A0 = 3*A1 in the
\\ cases with a = 1.
oracleAtThree(k, ma, mb, bmin) =
{
  my(A0, B0, A1, B1, r, j, c);
  until (oracleNonsingular(A0, B0) && oracleCaseAtThree(A0, B0) == c,
    c = oracleThreeCases[k];
    A1 = oracleUnit(ma \ 3);
    A0 = 3 * A1;
    if (k == 1,
      j = bmin + random(max(1, min(7, logint(mb, 3)) - bmin));
      A0 = oracleUnit(ma);
      B0 = 3^j * oracleUnit(mb \ 3^j));
    if (k == 2 || k == 3,
      \\ 9 | A0 + B0 exactly when A1 + B1 = 0 mod 3; one sign of B1 gives it.
      B1 = oracleUnit(mb \ 3);
      if (((A1 + B1) % 3 == 0) != (k == 2), B1 = -B1);
      B0 = 3 * B1);
    if (k == 4 || k == 6 || k == 7 || k == 8, A0 = 9 * oracleSigned(ma \ 9));
    if (k == 4, B0 = 3 * oracleUnit(mb \ 3));
    if (k == 5 || k == 6, B0 = 9 * oracleUnit(mb \ 9));
    \\ b = 0: the residue of B0 mod 9 against the cube A1^3 = +-1 mod 9.
    if (k == 7, B0 = 9 * oracleSigned(mb \ 9) + [1, -1][random(2) + 1]);
    if (k == 8, B0 = 9 * oracleSigned(mb \ 9) + [2, 4, 5, 7][random(4) + 1]);
    if (k == 9, B0 = 9 * oracleSigned(mb \ 9) - A1^3 % 9);
    if (k == 10, B0 = 9 * oracleSigned(mb \ 9) + if (A1 % 3 == 1, [2, 5], [4, 7])[random(2) + 1]);
    if (k == 11, B0 = 9 * oracleSigned(mb \ 9) + if (A1 % 3 == 1, [4, 7], [2, 5])[random(2) + 1]);
    if (k == 12, B0 = 27 * oracleSigned(mb \ 27) + (A1^3 + 9 * (1 + random(2))) % 27);
    if (k == 13,
      \\ B0 = A1^3 mod 3^j gives d >= 3 + j.
      j = 3 + random(min(6, logint(mb, 3) - 2));
      A1 = oracleUnit(min(ma \ 3, sqrtnint(mb, 3)));
      A0 = 3 * A1;
      r = A1^3 % 3^j;
      B0 = r + 3^j * oracleSigned(max(1, (mb - r) \ 3^j))));
  [A0, B0];
}

\\ u*(A0, B0) = (u*A0, u^3*B0) for (A0, B0) in case k at 3, with the scales
\\ of the coefficients drawn at random; nonsingular, |A|, |B| < 2^31 and
\\ B(A^3 - 27B) a signed 64-bit integer.
oracleScaledCase(k, u, bmin) =
{
  my(A, B, c, ma, mb);
  until (oracleNonsingular(A, B) && oracleFits32(A, B) && oracleFits64(A, B),
    ma = max(27, oracleScaleBound(4, 21) \ u);
    mb = max(3^5, oracleScaleBound(14, 31) \ u^3);
    c = oracleAtThree(k, ma, mb, bmin);
    A = u * c[1];
    B = u^3 * c[2]);
  [A, B];
}

\\ ---------------------------------------------------------------------
\\ The families.  Each draws one curve from PARI's random generator; i
\\ selects the subfamily or case round-robin, so that n consecutive values
\\ of i cover them evenly.

\\ 3 | A or 3 | B, minimal at 3; half of them scaled by a u prime to 3,
\\ i.e. not minimal at the primes of u.
oracleThreeCurve(i) =
{
  my(u = if (random(2), 1, [2, 4, 5, 7, 8, 10, 11, 13, 14, 17, 20, 22, 35][random(13) + 1]));
  oracleScaledCase(1 + i % 13, u, 1);
}

\\ 27 | B: every 14th with 3 prime to A (minimal at 3, b >= 3), the others
\\ scaled by a multiple of 3 (3 | A, not minimal at 3), the case at 3 of
\\ the minimal model round-robin.
oracleScaledCurve(i) =
{
  if (i % 14 == 13,
    return(oracleScaledCase(1, if (random(2), 1, [2, 4, 5, 7][random(4) + 1]), 3)));
  oracleScaledCase(1 + i % 14, [3, 3, 3, 6, 9, 9, 12, 15, 21, 27, 30, 45, 81][random(13) + 1], 1);
}

\\ A bad prime p > 611951 (the 50000th prime):
\\ i = 0 mod 4: p | B;
\\ i = 1: p | A^3 - 27B, B in the class A^3/27 mod p;
\\ i = 2: p^2 | A^3 - 27B;
\\ i = 3: p | B and a second prime above 611951 divides A^3 - 27B.
oracleBigPrimeCurve(i) =
{
  my(A, B, p, k = i % 4);
  until (oracleNonsingular(A, B) && oracleFits32(A, B) && oracleFits64(A, B),
    if (k == 0,
      p = randomprime([611953, 2^31 - 1]);
      B = p * oracleSigned(max(1, (2^31 - 1) \ p));
      A = oracleSigned(oracleScaleBound(1, 20)));
    if (k == 1,
      A = oracleSigned(oracleScaleBound(1, 20));
      p = randomprime([611953, 2^31 - 1]);
      B = centerlift(Mod(A^3, p) / 27) + p * oracleSigned(max(1, (2^31 - 1) \ p) \ 2));
    if (k == 2,
      \\ B = A^3/27 mod p^2 for A from about p^(2/3) up: within a few hundred
      \\ steps B(A^3 - 27B) comes in range.
      p = randomprime([611953, 800000]);
      A = (sqrtnint(p^2, 3) + random(sqrtnint(p^2, 3))) * [1, -1][random(2) + 1];
      until (oracleFits64(A, B), A += sign(A); B = centerlift(Mod(A^3, p^2) / 27)));
    if (k == 3,
      p = randomprime([611953, 2^24]);
      B = p * oracleSigned(2^7);
      A = oracleSigned(oracleScaleBound(1, 18));
      \\ Drawn again unless A^3 - 27B has a prime factor above 611951 too.
      if (B && A^3 != 27 * B && vecmax(factor(abs(A^3 - 27 * B))[, 1]) <= 611951, B = 0)));
  [A, B];
}

\\ The integer cube root of x, rounded towards 0.
oracleCubeRoot(x) = sign(x) * sqrtnint(abs(x), 3);

\\ Large coefficients with B(A^3 - 27B) below 2^63:
\\ i = 0 mod 3: |B| up to 2^31, A^3 within 2^63/|B| of 27B;
\\ i = 1: |A| up to 2^21, |B| as large as the bound allows;
\\ i = 2: A^3 - 27B small (at most 2^12 in absolute value).
oracleLargeCurve(i) =
{
  my(A, B, M, lo, hi, d, k = i % 3);
  until (oracleNonsingular(A, B) && oracleFits32(A, B) && oracleFits64(A, B),
    if (k == 0,
      B = oracleSigned(oracleScaleBound(16, 31));
      M = (2^63 - 1) \ max(1, abs(B));
      lo = oracleCubeRoot(27 * B - M);
      hi = oracleCubeRoot(27 * B + M);
      A = lo + random(max(1, hi - lo + 1)));
    if (k == 1,
      A = oracleSigned(oracleScaleBound(12, 21));
      B = oracleSigned(min(2^31 - 1, (2^63 - 1) \ (2 * abs(A)^3 + 1))));
    if (k == 2,
      A = oracleSigned(3800);
      d = oracleSigned(2^(1 + random(12)));
      d += (A^3 - d) % 27;
      B = (A^3 - d) / 27));
  [A, B];
}

\\ ---------------------------------------------------------------------
\\ The whole signed 32-bit range, where B(A^3 - 27B) needs up to 126 bits.

oracleWideCurve() =
{
  my(A, B);
  until (oracleNonsingular(A, B), A = random(2^32) - 2^31; B = random(2^32) - 2^31);
  [A, B];
}

\\ Constructed hard pairs of 32-bit coefficients:
\\ i = 0 mod 5: A^3 - 27B prime;
\\ i = 1: A^3 - 27B = p*q for primes p, q of about 47 bits (A near +-2^31
\\        and B = A^3/27 mod p in the 32-bit range; q prime by search);
\\ i = 2: B = -2^31 or +-(2^31 - 1), A from the whole range, small or special;
\\ i = 3: A = -2^31 or 2^31 - 1, B from the whole range, small or special;
\\ i = 4: A^3 - 27B small (|A| <= 3875 keeps B in range).
oracleHardCurve(i) =
{
  my(A, B, p, q, F, c, k = i % 5,
     special = [0, 1, -1, 3, -3, 27, -27, 2^31 - 1, -2^31, 2^30, -2^30, 3^19, -3^19]);
  until (oracleNonsingular(A, B) && oracleFits32(A, B),
    if (k == 0,
      until (ispseudoprime(abs(A^3 - 27 * B)),
        A = if (random(2), random(2^32) - 2^31, oracleSigned(oracleScaleBound(8, 31)));
        B = random(2^32) - 2^31));
    if (k == 1,
      \\ About 2^14 values of A per prime p hit the range of B, and one
      \\ cofactor in thirty or so is prime.
      p = randomprime([2^46, 2^47]);
      c = Mod(1, p) / 27;
      A = (2^31 - 1 - random(2^28)) * [1, -1][random(2) + 1];
      q = 0;
      while (!q,
        A -= sign(A);
        B = centerlift(c * A^3);
        if (abs(B) < 2^31,
          q = abs(A^3 - 27 * B) / p;
          if (!ispseudoprime(q), q = 0))));
    if (k == 2,
      B = [-2^31, 2^31 - 1, -(2^31 - 1)][random(3) + 1];
      A = if (random(3), random(2^32) - 2^31, special[random(#special) + 1]));
    if (k == 3,
      A = [-2^31, 2^31 - 1][random(2) + 1];
      B = if (random(3), random(2^32) - 2^31, special[random(#special) + 1]));
    if (k == 4,
      A = oracleSigned(3875);
      F = oracleSigned(2^(1 + random(16)));
      F += (A^3 - F) % 27;
      B = (A^3 - F) / 27));
  [A, B];
}

\\ The live test's mixture: i = 0, 1 mod 6 medium random curves as in the
\\ fixture, then 3 | A or 3 | B, 27 | B, a bad prime above 611951, and a
\\ pair from the whole 32-bit range.
oracleLiveCurve(i) =
{
  my(k = i % 6, j = i \ 6);
  if (k <= 1, return(oracleRandomCurve(3000, 10^6)));
  if (k == 2, return(oracleThreeCurve(j)));
  if (k == 3, return(oracleScaledCurve(j)));
  if (k == 4, return(oracleBigPrimeCurve(j)));
  oracleWideCurve();
}

\\ Prints the lines of n live curves drawn after setrand(seed); ellrank runs
\\ with a 2 s limit where it is likely to finish.
oracleLiveLines(n, seed) =
{
  setrand(seed);
  for (i = 0, n - 1,
    my(c = oracleLiveCurve(i));
    print(oracleLineIf(c[1], c[2], 0, 2, oracleRankLikely(c[1], c[2]))));
}
