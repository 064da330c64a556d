// Cost of the import dialog's event pump, which every reader calls after each
// line or chunk: most calls must cost a counter increment, and the person
// (the user interface) must still get a turn every 15 ms or so.
//
//   BM_EventPump   ns per reader turn; "person_turns_per_s" shows the throttle
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "host/person.h"
#include "host/runtime.h"
#include "import/frm_import.h"

namespace {

class CountingPerson : public ks::HeadlessPerson {
 public:
  void DoEvents() override { ++turns; }
  int64_t turns = 0;
};

void BM_EventPump(benchmark::State& state) {
  ks::Runtime rt(std::filesystem::temp_directory_path() / "ks-pump-bench-registry.ini");
  auto person = std::make_shared<CountingPerson>();
  rt.SetPerson(person);
  ks::importer::frmImport form(rt);
  for (auto _ : state) form.DoEvents();
  state.counters["person_turns_per_s"] =
      benchmark::Counter(double(person->turns), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EventPump);

}  // namespace
