// The progress box of an import started from the main window: Cancel asks
// whether to stop, and "No" leaves the box with its progress and Cancel for
// the rest of the run, so the run can still be stopped later.
#include "app/gui/file_import_person.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QProgressDialog>
#include <QWidget>

#include "gui_support.h"
#include "host/form.h"

namespace kestrel::gui {
namespace {

using ks::guitest::ButtonWithText;
using ks::guitest::WhenModal;

// A stand-in import dialog: Import runs `turns` reader turns, giving the
// person a turn after each; Cancel asks the stop question as frmImport does.
class TurningForm : public ks::Form {
 public:
  TurningForm(ks::Person& person, int turns) : person_(person), turns_(turns) {
    Register(progress, "ProgressBar1");
    progress.max = turns;
  }
  std::string_view FormName() const override { return "frmImport"; }
  void RequestClose() override { MarkClosed(); }
  void Fire(std::string_view event, std::vector<ks::Variant> = {}) override {
    if (event == "cmdImport_Click") {
      stop_ = false;
      running_ = true;
      for (turn = 0; turn < turns_ && !stop_; ++turn) {
        progress.value = ks::Variant(double(turn));
        if (onTurn) onTurn(turn);
        person_.DoEvents();
      }
      running_ = false;
      if (!stop_) MarkClosed();
    } else if (event == "cmdCancel_Click" && !running_) {
      MarkClosed();
    } else if (event == "cmdCancel_Click") {
      ++questions;
      stop_ = person_.MessageBox("Do you want to stop Import?", ks::MsgButtons::YesNo,
                                 ks::MsgIcon::Question, "KsImport") == ks::MsgResult::Yes;
    }
  }

  ks::Control progress;
  std::function<void(int)> onTurn;
  int turn = 0;
  int questions = 0;

 private:
  ks::Person& person_;
  int turns_;
  bool stop_ = false;
  bool running_ = false;
};

void Answer(const QString& button) {
  WhenModal<QMessageBox>([button](QMessageBox* box) { ButtonWithText(box, button)->click(); });
}

TEST(FileImportPerson, NoToTheStopQuestionKeepsTheProgressBoxAndCancelWorking) {
  QWidget window;
  FileImportPerson person(0, "/tmp/big.obj", &window);
  TurningForm form(person, 40);
  QProgressDialog* box = nullptr;
  bool shownAfterNo = false;
  int valueAfterNo = -1;
  form.onTurn = [&](int turn) {
    box = window.findChild<QProgressDialog*>();
    ASSERT_NE(box, nullptr);
    if (turn == 5) {
      Answer("No");
      ButtonWithText(box, "Cancel")->click();
    } else if (turn == 10) {
      shownAfterNo = box->isVisible();
      valueAfterNo = box->value();
    } else if (turn == 20) {
      Answer("Yes");
      ButtonWithText(box, "Cancel")->click();
    }
  };
  person.ShowModal(form);

  EXPECT_EQ(form.questions, 2);
  EXPECT_TRUE(shownAfterNo);
  EXPECT_GT(valueAfterNo, 0);  // the bar still follows the run
  EXPECT_LT(form.turn, 25);    // "Yes" the second time stopped it
  EXPECT_FALSE(person.RunFinished());
}

}  // namespace
}  // namespace kestrel::gui
