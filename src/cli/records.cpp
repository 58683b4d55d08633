#include "cli/records.hpp"

#include <stdio.h>  // fopencookie, a glibc stream over callbacks

#include "cli/message_text.hpp"
#include "curve/global_invariants.hpp"
#include "dialogue/text_report.hpp"

namespace velrin::cli {

namespace {

std::string_view statusKey(CurveStatus status) {
  switch (status) {
    case CurveStatus::kSingular:
      return "singular";
    case CurveStatus::kTooLarge:
      return "too_large";
    case CurveStatus::kAnalysed:
      break;
  }
  return "analysed";
}

// The a-invariants [a1, a2, a3, a4, a6] of y^2 + Axy + By = x^3 as typed,
// the form in which gp's ellinit and Sage's EllipticCurve take a curve.
void appendInvariants(const CurveAnalysis& analysis, OutputBuffer& out) {
  out.append('[');
  out.appendInt(analysis.a);
  out.append(",0,");
  out.appendInt(analysis.b);
  out.append(",0,0]");
}

// The invariants of the curve itself (its conductor, root number and
// minimal model) are written under the true rules, whose bad primes and
// Kodaira symbols are those of the minimal model; the classic rules do not
// determine them.
bool knowsCurve(const CurveAnalysis& analysis) {
  return analysis.rules == Rules::kTrue && analysis.status == CurveStatus::kAnalysed;
}

int64_t minimalA(const CurveAnalysis& analysis) { return analysis.a / analysis.scale; }

int64_t minimalB(const CurveAnalysis& analysis) {
  const int64_t u = analysis.scale;  // u^3 divides B, so u <= 1290
  return analysis.b / (u * u * u);
}

// The decimal digits of any 128-bit value, with a minus sign when negative.
void appendDecimal(__int128_t value, OutputBuffer& out) {
  // The magnitude is taken unsigned, where -2^127 is representable.
  auto magnitude = static_cast<__uint128_t>(value);
  if (value < 0) {
    out.append('-');
    magnitude = 0 - magnitude;
  }
  out.appendUnsigned(magnitude);
}

void appendDecimal(const Int256& value, OutputBuffer& out) {
  if (value.fitsBelow(127)) {
    appendDecimal(value.narrow(), out);
    return;
  }
  out.append(value.decimal());
}

// A list of integers as a CSV field: separated by spaces, so that the
// field needs no quotes and a split at commas keeps it whole.
template <typename Range>
void appendCsvList(const Range& values, OutputBuffer& out) {
  const char* separator = "";
  for (const auto& value : values) {
    out.append(separator);
    appendDecimal(value, out);
    separator = " ";
  }
}

void appendJsonList(const WeierstrassModel& values, OutputBuffer& out) {
  out.append('[');
  const char* separator = "";
  for (const int64_t value : values) {
    out.append(separator);
    appendJsonInteger(value, out);
    separator = ",";
  }
  out.append(']');
}

// Calls emit with the reduced minimal model's five a-invariants, each an
// __int128_t when 128-bit arithmetic holds them (every family of moderate
// A), else an Int256.
template <typename Emit>
void forMinimalModel(const CurveAnalysis& analysis, Emit emit) {
  const int64_t a0 = minimalA(analysis);
  const int64_t b0 = minimalB(analysis);
  if (const auto narrow = reducedMinimalModelNarrow(a0, b0)) {
    for (const __int128_t value : *narrow) emit(value);
    return;
  }
  for (const Int256& value : reducedMinimalModel(a0, b0)) emit(value);
}

// conductor, root_number, minimal_ainvs.
void appendJsonCurveInvariants(const CurveAnalysis& analysis, OutputBuffer& out) {
  if (!knowsCurve(analysis)) {
    out.append(",\"conductor\":null,\"root_number\":null,\"minimal_ainvs\":null");
    return;
  }
  out.append(",\"conductor\":");
  appendConductor(analysis, true, out);
  out.append(",\"root_number\":");
  out.appendInt(rootNumberFromSelmer(analysis.selmerDims[0], analysis.selmerDims[1]));
  out.append(",\"minimal_ainvs\":[");
  const char* separator = "";
  forMinimalModel(analysis, [&](const auto& value) {
    out.append(separator);
    appendJsonInteger(value, out);
    separator = ",";
  });
  out.append(']');
}

void appendCsvCurveInvariants(const CurveAnalysis& analysis, OutputBuffer& out) {
  if (!knowsCurve(analysis)) {
    out.append(",,,");
    return;
  }
  appendConductor(analysis, false, out);
  out.append(',');
  out.appendInt(rootNumberFromSelmer(analysis.selmerDims[0], analysis.selmerDims[1]));
  out.append(',');
  const char* separator = "";
  forMinimalModel(analysis, [&](const auto& value) {
    out.append(separator);
    appendDecimal(value, out);
    separator = " ";
  });
  out.append(',');
}

// input, label, change: present in JSON only for a curve given as a model
// or a label, as line is only for a batch.
void appendJsonOrigin(const CurveOrigin& origin, OutputBuffer& out) {
  out.append(",\"input\":");
  if (origin.modelKnown) {
    appendJsonList(origin.model, out);
  } else {
    out.append("null");
  }
  out.append(",\"label\":");
  if (origin.label.empty()) {
    out.append("null");
  } else {
    appendJsonString(origin.label, out);
  }
}

void appendJsonChange(const CurveOrigin& origin, OutputBuffer& out) {
  out.append(",\"change\":[");
  const char* separator = "";
  for (const std::string& entry : origin.change) {
    out.append(separator);
    appendJsonString(entry, out);
    separator = ",";
  }
  out.append(']');
}

// The columns input, label, change, each followed by its comma.
void appendCsvOrigin(const CurveOrigin* origin, bool withChange, OutputBuffer& out) {
  if (origin == nullptr) {
    out.append(",,,");
    return;
  }
  if (origin->modelKnown) appendCsvList(origin->model, out);
  out.append(',');
  // A label is digits and lower case letters: it needs no quotes.
  out.append(origin->label);
  out.append(',');
  if (withChange) {
    const char* separator = "";
    for (const std::string& entry : origin->change) {
      out.append(separator);
      out.append(entry);
      separator = " ";
    }
  }
  out.append(',');
}

// Before the text report of a curve given as a model or a label: the
// model, its label and the change of variables to (A, B).
void appendTextOrigin(const CurveOrigin& origin, const CurveAnalysis& analysis, OutputBuffer& out) {
  out.append("\nThe curve ");
  if (!origin.label.empty()) {
    out.append(origin.label);
    out.append(' ');
  }
  out.append('[');
  const char* separator = "";
  for (const int64_t value : origin.model) {
    out.append(separator);
    out.appendInt(value);
    separator = ",";
  }
  out.append("] is (A, B) = (");
  out.appendInt(analysis.a);
  out.append(", ");
  out.appendInt(analysis.b);
  out.append(") by [u,r,s,t] = [");
  separator = "";
  for (const std::string& entry : origin.change) {
    out.append(separator);
    out.append(entry);
    separator = ",";
  }
  out.append("]\n");
}

// The length of the UTF-8 sequence that starts text[i], 0 when the bytes
// there are not a valid, shortest-form encoding of a scalar value.
size_t utf8Length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const auto continuation = [&](size_t k, unsigned char low, unsigned char high) {
    return k < text.size() && byte(k) >= low && byte(k) <= high;
  };
  const unsigned char lead = byte(i);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(i + 1, 0x80, 0xBF) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    // E0 would allow overlong forms, ED the surrogates.
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    // F0 would allow overlong forms, F4 values beyond U+10FFFF.
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) &&
                   continuation(i + 3, 0x80, 0xBF)
               ? 4
               : 0;
  }
  return 0;
}

// A CSV field in double quotes, with each quote inside doubled and bytes
// that are not valid UTF-8 replaced by U+FFFD, so that a strict reader
// decodes the file.
void appendCsvQuoted(std::string_view text, OutputBuffer& out) {
  out.append('"');
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      const size_t length = utf8Length(text, i);
      out.append(length == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(i, length));
      i += length == 0 ? 1 : length;
      continue;
    }
    if (text[i] == '"') out.append('"');
    out.append(text[i]);
    ++i;
  }
  out.append('"');
}

// Glue between a stdio stream and an OutputBuffer: the stream's bytes are
// appended to whatever buffer the writer points it at.
ssize_t appendToTarget(void* cookie, const char* bytes, size_t size) {
  OutputBuffer* target = *static_cast<OutputBuffer**>(cookie);
  if (target == nullptr) return 0;
  target->append(std::string_view(bytes, size));
  return static_cast<ssize_t>(size);
}

}  // namespace

void appendKodaira(KodairaSymbol symbol, OutputBuffer& out) {
  char text[16];
  out.append(std::string_view(text, static_cast<size_t>(writeKodaira(text, symbol) - text)));
}

std::string_view csvHeader() { return csvHeader(false); }

std::string_view csvHeader(bool rank) {
  if (rank) {
    return "a,b,ainvs,rules,status,scale,bad_primes,warnings,dim_sel_e_hat,dim_sel_e,rank_bound,"
           "conductor,root_number,minimal_ainvs,input,label,change,line,text,reason,"
           "selmer_e_hat,rank_lower,rank,points,search_height\n";
  }
  return "a,b,ainvs,rules,status,scale,bad_primes,warnings,dim_sel_e_hat,dim_sel_e,rank_bound,"
         "conductor,root_number,minimal_ainvs,input,label,change,line,text,reason\n";
}

namespace {

// The rank search's JSON fields, each after a comma.
void appendJsonRank(const CurveAnalysis& analysis, const RankSearch& rank, OutputBuffer& out) {
  const bool analysed = analysis.status == CurveStatus::kAnalysed && analysis.rules == Rules::kTrue;
  out.append(",\"selmer_e_hat\":");
  if (analysed) {
    out.append('[');
    const char* separator = "";
    for (const F3Matrix::Vector& element : analysis.selmerBasis()) {
      out.append(separator);
      out.append('"');
      out.append(selmerClassText(analysis, element));
      out.append('"');
      separator = ",";
    }
    out.append(']');
  } else {
    out.append("null");
  }
  out.append(",\"rank_lower\":");
  if (rank.searched) {
    out.appendInt(rank.lower);
  } else {
    out.append("null");
  }
  out.append(",\"rank\":");
  if (rank.proven()) {
    out.appendInt(rank.lower);
  } else {
    out.append("null");
  }
  out.append(",\"points\":[");
  const char* separator = "";
  for (const RationalPoint& point : rank.points) {
    out.append(separator);
    out.append("[\"");
    out.append(point.x);
    out.append("\",\"");
    out.append(point.y);
    out.append("\"]");
    separator = ",";
  }
  out.append("],\"search_height\":");
  if (rank.searched) {
    out.appendInt(rank.height);
  } else {
    out.append("null");
  }
}

// The rank search's CSV columns, each after a comma: the Selmer classes
// and the points x:y separated by semicolons, so that no field needs quotes.
void appendCsvRank(const CurveAnalysis& analysis, const RankSearch& rank, OutputBuffer& out) {
  out.append(',');
  const char* separator = "";
  if (analysis.status == CurveStatus::kAnalysed && analysis.rules == Rules::kTrue) {
    for (const F3Matrix::Vector& element : analysis.selmerBasis()) {
      out.append(separator);
      out.append(selmerClassText(analysis, element));
      separator = ";";
    }
  }
  out.append(',');
  if (rank.searched) out.appendInt(rank.lower);
  out.append(',');
  if (rank.proven()) out.appendInt(rank.lower);
  out.append(',');
  separator = "";
  for (const RationalPoint& point : rank.points) {
    out.append(separator);
    out.append(point.x);
    out.append(':');
    out.append(point.y);
    separator = ";";
  }
  out.append(',');
  if (rank.searched) out.appendInt(rank.height);
}

}  // namespace

std::string_view rulesKey(Rules rules) { return rules == Rules::kClassic ? "classic" : "true"; }

std::string_view warningKey(Warning warning) {
  return warning == Warning::kRangeOfInt64 ? "range_of_int64" : "beyond_prime_table";
}

void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                      const RankSearch* rank) {
  appendJsonRecord(analysis, line, nullptr, out, rank);
}

void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                      OutputBuffer& out, const RankSearch* rank) {
  const bool analysed = analysis.status == CurveStatus::kAnalysed;
  out.append("{\"a\":");
  out.appendInt(analysis.a);
  out.append(",\"b\":");
  out.appendInt(analysis.b);
  out.append(",\"ainvs\":");
  appendInvariants(analysis, out);
  out.append(",\"rules\":\"");
  out.append(rulesKey(analysis.rules));
  out.append("\",\"status\":\"");
  out.append(statusKey(analysis.status));
  out.append("\",\"scale\":");
  // A singular cubic has no minimal model, hence no scale.
  if (analysis.status == CurveStatus::kSingular) {
    out.append("null");
  } else {
    out.appendInt(analysis.scale);
  }
  out.append(",\"bad_primes\":[");
  const char* separator = "";
  for (const LocalDatum& datum : analysis.badPrimes()) {
    out.append(separator);
    out.append("{\"p\":");
    appendJsonInteger(static_cast<__int128_t>(datum.prime), out);  // below 2^96
    out.append(",\"kodaira\":\"");
    appendKodaira(datum.kodaira, out);
    out.append("\",\"image\":\"");
    out.append(imageKey(datum.image));
    out.append("\",\"term\":");
    out.appendInt(datum.term);
    out.append('}');
    separator = ",";
  }
  out.append("],\"warnings\":[");
  separator = "";
  for (const Warning warning : analysis.warnings()) {
    out.append(separator);
    out.append('"');
    out.append(warningKey(warning));
    out.append('"');
    separator = ",";
  }
  out.append("],\"dim_sel_e_hat\":");
  if (analysed) {
    out.appendInt(analysis.selmerDims[0]);
    out.append(",\"dim_sel_e\":");
    out.appendInt(analysis.selmerDims[1]);
    out.append(",\"rank_bound\":");
    out.appendInt(analysis.rankBound());
  } else {
    out.append("null,\"dim_sel_e\":null,\"rank_bound\":null");
  }
  appendJsonCurveInvariants(analysis, out);
  if (origin != nullptr) {
    appendJsonOrigin(*origin, out);
    appendJsonChange(*origin, out);
  }
  if (line != 0) {
    out.append(",\"line\":");
    out.appendUnsigned(line);
  }
  if (rank != nullptr) appendJsonRank(analysis, *rank, out);
  out.append("}\n");
}

void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                     const RankSearch* rank) {
  appendCsvRecord(analysis, line, nullptr, out, rank);
}

void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                     OutputBuffer& out, const RankSearch* rank) {
  out.appendInt(analysis.a);
  out.append(',');
  out.appendInt(analysis.b);
  out.append(',');
  // [A, 0, B, 0, 0] separated by spaces, unquoted.
  out.appendInt(analysis.a);
  out.append(" 0 ");
  out.appendInt(analysis.b);
  out.append(" 0 0,");
  out.append(rulesKey(analysis.rules));
  out.append(',');
  out.append(statusKey(analysis.status));
  out.append(',');
  if (analysis.status != CurveStatus::kSingular) out.appendInt(analysis.scale);
  out.append(',');
  // Entries p:kodaira:image:term, separated by semicolons, so that the
  // field needs no quotes.
  const char* separator = "";
  for (const LocalDatum& datum : analysis.badPrimes()) {
    out.append(separator);
    out.appendUnsigned(datum.prime);
    out.append(':');
    appendKodaira(datum.kodaira, out);
    out.append(':');
    out.append(imageKey(datum.image));
    out.append(':');
    out.appendInt(datum.term);
    separator = ";";
  }
  out.append(',');
  separator = "";
  for (const Warning warning : analysis.warnings()) {
    out.append(separator);
    out.append(warningKey(warning));
    separator = ";";
  }
  out.append(',');
  if (analysis.status == CurveStatus::kAnalysed) {
    out.appendInt(analysis.selmerDims[0]);
    out.append(',');
    out.appendInt(analysis.selmerDims[1]);
    out.append(',');
    out.appendInt(analysis.rankBound());
  } else {
    out.append(",,");
  }
  out.append(',');
  appendCsvCurveInvariants(analysis, out);
  appendCsvOrigin(origin, true, out);
  if (line != 0) out.appendUnsigned(line);
  out.append(",,");
  if (rank != nullptr) appendCsvRank(analysis, *rank, out);
  out.append('\n');
}

void appendJsonError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                     OutputBuffer& out) {
  out.append("{\"rules\":\"");
  out.append(rulesKey(rules));
  out.append("\",\"status\":\"error\",\"line\":");
  out.appendUnsigned(line);
  out.append(",\"text\":");
  appendJsonString(text, out);
  out.append(",\"reason\":");
  appendJsonString(reason, out);
  out.append("}\n");
}

void appendCsvError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                    OutputBuffer& out, bool rank) {
  out.append(",,,");
  out.append(rulesKey(rules));
  out.append(",error,,,,,,,,,,,,,");
  out.appendUnsigned(line);
  out.append(',');
  appendCsvQuoted(text, out);
  out.append(',');
  appendCsvQuoted(reason, out);
  if (rank) out.append(",,,,,");
  out.append('\n');
}

void appendTextError(uint64_t line, std::string_view text, std::string_view reason,
                     OutputBuffer& out) {
  // Shaped like a report: an empty line, the message, an empty line.
  out.append("\nline ");
  out.appendUnsigned(line);
  out.append(": cannot read \"");
  out.append(printable(text));  // the text is for a terminal too
  out.append("\": ");
  out.append(reason);
  out.append("\n\n");
}

void appendJsonString(std::string_view text, OutputBuffer& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.append('"');
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = utf8Length(text, i);
      out.append(length == 0 ? std::string_view("\\ufffd") : text.substr(i, length));
      i += length == 0 ? 1 : length;
      continue;
    }
    if (c == '"' || c == '\\') {
      out.append('\\');
      out.append(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7f) {
      out.append("\\u00");
      out.append(kHex[c >> 4U]);
      out.append(kHex[c & 0xFU]);
    } else {
      out.append(static_cast<char>(c));
    }
    ++i;
  }
  out.append('"');
}

void appendJsonInteger(const Int256& value, OutputBuffer& out) {
  if (value.fitsBelow(127)) {
    appendJsonInteger(value.narrow(), out);
    return;
  }
  out.append('"');
  out.append(value.decimal());
  out.append('"');
}

void appendJsonInteger(__int128_t value, OutputBuffer& out) {
  constexpr __int128_t kLimit = __int128_t{1} << 53U;
  const bool number = value < kLimit && value > -kLimit;
  if (!number) out.append('"');
  appendDecimal(value, out);
  if (!number) out.append('"');
}

void appendConductor(const CurveAnalysis& analysis, bool json, OutputBuffer& out) {
  const int64_t a0 = minimalA(analysis);
  const int64_t b0 = minimalB(analysis);
  const uint64_t value = conductorBelow2To53(a0, b0, analysis.badPrimes());
  if (value != 0) {
    out.appendUnsigned(value);
    return;
  }
  if (json) out.append('"');
  const char* separator = "";
  for (const LocalDatum& datum : analysis.badPrimes()) {
    const int32_t exponent = conductorExponent(a0, b0, datum);
    if (exponent == 0) continue;
    out.append(separator);
    out.appendUnsigned(datum.prime);
    out.append('^');
    out.appendInt(exponent);
    separator = "*";
  }
  if (json) out.append('"');
}

void appendJsonCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                            Rules rules, OutputBuffer& out) {
  out.append("{\"rules\":\"");
  out.append(rulesKey(rules));
  out.append("\",\"status\":\"");
  out.append(input.status);
  out.append('"');
  appendJsonOrigin(input.origin, out);
  if (line != 0) {
    out.append(",\"line\":");
    out.appendUnsigned(line);
  }
  out.append(",\"text\":");
  appendJsonString(text, out);
  out.append(",\"reason\":");
  appendJsonString(input.reason, out);
  out.append("}\n");
}

void appendCsvCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                           Rules rules, OutputBuffer& out, bool rank) {
  out.append(",,,");
  out.append(rulesKey(rules));
  out.append(',');
  out.append(input.status);
  // scale to rank_bound, then conductor, root_number, minimal_ainvs: empty.
  out.append(",,,,,,,,,,");
  appendCsvOrigin(&input.origin, false, out);
  if (line != 0) out.appendUnsigned(line);
  out.append(',');
  appendCsvQuoted(text, out);
  out.append(',');
  appendCsvQuoted(input.reason, out);
  if (rank) out.append(",,,,,");
  out.append('\n');
}

void appendTextCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                            OutputBuffer& out) {
  out.append('\n');
  if (line != 0) {
    out.append("line ");
    out.appendUnsigned(line);
    out.append(": ");
  }
  out.append(text);
  out.append(": ");
  out.append(input.reason);
  out.append("\n\n");
}

RecordWriter::RecordWriter(Format format) : format_(format) {
  if (format_ != Format::kText) return;
  cookie_io_functions_t functions{};
  functions.write = appendToTarget;
  text_ = fopencookie(&target_, "w", functions);
}

RecordWriter::~RecordWriter() {
  if (text_ != nullptr) {
    target_ = nullptr;
    std::fclose(text_);
  }
}

void RecordWriter::curve(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                         const RankSearch* rank) {
  curve(analysis, line, nullptr, out, rank);
}

void RecordWriter::curve(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                         OutputBuffer& out, const RankSearch* rank) {
  if (rankHeight_ == 0) rank = nullptr;
  switch (format_) {
    case Format::kJsonLines:
      appendJsonRecord(analysis, line, origin, out, rank);
      return;
    case Format::kCsv:
      appendCsvRecord(analysis, line, origin, out, rank);
      return;
    case Format::kNone:
      return;
    case Format::kText:
      break;
  }
  if (text_ == nullptr) return;
  if (origin != nullptr) appendTextOrigin(*origin, analysis, out);
  target_ = &out;
  writeTextReport(analysis, text_, rank);
  std::fflush(text_);
  target_ = nullptr;
}

void RecordWriter::curveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                                Rules rules, OutputBuffer& out) {
  switch (format_) {
    case Format::kJsonLines:
      appendJsonCurveFailure(line, text, input, rules, out);
      return;
    case Format::kCsv:
      appendCsvCurveFailure(line, text, input, rules, out, rankHeight_ != 0);
      return;
    case Format::kNone:
      return;
    case Format::kText:
      break;
  }
  appendTextCurveFailure(line, text, input, out);
}

void RecordWriter::error(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                         OutputBuffer& out) {
  switch (format_) {
    case Format::kJsonLines:
      appendJsonError(line, text, reason, rules, out);
      return;
    case Format::kCsv:
      appendCsvError(line, text, reason, rules, out, rankHeight_ != 0);
      return;
    case Format::kNone:
      return;
    case Format::kText:
      break;
  }
  appendTextError(line, text, reason, out);
}

}  // namespace velrin::cli
