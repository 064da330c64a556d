// The plug-ins' dialogs at the desktop as kestrel runs them: each plug-in
// library, loaded by class name, loads its view module and shows its Qt
// dialog; the program itself links no view.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/desktop/desktop_person.h"
#include "gui_support.h"
#include "host/host_classes.h"
#include "host/runtime.h"

namespace kestrel::desktop {
namespace {

namespace fs = std::filesystem;

TEST(PlugInDialogs, OpenFromTheirViewModulesAtTheDesktopAndCancel) {
  const fs::path registry =
      fs::temp_directory_path() / ("ks-plugin-dialogs-" + std::to_string(::getpid()) + ".ini");
  fs::remove(registry);
  {
    ks::Runtime rt(registry);
    ks::RegisterHostClasses(rt);
    rt.SetPerson(std::make_shared<DesktopPerson>("Kestrel"));
    rt.RegisterServer(KS_IMPORT_PLUGIN);
    rt.RegisterServer(KS_OBJPATH_PLUGIN);

    const struct {
      const char* progId;
      const char* argumentClass;  // what ExecutePlugIn is handed
      QString form;
      const char* widget;  // a control the dialog must show
    } rows[] = {{"KsImport.CPlugIn", "Kestrel.CKsScene", "frmImport", "cmbFormat"},
                {"KsObjPath.CPlugIn", "Kestrel.CKsObject", "frmObjPath", "Picture1"}};
    for (const auto& row : rows) {
      QString shown;
      bool hasControl = false;
      ks::guitest::When(
          [&row] {
            QWidget* open = QApplication::activeModalWidget();
            return open && open->isVisible() && open->objectName() == row.form;
          },
          [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            shown = dialog->objectName();
            hasControl = dialog->findChild<QWidget*>(row.widget) != nullptr;
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
          },
          row.progId);
      ks::ObjectRef argument = rt.CreateObject(row.argumentClass);
      std::vector<ks::Variant> args{ks::Variant(argument)};
      ks::Call(rt.CreateObject(row.progId), "ExecutePlugIn", args);
      EXPECT_EQ(shown, row.form) << row.progId;
      EXPECT_TRUE(hasControl) << row.progId << " " << row.widget;
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
  }
  fs::remove(registry);
}

}  // namespace
}  // namespace kestrel::desktop
