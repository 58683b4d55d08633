#include "arith/factorize.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "reference/plain_paths.hpp"
#include "render/text_report.hpp"
#include "support/captured_output.hpp"

namespace velrin {
namespace {

const std::string kRange = "\nexceed the range of the type'__int64'!\n";
const std::string kEnd = "\nexceed 50000th prime !\n";

struct Row {
  int64_t n;
  std::vector<int32_t> primes;
  std::string printed;
};

const std::vector<Row> kRows = {
    {-12, {2, 3}, ""},
    {0, {}, ""},
    {1, {}, ""},
    {-1, {}, ""},
    {611939, {611939}, ""},    // the scan stops at 611951, the remainder being 1
    {611951, {611951}, kEnd},  // the last slot divides it down, but the table ran out
    {611953, {}, kEnd},
    {2 * 611953LL, {2}, kEnd},
    {611951LL * 611953, {611951}, kEnd},
    {611939LL * 611939 * 611939, {611939}, ""},
    {614889782588491410LL, {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47}, ""},
    // 2^63 - 1 = 7^2 * 73 * 127 * 337 * 92737 * 649657: the last is dropped.
    {std::numeric_limits<int64_t>::max(), {7, 73, 127, 337, 92737}, kRange + kEnd},
    // At the range limit itself: no range warning; 237694367 lies beyond the table.
    {9223362036854775807LL, {3, 1217, 1861, 5711}, kEnd},
    {-9223362036854775807LL - 1, {2}, kRange + kEnd},
    // -2^63: its magnitude is 2^63 exactly.
    {std::numeric_limits<int64_t>::min(), {2}, kRange},
    // Two primes near 2^31: the fast path's hardest split.
    {2147483647LL * 2147483629LL, {}, kEnd},
    {4611686014132420609LL, {}, kEnd},  // (2^31 - 1)^2
};

using Factorizer = FactorizeWarnings (*)(int64_t, std::span<int32_t>);

TEST(Factorize, RecordsTheTablePrimesAndWarns) {
  const std::vector<std::pair<const char*, Factorizer>> factorizers = {
      {"plain", static_cast<Factorizer>(&factorizeByTable)}, {"fast", &factorize}};
  for (const auto& [name, factorizer] : factorizers) {
    for (const Row& row : kRows) {
      SCOPED_TRACE(testing::Message() << name << " factorize(" << row.n << ")");
      // Slots outside 1 .. count + 1 must keep what the caller left there.
      std::array<int32_t, 20> slots;
      slots.fill(-7);
      // The warnings as the report prints them.
      OutputBuffer out;
      appendFactorizeWarnings(factorizer(row.n, slots), out);
      EXPECT_EQ(out.view(), row.printed);
      EXPECT_EQ(slots[0], -7);
      std::vector<int32_t> recorded;
      size_t i = 1;
      while (slots[i] != 0 && recorded.size() < 16) recorded.push_back(slots[i++]);
      EXPECT_EQ(recorded, row.primes);
      EXPECT_EQ(slots[row.primes.size() + 1], 0);
      for (size_t j = row.primes.size() + 2; j < slots.size(); ++j) EXPECT_EQ(slots[j], -7);
    }
  }
}

}  // namespace
}  // namespace velrin
