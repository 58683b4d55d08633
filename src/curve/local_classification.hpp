#pragma once

#include <cstdint>

#include "curve/local_data.hpp"
#include "curve/minimal_model.hpp"

namespace velrin {

/// The local data of E: y^2 + A0 xy + B0 y = x^3 at a prime p, by the rules
/// that hold on a minimal model at every prime, 3 included (Tate's
/// algorithm run on this family). The result's prime is p when E has bad
/// reduction at p and 0 when it has good reduction; p is any prime below
/// 2^127.
LocalDatum classifyMinimal(const MinimalModel& model, __uint128_t p);

/// The same at a prime p != 3 of which the caller knows, from the
/// factorisations of B0 and F0 = A0^3 - 27 B0, whether it divides each (at
/// least one of them): p | B0 alone means p does not divide A0 (else p |
/// F0), p | F0 alone the same (else p | 27 B0), and both mean p | A0, so
/// one valuation decides, without testing A0. The result is that of
/// classifyMinimal(model, p).
LocalDatum classifyMinimal(const MinimalModel& model, __uint128_t p, bool dividesB, bool dividesF);

/// The same from the valuations vB = v_p(B0) and vF = v_p(F0) >= 0, at
/// least one positive, which the caller knows from its factorisations (a
/// row sieve's exponents): no division at all. The result is that of
/// classifyMinimal(model, p).
LocalDatum classifyMinimalFromValuations(const MinimalModel& model, __uint128_t p, int32_t vB,
                                         int32_t vF);

/// The local data at p by the original program's rules: the model as
/// typed, split by u = p^vA or p^(vB/3), with the finer steps at 3 read
/// from F/u. The result's prime is p at a bad prime and 0 where the scaled
/// model has good reduction (Kodaira "I0", units, term 0). p is a prime of
/// the table dividing B(A^3 - 27B), which fits in 64 bits.
LocalDatum classifyClassic(int64_t a, int64_t b, int32_t p);

}  // namespace velrin
