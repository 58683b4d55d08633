\\ Curves of Cremona's tables (pari-elldata) in Velrin's form
\\ y^2 + Axy + By = x^3, with their rational point of order 3 at (0,0).
\\
\\ toAB(E): E an ellinit with a rational point of order 3. Returns
\\ [A, B, [u, r, s, t]] where [u, r, s, t] takes E to y^2 + Axy + By = x^3
\\ (ellchangecurve(E, [u,r,s,t]) has a-invariants [A,0,B,0,0]), A and B are
\\ integers, u is the largest scale that keeps them integral (no d > 1
\\ with d | A and d^3 | B), and B > 0. Returns 0 when E has no rational
\\ point of order 3.

threeTorsionPoint(E) =
{
  my(tors = elltors(E), g, n);
  for (i = 1, #tors[2],
    n = tors[2][i];
    if (n % 3 == 0, return(ellmul(E, tors[3][i], n / 3))));
  0;
}

toAB(E) =
{
  my(P = threeTorsionPoint(E), F, s, A, B, k, d, v = [1, 0, 0, 0], w);
  if (P === 0, return(0));
  \\ (0,0) the point of order 3; then the tangent there, a flex, becomes
  \\ y = 0, which clears a4 and with it a2.
  v = [1, P[1], 0, P[2]];
  F = ellchangecurve(E, v);
  s = F.a4 / F.a3;
  w = [1, 0, s, 0];
  F = ellchangecurve(F, w);
  v = ellchangepointinv_compose(v, w);
  if (F.a2 != 0 || F.a4 != 0 || F.a6 != 0, error("toAB: not a flex at (0,0)"));
  \\ Scale y^2 + a1 xy + a3 y = x^3 by u = 1/k: A = k a1, B = k^3 a3.
  k = lcm(denominator(F.a1), 1);
  while (denominator(k^3 * F.a3) != 1 || denominator(k * F.a1) != 1, k++);
  A = k * F.a1; B = k^3 * F.a3;
  \\ The largest d with d | A and d^3 | B divides B's cube part.
  d = 1;
  fordiv (core(B, 1)[2], e,
    if (A % e == 0 && B % e^3 == 0 && e > d, d = e));
  k = k / d; A = A / d; B = B / d^3;
  if (B < 0, A = -A; B = -B; k = -k);
  w = [1 / k, 0, 0, 0];
  v = ellchangepointinv_compose(v, w);
  [A, B, v];
}

\\ The composition of the changes of variables v then w, as one [u,r,s,t].
ellchangepointinv_compose(v, w) =
{
  my(u = v[1] * w[1], r = v[2] + v[1]^2 * w[2], s = v[3] + v[1] * w[3],
     t = v[4] + v[1]^2 * v[3] * w[2] + v[1]^3 * w[4]);
  [u, r, s, t];
}
