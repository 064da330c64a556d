#pragma once
// Shared by the text reader tests: a runtime with the host classes and a call
// log, an import state, and input files written into a fresh temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/call_log.h"
#include "host/collection.h"
#include "host/com_error.h"
#include "host/host_classes.h"
#include "host/ks_object.h"
#include "host/runtime.h"
#include "readers/import_state.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {

// Each object of the list as one line: name, colour, vertices (as bits, so
// that any difference shows), triangles, and corner normals.
inline std::string DescribeObjects(Collection& list) {
  std::string out;
  for (int32_t i = 1; i <= list.Count(); ++i) {
    const auto mesh = std::dynamic_pointer_cast<CKsObject>(list.Item(i).ToObject());
    out += mesh->Name() + " " + std::to_string(mesh->DefaultColor()) + " v";
    for (const float value : mesh->Vertices()) {
      uint32_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      out += " " + std::to_string(bits);
    }
    out += " t";
    for (const int32_t corner : mesh->Triangles()) out += " " + std::to_string(corner);
    out += " n" + std::to_string(mesh->NormalTriangleCount());
    for (const float value : mesh->CornerNormals()) out += " " + std::to_string(value);
    out += "\n";
  }
  return out;
}

// Everything an import of text as the file name leaves, as text: the error,
// the characters read, the progress turns, the warnings and each object
// (DescribeObjects). Cancel is pressed at turn cancelAt (0: never); setUp
// sets the run's options.
template <class Reader>
std::string ImportOutcome(Runtime& runtime, const std::string& name, const std::string& text,
                          int64_t cancelAt, const std::function<void(ImportState&)>& setUp) {
  ImportState state(runtime);
  RecordingUi ui(state);
  ui.max = 1e18;
  ui.stopAfterTurns = cancelAt > 0 ? int(cancelAt) : -1;
  state.ui = &ui;
  setUp(state);
  state.source.UseMemory(text);
  state.StopImport = 0;
  auto list = std::make_shared<Collection>();
  std::string out;
  try {
    Reader reader(state);
    reader.Load(name, list);
  } catch (const ComError& e) {
    out += "error " + std::to_string(e.number()) + ": " + e.description() + "\n";
  }
  state.CloseFiles();
  out += "read " + std::to_string(state.CharsRead) + " turns " + std::to_string(ui.turns) +
         " progress";
  for (const double value : ui.values) out += " " + std::to_string(int64_t(value));
  out += "\n";
  for (const std::string& warning : state.warnings.Messages()) out += "warning " + warning + "\n";
  out += DescribeObjects(*list);
  return out;
}

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() : dir_(MakeTempDir()), runtime_(dir_ / "registry.ini"), state_(runtime_) {
    RegisterHostClasses(runtime_);
    runtime_.SetCallLog(log_);
    state_.StopImport = 0;  // a run is going on
  }
  ~ReaderTest() override {
    state_.CloseFiles();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Writes bytes exactly as given (no line-end translation) and returns the path.
  std::string WriteFile(std::string_view name, std::string_view bytes) {
    const std::filesystem::path path = dir_ / std::string(name);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  static std::filesystem::path MakeTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "ks-reader-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    return pattern;
  }

  std::filesystem::path dir_;
  std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>();
  Runtime runtime_;
  ImportState state_;
};

}  // namespace ks::readers::testing
