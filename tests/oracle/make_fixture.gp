\\ Writes tests/oracle/pari_fixture.txt, the reference data that
\\ pari_oracle_test.cpp compares Velrin against.  Run from the repository root:
\\   gp -q -f tests/oracle/make_fixture.gp
\\ Every nonsingular (A, B) with |A|, |B| <= 40; kRandomCurves random medium
\\ curves (|A| <= 3000, |B| <= 10^6) from a fixed seed; then kFamilyCurves
\\ curves of each family of oracle_lib.gp from a second seed: 3 | A or 3 | B
\\ through every case of the reduction at 3, 27 | B (most not minimal at 3),
\\ a bad prime above 611951, and large coefficients.  Every curve has
\\ |A|, |B| < 2^31 and |B(A^3 - 27B)| < 2^63.

default(parisizemax, 2^31);  \\ ellrank grows the stack on some curves
read("tests/oracle/oracle_lib.gp");

kSmallBound = 40;
kRandomCurves = 3500;
kRandomSeed = 20261208;
kFamilyCurves = 1400;
kFamilySeed = 20261209;
kEffort = 0;
kAlarm = 3;  \\ seconds for ellrank on one curve
kOutput = "tests/oracle/pari_fixture.txt";
kFamilies = [oracleThreeCurve, oracleScaledCurve, oracleBigPrimeCurve, oracleLargeCurve];
kFamilyNames = ["3 | A or 3 | B", "27 | B", "bad prime > 611951", "large"];

{
  my(start = getabstime(), wall = getwalltime(), lines = List(), seen = Map(), cases = Map(),
     timeouts = 0, f);
  for (A = -kSmallBound, kSmallBound,
    for (B = -kSmallBound, kSmallBound,
      if (oracleNonsingular(A, B),
        mapput(seen, [A, B], 1);
        listput(lines, oracleLine(A, B, kEffort, kAlarm)))));

  \\ This list was first drawn with ellglobalred and ellrank(E, 0) run between
  \\ the draws, and both consume the random generator: they run here again in
  \\ that order so that the same curves come out, and that rank is the one
  \\ written.
  setrand(kRandomSeed);
  for (i = 1, kRandomCurves,
    my(c = oracleRandomCurve(3000, 10^6), E = ellinit([c[1], 0, c[2], 0, 0]), rk, state);
    ellglobalred(E);
    rk = ellrank(E, kEffort);
    state = getrand();
    mapput(seen, c, 1);
    listput(lines, Str(oracleReduction(c[1], c[2]), " | ", rk[1], " ", rk[2]));
    setrand(state));

  setrand(kFamilySeed);
  for (k = 1, #kFamilies,
    for (i = 0, kFamilyCurves - 1,
      my(c = kFamilies[k](i), label, s);
      while (mapisdefined(seen, c), c = kFamilies[k](i));
      mapput(seen, c, 1);
      label = oracleCaseAtThree(c[1], c[2]);
      mapput(cases, label, if (mapisdefined(cases, label), mapget(cases, label), 0) + 1);
      s = oracleLine(c[1], c[2], kEffort, kAlarm);
      if (#strsplit(s, "? ?") > 1, timeouts++);
      listput(lines, s)));

  my(secs = (getabstime() - start) \ 1000, v = version(), tally = Mat(cases), text = "");
  for (i = 1, #tally~, text = Str(text, if (i > 1, ", ", ""), tally[i, 1], ": ", tally[i, 2]));
  f = fileopen(kOutput, "w");
  filewrite(f, "# Reference data for E: y^2 + A*x*y + B*y = x^3 (a1 = A, a3 = B) from PARI/GP.");
  filewrite(f, "# Made by: gp -q -f tests/oracle/make_fixture.gp (from the repository root)");
  filewrite(f, Str("# PARI/GP ", v[1], ".", v[2], ".", v[3], "; ", #lines, " curves in ", secs,
                   " s of CPU time (", (getwalltime() - wall) \ 1000, " s wall)"));
  filewrite(f, Str("# Curves: all nonsingular |A|, |B| <= ", kSmallBound, ", then ", kRandomCurves,
                   " random with |A| <= 3000, 0 < |B| <= 10^6 after setrand(", kRandomSeed, "),"));
  filewrite(f, Str("#   then after setrand(", kFamilySeed, ") ", kFamilyCurves,
                   " of each family of oracle_lib.gp in turn: ", strjoin(kFamilyNames, "; ")));
  filewrite(f, Str("# Cases at 3 of the minimal model among the families (oracleCaseAtThree): ", text));
  filewrite(f, "# Line: A B | p:kod:cE:cEhat ... | vu vuhat | w | rlow rhigh");
  filewrite(f, "#   p: each prime of the conductor (ellglobalred); kod: the Kodaira type of the");
  filewrite(f, "#   minimal model at p; cE, cEhat: the Tamagawa numbers c_p of E and of");
  filewrite(f, "#   E^ = E/<(0,0)> (the curve of ellisogeny(E, [0, 0]));");
  filewrite(f, "#   vu, vuhat: v_3 of the scale u of ellglobalred's change of variables to the");
  filewrite(f, "#   minimal model, from E as typed and from the model of E^ that ellisogeny gives;");
  filewrite(f, "#   w: the root number ellrootno(E);");
  filewrite(f, Str("#   rlow rhigh: ellrank(E, ", kEffort, "), independent points found and the",
                   " 2-Selmer bound, or ? ? when it took"));
  filewrite(f, Str("#   more than ", kAlarm, " s (", timeouts, " curves)"));
  for (i = 1, #lines, filewrite(f, lines[i]));
  fileclose(f);
}
quit;
