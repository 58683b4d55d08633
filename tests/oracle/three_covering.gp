\\ The second descent tried in gp before it was built (second_descent.cpp):
\\ the 3-coverings D_delta of a cover C_m of y^2 + A0 xy + B0 y = x^3,
\\   f = a U^3 + b V^3 + c UVW + d W^3, a = m1 m2^2, b = -m1^2 m2, c = A0 m1 m2, d = B0,
\\ through the tangent t = c U + 3 b beta V - 3 b beta^2 W at the flex (0 : beta : 1)
\\ over T (N(t) = kappa U^3 - 27 b d f, kappa = c^3 + 27 a b d), with delta in the
\\ S-units of L = Q(beta) modulo cubes and Q*, of norm kappa times a cube, and a
\\ brute-force search of each D_delta. Library functions only (bnfinit,
\\ bnfsunit, bnfissunit, idealfactor, qflllgram); no descent routine.
\\   tc(A0, B0, m1, m2, H): the points of C_m from the D_delta with |z1|, |z2| <= H;
\\   with DBGT set to t at a known point, prints its z on each D_delta (the
\\   size a search must reach). test(A, B, H) takes ellrank's points (oracle
\\   only) and runs tc on each one's class.
\\ Usage: gp -q tests/oracle/three_covering.gp (runs the example (69, 82229)).
DBGT=0;
\\ f = a U^3 + b V^3 + c UVW + d W^3
cubefree(n) = my(f = factor(abs(n)), r = sign(n), k = 1); for (i = 1, #f~, r *= f[i,1]^(f[i,2] % 3); k *= f[i,1]^(f[i,2] \ 3)); [r, k];
tc(A0, B0, m1, m2, H) =
{
  my(a = m1*m2^2, b = -m1^2*m2, c = A0*m1*m2, d = B0);
  my(kap = c^3 + 27*a*b*d, n = -d*b^2, nk = cubefree(n), np = nk[1], k = nk[2]);
  if (abs(np) == 1, return([]));
  my(bnf = bnfinit(x^3 - np, 1), nf = bnf.nf);
  my(P = factor(abs(3*B0*m1*m2*(A0^3 - 27*B0)))[,1], S = []);
  for (i = 1, #P, S = concat(S, idealprimedec(nf, P[i])));
  my(su = bnfsunit(bnf, S), gens = concat(Vec(bnf.fu), Vec(su[1])));
  gens = apply(g -> nfbasistoalg(nf, g), gens);
  \\ exponent vectors of rational primes in gens
  my(ng = #gens, W = matrix(ng, 0));
  for (i = 1, #P, my(e = bnfissunit(bnf, su, P[i])); \\ [units..., torsion, sunits...]
     my(v = concat(Vec(e)[1..#bnf.fu], Vec(e)[#bnf.fu+2..#e]));
     W = concat(W, Mod(v~, 3)));
  my(img = matimage(W), deltas = List(), ker = matker(img~));
  \\ representatives of F_3^ng / img: complement basis
  my(C = matsupplement(img), free = C[, #img+1..ng]);
  forvec(e = vector(#free, i, [0, 2]),
    my(ev = lift(free * Mod(e~, 3)), del = prod(i = 1, ng, gens[i]^ev[i]));
    my(r = norm(Mod(del, x^3 - np)) / kap, s);
    if (ispower(r, 3, &s), listput(deltas, [del, s])));
  print("  field disc ", nf.disc, " h ", bnf.no, " #S=", #S, " gens ", ng, " free ", #free, " deltas ", #deltas);
  my(found = List());
  for (j = 1, #deltas,
    my(del = deltas[j][1], s = deltas[j][2]);
    \\ lattice: ideal I with v_p(I) = ceil(-v_p(delta)/3)
    my(fa = idealfactor(nf, del), I = 1);
    for (i = 1, #fa~, I = idealmul(nf, I, idealpow(nf, fa[i,1], -floor(fa[i,2]/3))));
    my(Bm = vector(3, i, nfbasistoalg(nf, I[,i])));
    \\ Gram of weighted trace form over 3 embeddings (1 real + complex pair),
    \\ at 6 (b + t) + 128 bits, b delta's largest coordinate's bits, 2^t > |theta|:
    \\ enough for delta's smallest embedding, which nf.roots' precision loses
    \\ where the regulator is large (then delta has thousands of digits).
    my(bits = vecmax(apply(q -> if (q == 0, 0, exponent(numerator(q)) + exponent(denominator(q)) + 2), Vec(lift(del)))));
    localbitprec(6 * (bits + exponent(np) \ 3 + 2) + 128);
    my(th = if (np > 0, sqrtn(np, 3), -sqrtn(-np, 3)), emb = [th, th * (-1 + sqrt(-3)) / 2]);
    my(wts = vector(#emb, i, abs(subst(lift(del), x, emb[i]))^(2/3)));
    my(G = matrix(3, 3, i, l, sum(r = 1, #emb, my(e = emb[r], t = wts[r] * subst(lift(Bm[i]), x, e) * conj(subst(lift(Bm[l]), x, e))); if (r == 1, real(t), 2*real(t)))));
    my(Uu = qflllgram(G), om = vector(3, i, sum(l = 1, 3, Uu[l, i] * Bm[l])));
    if (DBGT, forvec(ee = vector(#P, i, [0,2]), my(rr = nfroots(nf, varhigher("w")^3 - Mod(lift(DBGT), nf.pol)/del/prod(i=1,#P,P[i]^ee[i])));
       if (#rr, my(gg = rr[1]); print("   delta ", j, " z ", my(zz = matsolve(matrix(3,3,r,q,nfalgtobasis(nf,om[q])[r]), nfalgtobasis(nf, gg))); zz/content(zz), " lambda ", ee))));
    my(g = om[1]*z0 + om[2]*z1 + om[3]*z2, t = lift(Mod(del,x^3-np) * g^3));
    my(e0 = polcoef(t, 0, x), e1 = polcoef(t, 1, x), e2 = polcoef(t, 2, x));
    my(ng3 = norm(Mod(g, x^3 - np)));
    my(c1 = e1*b/k, c2 = e2*b^2/k^2);
    my(F = if (c == 0, e0, e0 - c*s*ng3), Ucoord = if (c == 0, s*ng3, e0/c));
    F = F / content(F);
    if (DBGT && j == 2, my(zz=[487,64,-103]); print("   F(z) = ", substvec(F,[z0,z1,z2],zz), " UVW ", substvec([Ucoord, c1/(3*b), -c2/(3*b)],[z0,z1,z2],zz), " F = ", F));
    for (y1 = -H, H, for (y2 = -H, H,
       my(q = substvec(F, [z1, z2], [y1, y2]));
       if (q == 0, next);
       my(rs = nfroots(, q));
       for (i = 1, #rs, my(y0 = rs[i]);
         my(UVW = substvec([Ucoord, c1/(3*b), -c2/(3*b)], [z0, z1, z2], [y0, y1, y2]));
         if (UVW == [0,0,0], next);
         UVW = UVW / content(UVW);
         if (a*UVW[1]^3 + b*UVW[2]^3 + c*UVW[1]*UVW[2]*UVW[3] + d*UVW[3]^3 != 0, error("not on C"));
         listput(found, [j, [y0, y1, y2], UVW])))));
  Vec(found);
}
mclass(y) = my(f = factor(abs(y)), m1 = 1, m2 = 1); for (i = 1, #f~, if (f[i,2] % 3 == 1, m1 *= f[i,1]); if (f[i,2] % 3 == 2, m2 *= f[i,1])); [m1, m2];
test(A, B, H) =
{
  my(E = ellinit([A, 0, B, 0, 0]), r = ellrank(E));
  print([A, B], " rank ", r[1..2], " pts ", r[4], " h ", apply(p -> ellheight(E, p), r[4]));
  my(P = r[4]);
  for (i = 1, #P, my(y = P[i][2], mm = mclass(numerator(y)*denominator(y)^2));
    print(" m = ", mm);
    my(T = gettime(), f = tc(A, B, mm[1], mm[2], H));
    print("  found ", #f, " in ", gettime() - T, " ms: ", if (#f, f[1..min(3,#f)], [])));
}
test(69, 82229, 6);
