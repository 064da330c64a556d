#include "app/desktop/event_guard.h"

#include <QMessageBox>
#include <exception>
#include <iostream>

#include "host/com_error.h"

namespace kestrel::desktop {

bool DeliverGuarded(const std::function<bool()>& deliver,
                    const std::function<void(const std::string&)>& report) {
  std::string what;
  try {
    return deliver();
  } catch (const ks::ComError& e) {
    what = e.description();
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
    what = "an unknown error";
  }
  try {
    report(what);
  } catch (...) {
    std::cerr << "kestrel: " << what << "\n";
  }
  return true;
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  return DeliverGuarded([&] { return QApplication::notify(receiver, event); },
                        [this](const std::string& what) { Report(what); });
}

void GuardedApplication::Report(const std::string& what) {
  std::cerr << "kestrel: " << what << "\n";
  if (reporting_) return;
  reporting_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{reporting_};
  QWidget* parent = activeModalWidget() ? activeModalWidget() : activeWindow();
  QMessageBox::warning(parent, "Kestrel",
                       QString::fromStdString("The action stopped with an error: " + what +
                                              "\n\nEverything else is kept as it was."));
}

}  // namespace kestrel::desktop
