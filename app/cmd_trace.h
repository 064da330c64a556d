#pragma once
// kestrel trace: builds an extruded object from the outline of a picture
// through the path plug-in's dialog, worked by a scripted person.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/render_options.h"
#include "host/ks_object.h"

namespace kestrel {

struct TraceOptions {
  std::filesystem::path picture;
  std::optional<int> height;         // the "Height" row; the dialog's 40 when not given
  std::filesystem::path exportFile;  // empty: no export
  RenderOptions render;              // output empty: no picture
  bool json = false;
  bool geometry = false;  // with json: vertex and triangle data
};

// What the dialog gave back from one trace.
struct TraceOutcome {
  ks::KsObjectRef object;             // the built object; null when none was built
  int32_t tracedPoints = 0;           // points of the traced path
  std::vector<std::string> messages;  // message boxes the dialog showed, in order
};

// Works the path plug-in's dialog for one trace. Component errors (a picture
// that cannot be read, a plug-in that cannot be created) are raised as
// ks::ComError.
TraceOutcome TraceThroughDialog(ks::Runtime& runtime, const TraceOptions& options);

// Runs one trace; the summary or JSON goes to out, problems to err. Returns
// an exit code: kExitOk, or kExitFailed when the picture holds no outline,
// the outline crosses itself, a component reports an error or a module the
// options need cannot be loaded.
int RunTrace(AppContext& ctx, const TraceOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kestrel
