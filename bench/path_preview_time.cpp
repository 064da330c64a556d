// Latency of the path dialog's 3D preview: a rotation of a profile of POINTS
// points (default 40) with 200 sections, edited SAMPLES times (default 20) by
// dragging one point back and forth. Each sample is the drag event going to
// the form, the preview building the object again with the builders of "Get
// Object", and the preview's frame drawn and read back (grabFramebuffer waits
// for the drawing to finish). Prints the build and the whole latency per
// edit: median and slowest, wall and process CPU time.
//
//   path_preview_time [SAMPLES] [POINTS]   (needs a display: run under
//   xvfb-run for Mesa's llvmpipe, see bench/path_preview_bench.sh)
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/desktop/desktop_person.h"
#include "host/host_classes.h"
#include "host/image/ks_image.h"
#include "host/ks_object.h"
#include "host/ks_properties_ids.h"
#include "host/runtime.h"
#include "objpath/frm_obj_path.h"
#include "objpath/view/obj_path_dialog.h"
#include "objpath/view/path_preview.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Mouse(ks::Form& form, const char* event, int button, float x, float y) {
  form.Fire(event, {ks::Variant(int16_t(button)), ks::Variant(int16_t{0}), ks::Variant(x),
                    ks::Variant(y)});
}

}  // namespace

int main(int argc, char** argv) {
  const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const int points = argc > 2 ? std::clamp(std::atoi(argv[2]), 2, 300) : 40;
  QApplication app(argc, argv);
  const auto registry = std::filesystem::temp_directory_path() / "ks-path-preview-bench.ini";
  ks::Runtime rt(registry);
  ks::RegisterHostClasses(rt);
  rt.SetPerson(std::make_shared<kestrel::desktop::DesktopPerson>());
  if (!ks::objpath::PathPreview::CanDraw()) {
    std::fprintf(stderr, "path_preview_time: needs a display with OpenGL (run under xvfb-run)\n");
    return 1;
  }
  ks::objpath::frmObjPath form(rt);
  form.Fire("Form_Load");
  ks::objpath::ObjPathDialog dialog(form);
  dialog.resize(1200, 700);
  dialog.show();
  // A vase-like profile right of the axis, top to bottom.
  for (int i = 0; i < points; ++i) {
    const float y = 10.0f + 320.0f * static_cast<float>(i) / static_cast<float>(points - 1);
    const float x = 60.0f + 40.0f * std::sin(y / 40.0f);
    Mouse(form, "Picture1_MouseMove", 0, x, y);
    Mouse(form, "Picture1_MouseDown", 1, x, y);
  }
  Mouse(form, "Picture1_MouseDown", 2, 0, 0);
  std::vector<ks::Variant> sections{ks::Variant(int32_t{0}), ks::Variant(int32_t{200})};
  ks::CallId(form.Grid(1), ks::grid::kSetRowValue, sections);
  dialog.Refresh();
  auto* preview = dialog.findChild<ks::objpath::PathPreview*>("Preview");
  QApplication::processEvents();
  preview->grabFramebuffer();  // the first frame sets up the GL objects

  std::vector<double> build, whole, cpu;
  const int moved = points / 2;
  for (int i = 0; i < samples; ++i) {
    const float x = 100.0f + static_cast<float>(i % 2) * 20.0f;
    const float y = form.Path().PathPoints[static_cast<size_t>(moved)].Y;
    QElapsedTimer clock;
    const double cpuStart = CpuMs();
    clock.start();
    form.Fire("Picture1_MovePoint", {ks::Variant(int32_t{moved}), ks::Variant(int16_t{0}),
                                     ks::Variant(x), ks::Variant(y), ks::Variant(true)});
    dialog.Refresh();  // what the view does after every event: the preview builds again
    build.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    const QImage frame = preview->grabFramebuffer();
    whole.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    cpu.push_back(CpuMs() - cpuStart);
    if (frame.isNull()) return 1;
  }
  const auto object = std::dynamic_pointer_cast<ks::CKsObject>(preview->Shown());
  std::printf("profile of %d points, 200 sections: %d vertices, %d triangles\n", points,
              object ? object->VertexCount() : 0, object ? object->TriangleCount() : 0);
  std::printf("per edit over %d edits (median / slowest), ms:\n", samples);
  std::printf("  build into the object   %8.2f / %8.2f\n", Median(build),
              *std::max_element(build.begin(), build.end()));
  std::printf("  build and frame drawn   %8.2f / %8.2f\n", Median(whole),
              *std::max_element(whole.begin(), whole.end()));
  std::printf("  process CPU time        %8.2f / %8.2f\n", Median(cpu),
              *std::max_element(cpu.begin(), cpu.end()));
  std::filesystem::remove(registry);
  return 0;
}
