#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "curve/local_data.hpp"

namespace velrin {

/// One node of a curve's list of bad primes. A node whose prime is 0 is
/// open; the list is always some bad-prime nodes followed by exactly one
/// open node, the open tail, which ends every walk over the list.
struct BadPrimeNode {
  BadPrimeNode();

  BadPrimeNode* next = nullptr;  ///< owning link to the rest of the list
  int32_t prime = 0;             ///< the bad prime p, or 0 in an open node
  std::string kodaira;           ///< Kodaira symbol of E at p, e.g. "I3", "IV^*"
  /// Names of the four possible images of E(Q_p) -> Q_p^*/Q_p^*3, indexed
  /// by imageKind: trivial, units times cubes, <B>, the whole group.
  std::array<std::string, 4> imageNames;
  LocalImage imageKind = LocalImage::kTrivial;  ///< the local image at p
  int32_t dimDelta = 0;                         ///< term of p in dim Sel(E/Q) - dim Sel(E^/Q)
};

/// Releases node and every node behind it, the last first; node != nullptr.
/// The caller clears the link that pointed to node.
void freeList(BadPrimeNode* node);

}  // namespace velrin
