#include "dialogue/dialogue.hpp"

#include <optional>

#include "dialogue/parse_coefficient.hpp"
#include "render/text_report.hpp"

namespace velrin {

namespace {

// One buffer serves every read, as fgets with 256 bytes would.
constexpr int kLineBufferSize = 256;

// Asks for one coefficient until the line gives a value in range; nothing
// at the end of input.
std::optional<int32_t> readCoefficient(const char* prompt, LineReader& in, char* line,
                                       std::FILE* out) {
  for (;;) {
    std::fputs(prompt, out);
    if (!in.readLine(line, kLineBufferSize)) return std::nullopt;
    if (const std::optional<int32_t> value = parseCoefficient(line)) return value;
    std::fputs("The coefficient must lie between -2147483648 and 2147483647.\n", out);
  }
}

// Asks the quit question until the first non-blank character of an answer
// is y or n; nothing at the end of input.
std::optional<char> readAnswer(LineReader& in, char* line, std::FILE* out) {
  for (;;) {
    std::fputs("Quit? (y/n) >", out);
    if (!in.readLine(line, kLineBufferSize)) return std::nullopt;
    const char* c = line;
    while (*c == ' ') ++c;
    if (*c == 'y' || *c == 'n') return *c;
  }
}

}  // namespace

int runDialogue(LineReader& in, std::FILE* out, Rules rules) {
  char line[kLineBufferSize] = {};
  OutputBuffer report;  // one pass's report, rendered and then written
  std::fputs(
      "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n",
      out);
  // Output that cannot be written ends the run: nobody sees the prompts.
  for (char answer = 'n'; answer == 'n' && std::ferror(out) == 0;) {
    std::fputs("\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\n", out);
    const std::optional<int32_t> a = readCoefficient("A=", in, line, out);
    const std::optional<int32_t> b = a ? readCoefficient("B=", in, line, out) : std::nullopt;
    if (b) {
      report.clear();
      writeTextReport(analyzeCurve(*a, *b, rules), report);
      std::fwrite(report.data(), 1, report.size(), out);
    }
    const std::optional<char> reply = b ? readAnswer(in, line, out) : std::nullopt;
    if (!reply) {
      // End of input ends the run as the answer y would, on a fresh line.
      std::fputs("\n", out);
      break;
    }
    answer = *reply;
  }
  std::fflush(out);
  return std::ferror(out) != 0 ? 1 : 0;
}

}  // namespace velrin
