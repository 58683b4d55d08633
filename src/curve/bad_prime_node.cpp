#include "curve/bad_prime_node.hpp"

namespace velrin {

BadPrimeNode::BadPrimeNode()
    : imageNames{"{e}", "Zp^{*}Qp^*3/Qp^{*3}", "<BQp^{*3}>", "Qp^{*}/Qp^{*3}"} {}

void freeList(BadPrimeNode* node) {
  // The list holds at most 15 bad primes and the open tail, so the
  // recursion is at most 16 calls deep.
  if (node->next != nullptr) freeList(node->next);
  delete node;
}

}  // namespace velrin
