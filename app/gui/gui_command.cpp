// kestrel gui [FILE...], and kestrel without a command: the main window, with
// the files named imported into its scene one after the other.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QIcon>

#include "app/commands.h"
#include "app/desktop/desktop_person.h"
#include "app/gui/main_window.h"
#include "host/runtime.h"
#include "ks_version.h"

namespace kestrel {

int RunGui(AppContext& ctx, const std::vector<std::string>& files, const char* programName) {
  int argc = 1;
  char* argv[] = {const_cast<char*>(programName), nullptr};
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Kestrel");
  QApplication::setApplicationName("kestrel");
  QApplication::setApplicationVersion(KS_VERSION_TEXT);
  QApplication::setWindowIcon(QIcon::fromTheme("kestrel"));
  auto person = std::make_shared<desktop::DesktopPerson>("Kestrel");
  ctx.runtime.SetPerson(person);
  gui::MainWindow window(ctx.runtime, person);
  window.show();
  for (const std::string& file : files) window.OpenFile(QString::fromStdString(file));
  int rc = QApplication::exec();
  ctx.runtime.SetPerson(nullptr);
  return rc == 0 ? kExitOk : kExitFailed;
}

void AddGuiCommand(CLI::App& app, CommandRunner& runner, const char* programName) {
  auto files = std::make_shared<std::vector<std::string>>();
  auto* cmd = app.add_subcommand("gui", "Open the main window, importing the files named");
  cmd->add_option("FILE", *files, "files to import (obj, dxf, 3ds, inc)");
  cmd->callback([&runner, files, programName] {
    runner = [files, programName](AppContext& ctx) { return RunGui(ctx, *files, programName); };
  });
}

}  // namespace kestrel
