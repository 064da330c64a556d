// Throughput of the WaveFront OBJ reader into real host mesh objects.
//
//   BM_ObjImportFile        imports the file named by KS_BENCH_OBJ_FILE once
//                           (bench/obj_import_bench.sh uses it for its figures)
//   BM_ObjImportGrid        a generated grid mesh (~20 MB), no dialog attached
//   BM_ObjImportGridWithUi  the same with a dialog whose progress bar and event
//                           pump are serviced after every line
//   BM_ReadLines            line reading alone
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "host/collection.h"
#include "host/host_classes.h"
#include "host/runtime.h"
#include "readers/imp_obj.h"
#include "readers/import_state.h"
#include "readers/text_input.h"

namespace {

namespace fs = std::filesystem;
using ks::readers::ImportState;

// A grid of n x n positions and 2 (n-1)^2 triangles, as exporters write it.
std::string WriteGrid(int n) {
  const fs::path path =
      fs::temp_directory_path() / ("ks-obj-bench-grid-" + std::to_string(n) + ".obj");
  if (fs::exists(path)) return path.string();
  std::ofstream out(path, std::ios::binary);
  char line[96];
  out << "# grid " << n << " x " << n << "\n";
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double z = 25.123456 * std::sin(i * 0.01) * std::cos(j * 0.013);
      const int len = std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", i * 0.173205 - 86.6,
                                    j * 0.173205 - 86.6, z);
      out.write(line, len);
    }
  for (int i = 0; i + 1 < n; ++i)
    for (int j = 0; j + 1 < n; ++j) {
      const int a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
      const int len =
          std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, c, b, d, c);
      out.write(line, len);
    }
  return path.string();
}

class CountingUi : public ks::readers::ImportUi {
 public:
  double ProgressMax() const override { return max; }
  void SetProgress(double value) override { progress = value; }
  void DoEvents() override { ++turns; }
  double max = 1e12;
  double progress = 0;
  long turns = 0;
};

struct Host {
  Host() : runtime(fs::temp_directory_path() / "ks-obj-bench-registry.ini") {
    ks::RegisterHostClasses(runtime);
  }
  ks::Runtime runtime;
};

int64_t ImportOnce(Host& host, const std::string& file, ks::readers::ImportUi* ui) {
  ImportState state(host.runtime);
  state.StopImport = 0;
  state.ui = ui;
  auto list = std::make_shared<ks::Collection>();
  ks::readers::CImp_OBJ reader(state);
  reader.Load(file, list);
  benchmark::DoNotOptimize(list->Count());
  return static_cast<int64_t>(fs::file_size(file));
}

void BM_ObjImportFile(benchmark::State& state) {
  const char* file = std::getenv("KS_BENCH_OBJ_FILE");
  if (!file || !*file) {
    state.SkipWithError("set KS_BENCH_OBJ_FILE to an OBJ file");
    return;
  }
  Host host;
  int64_t bytes = 0;
  for (auto _ : state) bytes += ImportOnce(host, file, nullptr);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ObjImportFile)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ObjImportGrid(benchmark::State& state) {
  const std::string file = WriteGrid(500);
  Host host;
  int64_t bytes = 0;
  for (auto _ : state) bytes += ImportOnce(host, file, nullptr);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ObjImportGrid)->Unit(benchmark::kMillisecond);

void BM_ObjImportGridWithUi(benchmark::State& state) {
  const std::string file = WriteGrid(500);
  Host host;
  CountingUi ui;
  int64_t bytes = 0;
  for (auto _ : state) bytes += ImportOnce(host, file, &ui);
  state.SetBytesProcessed(bytes);
  state.counters["ui_turns"] = static_cast<double>(ui.turns);
}
BENCHMARK(BM_ObjImportGridWithUi)->Unit(benchmark::kMillisecond);

void BM_ReadLines(benchmark::State& state) {
  const std::string file = WriteGrid(500);
  Host host;
  int64_t bytes = 0;
  for (auto _ : state) {
    ImportState st(host.runtime);
    st.file->Open(file);
    st.LineMode = 1;
    int64_t lines = 0;
    while (!st.file->AtEnd()) lines += !ks::readers::ReadLine(st).empty();
    benchmark::DoNotOptimize(lines);
    bytes += st.file->Length();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond);

}  // namespace
