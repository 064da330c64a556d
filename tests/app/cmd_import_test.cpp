// The scripted person of `kestrel import` on a stand-in dialog: what it sets,
// what it presses, what it prints, and how it turns an interrupt into a stop.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "app/scripted_import_person.h"
#include "host/form.h"

namespace {

// A dialog with the import dialog's controls whose Import click runs a script.
class StandInDialog : public ks::Form {
 public:
  StandInDialog() {
    Register(cmbFormat, "cmbFormat");
    Register(chkNorm, "chkNorm");
    Register(chkSmooth, "chkSmooth");
    Register(chkAutoSmooth, "chkAutoSmooth");
    Register(ProgressBar1, "ProgressBar1");
  }
  std::string_view FormName() const override { return "frmImport"; }
  void Fire(std::string_view event, std::vector<ks::Variant>) override {
    events.emplace_back(event);
    if (event == "cmdImport_Click" && onImport) onImport();
    if (event == "cmdCancel_Click") {
      if (running && onCancelWhileRunning) onCancelWhileRunning();
      if (!running) MarkClosed();
    }
  }
  void RequestClose() override { MarkClosed(); }
  void Finish() { MarkClosed(); }

  ks::Control cmbFormat, chkNorm, chkSmooth, chkAutoSmooth, ProgressBar1;
  std::vector<std::string> events;
  std::function<void()> onImport;
  std::function<void()> onCancelWhileRunning;
  bool running = false;
};

TEST(ScriptedImportPerson, SetsTheAnswersPressesImportAndPrintsMessages) {
  std::ostringstream err;
  kestrel::ScriptedImportPerson person({2, false, true, true, "model.3ds"}, err, nullptr, false);
  StandInDialog dialog;
  std::optional<std::string> chosen;
  dialog.onImport = [&] {
    chosen = person.ChooseOpenFile({"*.3ds|*.3ds", "/start/", {}});
    person.MessageBox("bad chunk", ks::MsgButtons::OK, ks::MsgIcon::Exclamation, "KsImport");
  };
  person.ShowModal(dialog);

  EXPECT_EQ(dialog.cmbFormat.listIndex, 2);
  EXPECT_EQ(dialog.chkNorm.value, ks::Variant(int16_t{0}));
  EXPECT_EQ(dialog.chkSmooth.value, ks::Variant(int16_t{1}));
  EXPECT_EQ(dialog.chkAutoSmooth.value, ks::Variant(int16_t{1}));
  ASSERT_TRUE(chosen);
  EXPECT_TRUE(std::filesystem::path(*chosen).is_absolute());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "model.3ds");
  EXPECT_EQ(person.FileRequest().initialDir, "/start/");
  EXPECT_EQ(err.str(), "kestrel: bad chunk\n");
  EXPECT_TRUE(person.ErrorShown());
  // The run did not close the dialog: the person closes it with Cancel.
  EXPECT_FALSE(person.RunFinished());
  EXPECT_EQ(dialog.events,
            (std::vector<std::string>{"cmbFormat_Click", "cmdImport_Click", "cmdCancel_Click"}));
  EXPECT_TRUE(dialog.Closed());
}

TEST(ScriptedImportPerson, InterruptBecomesCancelAnsweredYesOnce) {
  std::ostringstream err;
  volatile std::sig_atomic_t interrupt = 0;
  kestrel::ScriptedImportPerson person({0, false, false, false, "a.obj"}, err, &interrupt, false);
  StandInDialog dialog;
  std::vector<ks::MsgResult> answers;
  dialog.onCancelWhileRunning = [&] {
    answers.push_back(person.MessageBox("Do you want to stop Import?", ks::MsgButtons::YesNo,
                                        ks::MsgIcon::Question, "KsImport"));
  };
  dialog.onImport = [&] {
    dialog.running = true;
    person.DoEvents();  // no interrupt yet: nothing happens
    interrupt = 1;
    person.DoEvents();
    person.DoEvents();  // asked once only
    dialog.running = false;
  };
  person.ShowModal(dialog);
  EXPECT_EQ(answers, std::vector<ks::MsgResult>{ks::MsgResult::Yes});
  EXPECT_TRUE(person.Interrupted());
  EXPECT_EQ(err.str(), "");  // the question is the person's own, not printed
}

TEST(ScriptedImportPerson, LongImportOnATerminalShowsAndClearsAProgressBar) {
  std::ostringstream err;
  kestrel::ScriptedImportPerson person({0, false, false, false, "a.obj"}, err, nullptr, true);
  StandInDialog dialog;
  dialog.onImport = [&] {
    dialog.ProgressBar1.max = 200;
    dialog.ProgressBar1.value = ks::Variant(50.0);
    person.DoEvents();  // too early for a bar
    EXPECT_EQ(err.str(), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    person.DoEvents();
    dialog.Finish();
  };
  person.ShowModal(dialog);
  EXPECT_NE(err.str().find("] 25%"), std::string::npos) << err.str();
  EXPECT_TRUE(err.str().ends_with("\r\033[K"));  // cleared before anything else is printed
  EXPECT_TRUE(person.RunFinished());
}

}  // namespace
