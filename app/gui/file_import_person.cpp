#include "app/gui/file_import_person.h"

#include <QApplication>
#include <filesystem>

#include "host/form.h"
#include "import/import_formats.h"

namespace kestrel::gui {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressDelayMs = 400;

}  // namespace

int ImportFormatIndex(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  return ks::importer::FormatIndex(ext);
}

FileImportPerson::FileImportPerson(int formatIndex, std::string file, QWidget* parent)
    : formatIndex_(formatIndex), file_(std::move(file)), parent_(parent) {}

FileImportPerson::~FileImportPerson() {
  delete progress_;
}

void FileImportPerson::ShowModal(ks::Form& form) {
  form_ = &form;
  runFinished_ = false;
  if (ks::Control* list = form.FindControl("cmbFormat")) {
    list->listIndex = formatIndex_;
    form.Fire("cmbFormat_Click");
  }
  progress_ = new QProgressDialog(
      QObject::tr("Importing %1")
          .arg(QString::fromStdString(std::filesystem::path(file_).filename().string())),
      QObject::tr("Cancel"), 0, kProgressSteps, parent_);
  progress_->setWindowTitle(QObject::tr("Import Object"));
  progress_->setWindowModality(Qt::ApplicationModal);
  progress_->setMinimumDuration(kProgressDelayMs);
  progress_->setAutoReset(false);
  progress_->setAutoClose(false);
  // Cancel only asks the dialog's question (in DoEvents): the progress box
  // stays, so that after "No" the running import keeps its progress and Cancel.
  QObject::disconnect(progress_, &QProgressDialog::canceled, progress_, &QProgressDialog::cancel);
  QObject::connect(progress_, &QProgressDialog::canceled, progress_,
                   [this] { cancelAsked_ = true; });
  cancelAsked_ = false;
  form.Fire("cmdImport_Click");
  delete progress_;
  runFinished_ = form.Closed();
  // Stopped, failed or cancelled: the dialog is idle again; leave it.
  if (!form.Closed()) form.Fire("cmdCancel_Click");
  if (!form.Closed()) form.RequestClose();
  form_ = nullptr;
}

ks::MsgResult FileImportPerson::MessageBox(std::string_view text, ks::MsgButtons buttons,
                                           ks::MsgIcon icon, std::string_view title) {
  const ks::MsgResult answer = desktop_.MessageBox(text, buttons, icon, title);
  if (buttons == ks::MsgButtons::YesNo) lastStopAnswer_ = answer;
  return answer;
}

std::optional<std::string> FileImportPerson::ChooseOpenFile(const ks::OpenFileRequest&) {
  return file_;
}

void FileImportPerson::DoEvents() {
  if (form_ && progress_) {
    if (cancelAsked_) {
      cancelAsked_ = false;
      lastStopAnswer_ = ks::MsgResult::Yes;
      form_->Fire("cmdCancel_Click");  // asks whether to stop
      // Escape or the close box hid the box: a run that goes on shows it again.
      if (progress_ && lastStopAnswer_ == ks::MsgResult::No) progress_->show();
    } else if (const ks::Control* bar = form_->FindControl("ProgressBar1"); bar && bar->max > 0) {
      double value = 0;
      try {
        value = bar->value.ToDouble();
      } catch (const std::exception&) {
      }
      progress_->setValue(
          static_cast<int>(std::clamp(value / bar->max, 0.0, 1.0) * (kProgressSteps - 1)));
    }
  }
  desktop_.DoEvents();
}

}  // namespace kestrel::gui
