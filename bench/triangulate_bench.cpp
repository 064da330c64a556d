// Cap triangulation of long traced outlines: the optimised TriangulateCap
// against the plain step-by-step algorithm it must match.
#include <benchmark/benchmark.h>

#include <numeric>

#include "objpath/cap_triangulation.h"
#include "testing/outline_generators.h"
#include "testing/plain_cap_triangulation.h"

namespace {

using namespace ks::objpath;

struct Outline {
  std::vector<PathPoint> points;
  IndexList list;
  bool flip = false;
};

enum class Shape { Saw, ArchSaw, Star, Traced };

// An outline with about `corners` corners: a saw-toothed band, a band with an
// arch hidden behind a saw (both cut completely), a jagged star or a traced spiky picture (both
// refused part way, as dense outlines often are).
Outline MakeOutline(int corners, Shape shape) {
  Outline o;
  switch (shape) {
    case Shape::Saw:
      o.points = objpath_test::SawBandOutline(corners / 2 - 1, 3);
      break;
    case Shape::ArchSaw:
      o.points = objpath_test::ArchAndSawOutline(corners / 2, corners / 4);
      break;
    case Shape::Star:
      o.points = objpath_test::StarOutline(corners, 11, false);
      break;
    case Shape::Traced:
      o.points = objpath_test::TracedBlobOutline(corners * 200 / 2300, 7, false);
      break;
  }
  o.list.resize(o.points.size());
  std::iota(o.list.begin(), o.list.end(), 0);
  int32_t left = 0;
  for (int32_t i = 1; i < static_cast<int32_t>(o.points.size()); ++i)
    if (o.points[i].X < o.points[left].X) left = i;
  o.flip = FindOrientation(o.points, left).value_or(false);
  return o;
}

template <bool kPlain>
void Triangulate(benchmark::State& state, Shape shape) {
  const Outline o = MakeOutline(static_cast<int>(state.range(0)), shape);
  std::vector<int32_t> polygons;
  std::vector<CapTriangle> triangles;
  bool ok = false;
  for (auto _ : state) {
    polygons.clear();
    triangles.clear();
    CapOutput out{polygons, triangles};
    ok = kPlain ? plain::TriangulateCap(o.points, o.list, o.flip, out)
                : TriangulateCap(o.points, o.list, o.flip, out);
    benchmark::DoNotOptimize(polygons.data());
  }
  state.counters["corners"] = static_cast<double>(o.points.size());
  state.counters["triangles"] = static_cast<double>(triangles.size());
  state.counters["complete"] = ok ? 1 : 0;
}

void BM_SawOutline(benchmark::State& state) {
  Triangulate<false>(state, Shape::Saw);
}
void BM_SawOutlinePlain(benchmark::State& state) {
  Triangulate<true>(state, Shape::Saw);
}
void BM_ArchSawOutline(benchmark::State& state) {
  Triangulate<false>(state, Shape::ArchSaw);
}
void BM_ArchSawOutlinePlain(benchmark::State& state) {
  Triangulate<true>(state, Shape::ArchSaw);
}
void BM_StarOutline(benchmark::State& state) {
  Triangulate<false>(state, Shape::Star);
}
void BM_StarOutlinePlain(benchmark::State& state) {
  Triangulate<true>(state, Shape::Star);
}
void BM_TracedOutline(benchmark::State& state) {
  Triangulate<false>(state, Shape::Traced);
}
void BM_TracedOutlinePlain(benchmark::State& state) {
  Triangulate<true>(state, Shape::Traced);
}

BENCHMARK(BM_SawOutline)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SawOutlinePlain)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchSawOutline)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchSawOutlinePlain)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StarOutline)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StarOutlinePlain)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TracedOutline)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TracedOutlinePlain)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
