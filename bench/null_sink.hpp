#pragma once

#include <cstdio>

namespace velrin {

/// /dev/null as a FILE*, for passes whose report is timed, not read.
class Sink {
 public:
  Sink() : file_(std::fopen("/dev/null", "w")) {}
  ~Sink() { std::fclose(file_); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

}  // namespace velrin
