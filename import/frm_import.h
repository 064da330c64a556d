#pragma once
// frmImport: the import dialog. The person picks a file format, sets its
// options and presses Import; the run asks for a file, lets the format's
// reader fill a temporary object list, moves the objects (and for 3DS the
// materials) into the host scene, centres the first object and closes the
// dialog. Cancel or the close box stop a run that is going on.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/collection.h"
#include "host/form.h"
#include "host/person.h"
#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks {
class Runtime;
}

namespace ks::importer {

// Title of the dialog's message boxes.
inline constexpr std::string_view kMessageTitle = "KsImport";

class frmImport : public Form, public readers::ImportUi {
 public:
  // Creates the reader for a format list index (tests put stand-ins here).
  using ReaderFactory =
      std::function<std::unique_ptr<readers::MeshReader>(int index, readers::ImportState&)>;

  explicit frmImport(Runtime& rt);
  ~frmImport() override;

  std::string_view FormName() const override { return "frmImport"; }
  // Runs an event handler by name. Clicks on disabled controls are ignored, as
  // a disabled control cannot be clicked.
  void Fire(std::string_view event, std::vector<Variant> args = {}) override;
  // The close box: asks Form_QueryUnload, then unloads unless it cancelled.
  void RequestClose() override;

  // Loads the form (Form_Load) and shows it modally through the person;
  // returns when the dialog has closed.
  void ShowModal();
  // Opens and loads the form (Form_Load) for a view that shows it itself.
  void Load();

  // ---- Events ----
  void Form_Load();
  void cmbFormat_Click();
  void cmdImport_Click();
  void cmdCancel_Click();
  // Returns true to keep the dialog open.
  bool Form_QueryUnload(int unloadMode);
  void Form_Unload();

  // ---- Form state ----
  ObjectRef objScene;             // the host scene (set by the plug-in class)
  int32_t SelectedObject = -1;    // -1 until an import completes
  CollectionRef p_colObject3D;    // imported objects, one collection per run
  CollectionRef p_colMaterial3D;  // imported materials, 3DS runs only
  std::string p_FileName;         // base name of the chosen file
  int16_t StopImport() const { return state_.StopImport; }
  readers::ImportState& State() { return state_; }

  // Sets cmbFormat's list index as a program would: -1 … item count - 1, else
  // error 380; then runs cmbFormat_Click.
  void SetFormatIndex(int index);
  void SetReaderFactory(ReaderFactory factory) { readerFactory_ = std::move(factory); }
  // How often reader turns reach the person's event pump: the clock is looked
  // at every `stride` turns, and the person gets a turn when `interval` has
  // passed since the last one.
  void SetEventPumpThrottle(int stride, std::chrono::nanoseconds interval);

  // ---- readers::ImportUi ----
  double ProgressMax() const override { return ProgressBar1.max; }
  void SetProgress(double value) override { ProgressBar1.value = Variant(value); }
  void DoEvents() override;

  // Called whenever what the dialog shows may have changed while an event
  // runs: before the person is asked something and at each turn the run
  // gives the interface. A view sets it to show the form again.
  std::function<void()> Changed;

  // ---- Controls ----
  Control Label1;
  Control cmbFormat;
  Control fraWaveFront;
  Control chkNorm;
  Control chkSmooth;
  Control chkSplitObjects;
  Control chkMaterials;
  Control fra3DStudio;
  Control chkAutoSmooth;
  Control fraNoOptions;
  Control cmdImport;
  Control cmdCancel;
  Control ProgressBar1;
  // Not shown: how many threads read one large file (0: every core), loaded
  // from the registry; the command line sets it.
  Control txtThreads;

  // The open-file dialog's settings of the last run.
  struct FileDialog {
    std::string Filter;
    std::string InitDir;
    std::string FileName;
  } CommonDialog1;

 private:
  // Unload modes passed to Form_QueryUnload.
  static constexpr int kUnloadFromCloseBox = 0;
  static constexpr int kUnloadFromCode = 1;

  void TellChanged() const;
  void Close(int unloadMode);
  void BringToFront(Control& frame);
  MsgResult Message(std::string_view text, MsgButtons buttons, MsgIcon icon);
  bool AskStopImport();
  void SetControlsEnabled(bool enabled);
  bool Checked(const Control& box) const;

  // The run (frm_import_run.cpp).
  void RunImport(readers::MeshReader& reader, const std::string& extension);
  void StartRun();
  void ChooseFile(const std::string& extension);
  void RememberFolder(const std::string& extension);
  void LoadFile(readers::MeshReader& reader);
  // True (and the run's objects dropped) when they hold no triangle at all.
  bool TakeNothingFound();
  void PostProcessGeneral(readers::MeshReader& reader);
  // Centres the run's first object and moves the others by the same offset.
  void CenterImport(const std::string& firstKey);
  void PostProcess3DS(readers::MeshReader& reader);
  void EndRun();
  // Runs one step of the run; a type mismatch is noted and skipped, any other
  // error passes on.
  template <class Fn>
  void Step(Fn&& fn);
  ObjectRef ListObjects();
  ObjectRef ListObjects(Variant index);

  Runtime& rt_;
  readers::ImportState state_;
  ReaderFactory readerFactory_;
  int frontZ_ = 0;
  std::string typeMismatch_;  // description of the first skipped type mismatch
  std::string nothingFound_;  // what a run without geometry found, told at its end

  int pumpStride_ = 64;
  std::chrono::nanoseconds pumpInterval_ = std::chrono::milliseconds(15);
  int pumpCalls_ = 0;
  std::chrono::steady_clock::time_point lastPump_{};
};

}  // namespace ks::importer
