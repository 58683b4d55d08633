// velrin._core: the records of the library, rendered by the same writer as
// `velrin batch --format jsonl`, for the Python package beside it
// (python/velrin/__init__.py), which parses them into dicts. Arguments are
// checked there; here they arrive in range.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "cli/curve_input.hpp"
#include "cli/distinct_pairs.hpp"
#include "cli/scan_box.hpp"
#include "curve/cremona_label.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/rank_search.hpp"
#include "descent/workspace.hpp"
#include "render/output_buffer.hpp"
#include "render/records.hpp"

namespace py = pybind11;

namespace velrin::python {

namespace {

Rules rulesOf(bool classic) { return classic ? Rules::kClassic : Rules::kTrue; }

// The record of one pair, as a batch writes it outside a batch (no line);
// height 0 for no rank search.
void appendRecord(const CurveAnalysis& analysis, const CurveOrigin* origin, int32_t height,
                  OutputBuffer& out) {
  if (height == 0) {
    appendJsonRecord(analysis, 0, origin, out);
    return;
  }
  const RankSearch rank = searchRank(analysis, height);
  appendJsonRecord(analysis, 0, origin, out, &rank);
}

std::string pairRecord(int32_t a, int32_t b, bool classic, int32_t height) {
  OutputBuffer out;
  {
    const py::gil_scoped_release unlocked;
    appendRecord(analyzeCurve(a, b, rulesOf(classic)), nullptr, height, out);
  }
  return std::string(out.view());
}

// Cremona's tables, each file read on the first label that needs it and
// kept for the process, as a batch keeps them for its run.
CremonaTables& tables() {
  static CremonaTables shared;
  return shared;
}

// The record of a curve given as a model or a label, or of the failure to
// move it to (A, B); text is the curve as a batch line would give it.
std::string curveRecord(cli::CurveInputKind kind, const WeierstrassModel& model,
                        const std::string& text, bool classic, int32_t height) {
  OutputBuffer out;
  {
    const py::gil_scoped_release unlocked;
    const CurveInput input = cli::resolveCurve(kind, model, text, tables());
    if (input.converted) {
      appendRecord(analyzeCurve(input.a, input.b, rulesOf(classic)), &input.origin, height, out);
    } else {
      appendJsonCurveFailure(0, text, input, rulesOf(classic), out);
    }
  }
  return std::string(out.view());
}

std::string modelRecord(const WeierstrassModel& model, bool classic, int32_t height) {
  std::string text = "[";
  for (size_t i = 0; i < model.size(); ++i) {
    if (i != 0) text += ',';
    text += std::to_string(model[i]);
  }
  text += ']';
  return curveRecord(cli::CurveInputKind::kModel, model, text, classic, height);
}

// A label, or a model written as text "[a1,a2,a3,a4,a6]" as --curve takes
// it; text that is neither raises ValueError with the reason.
std::string textRecord(const std::string& text, bool classic, int32_t height) {
  cli::CurveInputKind kind = cli::CurveInputKind::kModel;
  WeierstrassModel model{};
  std::string_view reason;
  if (!cli::parseCurveArgument(text, kind, model, reason)) {
    throw py::value_error(std::string(reason) + ", not \"" + text + "\"");
  }
  return curveRecord(kind, model, text, classic, height);
}

// The records of a box in scan order, a chunk at a time, so that Python
// holds one chunk, never the box.
class BoxRecords {
 public:
  BoxRecords(int32_t aMin, int32_t aMax, int32_t bMin, int32_t bMax, bool distinct, bool classic,
             int32_t height)
      : box_({aMin, aMax}, {bMin, bMax}),
        distinct_(distinct),
        rules_(rulesOf(classic)),
        height_(height) {
    const std::optional<uint64_t> count = box_.pairCount();
    if (!count) throw py::value_error("the box holds 2^64 pairs, more than a scan can number");
    end_ = *count;
  }

  /// The JSON lines of the next pairs (none, with distinct, when each was
  /// met before in its class), or None after the last pair.
  std::optional<std::string> nextChunk() {
    if (next_ >= end_) return std::nullopt;
    const uint64_t count = std::min(kChunkPairs, end_ - next_);
    OutputBuffer out;
    {
      const py::gil_scoped_release unlocked;
      for (uint64_t i = next_; i < next_ + count; ++i) {
        const auto [a, b] = box_.pairAt(i);
        if (distinct_ && !cli::firstOfClassInBox(box_, a, b)) continue;
        appendRecord(analyzeCurve(a, b, rules_), nullptr, height_, out);
      }
    }
    next_ += count;
    return std::string(out.view());
  }

 private:
  // Small enough that the first records come at once, large enough that
  // the GIL changes hands rarely.
  static constexpr uint64_t kChunkPairs = 256;

  cli::Box box_;
  bool distinct_;
  Rules rules_;
  int32_t height_;
  uint64_t next_ = 0;
  uint64_t end_ = 0;
};

}  // namespace

}  // namespace velrin::python

PYBIND11_MODULE(_core, module) {
  using namespace velrin::python;
  module.doc() = "velrin's records as JSON lines; use the package velrin, not this module";
  // PARI and the tables are set up on the importing thread, which in a
  // Python process is the main one and outlives the others.
  velrin::startAnalysis();
  module.attr("default_height") = velrin::kDefaultSearchHeight;
  module.attr("max_height") = velrin::kMaxSearchHeight;
  module.def("pair_record", &pairRecord, py::arg("a"), py::arg("b"), py::arg("classic"),
             py::arg("height"));
  module.def("model_record", &modelRecord, py::arg("model"), py::arg("classic"), py::arg("height"));
  module.def("text_record", &textRecord, py::arg("text"), py::arg("classic"), py::arg("height"));
  py::class_<BoxRecords>(module, "BoxRecords")
      .def(py::init<int32_t, int32_t, int32_t, int32_t, bool, bool, int32_t>(), py::arg("a_min"),
           py::arg("a_max"), py::arg("b_min"), py::arg("b_max"), py::arg("distinct"),
           py::arg("classic"), py::arg("height"))
      .def("next_chunk", &BoxRecords::nextChunk);
}
