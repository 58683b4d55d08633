// Where the time of a scan goes, in-process and on one thread: the
// analysis of each pair, then the rendering of the same analyses as JSON
// lines, CSV and text by velrin's writers, and, for comparison, as JSON
// built and dumped by nlohmann-json. Usage:
//
//   velrin_record_bench [pairs]
//
// The pairs are spread evenly over the box A in [-1000, 1000], B in
// [1, 5000] of the scan target (default 200,000 of its 10,005,000).

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/scan_box.hpp"
#include "descent/curve_analysis.hpp"
#include "render/output_buffer.hpp"
#include "render/records.hpp"

namespace velrin {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The record as a JSON library would build it, field for field.
nlohmann::json libraryRecord(const CurveAnalysis& analysis) {
  nlohmann::json record;
  record["a"] = analysis.a;
  record["b"] = analysis.b;
  record["ainvs"] = {analysis.a, 0, analysis.b, 0, 0};
  record["rules"] = "true";
  record["status"] = "analysed";
  record["scale"] = analysis.scale;
  nlohmann::json primes = nlohmann::json::array();
  for (const LocalDatum& datum : analysis.badPrimes()) {
    primes.push_back({{"p", static_cast<uint64_t>(datum.prime)},
                      {"kodaira", kodairaText(datum.kodaira)},
                      {"image", imageKey(datum.image)},
                      {"term", datum.term}});
  }
  record["bad_primes"] = primes;
  record["warnings"] = nlohmann::json::array();
  record["dim_sel_e_hat"] = analysis.dimSelmerEHat;
  record["dim_sel_e"] = analysis.dimSelmerE;
  record["rank_bound"] = analysis.rankBound();
  return record;
}

}  // namespace
}  // namespace velrin

int main(int argc, char** argv) {
  using namespace velrin;
  const uint64_t pairs = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
  const cli::Box box({-1000, 1000}, {1, 5000});
  const uint64_t total = *box.pairCount();
  const uint64_t step = total / pairs;

  // Analyses are kept for the rendering passes, a few thousand of them,
  // reused in turn.
  constexpr size_t kKept = 4096;
  std::vector<CurveAnalysis> kept(kKept);
  (void)analyzeCurve(1, 1);  // the prime table and any other first-use cost
  Clock::time_point start = Clock::now();
  for (uint64_t i = 0; i < pairs; ++i) {
    const auto [a, b] = box.pairAt(i * step);
    kept[i % kKept] = analyzeCurve(a, b);
  }
  const double analyse = secondsSince(start) / static_cast<double>(pairs);

  const auto timeWriter = [&](Format format) {
    RecordWriter writer(format);
    OutputBuffer out;
    uint64_t bytes = 0;
    const Clock::time_point begin = Clock::now();
    for (uint64_t i = 0; i < pairs; ++i) {
      writer.curve(kept[i % kKept], 0, out);
      if (out.size() > (1U << 16)) {
        bytes += out.size();
        out.clear();
      }
    }
    bytes += out.size();
    return std::pair{secondsSince(begin) / static_cast<double>(pairs),
                     static_cast<double>(bytes) / static_cast<double>(pairs)};
  };
  const auto [json, jsonBytes] = timeWriter(Format::kJsonLines);
  const auto [csv, csvBytes] = timeWriter(Format::kCsv);
  const auto [text, textBytes] = timeWriter(Format::kText);

  start = Clock::now();
  uint64_t libraryBytes = 0;
  for (uint64_t i = 0; i < pairs; ++i) {
    libraryBytes += libraryRecord(kept[i % kKept]).dump().size() + 1;
  }
  const double library = secondsSince(start) / static_cast<double>(pairs);

  std::printf("%" PRIu64 " pairs of the box A in [-1000, 1000], B in [1, 5000], one thread\n",
              pairs);
  std::printf("%-40s %8.0f ns/curve\n", "analyzeCurve", analyse * 1e9);
  std::printf("%-40s %8.0f ns/record  %5.0f bytes\n", "JSON line, velrin's writer", json * 1e9,
              jsonBytes);
  std::printf("%-40s %8.0f ns/record  %5.0f bytes\n", "CSV row, velrin's writer", csv * 1e9,
              csvBytes);
  std::printf("%-40s %8.0f ns/record  %5.0f bytes\n", "text report, writeTextReport", text * 1e9,
              textBytes);
  std::printf("%-40s %8.0f ns/record  %5.0f bytes\n", "JSON line, nlohmann-json build + dump",
              library * 1e9, static_cast<double>(libraryBytes) / static_cast<double>(pairs));
  std::printf("%-40s %8.0f curves/s\n", "analysis + JSON writer, predicted", 1 / (analyse + json));
  return 0;
}
