// The import run of frmImport: from the file dialog through the reader to the
// objects in the host scene.
#include <algorithm>
#include <filesystem>

#include "host/com_error.h"
#include "host/runtime.h"
#include "import/frm_import.h"
#include "import/import_formats.h"
#include "import/import_settings.h"
#include "readers/text_helpers.h"

namespace ks::importer {
namespace {

// Length of the chosen file in bytes; error 53 when it is not a readable file.
double FileLength(const std::string& fileName) {
  std::error_code ec;
  auto size = std::filesystem::file_size(fileName, ec);
  if (ec)
    throw ComError(err::kFileNotFound, "File not found: " + fileName + " (" + ec.message() + ")",
                   "KsImport");
  return static_cast<double>(size);
}

}  // namespace

template <class Fn>
void frmImport::Step(Fn&& fn) {
  try {
    fn();
  } catch (const ComError& e) {
    if (e.number() != err::kTypeMismatch) throw;
    if (typeMismatch_.empty()) typeMismatch_ = e.description();
  }
}

ObjectRef frmImport::ListObjects() {
  return Get(objScene, "ListObjects").ToObject();
}

ObjectRef frmImport::ListObjects(Variant index) {
  return Get(objScene, "ListObjects", std::move(index)).ToObject();
}

void frmImport::RunImport(readers::MeshReader& reader, const std::string& extension) {
  typeMismatch_.clear();
  try {
    StartRun();
    Step([&] { ChooseFile(extension); });
    Step([&] { RememberFolder(extension); });
    Step([&] { ProgressBar1.max = FileLength(CommonDialog1.FileName) + 1; });
    Step([&] { LoadFile(reader); });
    if (state_.StopImport == 0 && !TakeNothingFound()) {
      if (StepsOf(extension) == RunSteps::Studio)
        PostProcess3DS(reader);
      else
        PostProcessGeneral(reader);
    }
  } catch (const std::exception& caught) {
    ComError e = AsComError(caught, "KsImport");
    state_.StopImport = -1;  // back to idle below
    if (e.number() != err::kFileDialogCancel) {
      state_.CloseFiles();
      if (p_colObject3D) p_colObject3D->Clear();
      Message(e.description(), MsgButtons::OK, MsgIcon::Exclamation);
    }
  }
  p_colObject3D.reset();
  p_colMaterial3D.reset();
  EndRun();
}

void frmImport::StartRun() {
  rt_.GetPerson().SetScreenPointer(kPointerHourglass);
  SetControlsEnabled(false);
  ProgressBar1.value = Variant(0.0);
  state_.StopImport = 0;
  // Every run counts its own characters and starts without an open file, so
  // that progress is true whatever the previous run left behind.
  state_.CloseFiles();
  state_.CharsRead = 0;
  state_.warnings.Clear();
  state_.options = {Checked(chkNorm), Checked(chkSmooth), Checked(chkAutoSmooth),
                    Checked(chkSplitObjects), Checked(chkMaterials)};
  IgnoreErrors([&] { state_.options.threads = std::max(txtThreads.value.ToLong(), int32_t{0}); });
  pumpCalls_ = 0;
  lastPump_ = std::chrono::steady_clock::now();
}

void frmImport::ChooseFile(const std::string& extension) {
  CommonDialog1.Filter = "*." + extension + "|*." + extension;
  CommonDialog1.InitDir = ImportSettings(rt_).ReadPath(extension);
  CommonDialog1.FileName.clear();
  TellChanged();
  auto chosen = rt_.GetPerson().ChooseOpenFile({CommonDialog1.Filter, CommonDialog1.InitDir, {}});
  if (!chosen) throw ComError(err::kFileDialogCancel, "Cancel was selected.", "CommonDialog");
  // File dialogs hand back full names; a bare name counts from the current folder.
  std::error_code ec;
  std::filesystem::path file = std::filesystem::absolute(*chosen, ec);
  CommonDialog1.FileName = ec ? *chosen : file.lexically_normal().string();
}

void frmImport::RememberFolder(const std::string& extension) {
  std::string rest = CommonDialog1.FileName;
  p_FileName = readers::SplitFileName(rest);
  // The folder comes from the whole name, so that a name without a
  // three-letter extension still gives its true folder.
  std::string folder = std::filesystem::path(CommonDialog1.FileName).parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  ImportSettings(rt_).WritePath(extension, folder);
}

void frmImport::LoadFile(readers::MeshReader& reader) {
  // Readers without materials leave the material list empty.
  p_colObject3D = std::make_shared<Collection>();
  p_colMaterial3D = std::make_shared<Collection>();
  reader.Load(CommonDialog1.FileName, p_colObject3D, p_colMaterial3D);
}

// A run that read no triangle at all adds nothing to the scene: an object
// without geometry is no import. What was found is told instead.
bool frmImport::TakeNothingFound() {
  nothingFound_.clear();
  if (!p_colObject3D) return false;
  int64_t vertices = 0, triangles = 0;
  const int32_t objects = p_colObject3D->Count();
  for (int32_t i = 1; i <= objects; ++i) {
    IgnoreErrors([&] {
      ObjectRef object = p_colObject3D->Item(i).ToObject();
      vertices += Get(object, "VertexCount").ToLong();
      triangles += Get(object, "TriangleCount").ToLong();
    });
  }
  if (triangles > 0) return false;
  p_colObject3D->Clear();
  // After a skipped error, that error's message says why nothing came in.
  if (!typeMismatch_.empty()) return true;
  std::string found = "nothing it could read as a mesh";
  if (objects > 0) {
    found = std::to_string(objects) + (objects == 1 ? " object" : " objects") + " with " +
            std::to_string(vertices) + (vertices == 1 ? " vertex" : " vertices") +
            " but no triangles";
  }
  nothingFound_ = "no geometry imported from " +
                  std::filesystem::path(CommonDialog1.FileName).filename().string() +
                  ": the file holds " + found;
  return true;
}

void frmImport::PostProcessGeneral(readers::MeshReader& reader) {
  if (!p_colObject3D || p_colObject3D->Count() == 0) return;
  IgnoreErrors([&] { Call(objScene, "Prepare_Import"); });
  // A reader's materials (WaveFront libraries) go in first; each object is
  // then bound to the material its MaterialKey names.
  const bool bind = p_colMaterial3D && p_colMaterial3D->Count() > 0;
  if (bind)
    for (int32_t i = 1; i <= p_colMaterial3D->Count(); ++i)
      IgnoreErrors([&] {
        Call(Get(objScene, "ListMaterials").ToObject(), "Add", p_colMaterial3D->Item(i));
      });
  const auto bindLast = [&] {
    if (bind)
      IgnoreErrors(
          [&] { Call(objScene, "Assign_MaterialToObject", Get(ListObjects(), "Count").ToLong()); });
  };
  ObjectRef first = p_colObject3D->Item(1).ToObject();
  std::string firstKey;
  IgnoreErrors([&] { Call(ListObjects(), "Add", first); });
  IgnoreErrors([&] { firstKey = Get(first, "Key").ToString(); });
  IgnoreErrors([&] { SelectedObject = Get(ListObjects(), "Count").ToLong(); });
  bindLast();
  for (int32_t i = 2; i <= p_colObject3D->Count(); ++i) {
    IgnoreErrors(
        [&] { Call(ListObjects(), "Add", p_colObject3D->Item(i), Variant::Omitted(), firstKey); });
    bindLast();
  }
  CenterImport(firstKey);
  IgnoreErrors([&] { reader.AfterImport(first); });
  p_colObject3D->Clear();
}

void frmImport::CenterImport(const std::string& firstKey) {
  Variant offset;
  IgnoreErrors([&] { offset = Call(ListObjects(firstKey), "Center"); });
  if (offset.type() != VarType::SingleArray || offset.Singles().size() != 3) return;
  // Centring the first object alone would tear a file of several objects
  // apart: the others move by the same offset, so the file's layout is kept.
  const std::vector<float>& d = offset.Singles();
  for (int32_t i = 2; i <= p_colObject3D->Count(); ++i)
    IgnoreErrors(
        [&] { Call(p_colObject3D->Item(i).ToObject(), "Move_Vertices", d[0], d[1], d[2]); });
}

void frmImport::PostProcess3DS(readers::MeshReader& reader) {
  if (!p_colObject3D || p_colObject3D->Count() == 0) return;
  IgnoreErrors([&] { Call(objScene, "Prepare_Import"); });
  if (p_colMaterial3D)
    for (int32_t i = 1; i <= p_colMaterial3D->Count(); ++i)
      IgnoreErrors([&] {
        Call(Get(objScene, "ListMaterials").ToObject(), "Add", p_colMaterial3D->Item(i));
      });
  // The scene may hold objects from before: the run's first object is found
  // by its position after it was added (1 in an empty scene), so that the
  // material, smoothing, position and selection below address it and not the
  // scene's first object.
  std::string firstKey;
  ObjectRef first = p_colObject3D->Item(1).ToObject();
  int32_t firstPosition = 1;
  if (p_colObject3D->Count() == 1) {
    IgnoreErrors([&] { Call(ListObjects(), "Add", first); });
    IgnoreErrors([&] { firstPosition = Get(ListObjects(), "Count").ToLong(); });
    if (firstPosition == 1) {
      IgnoreErrors([&] { firstKey = Get(ListObjects(int16_t{1}), "Key").ToString(); });
      IgnoreErrors([&] { Call(objScene, "Assign_MaterialToObject", int16_t{1}); });
    } else {
      IgnoreErrors([&] { firstKey = Get(first, "Key").ToString(); });
      IgnoreErrors([&] { Call(objScene, "Assign_MaterialToObject", firstPosition); });
    }
  } else {
    IgnoreErrors([&] { Call(ListObjects(), "Add", first); });
    IgnoreErrors([&] { firstKey = Get(first, "Key").ToString(); });
    IgnoreErrors([&] { firstPosition = Get(ListObjects(), "Count").ToLong(); });
    IgnoreErrors([&] { Call(objScene, "Assign_MaterialToObject", firstKey); });
    for (int32_t i = 2; i <= p_colObject3D->Count(); ++i) {
      IgnoreErrors([&] {
        Call(ListObjects(), "Add", p_colObject3D->Item(i), Variant::Omitted(), firstKey);
      });
      IgnoreErrors(
          [&] { Call(objScene, "Assign_MaterialToObject", Get(ListObjects(), "Count").ToLong()); });
    }
  }
  SelectedObject = firstPosition;
  CenterImport(firstKey);
  if (Checked(chkAutoSmooth))
    IgnoreErrors([&] { Call(ListObjects(firstKey), "SmoothNormalsAdaptive", int16_t{60}); });
  float x = 0, y = 0, z = 0;
  IgnoreErrors([&] { reader.Get_Position(x, y, z); });
  IgnoreErrors([&] { Put(ListObjects(firstKey), "PosX", x); });
  IgnoreErrors([&] { Put(ListObjects(firstKey), "PosY", y); });
  IgnoreErrors([&] { Put(ListObjects(firstKey), "PosZ", z); });
  IgnoreErrors([&] { reader.AfterImport(first); });
  p_colObject3D->Clear();
}

void frmImport::EndRun() {
  // Whatever happened, no input file stays open after a run.
  state_.CloseFiles();
  bool stopped = state_.StopImport != 0;
  if (stopped) {
    SetControlsEnabled(true);
    ProgressBar1.value = Variant(0.0);
  }
  state_.StopImport = -1;
  rt_.GetPerson().SetScreenPointer(kPointerDefault);
  // A skipped type mismatch lets the run go on but must not pass for success.
  if (!typeMismatch_.empty()) Message(typeMismatch_, MsgButtons::OK, MsgIcon::Exclamation);
  // What the reader passed over, one line per kind, and a run that found no
  // geometry, in one message.
  if (!stopped) {
    std::vector<std::string> lines = state_.warnings.Messages();
    if (!nothingFound_.empty()) lines.insert(lines.begin(), nothingFound_);
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    if (!text.empty()) Message(text, MsgButtons::OK, MsgIcon::Information);
  }
  nothingFound_.clear();
  if (!stopped) Close(kUnloadFromCode);
}

}  // namespace ks::importer
