\\ Writes tests/oracle/rank_fixture.txt, the reference for the rank search
\\ (rank_search_test.cpp).  Run from the repository root:
\\   gp -q -f tests/oracle/make_rank_fixture.gp
\\ Two parts, each line one curve y^2 + Axy + By = x^3:
\\   "C label A B rank x1 y1 x2 y2 ...": curves of Cremona's tables
\\   (pari-elldata) with a rational point of order 3, in the order of
\\   their conductors, taken to the (A, B) model by toAB, with their rank
\\   and their generators moved to that model; 32-bit A and B only;
\\   then the same for the curves of rank 2 and 3 among the pairs |A| <= kBoxA,
\\   1 <= B <= kBoxB whose conductor is in the tables (ellidentify; the
\\   generators moved from the table's model), which brings curves of rank 3;
\\   "R A B rlow rhigh n h": kRandomCurves random nonsingular pairs with
\\   |A| <= 1000, 1 <= B <= 10^5 from a fixed seed, with ellrank's bounds,
\\   the number n of independent points it found (rlow may exceed n: its
\\   lower bound also counts what the parity of the 2-Selmer rank forces)
\\   and the largest canonical height among them, rounded (0 for none);
\\   "? ? ? ?" where it did not finish in kAlarm seconds.

default(parisizemax, 2^31);
read("tests/oracle/cremona_lib.gp");

kCremonaCurves = 3000;
kRandomCurves = 2000;
kRandomSeed = 20261210;
kAlarm = 5;
kOutput = "tests/oracle/rank_fixture.txt";
kLimit = 2^31;
kBoxA = 30;
kBoxB = 100;
kTablesEnd = 500000;  \\ pari-elldata's conductors are below this

{
  my(start = getabstime(), lines = List(), count = 0, N = 1, ranks = vector(6));
  while (count < kCremonaCurves,
    foreach (ellsearch(N), entry,
      my(E = ellinit(entry[2]), t = toAB(E), gens = entry[3], line, P);
      if (t === 0 || count >= kCremonaCurves, next);
      if (abs(t[1]) >= kLimit || abs(t[2]) >= kLimit, next);
      line = Str("C ", entry[1], " ", t[1], " ", t[2], " ", #gens);
      for (i = 1, #gens,
        P = ellchangepoint(gens[i], t[3]);
        if (!ellisoncurve(ellinit([t[1], 0, t[2], 0, 0]), P), error("toAB: generator off the curve"));
        line = Str(line, " ", P[1], " ", P[2]));
      listput(lines, line);
      ranks[#gens + 1]++;
      count++);
    N++);
  print("Cremona: ", count, " curves of conductor < ", N, ", by rank ", ranks);
  my(seen = Map(), boxRanks = vector(6));
  foreach (lines, l, my(w = strsplit(l, " ")); mapput(seen, [eval(w[3]), eval(w[4])], 1));
  for (A = -kBoxA, kBoxA,
    for (B = 1, kBoxB,
      my(E, id, gens, line, P);
      if (A^3 == 27 * B || mapisdefined(seen, [A, B]), next);
      E = ellinit([A, 0, B, 0, 0]);
      if (ellglobalred(E)[1] >= kTablesEnd, next);
      id = ellidentify(E);
      gens = id[1][3];
      if (#gens < 2, next);
      line = Str("C ", id[1][1], " ", A, " ", B, " ", #gens);
      for (i = 1, #gens,
        P = ellchangepointinv(gens[i], id[2]);
        if (!ellisoncurve(E, P), error("ellidentify: generator off the curve"));
        line = Str(line, " ", P[1], " ", P[2]));
      listput(lines, line);
      boxRanks[#gens + 1]++));
  print("Cremona, |A| <= ", kBoxA, ", 1 <= B <= ", kBoxB, ": by rank ", boxRanks);
  setrand(kRandomSeed);
  count = 0;
  while (count < kRandomCurves,
    my(A = random(2001) - 1000, B = random(100000) + 1, E, r);
    if (A^3 == 27 * B, next);
    E = ellinit([A, 0, B, 0, 0]);
    r = iferr(alarm(kAlarm, ellrank(E)), err, 0);
    if (r === 0,
      listput(lines, Str("R ", A, " ", B, " ? ? ? ?")),
      my(h = 0);
      for (i = 1, #r[4], h = max(h, ellheight(E, r[4][i])));
      listput(lines, Str("R ", A, " ", B, " ", r[1], " ", r[2], " ", #r[4], " ", round(h))));
    count++);
  my(f = fileopen(kOutput, "w"));
  filewrite(f, Str("# Reference data for the rank search, made by gp -q -f tests/oracle/make_rank_fixture.gp"));
  filewrite(f, Str("# PARI/GP ", version()[1], ".", version()[2], ".", version()[3], "; ", #lines, " curves in ",
                   round((getabstime() - start) / 1000), " s of CPU time"));
  for (i = 1, #lines, filewrite(f, lines[i]));
  fileclose(f);
}
quit;
