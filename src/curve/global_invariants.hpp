#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "arith/int256.hpp"
#include "curve/local_data.hpp"

namespace velrin {

/// Returns the number m of components of the special fibre of the Neron
/// model for a Kodaira symbol: I_n has n (I_0 one), II 1, III 2, IV 3,
/// I_n^* n + 5, IV^* 7.
int32_t componentCount(KodairaSymbol symbol);

/// Returns the exponent of the bad prime p = datum.prime in the conductor
/// of E: y^2 + A0 xy + B0 y = x^3, a model minimal at p, by Ogg's formula
/// f_p = v_p(Delta) - m_p + 1 with Delta = B0^3 (A0^3 - 27 B0) and m_p
/// from the Kodaira symbol; it holds at every prime, 2 and 3 included.
/// |A0|, |B0| <= 2^31, B0 != 0.
int32_t conductorExponentByOgg(int64_t a0, int64_t b0, const LocalDatum& datum);

/// The same, f_p, without the valuations where the reduction is tame: at
/// p >= 5 it is 1 for multiplicative and 2 for additive reduction; Ogg's
/// formula at 2 and 3. The same domain.
int32_t conductorExponent(int64_t a0, int64_t b0, const LocalDatum& datum);

/// Returns the conductor of E, the product of p^f_p over its bad primes;
/// it divides the minimal discriminant, below 2^187, so it is exact.
Int256 conductor(int64_t a0, int64_t b0, std::span<const LocalDatum> badPrimes);

/// Returns the conductor when it is below 2^53 (the largest integers that
/// records write as JSON numbers), else 0; in 128-bit arithmetic, stopping
/// as soon as a partial product reaches 2^53. The same domain.
uint64_t conductorBelow2To53(int64_t a0, int64_t b0, std::span<const LocalDatum> badPrimes);

/// Returns the reduced minimal model [a1, a2, a3, a4, a6] of E: y^2 + A0
/// xy + B0 y = x^3 (a global minimal model), the one of Cremona's tables
/// and of LMFDB: a1, a3 in {0, 1} and a2 in {-1, 0, 1}, reached by x = x'
/// + r, y = y' + s x' + t with integral r, s, t. |A0|, |B0| <= 2^31.
std::array<Int256, 5> reducedMinimalModel(int64_t a0, int64_t b0);

/// The largest |A0| for which reducedMinimalModelNarrow computes the model.
inline constexpr int64_t kNarrowA = int64_t{1} << 21U;

/// The same model in 128-bit arithmetic when |A0| <= kNarrowA (every
/// family of moderate A), else nullopt; |B0| <= 2^31.
std::optional<std::array<__int128_t, 5>> reducedMinimalModelNarrow(int64_t a0, int64_t b0);

/// Returns the global root number of E from the Selmer dimensions d1 of
/// Sel(E^/Q) and d2 of Sel(E/Q) under the true rules: (-1)^(d1 + d2 - 1)
/// by the 3-parity theorem (the parity of the 3-Selmer rank of E is that
/// of its analytic rank).
int32_t rootNumberFromSelmer(int32_t d1, int32_t d2);

}  // namespace velrin
