#pragma once

#include <string_view>

namespace velrin::report_text {

/// The fixed texts of the text report, without the line breaks around
/// them: the report writes them (render/text_report.cpp), a summary reads
/// a report back by them (cli/record_reading.cpp), and tests look for
/// them.

/// Line [1] of a singular cubic.
inline constexpr std::string_view kSingular = "[1] The curve E is singular.";
/// Line [1] of a curve: kEquationStart, the terms in A and B, kEquationEnd.
inline constexpr std::string_view kEquationStart = "[1] E is an elliptic curve defined by y^2";
inline constexpr std::string_view kEquationEnd = "=x^3";
/// The warnings of the factorisation over the prime table.
inline constexpr std::string_view kRangeWarning = "exceed the range of the type'__int64'!";
inline constexpr std::string_view kEndOfTableWarning = "exceed 50000th prime !";
/// The refusal of a curve whose B(A^3 - 27B) leaves 64 bits.
inline constexpr std::string_view kTooLarge =
    "[2] The curve is too large: B(A^3-27B) does not fit in 64 bits.";
/// Line [2]: its heading, then one {p, Kodaira symbol, image} a prime.
inline constexpr std::string_view kLocalDataHeading =
    "[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}";
/// Under line [2]'s heading when every bad prime lies beyond the table.
inline constexpr std::string_view kNoPrimeInTable = "none among the primes up to 611951.";
/// Line [3]: kSelmerStart, dim Sel(E^/Q), kSelmerMiddle, dim Sel(E/Q).
inline constexpr std::string_view kSelmerStart = "[3] dim(Sel(E^/Q))=";
inline constexpr std::string_view kSelmerMiddle = ", dim(Sel(E/Q))=";
/// Line [4]: kRankZero, or kRankBelow and the inclusive bound.
inline constexpr std::string_view kRankZero = "[4] rankE(Q)=0";
inline constexpr std::string_view kRankBelow = "[4] rankE(Q) < ";
/// Line [5] of a rank search: kProvenStart, the rank, kProven; or
/// kBoundsStart, the lower bound, kBoundsMiddle, the upper; then the points
/// after kPoints separated by kPointSeparator, and, unless proven,
/// kSearchedTo and the height.
inline constexpr std::string_view kProvenStart = "[5] rankE(Q)=";
inline constexpr std::string_view kProven = ", proven";
inline constexpr std::string_view kBoundsStart = "[5] ";
inline constexpr std::string_view kBoundsMiddle = " <= rankE(Q) <= ";
inline constexpr std::string_view kPoints = "; independent points ";
inline constexpr std::string_view kPointSeparator = ", ";
inline constexpr std::string_view kSearchedTo = "; searched to height ";

}  // namespace velrin::report_text
