#pragma once

#include <pari/pari.h>

#include <string>

namespace velrin {

/// The PARI integer of n, on the PARI stack of the calling thread.
GEN pariInteger(__int128_t n);

/// A t_INT or t_FRAC in decimal, "n" or "n/d"; itostr writes on the PARI
/// stack.
std::string pariDecimal(GEN x);

}  // namespace velrin
