#include "curve/bad_prime_node.hpp"

namespace velrin {

BadPrimeNode::BadPrimeNode()
    : imageNames{std::string(imageText(LocalImage::kTrivial)),
                 std::string(imageText(LocalImage::kUnits)),
                 std::string(imageText(LocalImage::kGeneratedByB)),
                 std::string(imageText(LocalImage::kWholeGroup))} {}

void freeList(BadPrimeNode* node) {
  // The list holds at most 15 bad primes and the open tail, so the
  // recursion is at most 16 calls deep.
  if (node->next != nullptr) freeList(node->next);
  delete node;
}

}  // namespace velrin
