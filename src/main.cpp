#include <unistd.h>

#include <cstdio>

#include "dialogue/dialogue.hpp"

int main() {
  velrin::LineReader in(STDIN_FILENO, stdout);
  return velrin::runDialogue(in, stdout);
}
