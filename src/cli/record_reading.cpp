#include "cli/record_reading.hpp"

#include <charconv>
#include <string>

#include "render/report_text.hpp"

namespace velrin::cli {

namespace {

// A header has at most this many columns; a row with more fields is not a
// record.
constexpr size_t kMaxFields = 64;

// The columns a reader needs, by name.
constexpr std::string_view kStatus = kStatusColumn;
constexpr std::string_view kDualDim = kDualDimColumn;
constexpr std::string_view kDim = kDimColumn;

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

// "name": as a JSON record writes the key.
std::string jsonKey(std::string_view name) {
  std::string key(1, '"');
  key.append(name);
  key.append("\":");
  return key;
}

std::optional<CurveStatus> statusOf(std::string_view key) {
  for (const CurveStatus status :
       {CurveStatus::kSingular, CurveStatus::kTooLarge, CurveStatus::kAnalysed}) {
    if (key == statusKey(status)) return status;
  }
  return std::nullopt;
}

// The fields of a CSV line; velrin quotes only fields without quotes
// inside. count is kMaxFields + 1 when the line has more than kMaxFields.
std::array<std::string_view, kMaxFields> csvFields(std::string_view line, size_t& count) {
  std::array<std::string_view, kMaxFields> fields{};
  count = 0;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      if (count == fields.size()) {
        count = fields.size() + 1;
        break;
      }
      fields[count++] = line.substr(start, i - start);
      start = i + 1;
    }
  }
  return fields;
}

// The status field of a JSON record, empty when it has none.
std::string_view jsonStatus(std::string_view line) {
  static const std::string kKey = jsonKey(kStatus).append(1, '"');
  const size_t at = line.find(kKey);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = line.substr(at + kKey.size());
  return rest.substr(0, rest.find('"'));
}

}  // namespace

CsvColumns::CsvColumns() {
  static const CsvColumns kOwn = [] {
    const std::string_view header = csvHeader(false);
    return *fromHeader(header.substr(0, header.size() - 1));
  }();
  *this = kOwn;
}

std::optional<CsvColumns> CsvColumns::fromHeader(std::string_view header) {
  CsvColumns columns{Unset{}};
  const std::array<std::string_view, kMaxFields> names = csvFields(header, columns.count);
  if (columns.count > names.size()) return std::nullopt;
  std::array<bool, 3> found{};
  for (size_t i = 0; i < columns.count; ++i) {
    const std::string_view name = names[i];
    if (name == kStatus) {
      columns.status = i;
      found[0] = true;
    } else if (name == kDualDim) {
      columns.dualDim = i;
      found[1] = true;
    } else if (name == kDim) {
      columns.dim = i;
      found[2] = true;
    }
  }
  if (!found[0] || !found[1] || !found[2]) return std::nullopt;
  return columns;
}

bool looksLikeCsvHeader(std::string_view line) {
  const std::string_view first = recordColumns().front().name;
  return line.starts_with(first) && line.substr(first.size()).starts_with(',');
}

std::string_view recordStatus(std::string_view line, Format format, const CsvColumns& columns) {
  if (format == Format::kJsonLines) return jsonStatus(line);
  size_t count = 0;
  const std::array<std::string_view, kMaxFields> fields = csvFields(line, count);
  return columns.status < count && count <= fields.size() ? fields[columns.status]
                                                          : std::string_view();
}

std::optional<RecordOutcome> recordOutcome(std::string_view line, Format format,
                                           const CsvColumns& columns) {
  std::string_view status;
  std::string_view dualDim;
  std::string_view dim;
  if (format == Format::kJsonLines) {
    status = jsonStatus(line);
  } else {
    size_t count = 0;
    const std::array<std::string_view, kMaxFields> fields = csvFields(line, count);
    // As many fields as the header has columns.
    if (count != columns.count) return std::nullopt;
    status = fields[columns.status];
    dualDim = fields[columns.dualDim];
    dim = fields[columns.dim];
  }
  const std::optional<CurveStatus> parsed = statusOf(status);
  if (!parsed) return std::nullopt;
  RecordOutcome outcome{*parsed, {}};
  if (outcome.status != CurveStatus::kAnalysed) return outcome;
  static const std::string kDualDimKey = jsonKey(kDualDim);
  static const std::string kDimKey = jsonKey(kDim);
  const std::optional<int32_t> first =
      format == Format::kJsonLines ? intAfter(line, kDualDimKey) : leadingInt(dualDim);
  const std::optional<int32_t> second =
      format == Format::kJsonLines ? intAfter(line, kDimKey) : leadingInt(dim);
  if (!first || !second) return std::nullopt;
  outcome.selmerDims = {*first, *second};
  return outcome;
}

std::optional<RecordOutcome> textLineOutcome(std::string_view line) {
  if (line == report_text::kSingular) return RecordOutcome{CurveStatus::kSingular, {}};
  if (line == report_text::kTooLarge) return RecordOutcome{CurveStatus::kTooLarge, {}};
  const std::optional<int32_t> first = intAfter(line, report_text::kSelmerStart);
  const std::optional<int32_t> second = intAfter(line, report_text::kSelmerMiddle);
  if (!line.starts_with(report_text::kSelmerStart) || !first || !second) return std::nullopt;
  return RecordOutcome{CurveStatus::kAnalysed, {*first, *second}};
}

}  // namespace velrin::cli
