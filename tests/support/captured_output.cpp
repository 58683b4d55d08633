#include "support/captured_output.hpp"

#include <cstdlib>

namespace velrin {

CapturedOutput::CapturedOutput() : stream_(open_memstream(&buffer_, &size_)) {}

CapturedOutput::~CapturedOutput() {
  std::fclose(stream_);
  std::free(buffer_);
}

std::string CapturedOutput::text() {
  std::fflush(stream_);
  return std::string(buffer_, size_);
}

}  // namespace velrin
