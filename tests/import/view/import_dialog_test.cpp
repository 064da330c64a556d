// The import dialog's Qt view driven as a person drives it: the format list
// and its option frames, an import through the file dialog, Cancel during a
// slow import answered in the Yes/No box, and what the scene ends up holding.
#include "import/view/import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "../import_test_support.h"
#include "app/desktop/desktop_person.h"
#include "gui_support.h"
#include "import/c_plug_in.h"
#include "import/view/import_view.h"

namespace ks::importer::test {
namespace {

using guitest::WhenModal;

class ImportDialogTest : public ImportFixture {
 protected:
  void SetUp() override {
    ImportFixture::SetUp();
    rt_->SetPerson(std::make_shared<kestrel::desktop::DesktopPerson>());
  }

  template <class T>
  static T* Find(QWidget& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Picks a format as a person does: the list takes the keyboard's arrows.
  static void ChooseFormat(QWidget& dialog, int index) {
    auto* list = Find<QComboBox>(dialog, "cmbFormat");
    while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
  }
  // The plug-in class, showing its dialog in the view linked into this program.
  ObjectRef DesktopPlugIn() {
    auto plugin = std::make_shared<CPlugIn>(*rt_);
    plugin->SetDesktopView([](Form& form) { ShowImportView(static_cast<frmImport&>(form)); });
    return plugin;
  }
  static QString FrontFrame(QWidget& dialog) {
    for (const char* name : {"fraWaveFront", "fra3DStudio", "fraNoOptions"})
      if (Find<QGroupBox>(dialog, name)->isVisible()) return name;
    return {};
  }
};

TEST_F(ImportDialogTest, FormatListShowsOnlyTheChosenFormatsOptions) {
  auto form = MakeDialog({});
  ImportDialog dialog(*form);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "Import Object");
  auto* list = Find<QComboBox>(dialog, "cmbFormat");
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->itemText(2), "3DStudio (3ds)");

  const struct {
    int index;
    const char* frame;
    QString frameTitle;
  } rows[] = {{2, "fra3DStudio", "3DStudio Options"},
              {1, "fraNoOptions", "No Options"},
              {0, "fraWaveFront", "WaveFront Options"},
              {3, "fraNoOptions", "No Options"}};
  for (const auto& row : rows) {
    ChooseFormat(dialog, row.index);
    EXPECT_EQ(form->cmbFormat.listIndex, row.index);
    EXPECT_EQ(FrontFrame(dialog), row.frame) << row.index;
    EXPECT_EQ(Find<QGroupBox>(dialog, row.frame)->title(), row.frameTitle);
  }

  // Ticks reach the form; the chosen format is remembered for the next dialog.
  ChooseFormat(dialog, 2);
  guitest::ClickCheckBox(Find<QCheckBox>(dialog, "chkAutoSmooth"));
  EXPECT_EQ(form->chkAutoSmooth.value.ToLong(), 1);
  QTest::mouseClick(Find<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(form->Closed());
  auto next = MakeDialog({});
  ImportDialog nextDialog(*next);
  nextDialog.show();
  EXPECT_EQ(FrontFrame(nextDialog), "fra3DStudio");
  EXPECT_FALSE(Find<QCheckBox>(nextDialog, "chkAutoSmooth")->isChecked());
}

TEST_F(ImportDialogTest, ImportThroughTheFileDialogFillsTheScene) {
  const std::string file =
      WriteFile("models/two.obj",
                "# Object first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                "# Object second\nv 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\nf 4 5 6\nf 5 7 6\n");
  Call(Get(scene_, "ListObjects").ToObject(), "Add", MakeTriangle(*rt_, "already there"));
  QStringList filters;
  QString startFolder;
  // The person chooses WaveFront, ticks "Import Normals", presses Import and
  // picks the file; the finished run closes the dialog.
  WhenModal<ImportDialog>([&](ImportDialog* dialog) {
    ChooseFormat(*dialog, 0);
    guitest::ClickCheckBox(Find<QCheckBox>(*dialog, "chkNorm"));
    WhenModal<QFileDialog>([&](QFileDialog* files) {
      filters = files->nameFilters();
      startFolder = files->directory().absolutePath();
      guitest::ChooseInFileDialog(files, QString::fromStdString(file));
    });
    QTest::mouseClick(Find<QPushButton>(*dialog, "cmdImport"), Qt::LeftButton);
  });
  ObjectRef plugin = DesktopPlugIn();
  std::vector<Variant> args{Variant(scene_)};
  Call(plugin, "ExecutePlugIn", args);

  EXPECT_EQ(filters, QStringList{"*.obj (*.obj)"});
  EXPECT_FALSE(startFolder.isEmpty());
  ASSERT_EQ(SceneObjects(), 3);
  EXPECT_EQ(Get(plugin, "SelectedObject"), Variant(int32_t{2}));
  ObjectRef first = Get(scene_, "ListObjects", int32_t{2}).ToObject();
  ObjectRef second = Get(scene_, "ListObjects", int32_t{3}).ToObject();
  EXPECT_EQ(Get(first, "Name").ToString(), "two");  // the first keeps the file's name
  EXPECT_EQ(Get(second, "Name").ToString(), "second");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the hourglass is gone
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // The next file dialog for OBJ files starts in the folder just used.
  WhenModal<ImportDialog>([&](ImportDialog* dialog) {
    WhenModal<QFileDialog>([&](QFileDialog* files) {
      startFolder = files->directory().absolutePath();
      files->reject();
    });
    QTest::mouseClick(Find<QPushButton>(*dialog, "cmdImport"), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());  // a cancelled file choice returns to the dialog
    QTest::mouseClick(Find<QPushButton>(*dialog, "cmdCancel"), Qt::LeftButton);
  });
  Call(plugin, "ExecutePlugIn", args);
  EXPECT_EQ(startFolder.toStdString(), (dir_ / "models").string());
  EXPECT_EQ(SceneObjects(), 3);
}

// A reader that works until it is stopped, moving the progress bar and giving
// the person turns; once the person has said No it finishes with two objects.
struct SlowReader {
  bool* saidNo;
  void operator()(readers::ImportState& state, const std::string&, CollectionRef& objects,
                  CollectionRef*) const {
    const double max = state.ui->ProgressMax();
    int turnsAfterNo = 0;
    for (long turn = 0; turn < 50'000'000 && state.StopImport == 0; ++turn) {
      state.ReportProgress(static_cast<double>(turn % 1000) / 1000 * max + 1);
      state.YieldToUi();
      if (*saidNo && ++turnsAfterNo > 100) {
        AddItem(objects, MakeTriangle(*rt, "a"));
        AddItem(objects, MakeTriangle(*rt, "b"));
        return;
      }
    }
  }
  Runtime* rt;
};

TEST_F(ImportDialogTest, CancelOrCloseDuringASlowImportAsksAndStopsOnYes) {
  const struct {
    const char* how;  // "cancel" or "close"
    QMessageBox::StandardButton answer;
    bool stops;
  } rows[] = {{"cancel", QMessageBox::Yes, true},
              {"close", QMessageBox::Yes, true},
              {"cancel", QMessageBox::No, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.how) + (row.stops ? " yes" : " no"));
    bool saidNo = false;
    auto form = MakeDialog(SlowReader{&saidNo, rt_.get()});
    const int before = SceneObjects();
    ImportDialog dialog(*form);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* progress = Find<QProgressBar>(dialog, "ProgressBar1");
    auto* cancel = Find<QPushButton>(dialog, "cmdCancel");
    auto* import = Find<QPushButton>(dialog, "cmdImport");

    QString question, title;
    bool importWasDisabled = false;
    WhenModal<QFileDialog>([&](QFileDialog* files) {
      guitest::ChooseInFileDialog(files, QString::fromStdString(WriteFile("big.obj")));
      // Once the progress bar moves, the person stops the run.
      guitest::When([&] { return progress->value() > 0; },
                    [&] {
                      importWasDisabled = !import->isEnabled();
                      WhenModal<QMessageBox>([&](QMessageBox* box) {
                        question = box->text();
                        title = box->windowTitle();
                        box->button(row.answer)->click();
                        saidNo = row.answer == QMessageBox::No;
                      });
                      if (std::string(row.how) == "cancel")
                        QTest::mouseClick(cancel, Qt::LeftButton);
                      else
                        dialog.close();
                    });
    });
    QTest::mouseClick(import, Qt::LeftButton);

    EXPECT_EQ(question, "Do you want to stop Import?");
    EXPECT_EQ(title, "KsImport");
    EXPECT_TRUE(importWasDisabled);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    if (row.stops) {
      // Stopped: the dialog stays, ready for another run; nothing reached the scene.
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_TRUE(import->isEnabled());
      EXPECT_TRUE(Find<QComboBox>(dialog, "cmbFormat")->isEnabled());
      EXPECT_EQ(progress->value(), 0);
      EXPECT_EQ(SceneObjects(), before);
    } else {
      EXPECT_FALSE(dialog.isVisible());
      EXPECT_EQ(SceneObjects(), before + 2);
    }
  }
}

}  // namespace
}  // namespace ks::importer::test
