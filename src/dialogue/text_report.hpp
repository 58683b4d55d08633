#pragma once

#include <cstdio>

#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"

namespace velrin {

/// Writes what the dialogue prints for one analysed pair, from line [1] (or
/// the singular message) through any warnings, the refusal or lines [2] to
/// [4] and the empty line after them; byte for byte the dialogue's text.
void writeTextReport(const CurveAnalysis& analysis, std::FILE* out);

/// The same with the rank search's line [5] after line [4] when rank is
/// given and searched (--rank): the proven rank, or both bounds, with the
/// independent points found.
void writeTextReport(const CurveAnalysis& analysis, std::FILE* out, const RankSearch* rank);

/// Line [5] and the empty line after it:
///   "[5] rankE(Q)=2, proven; independent points (x1,y1), (x2,y2)"
///   "[5] 1 <= rankE(Q) <= 3; independent points (x1,y1); searched to height 40"
void writeRankLine(const RankSearch& rank, std::FILE* out);

}  // namespace velrin
