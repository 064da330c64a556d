#pragma once
// The main window as a program: the Qt application around it, run until the
// window closes.
#include <string>
#include <vector>

#include "app/commands.h"

namespace kestrel::gui {

// The files are imported into the window's scene one after the other;
// screenshot: when not empty, the window is saved there once drawn and
// closed. Returns the exit code.
int RunMainWindow(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
                  const std::string& screenshot);

}  // namespace kestrel::gui
