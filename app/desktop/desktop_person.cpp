#include "app/desktop/desktop_person.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

#include "host/form.h"

namespace kestrel::desktop {
namespace {

QWidget* DialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

QMessageBox::Icon ToQtIcon(ks::MsgIcon icon) {
  switch (icon) {
    case ks::MsgIcon::Critical:
      return QMessageBox::Critical;
    case ks::MsgIcon::Question:
      return QMessageBox::Question;
    case ks::MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case ks::MsgIcon::Information:
      return QMessageBox::Information;
    case ks::MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

Qt::CursorShape ToQtCursor(int pointer) {
  switch (pointer) {
    case ks::kPointerCross:
      return Qt::CrossCursor;
    case ks::kPointerSizeWE:
      return Qt::SizeHorCursor;
    case ks::kPointerHourglass:
      return Qt::WaitCursor;
    default:
      return Qt::ArrowCursor;
  }
}

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::vector<std::string> QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  std::vector<std::string> filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    if (description.endsWith(')'))
      description.replace(';', ' ');
    else
      description += " (" + patterns + ")";
    filters.push_back(description.toStdString());
  }
  return filters;
}

DesktopPerson::DesktopPerson(std::string defaultTitle) : defaultTitle_(std::move(defaultTitle)) {}

DesktopPerson::~DesktopPerson() {
  if (cursorOverridden_) QApplication::restoreOverrideCursor();
}

// A form reaches here only when its plug-in carries no view of it: nobody can
// work it, so it closes at once, as without a person.
void DesktopPerson::ShowModal(ks::Form& form) {
  if (!form.Closed()) form.RequestClose();
}

ks::MsgResult DesktopPerson::MessageBox(std::string_view text, ks::MsgButtons buttons,
                                        ks::MsgIcon icon, std::string_view title) {
  QMessageBox box(
      ToQtIcon(icon), ToQt(title.empty() ? defaultTitle_ : title), ToQt(text),
      buttons == ks::MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
      DialogParent());
  box.setWindowModality(Qt::ApplicationModal);
  // The hourglass of a running import must not hide the question's buttons.
  const bool overridden = cursorOverridden_;
  if (overridden) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = box.exec();
  if (overridden) QApplication::restoreOverrideCursor();
  if (buttons == ks::MsgButtons::OK) return ks::MsgResult::OK;
  return answer == QMessageBox::Yes ? ks::MsgResult::Yes : ks::MsgResult::No;
}

std::optional<std::string> DesktopPerson::ChooseOpenFile(const ks::OpenFileRequest& request) {
  QFileDialog dialog(DialogParent(), ToQt(request.title), ToQt(request.initialDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setWindowModality(Qt::ApplicationModal);
  QStringList filters;
  for (const std::string& f : QtNameFilters(request.filter)) filters << ToQt(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  const bool overridden = cursorOverridden_;
  if (overridden) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int accepted = dialog.exec();
  if (overridden) QApplication::restoreOverrideCursor();
  if (accepted != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void DesktopPerson::SetScreenPointer(int pointer) {
  if (pointer == ks::kPointerDefault) {
    if (cursorOverridden_) QApplication::restoreOverrideCursor();
    cursorOverridden_ = false;
    return;
  }
  if (cursorOverridden_)
    QApplication::changeOverrideCursor(ToQtCursor(pointer));
  else
    QApplication::setOverrideCursor(ToQtCursor(pointer));
  cursorOverridden_ = true;
}

void DesktopPerson::DoEvents() {
  QApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace kestrel::desktop
