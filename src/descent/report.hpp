#pragma once

#include "curve/curve.hpp"

namespace velrin {

/// Classic rules: prints lines [2] to [4] of the report for the curve's
/// list, computing the Selmer dimensions; nothing for a refused curve or a
/// record without output.
void printReport(Curve& curve);

}  // namespace velrin
