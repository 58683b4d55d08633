#include "cli/records.hpp"

#include <stdio.h>  // fopencookie, a glibc stream over callbacks

#include "cli/message_text.hpp"
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
           "line,text,reason,selmer_e_hat,rank_lower,rank,points,search_height\n";
  }
  return "a,b,ainvs,rules,status,scale,bad_primes,warnings,dim_sel_e_hat,dim_sel_e,rank_bound,"
         "line,text,reason\n";
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
    out.appendUnsigned(datum.prime);
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
  if (line != 0) {
    out.append(",\"line\":");
    out.appendUnsigned(line);
  }
  if (rank != nullptr) appendJsonRank(analysis, *rank, out);
  out.append("}\n");
}

void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                     const RankSearch* rank) {
  out.appendInt(analysis.a);
  out.append(',');
  out.appendInt(analysis.b);
  out.append(",\"");
  appendInvariants(analysis, out);
  out.append("\",");
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
  out.append(",error,,,,,,,");
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
  if (rankHeight_ == 0) rank = nullptr;
  switch (format_) {
    case Format::kJsonLines:
      appendJsonRecord(analysis, line, out, rank);
      return;
    case Format::kCsv:
      appendCsvRecord(analysis, line, out, rank);
      return;
    case Format::kNone:
      return;
    case Format::kText:
      break;
  }
  if (text_ == nullptr) return;
  target_ = &out;
  writeTextReport(analysis, text_, rank);
  std::fflush(text_);
  target_ = nullptr;
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
