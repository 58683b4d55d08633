#include "cli/record_reading.hpp"

#include <algorithm>
#include <charconv>

namespace velrin::cli {

namespace {

// Consumes a decimal int32 at the start of text; nothing unless one is
// there.
std::optional<int32_t> leadingInt(std::string_view& text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

// The integer that follows key in text, or nothing.
std::optional<int32_t> intAfter(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  text.remove_prefix(at + key.size());
  return leadingInt(text);
}

std::optional<CurveStatus> statusOf(std::string_view key) {
  if (key == "singular") return CurveStatus::kSingular;
  if (key == "too_large") return CurveStatus::kTooLarge;
  if (key == "analysed") return CurveStatus::kAnalysed;
  return std::nullopt;
}

// The fields of a CSV line; velrin quotes only fields without quotes inside.
std::array<std::string_view, 32> csvFields(std::string_view line, size_t& count) {
  std::array<std::string_view, 32> fields{};
  count = 0;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= line.size() && count < fields.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      fields[count++] = line.substr(start, i - start);
      start = i + 1;
    }
  }
  return fields;
}

}  // namespace

std::optional<std::pair<int32_t, int32_t>> recordPair(std::string_view line, Format format) {
  if (format == Format::kJsonLines) {
    if (!line.starts_with("{\"a\":")) return std::nullopt;
    line.remove_prefix(5);
    const std::optional<int32_t> a = leadingInt(line);
    if (!a || !line.starts_with(",\"b\":")) return std::nullopt;
    line.remove_prefix(5);
    const std::optional<int32_t> b = leadingInt(line);
    if (!b) return std::nullopt;
    return std::pair{*a, *b};
  }
  const std::optional<int32_t> a = leadingInt(line);
  if (!a || !line.starts_with(',')) return std::nullopt;
  line.remove_prefix(1);
  const std::optional<int32_t> b = leadingInt(line);
  if (!b || !line.starts_with(',')) return std::nullopt;
  return std::pair{*a, *b};
}

std::optional<RecordOutcome> recordOutcome(std::string_view line, Format format) {
  std::string_view status;
  std::string_view dualDim;
  std::string_view dim;
  if (format == Format::kJsonLines) {
    constexpr std::string_view kKey = "\"status\":\"";
    const size_t at = line.find(kKey);
    if (at == std::string_view::npos) return std::nullopt;
    status = line.substr(at + kKey.size());
    status = status.substr(0, status.find('"'));
  } else {
    size_t count = 0;
    const std::array<std::string_view, 32> fields = csvFields(line, count);
    // As many fields as the header has columns.
    const std::string_view header = csvHeader();
    if (count != static_cast<size_t>(std::count(header.begin(), header.end(), ',')) + 1) {
      return std::nullopt;
    }
    status = fields[4];
    dualDim = fields[8];
    dim = fields[9];
  }
  const std::optional<CurveStatus> parsed = statusOf(status);
  if (!parsed) return std::nullopt;
  RecordOutcome outcome{*parsed, {}};
  if (outcome.status != CurveStatus::kAnalysed) return outcome;
  const std::optional<int32_t> first =
      format == Format::kJsonLines ? intAfter(line, "\"dim_sel_e_hat\":") : leadingInt(dualDim);
  const std::optional<int32_t> second =
      format == Format::kJsonLines ? intAfter(line, "\"dim_sel_e\":") : leadingInt(dim);
  if (!first || !second) return std::nullopt;
  outcome.selmerDims = {*first, *second};
  return outcome;
}

std::optional<RecordOutcome> textLineOutcome(std::string_view line) {
  if (line == "[1] The curve E is singular.") return RecordOutcome{CurveStatus::kSingular, {}};
  if (line.starts_with("[2] The curve is too large")) {
    return RecordOutcome{CurveStatus::kTooLarge, {}};
  }
  const std::optional<int32_t> first = intAfter(line, "[3] dim(Sel(E^/Q))=");
  const std::optional<int32_t> second = intAfter(line, ", dim(Sel(E/Q))=");
  if (!line.starts_with("[3] ") || !first || !second) return std::nullopt;
  return RecordOutcome{CurveStatus::kAnalysed, {*first, *second}};
}

}  // namespace velrin::cli
