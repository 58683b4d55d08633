#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "arith/int256.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"
#include "render/curve_origin.hpp"
#include "render/output_buffer.hpp"

namespace velrin {

/// How records are written: the dialogue's text, JSON lines or CSV.
/// kNone writes no records at all: a run for its --summary alone.
enum class Format : uint8_t { kText, kJsonLines, kCsv, kNone };

/// One record as its columns see it: a curve's analysis, a curve given as
/// a model or a label that could not be moved to (A, B), or a batch line
/// that holds no pair.
struct RecordFields {
  enum class Kind : uint8_t { kCurve, kCurveFailure, kLineError };
  Kind kind = Kind::kCurve;
  Rules rules = Rules::kTrue;
  const CurveAnalysis* analysis = nullptr;  ///< a curve's; nullptr otherwise
  const CurveOrigin* origin = nullptr;      ///< the curve as given, when it was
  const RankSearch* rank = nullptr;         ///< a curve's search (--rank)
  bool rankColumns = false;                 ///< the record has the rank search's columns
  uint64_t line = 0;                        ///< the batch line, 0 outside a batch
  std::string_view status;                  ///< a curve failure's status
  std::string_view text;                    ///< a failure's input as given
  std::string_view reason;                  ///< why it failed
};

/// When a JSON record has a column's field: kEvery record; kCurve, a
/// curve's; kOrigin, a record with the curve as given; kCurveOrigin, a
/// curve's with the curve as given; kLine, a record with a batch line;
/// kFailure, a failure's; kRank, a curve's with its rank search. A CSV
/// record has every column, empty where JSON has no field.
enum class InJson : uint8_t { kEvery, kCurve, kOrigin, kCurveOrigin, kLine, kFailure, kRank };

/// One column of the records: its name (the CSV header's and the JSON
/// key), when JSON writes it, its JSON value and its CSV field. A CSV
/// writer writes an empty field where the record has no value.
struct RecordColumn {
  std::string_view name;
  InJson inJson;
  void (*json)(const RecordFields& record, OutputBuffer& out);
  void (*csv)(const RecordFields& record, OutputBuffer& out);
};

/// Every column in the order of the records; velrin(1) documents each.
/// The last kRankColumns are the rank search's, there only with --rank.
std::span<const RecordColumn> recordColumns();
inline constexpr size_t kRankColumns = 5;

/// True when a JSON record has the column's field.
bool inJson(const RecordColumn& column, const RecordFields& record);

/// Appends the record as one line of JSON or of CSV, from the columns.
void appendJson(const RecordFields& record, OutputBuffer& out);
void appendCsv(const RecordFields& record, OutputBuffer& out);

/// The first line of every CSV output, its newline included: the columns'
/// names. With rank (--rank), the rank search's columns follow the others.
std::string_view csvHeader();
std::string_view csvHeader(bool rank);

/// The names of the rules, the statuses and the warnings in records.
std::string_view rulesKey(Rules rules);
std::string_view statusKey(CurveStatus status);
std::string_view warningKey(Warning warning);
/// The names of the columns that a summary reads back.
inline constexpr std::string_view kStatusColumn = "status";
inline constexpr std::string_view kDualDimColumn = "dim_sel_e_hat";
inline constexpr std::string_view kDimColumn = "dim_sel_e";
/// The status of a batch line that holds no pair.
inline constexpr std::string_view kErrorStatus = "error";

/// Appends the record of one pair: one line of JSON or of CSV. line is the
/// batch input line that held the pair, 0 outside a batch (no line field).
/// origin is the curve as given, for a pair that came from a model or a
/// label (the record adds the input, the label and the change of
/// variables), else nullptr. With rank (--rank), the rank search's fields
/// follow the others: selmer_e_hat, rank_lower, rank (null unless proven),
/// points and search_height; rationals and the Selmer classes as decimal
/// strings.
void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                      const RankSearch* rank = nullptr);
void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                     const RankSearch* rank = nullptr);
void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                      OutputBuffer& out, const RankSearch* rank = nullptr);
void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
                     OutputBuffer& out, const RankSearch* rank = nullptr);

/// Appends the record of a curve that could not be moved to (A, B):
/// input.status and input.reason say why; text is the curve as given. line
/// is 0 outside a batch.
void appendJsonCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                            Rules rules, OutputBuffer& out);
void appendCsvCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                           Rules rules, OutputBuffer& out, bool rank = false);
void appendTextCurveFailure(uint64_t line, std::string_view text, const CurveInput& input,
                            OutputBuffer& out);

/// Appends the record of a batch line that holds no pair: its number, its
/// text and why it was refused.
void appendJsonError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                     OutputBuffer& out);
void appendCsvError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                    OutputBuffer& out, bool rank = false);
void appendTextError(uint64_t line, std::string_view text, std::string_view reason,
                     OutputBuffer& out);

/// Appends an integer as records write it: a JSON number when its
/// magnitude is below 2^53, which every reader (jq, pandas, JavaScript)
/// holds exactly, else a JSON string of its decimal digits.
void appendJsonInteger(const Int256& value, OutputBuffer& out);
void appendJsonInteger(__int128_t value, OutputBuffer& out);

/// Appends the conductor: its decimal digits when below 2^53, else its
/// factorisation p^e*q^f*... with every exponent written, a text that no
/// reader takes for a number and rounds (pandas turns a column of decimal
/// strings into floats). JSON quotes the second form.
void appendConductor(const CurveAnalysis& analysis, bool json, OutputBuffer& out);

/// Appends the Kodaira symbol as line [2] writes it (kodairaText), without
/// the temporary string: a scan writes one per bad prime.
void appendKodaira(KodairaSymbol symbol, OutputBuffer& out);

/// Appends text as a JSON string, quotes included. Bytes that do not form
/// valid UTF-8 become U+FFFD, so the record stays valid JSON whatever the
/// input line held.
void appendJsonString(std::string_view text, OutputBuffer& out);

/// Renders records in one format into a buffer: the text report, JSON or
/// CSV.
class RecordWriter {
 public:
  explicit RecordWriter(Format format) : format_(format) {}
  /// Records with the rank search's fields: every curve is searched to
  /// this height (0: none, the default).
  void setRankHeight(int32_t height) { rankHeight_ = height; }
  int32_t rankHeight() const { return rankHeight_; }

  Format format() const { return format_; }
  /// rank: the curve's search when rankHeight() is set, else ignored;
  /// origin: the curve as given, for a pair that came from a model or a
  /// label.
  void curve(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
             const RankSearch* rank = nullptr);
  void curve(const CurveAnalysis& analysis, uint64_t line, const CurveOrigin* origin,
             OutputBuffer& out, const RankSearch* rank = nullptr);
  void curveFailure(uint64_t line, std::string_view text, const CurveInput& input, Rules rules,
                    OutputBuffer& out);
  void error(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
             OutputBuffer& out);

 private:
  Format format_;
  int32_t rankHeight_ = 0;
};

}  // namespace velrin
