// kestrel gui [FILE...], and kestrel without a command: the main window, with
// the files named imported into its scene one after the other.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <iostream>

#include "app/commands.h"
#include "app/desktop/desktop_person.h"
#include "app/gui/main_window.h"
#include "host/runtime.h"
#include "ks_version.h"

namespace kestrel {

namespace {

// Time for the window to show and draw before a screenshot is taken.
constexpr int kScreenshotDelayMs = 700;

}  // namespace

int RunGui(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
           const std::string& screenshot) {
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
  bool saved = true;
  if (!screenshot.empty())
    QTimer::singleShot(kScreenshotDelayMs, &window, [&] {
      saved = window.grab().save(QString::fromStdString(screenshot));
      if (!saved) std::cerr << "kestrel: cannot write the screenshot " << screenshot << "\n";
      QApplication::quit();
    });
  int rc = QApplication::exec();
  if (!saved) rc = 1;
  ctx.runtime.SetPerson(nullptr);
  return rc == 0 ? kExitOk : kExitFailed;
}

void AddGuiCommand(CLI::App& app, CommandRunner& runner, const char* programName) {
  struct GuiOptions {
    std::vector<std::string> files;
    std::string screenshot;
  };
  auto opt = std::make_shared<GuiOptions>();
  auto* cmd = app.add_subcommand("gui", "Open the main window, importing the files named");
  cmd->add_option("FILE", opt->files, "files to import (obj, dxf, 3ds, inc)");
  cmd->add_option("--screenshot", opt->screenshot,
                  "save a picture of the window once it has drawn, then quit");
  cmd->callback([&runner, opt, programName] {
    runner = [opt, programName](AppContext& ctx) {
      return RunGui(ctx, opt->files, programName, opt->screenshot);
    };
  });
}

}  // namespace kestrel
