\\ Writes tests/oracle/curve_fixture.txt, the reference data that
\\ curve_input_oracle_test.cpp compares velrin's curve input against. Run
\\ from the repository root:
\\   gp -q -f tests/oracle/make_curve_fixture.gp
\\ Every curve of Cremona's tables (pari-elldata) with a rational point of
\\ order 3 and conductor <= kMaxConductor, given by its label, by its
\\ a-invariants and by its (A, B) as [A,0,B,0,0]; every kScaledEvery-th of
\\ them also as a non-minimal integral model; every kWithoutEvery-th curve
\\ without a point of order 3, by label; then pairs (A, B) of the whole
\\ 32-bit range, whose conductors and minimal models leave 2^53 and 2^64.
\\
\\ A line: "form | input | A B | u r s t | conductor | root number | reduced
\\ minimal model", or "form | input | none" for a curve without a point of
\\ order 3. form is label, ainvs, ab, scaled or pair.

read("tests/oracle/cremona_lib.gp");

kMaxConductor = 2000;
kScaledEvery = 4;
kWithoutEvery = 40;
kPairs = 60;
kSeed = 20261210;
kOutput = "tests/oracle/curve_fixture.txt";

\\ toAB with the point P given: (A, B) and [u, r, s, t] with B of either sign.
toABat(E, P) =
{
  my(F, s, A, B, k, d, v, w);
  v = [1, P[1], 0, P[2]];
  F = ellchangecurve(E, v);
  s = F.a4 / F.a3;
  w = [1, 0, s, 0];
  F = ellchangecurve(F, w);
  v = ellchangepointinv_compose(v, w);
  k = 1;
  while (denominator(k^3 * F.a3) != 1 || denominator(k * F.a1) != 1, k++);
  A = k * F.a1; B = k^3 * F.a3;
  d = 1;
  fordiv (core(B, 1)[2], e,
    if (A % e == 0 && B % e^3 == 0 && e > d, d = e));
  k = k / d; A = A / d; B = B / d^3;
  v = ellchangepointinv_compose(v, [1 / k, 0, 0, 0]);
  [A, B, v];
}

\\ The convention of velrin: of P and -P, the one that gives B > 0, so u > 0.
toABcanonical(E) =
{
  my(P = threeTorsionPoint(E), c, F);
  if (P === 0, return(0));
  c = toABat(E, P);
  if (c[2] < 0, c = toABat(E, ellneg(E, P)));
  if (c[2] <= 0 || c[3][1] <= 0, error("toABcanonical: sign"));
  F = ellchangecurve(E, c[3]);
  if (F[1..5] != [c[1], 0, c[2], 0, 0], error("toABcanonical: change"));
  if (c[1] != toAB(E)[1] && c[1] != -toAB(E)[1], error("toABcanonical: toAB disagrees"));
  c;
}

vecText(v) = my(s = ""); for (i = 1, #v, s = Str(s, if (i > 1, " ", ""), v[i])); s;

curveLine(form, input, E) =
{
  my(c = toABcanonical(E), M);
  if (c === 0, return(Str(form, " | ", input, " | none")));
  M = ellminimalmodel(E);
  Str(form, " | ", input, " | ", c[1], " ", c[2], " | ", vecText(c[3]), " | ",
      ellglobalred(E)[1], " | ", ellrootno(E), " | ", vecText(M[1..5]));
}

ainvsText(v) = Str("[", vecText(v)[1..-1], "]");

{
  my(lines = List(), withTorsion = 0, without = 0, count3 = 0, pairs = 0);
  forell(e, 1, kMaxConductor,
    my(E = ellinit(e[2]), label = e[1], a = e[2], c);
    if (threeTorsionPoint(E) === 0,
      without++;
      if (without % kWithoutEvery == 0, listput(lines, curveLine("label", label, E))),
      count3++;
      c = toABcanonical(E);
      listput(lines, curveLine("label", label, E));
      listput(lines, curveLine("ainvs", Str(a), E));
      listput(lines, curveLine("ab", Str([c[1], 0, c[2], 0, 0]), ellinit([c[1], 0, c[2], 0, 0])));
      if (count3 % kScaledEvery == 0,
        \\ An integral model scaled by 1/u = 2 or 3 and moved by integral r, s, t.
        my(k = 2 + count3 % 2, F = ellchangecurve(E, [1 / k, count3 % 5 - 2, count3 % 3 - 1, count3 % 7 - 3]));
        listput(lines, curveLine("scaled", Str(F[1..5]), F)))));
  setrand(kSeed);
  my(fixed = [[2147483639, 2], [-2147483648, 2147483647], [2147483647, -2147483648],
              [19456, 2^30], [-2147483648, 1], [1290, 1290^3]]);
  for (i = 1, #fixed + kPairs,
    my(A, B, E);
    if (i <= #fixed, A = fixed[i][1]; B = fixed[i][2],
      A = random(2^32) - 2^31; B = random(2^32) - 2^31;
      if (B == 0 || A^3 == 27 * B, next));
    E = ellinit([A, 0, B, 0, 0]);
    M = ellminimalmodel(E);
    pairs++;
    listput(lines, Str("pair | ", A, " ", B, " | ", ellglobalred(E)[1], " | ", ellrootno(E),
                       " | ", vecText(M[1..5]))));
  my(f = fileopen(kOutput, "w"));
  filewrite(f, Str("# Curves of Cremona's tables in every form, and 32-bit pairs, from PARI/GP ", version()[1], ".", version()[2], ".", version()[3], "."));
  filewrite(f, "# Made by: gp -q -f tests/oracle/make_curve_fixture.gp (from the repository root)");
  filewrite(f, Str("# ", count3, " curves with a point of order 3 up to conductor ", kMaxConductor,
                   ", ", #lines, " lines; ", pairs, " pairs after setrand(", kSeed, ")."));
  filewrite(f, "# form | input | A B | u r s t | conductor | root number | reduced minimal model");
  filewrite(f, "# form | input | none   (no rational point of order 3)");
  filewrite(f, "# pair | A B | conductor | root number | reduced minimal model");
  for (i = 1, #lines, filewrite(f, lines[i]));
  fileclose(f);
}
quit;
