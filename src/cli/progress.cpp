#include "cli/progress.hpp"

#include <unistd.h>

#include <cinttypes>

namespace velrin::cli {

Progress::Progress(std::FILE* out, bool enabled, uint64_t total)
    : out_(out), enabled_(enabled), total_(total), start_(Clock::now()), lastDraw_(start_) {}

void Progress::advance(uint64_t curves) {
  done_ += curves;
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now - lastDraw_ >= std::chrono::milliseconds(250)) draw(now);
}

void Progress::draw(Clock::time_point now) {
  lastDraw_ = now;
  drawn_ = true;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
  // \r returns to the start of the line, ESC[K clears the rest of it.
  if (total_ == 0) {
    std::fprintf(out_, "\r%" PRIu64 " %s, %.0f/s", done_, unit_, rate);
  } else {
    const uint64_t done = done_ < total_ ? done_ : total_;
    const double left = rate > 0 ? static_cast<double>(total_ - done) / rate : 0;
    const auto leftSeconds = static_cast<uint64_t>(left);
    std::fprintf(out_,
                 "\r%" PRIu64 " of %" PRIu64 " %s (%.1f%%), %.0f/s, %" PRIu64 ":%02" PRIu64
                 ":%02" PRIu64 " left",
                 done, total_, unit_,
                 100.0 * static_cast<double>(done) / static_cast<double>(total_), rate,
                 leftSeconds / 3600, leftSeconds / 60 % 60, leftSeconds % 60);
  }
  if (alreadyThere_ != 0) {
    std::fprintf(out_, "; %" PRIu64 " records were already there", alreadyThere_);
  }
  std::fputs("\033[K", out_);
  std::fflush(out_);
}

void Progress::clear() {
  if (!drawn_) return;
  drawn_ = false;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
}

void Progress::finish() {
  clear();
  enabled_ = false;
}

bool progressWanted(bool quiet) { return !quiet && ::isatty(STDERR_FILENO) == 1; }

}  // namespace velrin::cli
