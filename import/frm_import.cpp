#include "import/frm_import.h"

#include "host/com_error.h"
#include "host/runtime.h"
#include "import/import_settings.h"
#include "import/reader_factory.h"

namespace ks::importer {
namespace {

constexpr std::string_view kStopQuestion = "Do you want to stop Import?";
constexpr std::string_view kSelectFormat = "Select first a File Format!";

}  // namespace

frmImport::frmImport(Runtime& rt) : rt_(rt), state_(rt), readerFactory_(&CreateReader) {
  caption = "Import Object";
  Register(Label1, "Label1", "Select a File Format");
  Register(cmbFormat, "cmbFormat");
  Register(fraWaveFront, "fraWaveFront", "WaveFront Options");
  Register(chkNorm, "chkNorm", "Import Normals");
  Register(chkSmooth, "chkSmooth", "Smooth all Normal Group");
  Register(chkSplitObjects, "chkSplitObjects", "Split objects at 'o' lines");
  Register(chkMaterials, "chkMaterials", "Import materials (.mtl)");
  Register(fra3DStudio, "fra3DStudio", "3DStudio Options");
  Register(chkAutoSmooth, "chkAutoSmooth", "Auto Normals Smoothing");
  Register(fraNoOptions, "fraNoOptions", "No Options");
  Register(cmdImport, "cmdImport", "Import");
  Register(cmdCancel, "cmdCancel", "Cancel");
  Register(ProgressBar1, "ProgressBar1");
  Register(txtThreads, "txtThreads");
  txtThreads.value = Variant(int32_t{0});
  for (Control* box : {&chkNorm, &chkSmooth, &chkSplitObjects, &chkMaterials, &chkAutoSmooth})
    box->value = Variant(int16_t{0});
  ProgressBar1.value = Variant(0.0);
  state_.ui = this;
}

frmImport::~frmImport() {
  state_.ui = nullptr;
  state_.CloseFiles();
}

void frmImport::Fire(std::string_view event, std::vector<Variant>) {
  if (event.ends_with("_Click")) {
    const Control* c = FindControl(event.substr(0, event.size() - 6));
    if (c && !c->enabled) return;
  }
  if (event == "Form_Load") return Form_Load();
  if (event == "cmbFormat_Click") return cmbFormat_Click();
  if (event == "cmdImport_Click") return cmdImport_Click();
  if (event == "cmdCancel_Click") return cmdCancel_Click();
  if (event == "Form_QueryUnload") {
    Form_QueryUnload(kUnloadFromCloseBox);
    return;
  }
  if (event == "Form_Unload") return Form_Unload();
}

void frmImport::RequestClose() {
  Close(kUnloadFromCloseBox);
}

void frmImport::Close(int unloadMode) {
  if (Closed() || Form_QueryUnload(unloadMode)) return;
  Form_Unload();
  MarkClosed();
}

void frmImport::ShowModal() {
  Load();
  rt_.GetPerson().ShowModal(*this);
}

void frmImport::Load() {
  MarkOpen();
  Form_Load();
}

void frmImport::Form_Load() {
  state_.StopImport = -1;
  SelectedObject = -1;
  IgnoreErrors([&] {
    cmbFormat.items.clear();
    for (const ImportFormat& f : kImportFormats) cmbFormat.items.emplace_back(f.item);
  });
  IgnoreErrors([&] { SetFormatIndex(ImportSettings(rt_).ReadFileFormat()); });
  IgnoreErrors([&] {
    chkSplitObjects.value = Variant(static_cast<int16_t>(ImportSettings(rt_).ReadSplitObjects()));
  });
  IgnoreErrors([&] {
    chkMaterials.value = Variant(static_cast<int16_t>(ImportSettings(rt_).ReadImportMaterials()));
  });
  IgnoreErrors([&] { txtThreads.value = Variant(ImportSettings(rt_).ReadThreads()); });
}

void frmImport::SetFormatIndex(int index) {
  if (index < -1 || index >= static_cast<int>(cmbFormat.items.size()))
    throw ComError(err::kInvalidPropertyValue,
                   "Invalid property value: format list index " + std::to_string(index),
                   "frmImport");
  cmbFormat.listIndex = index;
  cmbFormat_Click();
}

void frmImport::cmbFormat_Click() {
  int index = cmbFormat.listIndex;
  if (index < 0 || index >= static_cast<int>(kImportFormats.size())) return;
  if (Control* frame = FindControl(kImportFormats[static_cast<size_t>(index)].frame))
    BringToFront(*frame);
}

void frmImport::BringToFront(Control& frame) {
  frame.zOrder = ++frontZ_;
}

void frmImport::cmdImport_Click() {
  if (state_.StopImport == 0) return;  // a run is going on
  int index = cmbFormat.listIndex;
  if (index < 0) {
    Message(kSelectFormat, MsgButtons::OK, MsgIcon::Information);
    return;
  }
  std::unique_ptr<readers::MeshReader> reader;
  try {
    reader = readerFactory_(index, state_);
  } catch (const ComError& e) {
    Message(e.description(), MsgButtons::OK, MsgIcon::Exclamation);
    return;
  }
  RunImport(*reader, std::string(kImportFormats[static_cast<size_t>(index)].extension));
}

void frmImport::cmdCancel_Click() {
  if (state_.StopImport != 0) {
    Close(kUnloadFromCode);
    return;
  }
  if (AskStopImport()) state_.StopImport = -1;
}

bool frmImport::Form_QueryUnload(int) {
  if (state_.StopImport != 0) return false;
  if (AskStopImport()) state_.StopImport = -1;
  return true;  // the run ends first; the dialog stays open either way
}

void frmImport::Form_Unload() {
  IgnoreErrors(
      [&] { ImportSettings(rt_).WriteFileFormat(static_cast<int16_t>(cmbFormat.listIndex)); });
  IgnoreErrors([&] { ImportSettings(rt_).WriteSplitObjects(Checked(chkSplitObjects)); });
  IgnoreErrors([&] { ImportSettings(rt_).WriteImportMaterials(Checked(chkMaterials)); });
}

bool frmImport::AskStopImport() {
  return Message(kStopQuestion, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
}

MsgResult frmImport::Message(std::string_view text, MsgButtons buttons, MsgIcon icon) {
  TellChanged();
  return rt_.GetPerson().MessageBox(text, buttons, icon, kMessageTitle);
}

void frmImport::SetControlsEnabled(bool enabled) {
  for (Control* c : {&cmbFormat, &cmdImport, &chkAutoSmooth, &chkNorm, &chkSmooth, &chkSplitObjects,
                     &chkMaterials})
    c->enabled = enabled;
}

bool frmImport::Checked(const Control& box) const {
  try {
    return box.value.ToLong() != 0;
  } catch (const ComError&) {
    return false;
  }
}

void frmImport::SetEventPumpThrottle(int stride, std::chrono::nanoseconds interval) {
  pumpStride_ = stride < 1 ? 1 : stride;
  pumpInterval_ = interval;
}

// Readers call this after every line or chunk. Reading a large file line by
// line makes millions of calls, so the clock is looked at only every
// pumpStride_ calls and the person's event pump runs at most once per
// pumpInterval_: cheap per line, and a Cancel click still arrives promptly.
void frmImport::DoEvents() {
  if (++pumpCalls_ < pumpStride_) return;
  pumpCalls_ = 0;
  auto now = std::chrono::steady_clock::now();
  if (now - lastPump_ < pumpInterval_) return;
  lastPump_ = now;
  TellChanged();
  rt_.GetPerson().DoEvents();
}

void frmImport::TellChanged() const {
  if (Changed && !Closed()) Changed();
}

}  // namespace ks::importer
