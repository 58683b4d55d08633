#include "curve/cremona_label.hpp"

#include <pari/pari.h>
#include <sys/stat.h>

#include "arith/pari_factor.hpp"

namespace velrin {

namespace {

// The library holds a whole file of the tables on its stack while it
// walks it: a few MiB, far beyond a thread's usual stack.
constexpr size_t kTableStackBytes = size_t{256} << 20U;

// Conductors beyond this are in no table (they end far below).
constexpr int64_t kMaxConductor = 999'999'999;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }

// Without the directory elldata/ of the library's data, no label can be
// read.
bool tablesInstalled() {
  if (pari_datadir == nullptr) return false;
  const std::string directory = std::string(pari_datadir) + "/elldata";
  struct stat status {};
  return ::stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

struct BlockReading {
  int64_t first = 0;  // conductors first .. first + 999
  std::unordered_map<std::string, WeierstrassModel>* block = nullptr;
};

// forell's callback: one curve [label, [a1, a2, a3, a4, a6], generators].
long keepCurve(void* data, GEN entry) {
  auto* reading = static_cast<BlockReading*>(data);
  const GEN ainvs = gel(entry, 2);
  WeierstrassModel model{};
  for (long i = 1; i <= 5; ++i) {
    const GEN a = gel(ainvs, i);
    if (typ(a) != t_INT || is_bigint(a)) return 0;  // beyond 64 bits: left out
    model[static_cast<size_t>(i - 1)] = itos(a);
  }
  (*reading->block)[GSTR(gel(entry, 1))] = model;
  return 0;
}

// Reads one file of the tables on a thread with a stack large enough; a
// file that is missing (a conductor beyond the tables) leaves it empty.
void readBlock(BlockReading& reading) {
  runOnPariThread(
      kTableStackBytes,
      [](void* arg) {
        auto* job = static_cast<BlockReading*>(arg);
        const pari_sp top = avma;
        pari_CATCH(CATCH_ALL) { job->block->clear(); }
        pari_TRY { forell(job, keepCurve, job->first, job->first + 999, 0); }
        pari_ENDCATCH;
        set_avma(top);
      },
      &reading);
}

}  // namespace

bool isCurveLabel(std::string_view text) {
  size_t i = 0;
  const auto run = [&](bool (*accept)(char)) {
    const size_t start = i;
    while (i < text.size() && accept(text[i])) ++i;
    return i - start;
  };
  if (text.empty() || text[0] == '0') return false;
  return run(isDigit) > 0 && run(isLower) > 0 && run(isDigit) > 0 && i == text.size();
}

LabelLookup CremonaTables::find(std::string_view label) {
  LabelLookup result;
  if (!isCurveLabel(label)) {
    result.status = LabelStatus::kMalformed;
    return result;
  }
  enterPariThread();
  if (!tablesInstalled()) {
    result.status = LabelStatus::kNoTables;
    return result;
  }
  int64_t conductor = 0;
  for (const char c : label) {
    if (!isDigit(c)) break;
    // Stops past kMaxConductor, so it cannot overflow.
    if (conductor <= kMaxConductor) conductor = conductor * 10 + (c - '0');
  }
  if (conductor > kMaxConductor) return result;  // kNotInTable
  // One file at a time: the threads that need the same file wait for it.
  std::lock_guard lock(mutex_);
  const int64_t index = conductor / 1000;
  auto [at, fresh] = blocks_.try_emplace(index);
  if (fresh) {
    BlockReading reading{index * 1000, &at->second};
    readBlock(reading);
  }
  const auto curve = at->second.find(std::string(label));
  if (curve == at->second.end()) return result;  // kNotInTable
  result.status = LabelStatus::kFound;
  result.model = curve->second;
  return result;
}

}  // namespace velrin
