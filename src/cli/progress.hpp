#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace velrin::cli {

/// A one-line meter on a terminal: curves done of all, the rate and the
/// time left, redrawn a few times a second and cleared at the end. Off, it
/// prints nothing at all.
class Progress {
 public:
  /// total is the number of curves to do, 0 when unknown (a batch).
  Progress(std::FILE* out, bool enabled, uint64_t total);
  ~Progress() { finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  /// Counts curves done; redraws when the last drawing is old enough.
  void advance(uint64_t curves);
  /// What the meter counts: "curves" unless set ("lines" for a batch from
  /// a file, whose total is its number of lines).
  void setUnit(const char* unit) { unit_ = unit; }
  /// The records that a resumed run found already written, shown beside
  /// the count of this run's.
  void setAlreadyThere(uint64_t records) { alreadyThere_ = records; }
  /// Clears the meter's line for a message; the next drawing brings it
  /// back.
  void clear();
  /// Clears the meter's line; later calls draw nothing.
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void draw(Clock::time_point now);

  std::FILE* out_;
  bool enabled_;
  uint64_t total_;
  uint64_t done_ = 0;
  const char* unit_ = "curves";
  uint64_t alreadyThere_ = 0;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

/// True when velrin should show a meter on stderr: it is a terminal and
/// --quiet was not given.
bool progressWanted(bool quiet);

}  // namespace velrin::cli
