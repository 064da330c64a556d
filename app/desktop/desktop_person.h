#pragma once
// The person at the desktop: message boxes, the open-file dialog, the screen's
// mouse pointer and the event pump, all through Qt Widgets. A QApplication
// must exist on the calling thread for as long as this person is used.
//
// Contract with plug-ins and the main window:
// - IsDesktop() is true: plug-ins show their own Qt view of a form and run it
//   modally; ShowModal is only reached by a form without a view, which is then
//   closed at once, as without a person.
// - MessageBox and ChooseOpenFile open application-modal dialogs parented to
//   the active modal window (the plug-in's dialog), else to the active window.
//   The file dialog is Qt's own (not the platform's), so tests can find it
//   among the top-level widgets and set its file.
// - SetScreenPointer sets one application-wide override cursor (cross, west-
//   east arrows, hourglass = Qt's wait cursor); the default pointer removes it.
// - DoEvents processes pending Qt events: paints, progress, Cancel clicks.
#include <string>
#include <vector>

#include "host/person.h"

namespace kestrel::desktop {

class DesktopPerson : public ks::Person {
 public:
  // defaultTitle is the title of message boxes that name none.
  explicit DesktopPerson(std::string defaultTitle = "Kestrel");
  ~DesktopPerson() override;

  void ShowModal(ks::Form& form) override;
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon icon,
                           std::string_view title) override;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& request) override;
  void SetScreenPointer(int pointer) override;
  void DoEvents() override;
  bool IsDesktop() const override { return true; }

 private:
  std::string defaultTitle_;
  bool cursorOverridden_ = false;
};

// Qt's name filters from a "description|patterns|description|patterns" filter:
// "*.obj|*.obj" gives {"*.obj (*.obj)"}; a description that already ends in
// its parenthesised patterns is kept; ';' between patterns becomes ' '.
std::vector<std::string> QtNameFilters(const std::string& filter);

}  // namespace kestrel::desktop
