\\ Writes tests/arith/prime_factors_gp.txt, the expectations of the
\\ differential test of primeFactors: one line "n p1 p2 ..." per number,
\\ the distinct primes of n in increasing order as PARI/GP's factor finds
\\ them, each checked by isprime (a proof). Run from the repository root:
\\   gp -q -f tests/arith/make_prime_factor_table.gp
\\ 200 random 90-bit numbers, 50 products of two random primes of 40 to 46
\\ bits (the quadratic sieve's case), and 50 of a random 60-bit number with
\\ a random prime of 25 to 30 bits (rho's case).
setrand(20261209);
out = "tests/arith/prime_factors_gp.txt";
line(n) = {
  my(f = factor(n)[,1], s = Str(n));
  for (i = 1, #f, if (!isprime(f[i]), error("not proven: ", f[i])); s = Str(s, " ", f[i]));
  write(out, s);
};
system(Str("rm -f ", out));
for (i = 1, 200, line(2^89 + random(2^89)));
for (i = 1, 50, line(randomprime([2^39, 2^46]) * randomprime([2^39, 2^46])));
for (i = 1, 50, line((2^59 + random(2^59)) * randomprime([2^24, 2^30])));
