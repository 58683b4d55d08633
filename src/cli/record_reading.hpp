#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/records.hpp"

namespace velrin::cli {

/// What a record states of its curve: enough to tally it again.
struct RecordOutcome {
  CurveStatus status = CurveStatus::kSingular;
  std::array<int32_t, 2> selmerDims{};  ///< meaningful when analysed
};

/// The coefficients at the start of a JSON or CSV record line, or nothing.
std::optional<std::pair<int32_t, int32_t>> recordPair(std::string_view line, Format format);

/// The status and dimensions that a JSON or CSV record line states, or
/// nothing when the line is not a record of that format.
std::optional<RecordOutcome> recordOutcome(std::string_view line, Format format);

/// The outcome stated by one line of a text report: its singular line, its
/// refusal or its line [3]; nothing for its other lines.
std::optional<RecordOutcome> textLineOutcome(std::string_view line);

}  // namespace velrin::cli
