// A long session must neither leak nor let one pass change the next: one
// Curve serves every pass, and its list of bad primes is rebuilt each time.
// Memory is read as the live bytes of the program's own allocations: in a
// sanitized build the sanitizer allocator's exact count; otherwise a count
// kept by the replacement operator new and delete below (glibc's own
// statistics would count the chunks its per-thread cache keeps as in use).
// Both are exact and depend neither on timing nor on how pages return.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"
#include "dialogue/reporting_curve.hpp"

#if defined(__SANITIZE_ADDRESS__)

extern "C" size_t __sanitizer_get_current_allocated_bytes();

namespace {
size_t liveHeapBytes() { return __sanitizer_get_current_allocated_bytes(); }
}  // namespace

#else

namespace {
std::atomic<size_t> gLiveBytes{0};
size_t liveHeapBytes() { return gLiveBytes.load(); }
}  // namespace

// Every C++ allocation of the test program passes here; the array forms
// call these by default.
void* operator new(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  gLiveBytes += malloc_usable_size(p);
  return p;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  gLiveBytes -= malloc_usable_size(p);
  std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

#endif

namespace velrin {
namespace {

// One pass of the mixed session: the lines typed for it, up to and without
// the final answer to the quit question.
struct Pass {
  const char* name;
  const char* lines;
};

const std::vector<Pass>& mixedPasses() {
  static const std::vector<Pass> passes = {
      {"singular", "0\n0\n"},
      {"eight bad primes", "1\n9699690\n"},
      {"nine bad primes", "-1\n223092870\n"},
      {"out of range, then a curve", "2147483648\n7\n-5\n"},
      {"too large", "2147483647\n1\n"},
      {"beyond the prime table", "611951\n1\n"},
      {"negative coefficients and a retried answer", "-4755\n-21449296\nmaybe\n"},
      {"additive at 3", "9\n3\n"},
  };
  return passes;
}

std::string banner() {
  return "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
}

// What a fresh session prints for one pass answered y, without the banner.
std::string freshPassOutput(const Pass& pass) {
  std::string input = pass.lines;
  input.append("y\n");
  LineReader in(input);
  char* buffer = nullptr;
  size_t length = 0;
  std::FILE* out = open_memstream(&buffer, &length);
  runDialogue(in, out);
  std::fclose(out);
  std::string text(buffer, length);
  std::free(buffer);
  return text.substr(std::min(text.size(), banner().size()));
}

// An output stream that compares what is written with the expected session
// as it goes, so the session's output needs no memory of its own, and that
// samples the live heap at every write.
class CheckingSink {
 public:
  CheckingSink(const std::vector<std::string>& bodies, size_t passes)
      : bodies_(bodies), passes_(passes) {
    pending_ = banner();
  }

  std::FILE* open() {
    cookie_io_functions_t io{};
    io.write = [](void* self, const char* data, size_t size) -> ssize_t {
      static_cast<CheckingSink*>(self)->take(std::string_view(data, size));
      return static_cast<ssize_t>(size);
    };
    return fopencookie(this, "w", io);
  }

  /// True when every byte matched and the whole session was written.
  bool matchedAll() const { return !mismatch_ && pending_.empty() && nextPass_ == passes_; }
  size_t bytesChecked() const { return checked_; }
  size_t peakLiveBytes() const { return peak_; }

 private:
  void take(std::string_view data) {
    peak_ = std::max(peak_, liveHeapBytes());
    while (!data.empty() && !mismatch_) {
      if (pending_.empty()) {
        if (nextPass_ == passes_) {
          mismatch_ = true;  // output past the end of the session
          break;
        }
        pending_ = bodies_[nextPass_ % bodies_.size()];
        ++nextPass_;
      }
      const size_t n = std::min(pending_.size(), data.size());
      if (pending_.compare(0, n, data.substr(0, n)) != 0) mismatch_ = true;
      pending_.erase(0, n);
      data.remove_prefix(n);
      checked_ += n;
    }
  }

  const std::vector<std::string>& bodies_;
  size_t passes_;
  size_t nextPass_ = 0;
  std::string pending_;
  size_t checked_ = 0;
  size_t peak_ = 0;
  bool mismatch_ = false;
};

struct SessionResult {
  bool matched = false;
  size_t peakGrowth = 0;  // peak live heap during the session over the start
};

// Runs `count` passes cycling through the mixed passes, all answered n but
// the last; the output must be the fresh passes' outputs in the same order.
SessionResult runMixedSession(size_t count, const std::vector<std::string>& bodies) {
  std::string input;
  for (size_t i = 0; i < count; ++i) {
    input.append(mixedPasses()[i % mixedPasses().size()].lines);
    input.append(i + 1 == count ? "y\n" : "n\n");
  }
  CheckingSink sink(bodies, count);
  const size_t start = liveHeapBytes();
  std::FILE* out = sink.open();
  LineReader in(input);
  const int status = runDialogue(in, out);
  std::fclose(out);
  SessionResult result;
  result.matched = status == 0 && sink.matchedAll();
  result.peakGrowth = sink.peakLiveBytes() > start ? sink.peakLiveBytes() - start : 0;
  return result;
}

TEST(LongSession, TwentyThousandPassesMatchFreshRunsInFlatMemory) {
  std::vector<std::string> bodies;
  for (const Pass& pass : mixedPasses()) bodies.push_back(freshPassOutput(pass));
  // Each body is one whole pass: the report and one or two quit prompts.
  for (size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(mixedPasses()[i].name);
    EXPECT_NE(bodies[i].find("Quit? (y/n) >"), std::string::npos);
  }

  const size_t before = liveHeapBytes();
  const SessionResult shortRun = runMixedSession(2000, bodies);
  const SessionResult longRun = runMixedSession(20000, bodies);
  const size_t after = liveHeapBytes();
  EXPECT_TRUE(shortRun.matched);
  EXPECT_TRUE(longRun.matched);
  // A Curve reuses its list from pass to pass: ten times the passes may
  // not need more heap at its peak than a few stray bytes beyond the short
  // session's peak. A node kept per pass would add megabytes.
  EXPECT_LE(longRun.peakGrowth, shortRun.peakGrowth + 16 * 1024)
      << "short session peak " << shortRun.peakGrowth << " bytes, long " << longRun.peakGrowth;
  EXPECT_LE(after, before + 1024) << "heap grew by " << (after - before) << " bytes";
}

// Destroying a Curve, or giving it new coefficients, releases every node of
// the list it held.
struct ReleaseCase {
  const char* name;
  int32_t a;
  int32_t b;
  size_t minimumNodes;  // bad-prime nodes the list must hold, to be meaningful
};

size_t badPrimeNodes(const Curve& curve) {
  size_t count = 0;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) ++count;
  return count;
}

TEST(LongSession, CurveReleasesEveryNode) {
  const std::vector<ReleaseCase> cases = {
      {"nine bad primes", -1, 223092870, 9},
      {"eight bad primes", 1, 9699690, 8},
      {"two bad primes", 1, 1, 2},
      {"too large", 2147483647, 1, 0},
      {"singular", 0, 0, 0},
  };
  std::FILE* out = std::fopen("/dev/null", "w");
  ASSERT_NE(out, nullptr);
  // The stream's buffer is allocated at its first write, not by a curve.
  std::fputs("warm-up\n", out);
  {
    ReportingCurve warmUp(out);
    warmUp.setCoefficients(1, 1);
  }  // the prime table, once
  for (const ReleaseCase& row : cases) {
    SCOPED_TRACE(row.name);
    const size_t before = liveHeapBytes();
    {
      ReportingCurve curve(out);
      const size_t empty = liveHeapBytes();
      curve.setCoefficients(row.a, row.b);
      ASSERT_GE(badPrimeNodes(curve), row.minimumNodes);
      printReport(curve);
      // New coefficients free the previous list before building their own:
      // a singular curve leaves exactly what a fresh Curve holds.
      curve.setCoefficients(0, 0);
      EXPECT_EQ(liveHeapBytes(), empty);
      curve.setCoefficients(row.a, row.b);
    }
    EXPECT_EQ(liveHeapBytes(), before);
  }
  std::fclose(out);
}

}  // namespace
}  // namespace velrin
