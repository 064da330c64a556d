#pragma once
// The person behind File -> Open, a recent file or a file named on the
// command line: the file is already chosen, so the import dialog is worked
// without being shown (format from the extension, Import pressed, the file
// dialog answered with that file) while a progress window follows the run;
// its Cancel presses the dialog's Cancel, and the dialog's question and
// messages appear as the desktop person's message boxes.
#include <QPointer>
#include <QProgressDialog>
#include <string>

#include "app/desktop/desktop_person.h"

namespace kestrel::gui {

class FileImportPerson : public ks::Person {
 public:
  // formatIndex: item of the import dialog's format list.
  FileImportPerson(int formatIndex, std::string file, QWidget* parent);
  ~FileImportPerson() override;

  void ShowModal(ks::Form& form) override;
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon icon,
                           std::string_view title) override;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& request) override;
  void SetScreenPointer(int pointer) override { desktop_.SetScreenPointer(pointer); }
  void DoEvents() override;

  // True when the run closed the dialog: the scene holds what was read.
  bool RunFinished() const { return runFinished_; }

 private:
  desktop::DesktopPerson desktop_;
  int formatIndex_;
  std::string file_;
  QWidget* parent_;
  ks::Form* form_ = nullptr;
  QPointer<QProgressDialog> progress_;
  bool runFinished_ = false;
  bool cancelAsked_ = false;                           // the progress box's Cancel was pressed
  ks::MsgResult lastStopAnswer_ = ks::MsgResult::Yes;  // to "Do you want to stop Import?"
};

// Item of the import dialog's format list for a file name's extension
// (obj, dxf, 3ds, inc in any case), or -1.
int ImportFormatIndex(const std::string& fileName);

}  // namespace kestrel::gui
