// The desktop module: the main window (Qt Widgets, OpenGL viewport).
#include "app/gui/run_main_window.h"
#include "app/modules/module_api.h"

extern "C" const kestrel::DesktopModule* KestrelDesktopModule() {
  static const kestrel::DesktopModule table{kestrel::kModuleInterfaceVersion,
                                            kestrel::gui::RunMainWindow};
  return &table;
}
