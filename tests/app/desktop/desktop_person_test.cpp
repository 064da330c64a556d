// The desktop person on real Qt widgets: what its message boxes and file
// dialog show, what they hand back, the screen pointer and the event pump.
#include "app/desktop/desktop_person.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "gui_support.h"
#include "host/form.h"

namespace kestrel::desktop {
namespace {

using ks::guitest::WhenModal;

struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Shows a message box through the person, records it and presses `press`.
ks::MsgResult ShowAndPress(DesktopPerson& person, SeenBox& seen, ks::MsgButtons buttons,
                           ks::MsgIcon icon, std::string_view title,
                           QMessageBox::StandardButton press) {
  WhenModal<QMessageBox>([&seen, press](QMessageBox* box) {
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(press)->click();
  });
  return person.MessageBox("Do you want to stop Import?", buttons, icon, title);
}

TEST(DesktopPerson, MessageBoxesShowTitleIconButtonsAndGiveTheAnswer) {
  DesktopPerson person("Kestrel");
  SeenBox seen;
  EXPECT_EQ(ShowAndPress(person, seen, ks::MsgButtons::YesNo, ks::MsgIcon::Question, "KsImport",
                         QMessageBox::Yes),
            ks::MsgResult::Yes);
  EXPECT_EQ(seen.title, "KsImport");
  EXPECT_EQ(seen.text, "Do you want to stop Import?");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

  EXPECT_EQ(ShowAndPress(person, seen, ks::MsgButtons::YesNo, ks::MsgIcon::Question, "KsImport",
                         QMessageBox::No),
            ks::MsgResult::No);

  // No title of its own: the application's; OK only; the platform's icons.
  EXPECT_EQ(
      ShowAndPress(person, seen, ks::MsgButtons::OK, ks::MsgIcon::Exclamation, "", QMessageBox::Ok),
      ks::MsgResult::OK);
  EXPECT_EQ(seen.title, "Kestrel");
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  ShowAndPress(person, seen, ks::MsgButtons::OK, ks::MsgIcon::Information, "", QMessageBox::Ok);
  EXPECT_EQ(seen.icon, QMessageBox::Information);
  ShowAndPress(person, seen, ks::MsgButtons::OK, ks::MsgIcon::None, "", QMessageBox::Ok);
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

TEST(DesktopPerson, FileDialogStartsInTheFolderWithTheFilterAndHandsBackTheChoice) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("ks_desktop_person_" + std::to_string(QCoreApplication::applicationPid()));
  std::filesystem::create_directories(folder);
  const auto file = folder / "cube.obj";
  std::ofstream(file) << "v 0 0 0\n";
  DesktopPerson person;

  QString seenDir;
  QStringList seenFilters;
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    seenDir = dialog->directory().absolutePath();
    seenFilters = dialog->nameFilters();
    ks::guitest::ChooseInFileDialog(dialog, QString::fromStdString(file.string()));
  });
  auto chosen = person.ChooseOpenFile({"*.obj|*.obj", folder.string(), {}});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen), file);
  EXPECT_EQ(seenDir.toStdString(), folder.string());
  EXPECT_EQ(seenFilters, QStringList{"*.obj (*.obj)"});

  WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_FALSE(person.ChooseOpenFile({"*.obj|*.obj", folder.string(), {}}).has_value());
  std::filesystem::remove_all(folder);
}

TEST(DesktopPerson, NameFiltersFromPairs) {
  EXPECT_EQ(QtNameFilters("*.3ds|*.3ds"), std::vector<std::string>{"*.3ds (*.3ds)"});
  EXPECT_EQ(QtNameFilters("Pictures (*.png;*.jpg)|*.png;*.jpg|All files (*.*)|*.*"),
            (std::vector<std::string>{"Pictures (*.png *.jpg)", "All files (*.*)"}));
  EXPECT_TRUE(QtNameFilters("").empty());
}

TEST(DesktopPerson, HourglassIsTheWaitCursorUntilTheDefaultPointerComesBack) {
  DesktopPerson person;
  person.SetScreenPointer(ks::kPointerHourglass);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  person.SetScreenPointer(ks::kPointerCross);  // changes, does not stack
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  person.SetScreenPointer(ks::kPointerDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  person.SetScreenPointer(ks::kPointerDefault);  // no pointer of ours to remove
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(DesktopPerson, DoEventsRunsPendingEventsAndTheDesktopShowsViews) {
  DesktopPerson person;
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  person.DoEvents();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(person.IsDesktop());
  EXPECT_FALSE(ks::HeadlessPerson().IsDesktop());
}

}  // namespace
}  // namespace kestrel::desktop
