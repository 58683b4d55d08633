#pragma once

#include <cstdint>
#include <string_view>

#include "arith/factorize.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"
#include "render/output_buffer.hpp"

namespace velrin {

/// Appends what the dialogue prints for one analysed pair, from line [1]
/// (or the singular message) through any warnings, the refusal or lines
/// [2] to [4] and the empty line after them; byte for byte the dialogue's
/// text. With rank given and searched (--rank), line [5] follows line [4].
void writeTextReport(const CurveAnalysis& analysis, OutputBuffer& out,
                     const RankSearch* rank = nullptr);

/// Line [5] and the empty line after it:
///   "[5] rankE(Q)=2, proven; independent points (x1,y1), (x2,y2)"
///   "[5] 1 <= rankE(Q) <= 3; independent points (x1,y1); searched to height 40"
void writeRankLine(const RankSearch& rank, OutputBuffer& out);

/// The pieces of the report, for the original record's operations that
/// print them one at a time (dialogue/classic_report.hpp).

/// "\n[1] The curve E is singular.\n\n".
void appendSingularLine(OutputBuffer& out);
/// Line [1], "\n[1] E is an elliptic curve defined by y^2...=x^3\n", in the
/// form that drops coefficients of +-1.
void appendEquationLine(int64_t a, int64_t b, OutputBuffer& out);
/// The factorisation's warnings as it announces them, in its order.
void appendFactorizeWarnings(FactorizeWarnings warnings, OutputBuffer& out);
/// The refusal of a curve too large for 64 bits, with its empty line.
void appendTooLargeLine(OutputBuffer& out);
/// Line [2]'s heading; with none, the note that no bad prime lies in the
/// prime table.
void appendLocalDataHeading(bool none, OutputBuffer& out);
/// One bad prime under line [2]: "{p, kodaira, image}" and "," or, for the
/// last, ".".
void appendLocalDatumLine(__uint128_t prime, std::string_view kodaira, std::string_view image,
                          bool last, OutputBuffer& out);
/// Lines [3] and [4] and the empty line after them; bound is the inclusive
/// bound on the rank, dim Sel(E^/Q) + dim Sel(E/Q) - 1.
void appendSelmerLines(int32_t dualDim, int32_t dim, int32_t bound, OutputBuffer& out);

}  // namespace velrin
