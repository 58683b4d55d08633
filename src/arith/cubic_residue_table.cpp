#include "arith/cubic_residue_table.hpp"

#include "arith/modular.hpp"

namespace velrin {

namespace {

bool isSmallPrime(uint32_t n) {
  if (n < 2) return false;
  for (uint32_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

// A primitive root modulo p: g^((p-1)/q) != 1 for every prime q | p - 1.
uint32_t primitiveRoot(uint32_t p) {
  for (uint32_t g = 2;; ++g) {
    bool primitive = true;
    uint32_t rest = p - 1;
    for (uint32_t q = 2; q <= rest && primitive; ++q) {
      if (rest % q != 0) continue;
      while (rest % q == 0) rest /= q;
      primitive = powMod(g, (p - 1) / q, p) != 1;
    }
    if (primitive) return g;
  }
}

}  // namespace

const CubicResidueTable& CubicResidueTable::instance() {
  static const CubicResidueTable table;
  return table;
}

CubicResidueTable::CubicResidueTable() {
  offsets_.fill(kNone);
  uint32_t size = 0;
  for (uint32_t p = 7; p < kBound; p += 6) {
    if (!isSmallPrime(p)) continue;
    offsets_[p] = size;
    size += p;
  }

  for (uint32_t p = 7; p < kBound; p += 6) {
    if (offsets_[p] == kNone) continue;
    // The character is a homomorphism onto Z/3: with a primitive root g,
    // the class of g^k is k times the class of g, which the exponentiation
    // numbers as CubicCharacter does. Walking the powers fills the table
    // in p steps.
    const uint32_t g = primitiveRoot(p);
    const uint32_t e = (p - 1) / 3;
    uint64_t omega = 1;
    for (uint64_t a = 2; omega == 1; ++a) omega = powMod(a, e, p);
    const int32_t classOfG = powMod(g, e, p) == omega ? 1 : 2;
    uint32_t x = 1;
    for (uint32_t k = 0; k < p - 1; ++k) {
      const auto value = static_cast<uint32_t>((static_cast<int32_t>(k % 3) * classOfG) % 3);
      const uint32_t at = offsets_[p] + x;
      bits_[at >> 2U] = static_cast<uint8_t>(bits_[at >> 2U] | (value << ((at & 3U) * 2U)));
      x = static_cast<uint32_t>(uint64_t{x} * g % p);
    }
  }
}

}  // namespace velrin
