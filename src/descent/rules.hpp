#pragma once

#include <cstdint>

namespace velrin {

/// Which local rules the analysis follows.
/// kTrue: the local data of the minimal model at every prime of bad
/// reduction, whatever its size, 3 included; every report is a theorem.
/// kClassic: the original program's rules (the model as typed, the primes
/// of the table up to 611951, the seeds 3 and 9 for a good prime 3), with
/// exact arithmetic, reproduced byte for byte for comparison with it.
/// Both run the same stages; each rule set has its own classification at a
/// prime (classifyMinimal, classifyClassic), and the local conditions
/// differ only at 3 for the image <B>.
enum class Rules : uint8_t { kTrue, kClassic };

}  // namespace velrin
