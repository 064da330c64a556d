#pragma once
// Runs the jobs of `kestrel convert`, several at a time. Each file is
// imported and exported by a `kestrel import FILE --export OUT` process of
// its own: a fresh runtime and scene per file, so that a file that crashes its
// import fails alone. Each of the N places of `--jobs N` has a registry of
// the batch's own, kept in memory where the system allows: the person's
// settings are left alone, imports at work at once never wait for each
// other's registry lock, and once the plug-ins are registered there a file
// costs at most the write of the format it was.
// Each export is written into a work folder beside its output and renamed
// into place once whole, so an interrupted or failed run leaves no partial
// file, and many runs may work on one folder at once.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/cmd_convert_plan.h"

namespace kestrel {

struct ConvertRunOptions {
  std::filesystem::path program;             // the kestrel executable
  std::vector<std::string> importArguments;  // --format and the import flags
  unsigned jobs = 1;
  bool showProgress = false;  // one progress line on `err`, redrawn in place
  bool listConverted = true;  // "IN -> OUT" on `out` as each file is done
};

struct ConvertFailure {
  std::filesystem::path input;
  std::string message;
};

struct ConvertOutcome {
  std::vector<ConvertJob> converted;
  std::vector<ConvertFailure> failed;
  size_t notDone = 0;       // stopped, or never started, by an interrupt
  int interruptSignal = 0;  // SIGINT or SIGTERM when the batch was stopped
};

// Runs the jobs until all are done or SIGINT/SIGTERM arrives, which is passed
// on to the running imports; their work folders are removed.
ConvertOutcome RunConversion(const std::vector<ConvertJob>& jobs, const ConvertRunOptions& options,
                             std::ostream& out, std::ostream& err);

}  // namespace kestrel
