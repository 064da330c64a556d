#pragma once
// The program's last line of defence around event handlers: an exception
// that escapes a handler (of the main window or of a plug-in's dialog) is
// reported to the person and the event counts as handled, so the program,
// and the scene it holds, go on. Qt itself would end the program.
#include <QApplication>
#include <functional>
#include <string>

namespace kestrel::desktop {

// Runs deliver and returns its result; an exception it throws is handed to
// report as its text (a handler that fails counts as having handled its
// event: true). report runs at most once per call and never throws on.
bool DeliverGuarded(const std::function<bool()>& deliver,
                    const std::function<void(const std::string&)>& report);

// The QApplication of the kestrel desktop: every event delivered through it
// is guarded by DeliverGuarded; what escapes is shown in a message box over
// the active window and written to stderr.
class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void Report(const std::string& what);
  bool reporting_ = false;  // a failure while the message shows only goes to stderr
};

}  // namespace kestrel::desktop
