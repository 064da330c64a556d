// kestrel gui run as a program: the desktop module is loaded and the main
// window comes up with the file named imported and drawn in the viewport.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(GuiCommandTest, MainWindowOpensWithTheFileDrawn) {
  if (QGuiApplication::platformName() == "offscreen")
    GTEST_SKIP() << "the main window needs an X server with OpenGL (run under xvfb-run)";
  const fs::path dir = fs::temp_directory_path() / ("ks-gui-command-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "wedge.obj") << "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 4\n"
                                      "f 1 2 3\nf 1 2 4\nf 1 3 4\nf 2 3 4\n";
  const fs::path shot = dir / "window.png";
  const std::string command = "cd '" + dir.string() + "' && KESTREL_REGISTRY=registry.ini '" +
                              KS_KESTREL + "' gui wedge.obj --screenshot window.png 2>stderr";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  // Panel on the left, viewport on the right; the grey viewport shows the
  // coloured wedge.
  QImage window(QString::fromStdString(shot.string()));
  ASSERT_FALSE(window.isNull());
  int coloured = 0, looked = 0;
  for (int y = 0; y < window.height(); y += 4)
    for (int x = window.width() / 2; x < window.width(); x += 4, ++looked) {
      const QRgb c = window.pixel(x, y);
      const int high = std::max({qRed(c), qGreen(c), qBlue(c)});
      const int low = std::min({qRed(c), qGreen(c), qBlue(c)});
      coloured += high - low > 40;
    }
  EXPECT_GT(coloured, looked / 50);
  fs::remove_all(dir);
}

}  // namespace
