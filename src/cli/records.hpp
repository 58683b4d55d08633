#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "arith/int256.hpp"
#include "cli/curve_input.hpp"
#include "cli/output_buffer.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"

namespace velrin::cli {

/// How records are written: the dialogue's text, JSON lines or CSV.
/// kNone writes no records at all: a run for its --summary alone.
enum class Format : uint8_t { kText, kJsonLines, kCsv, kNone };

/// The first line of every CSV output, its newline included; velrin(1)
/// documents each column. With rank (--rank), the rank search's columns
/// follow the others.
std::string_view csvHeader();
std::string_view csvHeader(bool rank);

/// The names of the rules and of the warnings in records.
std::string_view rulesKey(Rules rules);
std::string_view warningKey(Warning warning);

/// Appends the record of one pair: one line of JSON or of CSV. line is the
/// batch input line that held the pair, 0 outside a batch (no line field).
/// With rank (--rank), the rank search's fields follow the others:
/// selmer_e_hat, rank_lower, rank (null unless proven), points and
/// search_height; rationals and the Selmer classes as decimal strings.
void appendJsonRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                      const RankSearch* rank = nullptr);
void appendCsvRecord(const CurveAnalysis& analysis, uint64_t line, OutputBuffer& out,
                     const RankSearch* rank = nullptr);

/// The same for a pair that came from a curve given as a model or a label
/// (origin; nullptr for a pair as typed): the record adds the input, the
/// label and the change of variables.
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

/// Appends the record of a batch line that holds no pair: its number, its
/// text and why it was refused.
void appendJsonError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                     OutputBuffer& out);
void appendCsvError(uint64_t line, std::string_view text, std::string_view reason, Rules rules,
                    OutputBuffer& out, bool rank = false);
void appendTextError(uint64_t line, std::string_view text, std::string_view reason,
                     OutputBuffer& out);

/// Appends the Kodaira symbol as line [2] writes it (kodairaText), without
/// the temporary string: a scan writes one per bad prime.
void appendKodaira(KodairaSymbol symbol, OutputBuffer& out);

/// Appends text as a JSON string, quotes included. Bytes that do not form
/// valid UTF-8 become U+FFFD, so the record stays valid JSON whatever the
/// input line held.
void appendJsonString(std::string_view text, OutputBuffer& out);

/// Renders records in one format into a buffer; the text format goes
/// through writeTextReport on a stream that appends to the buffer. One per
/// thread: it holds that stream.
class RecordWriter {
 public:
  explicit RecordWriter(Format format);
  /// Records with the rank search's fields: every curve is searched to
  /// this height (0: none, the default).
  void setRankHeight(int32_t height) { rankHeight_ = height; }
  int32_t rankHeight() const { return rankHeight_; }
  ~RecordWriter();
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

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
  OutputBuffer* target_ = nullptr;  // where the text stream's bytes go
  std::FILE* text_ = nullptr;
};

}  // namespace velrin::cli
