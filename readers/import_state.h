#pragma once
// Run-wide state of one import, shared by the import run and the reader it
// calls: the line mode, the characters read, the stop flag, the dialog's
// options, the progress bar and the event pump. Passed explicitly, never global.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "readers/import_warnings.h"
#include "readers/input_bytes.h"

namespace ks {
class Runtime;
}

namespace ks::readers {

// The dialog side a reader talks to while it reads (frmImport implements it).
class ImportUi {
 public:
  virtual ~ImportUi() = default;
  virtual double ProgressMax() const = 0;      // ProgressBar1.Max
  virtual void SetProgress(double value) = 0;  // ProgressBar1.Value
  virtual void DoEvents() = 0;                 // a Cancel click may set StopImport here
};

struct ImportOptions {
  bool importNormals = false;    // chkNorm "Import Normals"
  bool smoothAll = false;        // chkSmooth "Smooth all Normal Group"
  bool autoSmooth = false;       // chkAutoSmooth "Auto Normals Smoothing"
  bool splitObjects = false;     // chkSplitObjects "Split objects at 'o' lines"
  bool importMaterials = false;  // chkMaterials "Import materials (.mtl)"
  int threads = 0;               // threads reading one large file; 0: every core
};

class TextInput;  // the current input file (readers/text_input.h)

struct ImportState {
  explicit ImportState(ks::Runtime& rt);
  ~ImportState();

  ks::Runtime& runtime;
  int32_t LineMode = 0;     // 0: lines end at CR (or LF, see text helpers); 1: at CR or LF
  int64_t CharsRead = 0;    // characters consumed; 64-bit so that large files cannot overflow
  int16_t StopImport = -1;  // 0 while a run goes on; -1 idle or stop requested
  ImportOptions options;
  // Characters of one array the OBJ reader reads before it predicts the
  // array's final size from the density seen so far (fuzzing lowers it, so
  // that small inputs reach the prediction).
  int64_t ObjPredictionStart = 65536;
  // Bytes of the pieces a large OBJ file is cut into for threads to read
  // (tests and fuzzing lower it, so that small inputs are cut too).
  size_t ObjReadAheadChunk = size_t(256) << 10;
  // The same for a large DXF file.
  size_t DxfReadAheadChunk = size_t(256) << 10;
  ImportWarnings warnings;  // what the reader passed over, told at the end of the run
  ImportUi* ui = nullptr;   // null: no dialog (no progress, no event pump)
  // Where the readers' inputs come from: files by name, or bytes in memory
  // (source.UseMemory, see readers/input_bytes.h).
  InputSource source;
  std::unique_ptr<TextInput> file;  // file number 1 of the text readers

  // Progress = CharsRead when the bar's maximum allows it, then one event-pump turn.
  void ReportProgress(double position);
  // Characters a reader reads between two progress-and-event turns in a file
  // of length characters: about a thousandth of it, so that the bar moves line
  // by line on small files, but at most 64 KiB, so that Cancel is heard at once.
  static int64_t TurnStep(int64_t length);
  // One turn (ReportProgress at CharsRead, then YieldToUi) once TurnStep
  // characters have been read since the last one, or at the end of the file.
  void TurnIfDue(int64_t step, bool atEnd) {
    // CharsRead below the last turn: a new file started.
    if (CharsRead >= turnAt_ && CharsRead - turnAt_ < step && !atEnd) return;
    turnAt_ = CharsRead;
    ReportProgress(static_cast<double>(CharsRead));
    YieldToUi();
  }
  // Characters left to read before TurnIfDue(step, ...) turns (0: due now).
  int64_t CharsBeforeTurn(int64_t step) const {
    return CharsRead >= turnAt_ ? std::max<int64_t>(turnAt_ + step - CharsRead, 0) : 0;
  }
  void YieldToUi();
  void CloseFiles();  // closes the current input file, if open

 private:
  int64_t turnAt_ = 0;  // CharsRead at the last turn
};

}  // namespace ks::readers
