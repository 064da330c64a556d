#pragma once
// Shared by the DXF and POV-Ray reader tests: a runtime with the host classes
// and a call log, an import state ready to run, and input files written into a
// fresh temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/call_log.h"
#include "host/collection.h"
#include "host/host_classes.h"
#include "host/ks_object.h"
#include "host/runtime.h"
#include "readers/import_state.h"
#include "readers/text_input.h"

namespace ks::readers::testing {

// Joins lines with the given line end, a line end after the last one too.
inline std::string Lines(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const auto& line : lines) out += line + eol;
  return out;
}

// Counts what a progress bar saw and lets a test stop the run after some turns.
class RecordingUi : public ImportUi {
 public:
  explicit RecordingUi(ImportState& state) : state_(state) {}
  double ProgressMax() const override { return max; }
  void SetProgress(double value) override { values.push_back(value); }
  void DoEvents() override {
    if (++turns == stopAfterTurns) state_.StopImport = -1;
  }
  double max = 1e9;
  int turns = 0;
  int stopAfterTurns = -1;
  std::vector<double> values;

 private:
  ImportState& state_;
};

class TextReaderTest : public ::testing::Test {
 protected:
  TextReaderTest() {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
      if (c == '/') c = '_';
    dir_ = std::filesystem::temp_directory_path() /
           ("ks-reader-test-" + std::to_string(::getpid()) + "-" + test);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    runtime_ = std::make_unique<Runtime>(dir_ / "registry.ini");
    RegisterHostClasses(*runtime_);
    log_ = std::make_shared<CallLog>();
    runtime_->SetCallLog(log_);
    state_ = std::make_unique<ImportState>(*runtime_);
    state_->StopImport = 0;  // a run is going on
  }
  ~TextReaderTest() override {
    state_.reset();
    runtime_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Writes content to a file of that name in the test's folder; returns its path.
  std::string Write(const std::string& name, const std::string& content) {
    std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  // The host object at a 1-based position of a list.
  static KsObjectRef ObjectAt(const CollectionRef& list, int32_t index) {
    return std::dynamic_pointer_cast<CKsObject>(list->Item(index).ToObject());
  }

  // Calls of the given member, without the object ("Add_Poligon(Long(0),...)").
  std::vector<std::string> CallsOf(const std::string& member) const {
    std::vector<std::string> out;
    for (const auto& call : log_->Calls())
      if (call.member == member) {
        std::string line = call.ToString();
        out.push_back(line.substr(call.object.size() + 1));
      }
    return out;
  }

  // Random bytes with a fair share of line ends, braces and digits.
  static std::string RandomBytes(uint32_t seed, size_t size) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    const std::string common = "\r\n\r\n {}<>,.-0123456789/*";
    for (char& c : out) {
      uint32_t r = rng();
      c = (r & 1) ? common[(r >> 1) % common.size()] : static_cast<char>(r >> 8);
    }
    return out;
  }

  // Words of the format joined by random separators: reaches the readers' deeper paths.
  static std::string RandomWords(uint32_t seed, size_t count,
                                 const std::vector<std::string>& words) {
    std::mt19937 rng(seed);
    const std::vector<std::string> separators = {"\r\n", "\n", "\r", " ", "  ", "\t"};
    std::string out;
    for (size_t i = 0; i < count; ++i) {
      out += words[rng() % words.size()];
      out += separators[rng() % separators.size()];
    }
    return out;
  }

  std::filesystem::path dir_;
  std::unique_ptr<Runtime> runtime_;
  std::shared_ptr<CallLog> log_;
  std::unique_ptr<ImportState> state_;
};

// Line ends that every test file is written with.
inline const std::vector<std::string> kLineEnds = {"\r\n", "\n"};

}  // namespace ks::readers::testing
