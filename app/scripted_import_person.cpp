#include "app/scripted_import_person.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "host/form.h"

namespace kestrel {
namespace {

// A progress bar appears once an import has taken this long, and is redrawn
// at most this often.
constexpr auto kProgressDelay = std::chrono::milliseconds(300);
constexpr auto kProgressRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

void Check(ks::Form& form, const char* name, bool ticked) {
  if (ks::Control* box = form.FindControl(name))
    box->value = ks::Variant(static_cast<int16_t>(ticked ? 1 : 0));
}

}  // namespace

ScriptedImportPerson::ScriptedImportPerson(ImportAnswers answers, std::ostream& err,
                                           const volatile std::sig_atomic_t* interrupt,
                                           bool showProgress)
    : answers_(std::move(answers)), err_(err), interrupt_(interrupt), showProgress_(showProgress) {}

void ScriptedImportPerson::ShowModal(ks::Form& form) {
  form_ = &form;
  runFinished_ = false;
  if (ks::Control* list = form.FindControl("cmbFormat")) {
    list->listIndex = answers_.formatIndex;
    form.Fire("cmbFormat_Click");
  }
  Check(form, "chkNorm", answers_.importNormals);
  Check(form, "chkSmooth", answers_.smoothAll);
  Check(form, "chkSplitObjects", answers_.splitObjects);
  Check(form, "chkMaterials", answers_.importMaterials);
  Check(form, "chkAutoSmooth", answers_.autoSmooth);
  if (ks::Control* threads = form.FindControl("txtThreads"); threads && answers_.threads >= 0)
    threads->value = ks::Variant(int32_t{answers_.threads});
  runStart_ = Clock::now();
  form.Fire("cmdImport_Click");
  ClearProgress();
  runFinished_ = form.Closed();
  // Stopped, failed or cancelled: the dialog is idle again; leave it.
  if (!form.Closed()) form.Fire("cmdCancel_Click");
  if (!form.Closed()) form.RequestClose();
  form_ = nullptr;
}

ks::MsgResult ScriptedImportPerson::MessageBox(std::string_view text, ks::MsgButtons buttons,
                                               ks::MsgIcon icon, std::string_view) {
  if (buttons == ks::MsgButtons::YesNo)
    // The only question is whether to stop, asked after the interrupt.
    return stopRequested_ ? ks::MsgResult::Yes : ks::MsgResult::No;
  ClearProgress();
  if (icon == ks::MsgIcon::Information) {
    // The run's notes on what it passed over: one warning per line.
    for (size_t start = 0; start <= text.size();) {
      const size_t end = std::min(text.find('\n', start), text.size());
      warnings_.emplace_back(text.substr(start, end - start));
      err_ << "kestrel: warning: " << warnings_.back() << "\n";
      start = end + 1;
    }
    return ks::MsgResult::OK;
  }
  err_ << "kestrel: " << text << "\n";
  if (icon == ks::MsgIcon::Exclamation || icon == ks::MsgIcon::Critical) errorShown_ = true;
  return ks::MsgResult::OK;
}

std::optional<std::string> ScriptedImportPerson::ChooseOpenFile(
    const ks::OpenFileRequest& request) {
  fileRequest_ = request;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(answers_.file, ec);
  return ec ? answers_.file : full.lexically_normal().string();
}

void ScriptedImportPerson::DoEvents() {
  if (!form_) return;
  if (interrupt_ && *interrupt_ && !stopRequested_) {
    stopRequested_ = true;
    ClearProgress();
    form_->Fire("cmdCancel_Click");
    return;
  }
  if (showProgress_) DrawProgress();
}

void ScriptedImportPerson::DrawProgress() {
  const ks::Control* bar = form_ ? form_->FindControl("ProgressBar1") : nullptr;
  if (!bar || bar->max <= 0) return;
  auto now = Clock::now();
  if (now - runStart_ < kProgressDelay || now - lastDraw_ < kProgressRedraw) return;
  lastDraw_ = now;
  double value = 0;
  try {
    value = bar->value.ToDouble();
  } catch (const std::exception&) {
    return;
  }
  double fraction = std::clamp(value / bar->max, 0.0, 1.0);
  int filled = static_cast<int>(std::lround(fraction * kBarWidth));
  err_ << "\rkestrel: importing [" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kBarWidth - filled), '-') << "] "
       << static_cast<int>(fraction * 100) << "%" << std::flush;
  progressDrawn_ = true;
}

void ScriptedImportPerson::ClearProgress() {
  if (!progressDrawn_) return;
  err_ << "\r\033[K" << std::flush;
  progressDrawn_ = false;
}

}  // namespace kestrel
