#pragma once

namespace velrin {

/// Which algorithms an analysis runs. Both give the same result; the plain
/// ones (trial division over the whole prime table, root search by linear
/// scan, enumeration of every Selmer candidate) are kept as the reference
/// that tests and benchmarks check and measure the fast ones against.
enum class Paths { kFast, kPlain };

}  // namespace velrin
