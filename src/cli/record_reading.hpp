#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "render/records.hpp"

namespace velrin::cli {

/// What a record states of its curve: enough to tally it again.
struct RecordOutcome {
  CurveStatus status = CurveStatus::kSingular;
  std::array<int32_t, 2> selmerDims{};  ///< meaningful when analysed
};

/// Where the columns that a reader needs stand in the rows of a CSV file,
/// found by their names in its header, so that a file with more columns
/// (--rank's) or columns in another order reads the same.
struct CsvColumns {
  /// The columns of velrin's header without the rank search's.
  CsvColumns();
  /// The columns of a header line (without its newline); nothing when it
  /// is not a header: when it lacks one of the columns a reader needs
  /// (status, dim_sel_e_hat, dim_sel_e), or has too many columns.
  static std::optional<CsvColumns> fromHeader(std::string_view header);

  size_t count = 0;  ///< columns in the header, so fields in each row
  size_t status = 0;
  size_t dualDim = 0;  ///< dim_sel_e_hat
  size_t dim = 0;      ///< dim_sel_e

 private:
  struct Unset {};
  explicit CsvColumns(Unset /*unused*/) {}
};

/// True when a CSV line starts as a header does (with the first column's
/// name), which no record does.
bool looksLikeCsvHeader(std::string_view line);

/// The status that a JSON or CSV record line states (its status field as
/// written), empty when it has none.
std::string_view recordStatus(std::string_view line, Format format,
                              const CsvColumns& columns = CsvColumns());

/// The status and dimensions that a JSON or CSV record line states, or
/// nothing when the line is not a record of that format (a CSV line
/// without the header's number of fields included).
std::optional<RecordOutcome> recordOutcome(std::string_view line, Format format,
                                           const CsvColumns& columns = CsvColumns());

/// The outcome stated by one line of a text report: its singular line, its
/// refusal or its line [3]; nothing for its other lines.
std::optional<RecordOutcome> textLineOutcome(std::string_view line);

}  // namespace velrin::cli
