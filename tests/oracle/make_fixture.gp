\\ Writes tests/oracle/pari_fixture.txt, the reference data that
\\ pari_oracle_test.cpp compares Velrin against.  Run from the repository root:
\\   gp -q -f tests/oracle/make_fixture.gp
\\ Every nonsingular (A, B) with |A|, |B| <= 40, then kRandomCurves random
\\ medium curves (|A| <= 3000, |B| <= 10^6) from a fixed seed.

default(parisizemax, 2^31);  \\ ellrank grows the stack on some medium curves
read("tests/oracle/oracle_lib.gp");

kSmallBound = 40;
kRandomCurves = 3500;
kRandomSeed = 20261208;
kEffort = 0;
kOutput = "tests/oracle/pari_fixture.txt";

{
  my(start = getabstime(), lines = List(), f);
  for (A = -kSmallBound, kSmallBound,
    for (B = -kSmallBound, kSmallBound,
      if (oracleNonsingular(A, B), listput(lines, oracleLine(A, B, kEffort)))));
  setrand(kRandomSeed);
  for (i = 1, kRandomCurves,
    my(c = oracleRandomCurve(3000, 10^6));
    listput(lines, oracleLine(c[1], c[2], kEffort)));
  my(secs = (getabstime() - start) \ 1000, v = version());
  f = fileopen(kOutput, "w");
  filewrite(f, "# Reference data for E: y^2 + A*x*y + B*y = x^3 (a1 = A, a3 = B) from PARI/GP.");
  filewrite(f, "# Made by: gp -q -f tests/oracle/make_fixture.gp (from the repository root)");
  filewrite(f, Str("# PARI/GP ", v[1], ".", v[2], ".", v[3], "; ", #lines, " curves in ", secs, " s of CPU time"));
  filewrite(f, Str("# Curves: all nonsingular |A|, |B| <= ", kSmallBound, ", then ", kRandomCurves,
                   " random with |A| <= 3000, 0 < |B| <= 10^6 after setrand(", kRandomSeed, ")"));
  filewrite(f, "# Line: A B | p:kodaira for each prime p of the conductor (ellglobalred, elllocalred)");
  filewrite(f, Str("#       | rlow rhigh, the rank bounds of ellrank(E, ", kEffort,
                   "): independent points found, 2-Selmer bound"));
  for (i = 1, #lines, filewrite(f, lines[i]));
  fileclose(f);
}
quit;
