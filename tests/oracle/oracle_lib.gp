\\ Shared by make_fixture.gp and the live oracle test: one line of reference
\\ data for the curve E: y^2 + A*x*y + B*y = x^3, i.e. a1 = A, a3 = B.
\\ Its discriminant is B^3 * (A^3 - 27*B).

oracleNonsingular(A, B) = B != 0 && A^3 != 27 * B;

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

\\ "A B | p:kod p:kod ... | rlow rhigh": the primes of the conductor with the
\\ Kodaira type of the minimal model there (Tate's algorithm does not depend
\\ on the model typed), then ellrank's bounds: rlow is the number of
\\ independent points it found, rhigh its 2-Selmer bound.
oracleLine(A, B, effort) =
{
  my(E = ellinit([A, 0, B, 0, 0]), red = ellglobalred(E), fa = red[4],
     loc = red[5], s = Str(A, " ", B, " |"), rk);
  for (i = 1, #loc, s = Str(s, " ", fa[i, 1], ":", oracleKodaira(loc[i][2])));
  rk = ellrank(E, effort);
  Str(s, " | ", rk[1], " ", rk[2]);
}

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
