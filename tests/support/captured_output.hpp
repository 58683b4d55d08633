#pragma once

// The program's printed output, caught in memory for comparison with an
// expected text.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "curve/curve.hpp"

namespace velrin {

/// A FILE* whose writes land in memory, for tests that read what a unit
/// printed.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  std::FILE* stream() { return stream_; }

  /// Everything written so far.
  std::string text();

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* stream_;
};

/// One pass of the program on (A, B) as the dialogue runs it: line [1] (or
/// the singular message), any factorisation warnings, then lines [2] to [4]
/// when setCoefficients returns 1.
std::string reportOf(int32_t A, int32_t B, Paths paths);

/// The whole transcript of runDialogue fed with input from memory.
std::string dialogueOf(std::string_view input, Paths paths);

}  // namespace velrin
