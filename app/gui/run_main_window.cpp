#include "app/gui/run_main_window.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <iostream>

#include "app/desktop/desktop_person.h"
#include "app/desktop/event_guard.h"
#include "app/gui/main_window.h"
#include "host/runtime.h"
#include "ks_version.h"

namespace kestrel::gui {

namespace {

// Time for the window to show and draw before a screenshot is taken.
constexpr int kScreenshotDelayMs = 700;

}  // namespace

int RunMainWindow(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
                  const std::string& screenshot) {
  int argc = 1;
  char* argv[] = {const_cast<char*>(programName), nullptr};
  // What a handler fails with is reported; the window and its scene stay.
  desktop::GuardedApplication app(argc, argv);
  QApplication::setOrganizationName("Kestrel");
  QApplication::setApplicationName("kestrel");
  QApplication::setApplicationVersion(KS_VERSION_TEXT);
  QApplication::setWindowIcon(QIcon::fromTheme("kestrel"));
  auto person = std::make_shared<desktop::DesktopPerson>("Kestrel");
  ctx.runtime.SetPerson(person);
  MainWindow window(ctx.runtime, person);
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

}  // namespace kestrel::gui
