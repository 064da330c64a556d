// kestrel render, and --render of kestrel path, run as programs without a
// display: the picture is written at its size and shows the object; bad
// options and unreadable files end with the right exit code and a reason.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class RenderCommandTest : public ::testing::Test {
 protected:
  fs::path dir_ =
      fs::temp_directory_path() / ("ks-render-cmd-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override {
#ifdef KS_SKIP_OPENGL_TESTS
    GTEST_SKIP() << "OpenGL pictures are not tested in this build";
#endif
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
  }

  // Runs kestrel without a display server; stderr is kept in err_.
  int Kestrel(const std::string& args) {
    const fs::path errFile = dir_ / "stderr";
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY KESTREL_REGISTRY='" +
                          (dir_ / "registry.ini").string() + "' '" + KS_KESTREL + "' " + args +
                          " >/dev/null 2>'" + errFile.string() + "'";
    int status = std::system(command.c_str());
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    err_ = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    return (dir_ / name).string();
  }
  std::string err_;
};

bool IsBluish(QRgb c) {
  return qBlue(c) - qRed(c) > 40;
}

TEST_F(RenderCommandTest, ImportedFileIsRenderedAtTheRequestedSize) {
  const std::string obj = Write("wedge.obj",
                                "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 4\n"
                                "f 1 2 3\nf 1 2 4\nf 1 3 4\nf 2 3 4\n");
  const fs::path out = dir_ / "pictures" / "wedge.png";
  ASSERT_EQ(Kestrel("render '" + obj + "' -o '" + out.string() + "' --size 200x150 --view front"),
            0)
      << err_;
  QImage img(QString::fromStdString(out.string()));
  ASSERT_EQ(img.size(), QSize(200, 150));
  EXPECT_TRUE(IsBluish(img.pixel(100, 75)));
}

TEST_F(RenderCommandTest, PathAndTraceRenderWhatTheyBuilt) {
  const fs::path out = dir_ / "vase.png";
  ASSERT_EQ(Kestrel("path --points '7,40 60,80 40,200 70,300 7,300' --rotate --sections 16 "
                    "--render '" +
                    out.string() + "' --size 160x160"),
            0)
      << err_;
  QImage img(QString::fromStdString(out.string()));
  ASSERT_EQ(img.size(), QSize(160, 160));
  EXPECT_TRUE(IsBluish(img.pixel(80, 80)));
}

TEST_F(RenderCommandTest, BadOptionsAndFilesAreRefusedWithAReason) {
  const std::string obj = Write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const std::string png = (dir_ / "x.png").string();
  struct Case {
    std::string args;
    int exitCode;
    std::string says;
  };
  const Case cases[] = {
      {"render '" + obj + "' -o '" + png + "' --size 200", 2, "--size"},
      {"render '" + obj + "' -o '" + png + "' --size 0x10", 2, "--size"},
      {"render '" + obj + "' -o '" + png + "' --view back", 2, "--view"},
      {"render '" + obj + "'", 2, "--output"},
      {"path --points '10,10 50,50 10,90' --extrude --size 20x20", 2, "--render"},
      {"render '" + (dir_ / "missing.obj").string() + "' -o '" + png + "'", 1, "missing.obj"},
      {"render '" + obj + "' -o '" + (dir_ / "tri.obj" / "x.png").string() + "'", 1,
       "cannot write the picture"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Kestrel(c.args), c.exitCode) << c.args << "\n" << err_;
    EXPECT_NE(err_.find(c.says), std::string::npos) << c.args << "\n" << err_;
  }
  EXPECT_FALSE(fs::exists(png));
}

}  // namespace
