#pragma once

#include <cstdio>
#include <string>

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

}  // namespace velrin
