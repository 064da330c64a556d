#include "import_state.h"

#include <algorithm>

#include "text_input.h"

namespace ks::readers {

ImportState::ImportState(ks::Runtime& rt)
    : runtime(rt), file(std::make_unique<TextInput>(&source)) {}

ImportState::~ImportState() = default;

void ImportState::ReportProgress(double position) {
  if (!ui) return;
  // The bar refuses values beyond its maximum; keep it within its range.
  const double max = ui->ProgressMax();
  ui->SetProgress(position < 0 ? 0 : position > max ? max : position);
}

int64_t ImportState::TurnStep(int64_t length) {
  constexpr int64_t kMaxTurnStep = 64 * 1024;
  return std::min(length / 1024, kMaxTurnStep);
}

void ImportState::YieldToUi() {
  if (ui) ui->DoEvents();
}

void ImportState::CloseFiles() {
  if (file) file->Close();
}

}  // namespace ks::readers
