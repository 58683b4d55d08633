\\ Writes tests/oracle/pari_fixture_32bit.txt: curves whose coefficients use
\\ the whole signed 32-bit range, where B(A^3 - 27B) needs up to 126 bits.
\\ Run from the repository root:
\\   gp -q -f tests/oracle/make_fixture_32bit.gp
\\ kWideCurves pairs drawn uniformly from [-2^31, 2^31)^2, then kHardCurves
\\ constructed ones (oracleHardCurve, five kinds round-robin): A^3 - 27B
\\ prime; A^3 - 27B the product of two primes of about 47 bits; B = -2^31
\\ or +-(2^31 - 1); A = -2^31 or 2^31 - 1; A^3 - 27B small.
\\ ellrank gets kAlarm seconds where |B(A^3 - 27B)| < 2^kOracleRankBits and
\\ every kRankSample-th curve above that; on the rest it is not run (? ?).

default(parisizemax, 2^31);
read("tests/oracle/oracle_lib.gp");

kWideCurves = 2000;
kHardCurves = 550;
kSeed = 20261210;
kEffort = 0;
kAlarm = 2;
kRankSample = 6;
kOutput = "tests/oracle/pari_fixture_32bit.txt";

{
  my(start = getabstime(), wall = getwalltime(), lines = List(), seen = Map(), curves = List(),
     tried = 0, finished = 0, above = 0, f);
  setrand(kSeed);
  for (i = 1, kWideCurves + kHardCurves,
    my(c = if (i <= kWideCurves, oracleWideCurve(), oracleHardCurve(i - kWideCurves - 1)));
    while (mapisdefined(seen, c),
      c = if (i <= kWideCurves, oracleWideCurve(), oracleHardCurve(i - kWideCurves - 1)));
    mapput(seen, c, 1);
    listput(curves, c));

  for (i = 1, #curves,
    my(A = curves[i][1], B = curves[i][2], attempt = oracleRankLikely(A, B), s);
    if (!attempt, above++; attempt = above % kRankSample == 1);
    s = oracleLineIf(A, B, kEffort, kAlarm, attempt);
    tried += attempt;
    if (attempt && #strsplit(s, "? ?") == 1, finished++);
    listput(lines, s));

  my(secs = (getabstime() - start) \ 1000, v = version());
  f = fileopen(kOutput, "w");
  filewrite(f, "# Reference data for E: y^2 + A*x*y + B*y = x^3 (a1 = A, a3 = B) from PARI/GP,");
  filewrite(f, "# coefficients from the whole signed 32-bit range.");
  filewrite(f, "# Made by: gp -q -f tests/oracle/make_fixture_32bit.gp (from the repository root)");
  filewrite(f, Str("# PARI/GP ", v[1], ".", v[2], ".", v[3], "; ", #lines, " curves in ", secs,
                   " s of CPU time (", (getwalltime() - wall) \ 1000, " s wall)"));
  filewrite(f, Str("# Curves, after setrand(", kSeed, "): ", kWideCurves,
                   " uniform in [-2^31, 2^31)^2, then ", kHardCurves,
                   " constructed, round-robin over five kinds:"));
  filewrite(f, "#   A^3 - 27B prime; A^3 - 27B = p*q with p, q primes of about 47 bits;");
  filewrite(f, "#   B = -2^31 or +-(2^31 - 1); A = -2^31 or 2^31 - 1; |A^3 - 27B| <= 2^16.");
  filewrite(f, "# Line: A B | p:kod:cE:cEhat ... | vu vuhat | w | rlow rhigh, as in pari_fixture.txt.");
  filewrite(f, Str("#   ellrank(E, ", kEffort, ") ran with a limit of ", kAlarm,
                   " s where |B(A^3 - 27B)| < 2^", kOracleRankBits, " and on one in ",
                   kRankSample, " curves above that"));
  filewrite(f, Str("#   (", above, " curves): tried on ", tried, ", finished on ", finished,
                   "; ? ? elsewhere."));
  for (i = 1, #lines, filewrite(f, lines[i]));
  fileclose(f);
}
quit;
