#include "support/captured_output.hpp"

#include <cstdlib>

#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"

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

std::string reportOf(int32_t A, int32_t B, Paths paths) {
  CapturedOutput out;
  Curve curve(out.stream(), paths);
  if (curve.setCoefficients(A, B) != 0) curve.printReport();
  return out.text();
}

std::string dialogueOf(std::string_view input, Paths paths) {
  CapturedOutput out;
  LineReader in(input);
  runDialogue(in, out.stream(), paths);
  return out.text();
}

}  // namespace velrin
