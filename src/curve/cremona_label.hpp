#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "curve/three_torsion_form.hpp"

namespace velrin {

/// What a look-up of a curve's label in Cremona's tables found.
enum class LabelStatus : uint8_t {
  kFound,       ///< model holds the curve's a-invariants
  kMalformed,   ///< not a label of one curve: conductor, class, number (14a1)
  kNotInTable,  ///< no curve of the tables has that label
  kNoTables,    ///< the tables (Debian's pari-elldata) are not installed
};

struct LabelLookup {
  LabelStatus status = LabelStatus::kNotInTable;
  WeierstrassModel model{};  ///< the tables' reduced minimal model
};

/// True when text has the form of a Cremona label of one curve: the
/// conductor in decimal without a leading zero, the isogeny class in lower
/// case letters, the curve's number in decimal (14a1, 27a3, 990h1).
bool isCurveLabel(std::string_view text);

/// Cremona's tables as the PARI library reads them from its data directory
/// (Debian's pari-elldata: one file per thousand conductors). A file is
/// read once, on the first label that needs it, and its curves kept, so a
/// batch of labels reads each file once. Thread-safe.
class CremonaTables {
 public:
  LabelLookup find(std::string_view label);

 private:
  using Block = std::unordered_map<std::string, WeierstrassModel>;
  std::mutex mutex_;
  std::map<int64_t, Block> blocks_;  // by conductor / 1000
};

}  // namespace velrin
