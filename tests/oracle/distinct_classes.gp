\\ The isomorphism classes of the curves y^2 + Axy + By = x^3 of a box, by
\\ brute force: two curves over Q are isomorphic exactly when their reduced
\\ minimal models (ellminimalmodel) are equal. Prints the first pair (A, B)
\\ of each class met in scan order (A outer, B inner, both increasing), one
\\ "A B" a line; singular pairs (B(A^3 - 27B) = 0) are no curves and are left
\\ out. Nothing of the pair's form is assumed: neither the sign nor the
\\ scaling.
distinctFirsts(amin, amax, bmin, bmax) =
{
  my(seen = Map(), key);
  for (a = amin, amax,
    for (b = bmin, bmax,
      if (b == 0 || a^3 == 27 * b, next);
      key = ellminimalmodel(ellinit([a, 0, b, 0, 0]))[1..5];
      if (!mapisdefined(seen, key), mapput(seen, key, 1); print(a, " ", b))));
}
