#pragma once
// The person behind `kestrel import`: works the import dialog from the
// command line's answers. Picks the format, ticks the options, presses Import
// and answers the file dialog with the given file; prints message boxes to
// stderr; turns an interrupt (Ctrl-C) into Cancel answered with Yes; on a
// terminal draws the dialog's progress bar on stderr during long imports.
//
// It works the dialog only through its controls and events by name, as any
// view would, so it needs nothing of the plug-in but its form.
#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <vector>

#include "host/person.h"

namespace kestrel {

struct ImportAnswers {
  int formatIndex = 0;  // item of the format list
  bool importNormals = false;
  bool smoothAll = false;
  bool autoSmooth = false;
  std::string file;  // the file dialog's answer
  bool splitObjects = false;
  bool importMaterials = false;
  int threads = -1;  // threads reading one large file (0: every core); -1: the registry's
};

class ScriptedImportPerson : public ks::Person {
 public:
  // interrupt: set (by a signal handler) when the user asks to stop; may be null.
  ScriptedImportPerson(ImportAnswers answers, std::ostream& err,
                       const volatile std::sig_atomic_t* interrupt, bool showProgress);

  void ShowModal(ks::Form& form) override;
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon icon,
                           std::string_view title) override;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& request) override;
  void SetScreenPointer(int) override {}
  void DoEvents() override;

  // True when the run itself closed the dialog (the import went through).
  bool RunFinished() const { return runFinished_; }
  // True when a stop was asked for after an interrupt.
  bool Interrupted() const { return stopRequested_; }
  // True when the dialog showed a warning or error message.
  bool ErrorShown() const { return errorShown_; }
  // The information messages' lines: what the run passed over.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // The file dialog's start folder and filter as the dialog asked for them.
  const ks::OpenFileRequest& FileRequest() const { return fileRequest_; }

 private:
  void DrawProgress();
  void ClearProgress();

  ImportAnswers answers_;
  std::ostream& err_;
  const volatile std::sig_atomic_t* interrupt_;
  bool showProgress_;

  ks::Form* form_ = nullptr;  // the dialog while it is shown
  bool runFinished_ = false;
  bool stopRequested_ = false;
  bool errorShown_ = false;
  std::vector<std::string> warnings_;
  ks::OpenFileRequest fileRequest_;

  using Clock = std::chrono::steady_clock;
  Clock::time_point runStart_{};
  Clock::time_point lastDraw_{};
  bool progressDrawn_ = false;
};

}  // namespace kestrel
