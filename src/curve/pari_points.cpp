#include "curve/pari_points.hpp"

#include <pari/pari.h>

#include "arith/pari_factor.hpp"

namespace velrin {

namespace {

GEN fromWide(__int128_t n) {
  const bool negative = n < 0;
  const __uint128_t magnitude =
      negative ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
  GEN value = uutoi(static_cast<ulong>(magnitude >> 64U), static_cast<ulong>(magnitude));
  return negative ? negi(value) : value;
}

// A t_INT or t_FRAC in decimal; itostr writes on the PARI stack.
std::string decimal(GEN x) {
  if (typ(x) == t_FRAC) return std::string(itostr(gel(x, 1))) + "/" + itostr(gel(x, 2));
  return itostr(x);
}

}  // namespace

bool pariSmallPoints(const std::array<__int128_t, 5>& ainvs, int64_t height,
                     std::vector<std::pair<std::string, std::string>>& points) {
  enterPariThread();
  const pari_sp top = avma;
  // Written inside the setjmp context and read after a possible longjmp.
  volatile bool ok = false;
  pari_CATCH(CATCH_ALL) { ok = false; }
  pari_TRY {
    GEN coefficients = cgetg(6, t_VEC);
    for (long i = 0; i < 5; ++i) gel(coefficients, i + 1) = fromWide(ainvs[static_cast<size_t>(i)]);
    GEN curve = ellinit(coefficients, nullptr, DEFAULTPREC);
    GEN change = nullptr;
    GEN minimal = ellminimalmodel(curve, &change);
    GEN found = ellratpoints(minimal, stoi(static_cast<long>(height)), 0);
    found = ellchangepointinv(found, change);
    for (long i = 1; i < lg(found); ++i) {
      GEN point = gel(found, i);
      if (lg(point) < 3) continue;  // the point at infinity
      points.emplace_back(decimal(gel(point, 1)), decimal(gel(point, 2)));
    }
    ok = true;
  }
  pari_ENDCATCH;
  set_avma(top);
  return ok;
}

}  // namespace velrin
