#include "render/records.hpp"

#include <array>
#include <string>
#include <utility>

#include "curve/global_invariants.hpp"
#include "render/message_text.hpp"
#include "render/text_report.hpp"

namespace velrin {

namespace {

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

// The columns' writers. A record's pointers say what it holds: a curve's
// record has its analysis, a failure's has none.

bool isCurve(const RecordFields& r) { return r.analysis != nullptr; }
bool isAnalysed(const RecordFields& r) {
  return isCurve(r) && r.analysis->status == CurveStatus::kAnalysed;
}
bool hasCurveInvariants(const RecordFields& r) { return isCurve(r) && knowsCurve(*r.analysis); }
bool hasSearch(const RecordFields& r) { return isCurve(r) && r.rank != nullptr; }
// The Selmer classes of E^ are written under the true rules, which name
// them.
bool hasSelmerClasses(const RecordFields& r) {
  return isAnalysed(r) && r.analysis->rules == Rules::kTrue;
}

void appendNull(OutputBuffer& out) { out.append("null"); }

void jsonA(const RecordFields& r, OutputBuffer& out) { out.appendInt(r.analysis->a); }
void csvA(const RecordFields& r, OutputBuffer& out) {
  if (isCurve(r)) jsonA(r, out);
}
void jsonB(const RecordFields& r, OutputBuffer& out) { out.appendInt(r.analysis->b); }
void csvB(const RecordFields& r, OutputBuffer& out) {
  if (isCurve(r)) jsonB(r, out);
}

void jsonAinvs(const RecordFields& r, OutputBuffer& out) { appendInvariants(*r.analysis, out); }
// [A, 0, B, 0, 0] separated by spaces, unquoted.
void csvAinvs(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r)) return;
  out.appendInt(r.analysis->a);
  out.append(" 0 ");
  out.appendInt(r.analysis->b);
  out.append(" 0 0");
}

void csvRules(const RecordFields& r, OutputBuffer& out) { out.append(rulesKey(r.rules)); }
void jsonRules(const RecordFields& r, OutputBuffer& out) {
  out.append('"');
  csvRules(r, out);
  out.append('"');
}

void csvStatus(const RecordFields& r, OutputBuffer& out) {
  switch (r.kind) {
    case RecordFields::Kind::kCurve:
      out.append(statusKey(r.analysis->status));
      return;
    case RecordFields::Kind::kCurveFailure:
      out.append(r.status);
      return;
    case RecordFields::Kind::kLineError:
      break;
  }
  out.append(kErrorStatus);
}
void jsonStatus(const RecordFields& r, OutputBuffer& out) {
  out.append('"');
  csvStatus(r, out);
  out.append('"');
}

// A singular cubic has no minimal model, hence no scale.
void csvScale(const RecordFields& r, OutputBuffer& out) {
  if (isCurve(r) && r.analysis->status != CurveStatus::kSingular) out.appendInt(r.analysis->scale);
}
void jsonScale(const RecordFields& r, OutputBuffer& out) {
  if (r.analysis->status == CurveStatus::kSingular) {
    appendNull(out);
  } else {
    csvScale(r, out);
  }
}

void jsonBadPrimes(const RecordFields& r, OutputBuffer& out) {
  out.append('[');
  const char* separator = "";
  for (const LocalDatum& datum : r.analysis->badPrimes()) {
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
  out.append(']');
}
// Entries p:kodaira:image:term, separated by semicolons, so that the field
// needs no quotes.
void csvBadPrimes(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r)) return;
  const char* separator = "";
  for (const LocalDatum& datum : r.analysis->badPrimes()) {
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
}

void jsonWarnings(const RecordFields& r, OutputBuffer& out) {
  out.append('[');
  const char* separator = "";
  for (const Warning warning : r.analysis->warnings()) {
    out.append(separator);
    out.append('"');
    out.append(warningKey(warning));
    out.append('"');
    separator = ",";
  }
  out.append(']');
}
void csvWarnings(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r)) return;
  const char* separator = "";
  for (const Warning warning : r.analysis->warnings()) {
    out.append(separator);
    out.append(warningKey(warning));
    separator = ";";
  }
}

void csvDualDim(const RecordFields& r, OutputBuffer& out) {
  if (isAnalysed(r)) out.appendInt(r.analysis->dimSelmerEHat);
}
void jsonDualDim(const RecordFields& r, OutputBuffer& out) {
  isAnalysed(r) ? csvDualDim(r, out) : appendNull(out);
}
void csvDim(const RecordFields& r, OutputBuffer& out) {
  if (isAnalysed(r)) out.appendInt(r.analysis->dimSelmerE);
}
void jsonDim(const RecordFields& r, OutputBuffer& out) {
  isAnalysed(r) ? csvDim(r, out) : appendNull(out);
}
void csvRankBound(const RecordFields& r, OutputBuffer& out) {
  if (isAnalysed(r)) out.appendInt(r.analysis->rankBound());
}
void jsonRankBound(const RecordFields& r, OutputBuffer& out) {
  isAnalysed(r) ? csvRankBound(r, out) : appendNull(out);
}

void jsonConductor(const RecordFields& r, OutputBuffer& out) {
  hasCurveInvariants(r) ? appendConductor(*r.analysis, true, out) : appendNull(out);
}
void csvConductor(const RecordFields& r, OutputBuffer& out) {
  if (hasCurveInvariants(r)) appendConductor(*r.analysis, false, out);
}

void csvRootNumber(const RecordFields& r, OutputBuffer& out) {
  if (!hasCurveInvariants(r)) return;
  out.appendInt(rootNumberFromSelmer(r.analysis->dimSelmerEHat, r.analysis->dimSelmerE));
}
void jsonRootNumber(const RecordFields& r, OutputBuffer& out) {
  hasCurveInvariants(r) ? csvRootNumber(r, out) : appendNull(out);
}

void jsonMinimalModel(const RecordFields& r, OutputBuffer& out) {
  if (!hasCurveInvariants(r)) {
    appendNull(out);
    return;
  }
  out.append('[');
  const char* separator = "";
  forMinimalModel(*r.analysis, [&](const auto& value) {
    out.append(separator);
    appendJsonInteger(value, out);
    separator = ",";
  });
  out.append(']');
}
void csvMinimalModel(const RecordFields& r, OutputBuffer& out) {
  if (!hasCurveInvariants(r)) return;
  const char* separator = "";
  forMinimalModel(*r.analysis, [&](const auto& value) {
    out.append(separator);
    appendDecimal(value, out);
    separator = " ";
  });
}

void jsonInput(const RecordFields& r, OutputBuffer& out) {
  r.origin->modelKnown ? appendJsonList(r.origin->model, out) : appendNull(out);
}
void csvInput(const RecordFields& r, OutputBuffer& out) {
  if (r.origin != nullptr && r.origin->modelKnown) appendCsvList(r.origin->model, out);
}

void jsonLabel(const RecordFields& r, OutputBuffer& out) {
  r.origin->label.empty() ? appendNull(out) : appendJsonString(r.origin->label, out);
}
// A label is digits and lower case letters: it needs no quotes.
void csvLabel(const RecordFields& r, OutputBuffer& out) {
  if (r.origin != nullptr) out.append(r.origin->label);
}

// The change of variables is a curve's: a failure was moved nowhere.
void jsonChange(const RecordFields& r, OutputBuffer& out) {
  out.append('[');
  const char* separator = "";
  for (const std::string& entry : r.origin->change) {
    out.append(separator);
    appendJsonString(entry, out);
    separator = ",";
  }
  out.append(']');
}
void csvChange(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r) || r.origin == nullptr) return;
  const char* separator = "";
  for (const std::string& entry : r.origin->change) {
    out.append(separator);
    out.append(entry);
    separator = " ";
  }
}

// A batch line that holds no pair always has its number.
void jsonLine(const RecordFields& r, OutputBuffer& out) { out.appendUnsigned(r.line); }
void csvLine(const RecordFields& r, OutputBuffer& out) {
  if (r.line != 0 || r.kind == RecordFields::Kind::kLineError) jsonLine(r, out);
}

void jsonText(const RecordFields& r, OutputBuffer& out) { appendJsonString(r.text, out); }
void csvText(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r)) appendCsvQuoted(r.text, out);
}
void jsonReason(const RecordFields& r, OutputBuffer& out) { appendJsonString(r.reason, out); }
void csvReason(const RecordFields& r, OutputBuffer& out) {
  if (!isCurve(r)) appendCsvQuoted(r.reason, out);
}

void jsonSelmerClasses(const RecordFields& r, OutputBuffer& out) {
  if (!hasSelmerClasses(r)) {
    appendNull(out);
    return;
  }
  out.append('[');
  const char* separator = "";
  for (const F3Matrix::Vector& element : r.analysis->selmerBasis()) {
    out.append(separator);
    out.append('"');
    out.append(selmerClassText(*r.analysis, element));
    out.append('"');
    separator = ",";
  }
  out.append(']');
}
// The Selmer classes and the points x:y separated by semicolons, so that
// no field needs quotes.
void csvSelmerClasses(const RecordFields& r, OutputBuffer& out) {
  if (!hasSearch(r) || !hasSelmerClasses(r)) return;
  const char* separator = "";
  for (const F3Matrix::Vector& element : r.analysis->selmerBasis()) {
    out.append(separator);
    out.append(selmerClassText(*r.analysis, element));
    separator = ";";
  }
}

void csvRankLower(const RecordFields& r, OutputBuffer& out) {
  if (hasSearch(r) && r.rank->searched) out.appendInt(r.rank->lower);
}
void jsonRankLower(const RecordFields& r, OutputBuffer& out) {
  r.rank->searched ? csvRankLower(r, out) : appendNull(out);
}
void csvRank(const RecordFields& r, OutputBuffer& out) {
  if (hasSearch(r) && r.rank->proven()) out.appendInt(r.rank->lower);
}
void jsonRank(const RecordFields& r, OutputBuffer& out) {
  r.rank->proven() ? csvRank(r, out) : appendNull(out);
}

void jsonPoints(const RecordFields& r, OutputBuffer& out) {
  out.append('[');
  const char* separator = "";
  for (const RationalPoint& point : r.rank->points) {
    out.append(separator);
    out.append("[\"");
    out.append(point.x);
    out.append("\",\"");
    out.append(point.y);
    out.append("\"]");
    separator = ",";
  }
  out.append(']');
}
void csvPoints(const RecordFields& r, OutputBuffer& out) {
  if (!hasSearch(r)) return;
  const char* separator = "";
  for (const RationalPoint& point : r.rank->points) {
    out.append(separator);
    out.append(point.x);
    out.append(':');
    out.append(point.y);
    separator = ";";
  }
}

void csvSearchHeight(const RecordFields& r, OutputBuffer& out) {
  if (hasSearch(r) && r.rank->searched) out.appendInt(r.rank->height);
}
void jsonSearchHeight(const RecordFields& r, OutputBuffer& out) {
  r.rank->searched ? csvSearchHeight(r, out) : appendNull(out);
}

// The one place that knows the records' layout.
constexpr RecordColumn kColumns[] = {
    {"a", InJson::kCurve, jsonA, csvA},
    {"b", InJson::kCurve, jsonB, csvB},
    {"ainvs", InJson::kCurve, jsonAinvs, csvAinvs},
    {"rules", InJson::kEvery, jsonRules, csvRules},
    {kStatusColumn, InJson::kEvery, jsonStatus, csvStatus},
    {"scale", InJson::kCurve, jsonScale, csvScale},
    {"bad_primes", InJson::kCurve, jsonBadPrimes, csvBadPrimes},
    {"warnings", InJson::kCurve, jsonWarnings, csvWarnings},
    {kDualDimColumn, InJson::kCurve, jsonDualDim, csvDualDim},
    {kDimColumn, InJson::kCurve, jsonDim, csvDim},
    {"rank_bound", InJson::kCurve, jsonRankBound, csvRankBound},
    {"conductor", InJson::kCurve, jsonConductor, csvConductor},
    {"root_number", InJson::kCurve, jsonRootNumber, csvRootNumber},
    {"minimal_ainvs", InJson::kCurve, jsonMinimalModel, csvMinimalModel},
    {"input", InJson::kOrigin, jsonInput, csvInput},
    {"label", InJson::kOrigin, jsonLabel, csvLabel},
    {"change", InJson::kCurveOrigin, jsonChange, csvChange},
    {"line", InJson::kLine, jsonLine, csvLine},
    {"text", InJson::kFailure, jsonText, csvText},
    {"reason", InJson::kFailure, jsonReason, csvReason},
    // The rank search's (--rank), last.
    {"selmer_e_hat", InJson::kRank, jsonSelmerClasses, csvSelmerClasses},
    {"rank_lower", InJson::kRank, jsonRankLower, csvRankLower},
    {"rank", InJson::kRank, jsonRank, csvRank},
    {"points", InJson::kRank, jsonPoints, csvPoints},
    {"search_height", InJson::kRank, jsonSearchHeight, csvSearchHeight},
};
static_assert(std::size(kColumns) > kRankColumns);

// The columns that a record with (rank) or without the rank search has.
std::span<const RecordColumn> columnsOf(bool rank) {
  const std::span<const RecordColumn> all(kColumns);
  return rank ? all : all.first(all.size() - kRankColumns);
}

bool present(InJson when, const RecordFields& record) {
  switch (when) {
    case InJson::kEvery:
      return true;
    case InJson::kCurve:
      return isCurve(record);
    case InJson::kOrigin:
      return record.origin != nullptr;
    case InJson::kCurveOrigin:
      return isCurve(record) && record.origin != nullptr;
    case InJson::kLine:
      return record.line != 0 || record.kind == RecordFields::Kind::kLineError;
    case InJson::kFailure:
      return !isCurve(record);
    case InJson::kRank:
      return hasSearch(record);
  }
  return false;
}

// The writers walk the table at compile time, one column after another,
// so that each writer is called directly and each key is copied at its
// known length: a scan writes millions of records.

// The JSON key of column I after its comma: ,"name":
template <size_t I>
struct JsonKey {
  static constexpr std::string_view kName = kColumns[I].name;
  static constexpr std::array<char, kName.size() + 4> kText = [] {
    std::array<char, kName.size() + 4> text{};
    text[0] = ',';
    text[1] = '"';
    for (size_t i = 0; i < kName.size(); ++i) text[i + 2] = kName[i];
    text[kName.size() + 2] = '"';
    text[kName.size() + 3] = ':';
    return text;
  }();
};

// Column I's field after a comma, when the record has it.
template <size_t I>
void appendJsonField(const RecordFields& record, OutputBuffer& out) {
  constexpr RecordColumn kColumn = kColumns[I];
  if (!present(kColumn.inJson, record)) return;
  out.append(std::string_view(JsonKey<I>::kText.data(), JsonKey<I>::kText.size()));
  kColumn.json(record, out);
}

// The fields of the record in braces: the first field's comma becomes the
// opening brace (every record has its rules, so there is a first field).
template <size_t... I>
[[gnu::flatten]] void appendJsonFields(const RecordFields& record, OutputBuffer& out,
                                       std::index_sequence<I...>) {
  const size_t start = out.size();
  (appendJsonField<I>(record, out), ...);
  out.replace(start, '{');
}

// Columns From to From + sizeof...(I) - 1, each after a comma but the
// record's first.
template <size_t From, size_t... I>
[[gnu::flatten]] void appendCsvFields(const RecordFields& record, OutputBuffer& out,
                                      std::index_sequence<I...>) {
  const auto field = [&]<size_t J>() {
    if constexpr (J != 0) out.append(',');
    kColumns[J].csv(record, out);
  };
  (field.template operator()<From + I>(), ...);
}

constexpr size_t kAllColumns = std::size(kColumns);
constexpr size_t kPlainColumns = kAllColumns - kRankColumns;

std::string headerOf(bool rank) {
  std::string header;
  for (const RecordColumn& column : columnsOf(rank)) {
    if (!header.empty()) header += ',';
    header += column.name;
  }
  header += '\n';
  return header;
}

RecordFields curveRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                         const RankSearch* rank) {
  RecordFields record;
  record.rules = analysis.rules;
  record.analysis = &analysis;
  record.origin = origin;
  record.rank = rank;
  record.rankColumns = rank != nullptr;
  record.line = line;
  return record;
}

RecordFields failureRecord(uint64_t line, std::string_view text, const CurveInput& input,
                           Rules rules, bool rank) {
  RecordFields record;
  record.kind = RecordFields::Kind::kCurveFailure;
  record.rules = rules;
  record.origin = &input.origin;
  record.rankColumns = rank;
  record.line = line;
  record.status = input.status;
  record.text = text;
  record.reason = input.reason;
  return record;
}

RecordFields errorRecord(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                         bool rank) {
  RecordFields record;
  record.kind = RecordFields::Kind::kLineError;
  record.rules = rules;
  record.rankColumns = rank;
  record.line = line;
  record.text = text;
  record.reason = reason;
  return record;
}

}  // namespace

std::span<const RecordColumn> recordColumns() { return kColumns; }

bool inJson(const RecordColumn& column, const RecordFields& record) {
  return present(column.inJson, record);
}

void appendJson(const RecordFields& record, OutputBuffer& out) {
  // The rank search's fields are there only with a search (kRank).
  appendJsonFields(record, out, std::make_index_sequence<kAllColumns>());
  out.append("}\n");
}

void appendCsv(const RecordFields& record, OutputBuffer& out) {
  appendCsvFields<0>(record, out, std::make_index_sequence<kPlainColumns>());
  if (record.rankColumns) {
    appendCsvFields<kPlainColumns>(record, out, std::make_index_sequence<kRankColumns>());
  }
  out.append('\n');
}

std::string_view csvHeader() { return csvHeader(false); }

std::string_view csvHeader(bool rank) {
  static const std::string kPlain = headerOf(false);
  static const std::string kWithRank = headerOf(true);
  return rank ? kWithRank : kPlain;
}

std::string_view rulesKey(Rules rules) { return rules == Rules::kClassic ? "classic" : "true"; }

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

std::string_view warningKey(Warning warning) {
  return warning == Warning::kRangeOfInt64 ? "range_of_int64" : "beyond_prime_table";
}

void appendKodaira(KodairaSymbol symbol, OutputBuffer& out) {
  char text[16];
  out.append(std::string_view(text, static_cast<size_t>(writeKodaira(text, symbol) - text)));
}

void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                      const RankSearch* rank) {
  appendJson(curveRecord(analysis, line, nullptr, rank), out);
}

void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                      OutputBuffer& out, const RankSearch* rank) {
  appendJson(curveRecord(analysis, line, origin, rank), out);
}

void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                     const RankSearch* rank) {
  appendCsv(curveRecord(analysis, line, nullptr, rank), out);
}

void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                     OutputBuffer& out, const RankSearch* rank) {
  appendCsv(curveRecord(analysis, line, origin, rank), out);
}

void appendJsonCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                            Rules rules, OutputBuffer& out) {
  appendJson(failureRecord(line, text, input, rules, false), out);
}

void appendCsvCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                           Rules rules, OutputBuffer& out, bool rank) {
  appendCsv(failureRecord(line, text, input, rules, rank), out);
}

void appendJsonError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                     OutputBuffer& out) {
  appendJson(errorRecord(line, text, reason, rules, false), out);
}

void appendCsvError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                    OutputBuffer& out, bool rank) {
  appendCsv(errorRecord(line, text, reason, rules, rank), out);
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

void RecordWriter::curve(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                         const RankSearch* rank) {
  curve(analysis, line, nullptr, out, rank);
}

[[gnu::flatten]] void RecordWriter::curve(const CurveAnalysis& analysis, uint64_t line,
                                          const CurveOrigin* origin, OutputBuffer& out,
                                          const RankSearch* rank) {
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
  if (origin != nullptr) appendTextOrigin(*origin, analysis, out);
  writeTextReport(analysis, out, rank);
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

}  // namespace velrin
