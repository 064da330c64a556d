#pragma once
// What needs a person: message boxes, the open-file dialog, the mouse pointer,
// modal display of a form and the event pump. The host sets one Person on the
// runtime (a desktop window, a scripted person on the command line, a fake in
// tests); plug-ins reach it through Runtime::GetPerson().
#include <optional>
#include <string>
#include <string_view>

namespace ks {

class Form;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, YesNo };
enum class MsgResult { OK, Yes, No };

// Mouse pointer values of the platform.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerCross = 2;
inline constexpr int kPointerSizeWE = 9;
inline constexpr int kPointerHourglass = 11;

struct OpenFileRequest {
  std::string filter;      // "description|*.ext" pairs; "*.obj|*.obj"
  std::string initialDir;  // start folder
  std::string title;
};

class Person {
 public:
  virtual ~Person() = default;
  // Shows the form modally; returns when the form has closed (Form::Closed()).
  virtual void ShowModal(Form& form) = 0;
  // An empty title means the application's default title.
  virtual MsgResult MessageBox(std::string_view text, MsgButtons buttons, MsgIcon icon,
                               std::string_view title) = 0;
  // The chosen file's full name, or nullopt when the person cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) = 0;
  // The screen-wide mouse pointer (hourglass while working).
  virtual void SetScreenPointer(int pointer) = 0;
  // Gives the user interface a turn: pending clicks run now.
  virtual void DoEvents() = 0;
  // True for a person at a Qt Widgets desktop (a QApplication runs on this
  // thread). A plug-in then shows its own Qt view of a form, modally, instead
  // of calling ShowModal; every other person works forms through ShowModal.
  virtual bool IsDesktop() const { return false; }
};

// Answers nothing and chooses nothing: for runs without any person.
class HeadlessPerson : public Person {
 public:
  void ShowModal(Form& form) override;
  MsgResult MessageBox(std::string_view, MsgButtons buttons, MsgIcon, std::string_view) override {
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::OK;
  }
  std::optional<std::string> ChooseOpenFile(const OpenFileRequest&) override {
    return std::nullopt;
  }
  void SetScreenPointer(int) override {}
  void DoEvents() override {}
};

}  // namespace ks
