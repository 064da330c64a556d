#pragma once
// kestrel trace: builds an extruded object from the outline of a picture
// through the path plug-in's dialog, worked by a scripted person.
#include <filesystem>
#include <optional>
#include <ostream>

#include "app/commands.h"

namespace kestrel {

struct TraceOptions {
  std::filesystem::path picture;
  std::optional<int> height;         // the "Height" row; the dialog's 40 when not given
  std::filesystem::path exportFile;  // empty: no export
  bool json = false;
  bool geometry = false;  // with json: vertex and triangle data
};

// Runs one trace; the summary or JSON goes to out, problems to err. Returns
// an exit code: kExitOk, or kExitFailed when the picture holds no outline,
// the outline crosses itself or a component reports an error.
int RunTrace(AppContext& ctx, const TraceOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kestrel
