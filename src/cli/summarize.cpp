#include "cli/summarize.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cli/line_source.hpp"
#include "cli/record_reading.hpp"
#include "cli/tally.hpp"
#include "render/message_text.hpp"

extern char** environ;

namespace velrin::cli {

namespace {

// The statuses of records that stand for an input line without a curve:
// they count as bad lines, as the run that wrote them counted them.
bool isLineFailure(std::string_view status) {
  return status == kErrorStatus || status == "no_3_torsion" || status == "singular_model" ||
         status == "beyond_32_bits" || status == "unknown_label";
}

bool endsWith(const std::string& name, std::string_view suffix) {
  return name.size() > suffix.size() && std::string_view(name).ends_with(suffix);
}

// The bytes of a file, through its decompressor when its name says it is
// compressed. child is the decompressor's pid, -1 for none.
int openRecords(const std::string& name, pid_t& child) {
  child = -1;
  if (name == "-") return STDIN_FILENO;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const char* tool = endsWith(name, ".gz") ? "gzip" : endsWith(name, ".zst") ? "zstd" : nullptr;
  if (tool == nullptr) return fd;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    ::close(fd);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  char program[8];
  std::snprintf(program, sizeof program, "%s", tool);
  char decompress[] = "-dc";
  char* argv[] = {program, decompress, nullptr};
  const int spawned = posix_spawnp(&child, tool, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fd);
  ::close(ends[1]);
  if (spawned != 0) {
    ::close(ends[0]);
    child = -1;
    errno = spawned;
    return -1;
  }
  return ends[0];
}

}  // namespace

Outcome runSummarize(const SummarizeOptions& options) {
  Tally total;
  int status = 0;
  for (const std::string& name : options.files) {
    pid_t child = -1;
    const int fd = openRecords(name, child);
    if (fd < 0) return stopped(2, "cannot open " + printable(name) + ": " + std::strerror(errno));
    LineSource source(fd);
    std::string_view line;
    bool tooLong = false;
    uint64_t number = 0;
    bool formatKnown = false;
    Format format = Format::kJsonLines;
    CsvColumns columns;  // from the file's header; shards concatenated repeat theirs
    while (source.next(line, tooLong)) {
      ++number;
      if (line.empty()) continue;
      if (!formatKnown) {
        formatKnown = true;
        format = line.front() == '{' ? Format::kJsonLines : Format::kCsv;
      }
      if (format == Format::kCsv && looksLikeCsvHeader(line)) {
        if (const std::optional<CsvColumns> found = CsvColumns::fromHeader(line)) {
          columns = *found;
          continue;
        }
      }
      if (const std::optional<RecordOutcome> outcome = recordOutcome(line, format, columns)) {
        total.add(outcome->status, outcome->selmerDims);
      } else if (!tooLong && isLineFailure(recordStatus(line, format, columns))) {
        total.addBadLine();
      } else {
        std::fprintf(stderr, "velrin: %s:%" PRIu64 ": not a record of velrin\n",
                     printable(name).c_str(), number);
        status = 1;
      }
    }
    if (source.error() != 0) {
      std::fprintf(stderr, "velrin: cannot read %s: %s\n", printable(name).c_str(),
                   std::strerror(source.error()));
      status = 1;
    }
    if (fd != STDIN_FILENO) ::close(fd);
    if (child > 0) {
      int childStatus = 0;
      ::waitpid(child, &childStatus, 0);
      if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
        std::fprintf(stderr, "velrin: cannot decompress %s\n", printable(name).c_str());
        status = 1;
      }
    }
  }
  if (options.json) {
    const std::string text = total.json();
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    total.print(stdout);
  }
  if (std::fflush(stdout) != 0) return finished(1);
  return finished(status);
}

}  // namespace velrin::cli
