// Frame time of the main window's viewport: imports FILE through File -> Open's
// path, waits for the objects' drawing forms (made on the viewport's worker
// thread), then draws FRAMES frames while the view moves (zooming a little
// between frames: the coarse forms) and FRAMES frames at rest (full detail),
// first with the import selected (as it is after the import: outlined), then
// with nothing selected, and the time from the last move to the first
// full-detail frame. Each frame is the viewport's own paint into its
// framebuffer, read back (grabFramebuffer), which waits for the drawing to finish; the read-back
// adds about a millisecond at these sizes. Prints the import time, the time from the file to its
// first full picture, and the frame times.
//
//   viewport_frame_time FILE [FRAMES] [WIDTHxHEIGHT]     (needs a display:
//   run under xvfb-run for Mesa's llvmpipe)
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/desktop/desktop_person.h"
#include "app/gui/main_window.h"
#include "app/gui/viewport_widget.h"
#include "host/host_classes.h"
#include "host/runtime.h"

namespace {

// CPU time of the whole process (all of llvmpipe's threads), in ms.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Wall time of one frame; its CPU time is added to cpuMs.
double DrawFrame(kestrel::gui::ViewportWidget& view, double& cpuMs) {
  QElapsedTimer clock;
  const double cpuStart = CpuMs();
  clock.start();
  const QImage frame = view.grabFramebuffer();
  const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  cpuMs += CpuMs() - cpuStart;
  return frame.isNull() ? -1 : ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: viewport_frame_time FILE [FRAMES] [WIDTHxHEIGHT]\n");
    return 2;
  }
  const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  int width = 1280, height = 800;
  if (argc > 3) std::sscanf(argv[3], "%dx%d", &width, &height);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("KestrelBench");

  const auto root = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
  ks::Runtime runtime(std::filesystem::temp_directory_path() / "kestrel-frame-bench.ini");
  ks::RegisterHostClasses(runtime);
  kestrel::RegisterPluginFolder(runtime, root / "plugins");
  auto person = std::make_shared<kestrel::desktop::DesktopPerson>("Kestrel");
  runtime.SetPerson(person);
  kestrel::gui::MainWindow window(runtime, person);
  kestrel::gui::ViewportWidget& view = *window.Viewport();
  view.setFixedSize(width, height);
  window.show();
  QApplication::processEvents();

  // A timer ticking every few milliseconds from the drop on: the longest gap
  // between its ticks is how long the window stopped answering (waiting for
  // events is not counted), during the import's run and while the drawing
  // forms are made and copied to the GPU.
  double longestImportTurnMs = 0, longestTurnMs = 0;
  double* longest = &longestImportTurnMs;
  double longestEndedMs = 0;  // when the longest stall after the import ended
  std::string stalls;         // every stall over kStallMs: when it ended, how long
  constexpr double kStallMs = 60;
  QElapsedTimer clock;
  QElapsedTimer sinceTick;
  sinceTick.start();
  QTimer heartbeat;
  heartbeat.setInterval(5);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const double gapMs = static_cast<double>(sinceTick.nsecsElapsed()) / 1e6;
    if (gapMs > *longest && longest == &longestTurnMs)
      longestEndedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    *longest = std::max(*longest, gapMs);
    if (gapMs > kStallMs)
      stalls += " " + std::to_string(std::lround(static_cast<double>(clock.nsecsElapsed()) / 1e6)) +
                ":" + std::to_string(std::lround(gapMs));
    sinceTick.restart();
  });
  heartbeat.start();
  clock.start();
  if (!window.OpenFile(QString::fromLocal8Bit(argv[1]))) return 1;
  const double importMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  longest = &longestTurnMs;
  // The window's own route: forms made on the worker, copied to the GPU in
  // slices over turns of the event loop.
  double madeMs = 0;
  while (view.Busy()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (madeMs == 0 && !view.Preparing()) madeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  }
  heartbeat.stop();
  const double preparedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  // What has just arrived is drawn coarse first, then in full.
  double firstCpuMs = 0;
  const double coarseMs = DrawFrame(view, firstCpuMs);
  const double coarsePictureMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  while (view.Moving()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double firstMs = DrawFrame(view, firstCpuMs);
  const double pictureMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

  // Frames while zooming in and out a notch at a time (coarse forms).
  auto moveFrames = [&](std::vector<double>& times, double& cpuMs) {
    for (int i = 0; i < frames; ++i) {
      QWheelEvent zoom(QPointF(width / 2.0, height / 2.0), QPointF(), {},
                       QPoint(0, i % 2 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
      QApplication::sendEvent(&view, &zoom);
      times.push_back(DrawFrame(view, cpuMs));
    }
  };
  // From the last move to the window's own first full-detail frame: the
  // wait for the view to rest, then that frame.
  auto settle = [&view] {
    QElapsedTimer wait;
    wait.start();
    bool shown = false;
    const auto connection = QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] {
      if (!view.Moving()) shown = true;
    });
    while (!shown) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
    return static_cast<double>(wait.nsecsElapsed()) / 1e6;
  };
  // The import is selected (outlined) after it; then without a selection.
  double movingCpuMs = 0, restCpuMs = 0, plainMovingCpuMs = 0, plainCpuMs = 0;
  std::vector<double> moving, rest, plainMoving, plain;
  moveFrames(moving, movingCpuMs);
  const double settleMs = settle();
  for (int i = 0; i < frames; ++i) rest.push_back(DrawFrame(view, restCpuMs));
  window.SelectObjects({});
  moveFrames(plainMoving, plainMovingCpuMs);
  const double plainSettleMs = settle();
  for (int i = 0; i < frames; ++i) plain.push_back(DrawFrame(view, plainCpuMs));
  std::printf(
      "stalls over %.0f ms while importing and until on the GPU (ended at ms:lasted ms):%s\n",
      kStallMs, stalls.c_str());
  const char* renderer =
      reinterpret_cast<const char*>(view.context()->functions()->glGetString(GL_RENDERER));
  std::printf("viewport %dx%d, %s\n", view.width(), view.height(), renderer ? renderer : "?");
  std::printf(
      "scene: %lld triangles\n",
      static_cast<long long>(window.Scene().ObjectList()->Objects().empty()
                                 ? 0
                                 : window.Scene().ObjectList()->Objects()[0]->TriangleCount()));
  std::printf(
      "import %.0f ms (longest event-loop turn meanwhile %.0f ms), drawing forms made at %.0f "
      "ms and on the GPU at %.0f ms (longest event-loop turn meanwhile %.0f ms, ended at %.0f ms), "
      "first (coarse) "
      "picture at %.0f ms (its frame %.0f ms), first full picture at %.0f ms (its frame %.0f "
      "ms)\n",
      importMs, longestImportTurnMs, madeMs, preparedMs, longestTurnMs, longestEndedMs,
      coarsePictureMs, coarseMs, pictureMs, firstMs);
  auto report = [frames](const char* what, std::vector<double>& times, double cpuMs) {
    std::sort(times.begin(), times.end());
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / times.size();
    std::printf(
        "%s: %d frames, min %.1f ms, median %.1f ms, mean %.1f ms, max %.1f ms (%.1f fps); "
        "CPU per frame (all threads) %.1f ms\n",
        what, frames, times.front(), times[times.size() / 2], mean, times.back(), 1000 / mean,
        cpuMs / frames);
  };
  report("moving (coarse, selected)", moving, movingCpuMs);
  report("at rest (full detail, selected)", rest, restCpuMs);
  report("moving (coarse, nothing selected)", plainMoving, plainMovingCpuMs);
  report("at rest (full detail, nothing selected)", plain, plainCpuMs);
  std::printf(
      "full detail back %.0f ms after the last move (selected), %.0f ms (nothing selected)\n",
      settleMs, plainSettleMs);
  return 0;
}
