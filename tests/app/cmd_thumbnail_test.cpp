// kestrel thumbnail as the desktop calls it: the installed thumbnailer's
// Exec line with a file manager's %i / %u / %o / %s, one file of each format;
// failures leave no picture; large scenes are simplified to what the
// thumbnail can show.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/cmd_thumbnail_simplify.h"
#include "app/commands.h"
#include "testing/chunk_writer_3ds.h"
#include "testing/test_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of KEY= in a desktop-entry style file.
std::string EntryValue(const std::string& text, const std::string& key) {
  std::smatch m;
  return std::regex_search(text, m, std::regex("(^|\n)" + key + "=([^\n]*)")) ? m[2].str() : "";
}

std::string Quoted(const std::string& text) {
  return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

std::string UriOf(const fs::path& file) {
  std::string uri = "file://";
  for (char c : file.string()) {
    if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/-_.~", c)) {
      uri += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      uri += hex;
    }
  }
  return uri;
}

class ThumbnailCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KS_SKIP_OPENGL_TESTS
    GTEST_SKIP() << "OpenGL pictures are not tested in this build";
#endif
  }
  ks::testing::TestFolder folder_{"ks-thumbnail"};
  const fs::path& dir_ = folder_.path();

  fs::path Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }

  // Runs the thumbnailer's Exec line as a file manager does: the program
  // named in it found on PATH, the field codes replaced.
  int RunThumbnailer(const fs::path& input, bool asUri, const fs::path& output, int size) {
    const std::string exec = EntryValue(Read(KS_THUMBNAILER), "Exec");
    EXPECT_TRUE(exec.starts_with("kestrel ")) << exec;
    std::string command;
    std::istringstream words(exec);
    for (std::string word; words >> word;) {
      if (word == "%i" || word == "%u")
        word = Quoted(word == "%u" || asUri ? UriOf(input) : input.string());
      else if (word == "%o")
        word = Quoted(output.string());
      else if (word == "%s")
        word = std::to_string(size);
      command += word + " ";
    }
    command = "PATH='" + fs::path(KS_KESTREL).parent_path().string() + "':\"$PATH\" " +
              "KESTREL_REGISTRY=" + Quoted((dir_ / "user-registry.ini").string()) +
              " env -u DISPLAY -u WAYLAND_DISPLAY " + command + " 2>" +
              Quoted((dir_ / "stderr").string());
    const int status = std::system(command.c_str());
    err_ = Read(dir_ / "stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool TemporariesLeft() const {
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().starts_with(".kestrel-thumbnail-")) return true;
    return false;
  }

  std::string err_;
};

TEST_F(ThumbnailCommandTest, OneFileOfEachFormatThroughTheThumbnailerLine) {
  using namespace ks::test3ds;
  const Bytes box = EditorFile({NamedObject("Box").Add(
      Chunk(0x4100)
          .Add(Vertices({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 4}}))
          .Add(Faces({{0, 1, 2}, {0, 2, 3}, {0, 1, 4}, {0, 3, 4}})))});
  const fs::path files[] = {
      Write("a wedge.obj", "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 4\nf 1 2 3\nf 1 2 4\nf 1 3 4\n"),
      Write("box #1.3ds", std::string(box.begin(), box.end())),
      Write("face's.dxf",
            "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n4\n21\n0\n31\n0\n"
            "12\n4\n22\n4\n32\n0\n13\n0\n23\n4\n33\n0\n0\nENDSEC\n0\nEOF\n"),
      Write("tri 100%.inc", "#declare T = mesh { triangle { <0,0,0>, <4,0,0>, <0,4,0> } }\n"),
  };
  int size = 96;
  for (const fs::path& file : files) {
    for (bool asUri : {false, true}) {
      SCOPED_TRACE(file.string() + (asUri ? " as URI" : ""));
      const fs::path out = dir_ / "thumb.png";
      ASSERT_EQ(RunThumbnailer(file, asUri, out, size), 0) << err_;
      QImage picture(QString::fromStdString(out.string()));
      ASSERT_EQ(picture.size(), QSize(size, size));
      ASSERT_TRUE(picture.hasAlphaChannel());
      EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
      int opaque = 0;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) opaque += qAlpha(picture.pixel(x, y)) == 255;
      EXPECT_GT(opaque, size * size / 20);
      fs::remove(out);
      size += 32;
    }
  }
  EXPECT_FALSE(TemporariesLeft());
  // Drawing thumbnails leaves the person's settings alone.
  EXPECT_FALSE(fs::exists(dir_ / "user-registry.ini"));
}

TEST_F(ThumbnailCommandTest, FailuresLeaveNoPicture) {
  const fs::path out = dir_ / "thumb.png";
  const fs::path cases[] = {
      Write("broken.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\n"),
      Write("points.obj", "v 0 0 0\nv 1 0 0\n"),
      Write("notes.txt", "v 0 0 0\n"),
      dir_ / "missing.obj",
  };
  for (const fs::path& input : cases) {
    EXPECT_NE(RunThumbnailer(input, false, out, 64), 0) << input;
    EXPECT_NE(err_.find(input.filename().string()), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(out)) << input;
  }
  EXPECT_FALSE(TemporariesLeft());
}

TEST(ThumbnailUri, LocalFilesOnly) {
  struct Case {
    std::string text;
    bool local;
    std::string file;
  };
  const Case cases[] = {
      {"/home/me/a b.obj", true, "/home/me/a b.obj"},
      {"file:///home/me/a%20b%25.obj", true, "/home/me/a b%.obj"},
      {"file://localhost/x.3ds", true, "/x.3ds"},
      {"file:///bad%2", true, "/bad%2"},
      {"sftp://host/x.obj", false, ""},
      {"file://host/x.obj", false, ""},
  };
  for (const Case& c : cases) {
    std::string file;
    EXPECT_EQ(kestrel::FileOfUri(c.text, file), c.local) << c.text;
    if (c.local) {
      EXPECT_EQ(file, c.file) << c.text;
    }
  }
}

// A grid of n x n quads over [0, 1] x [0, 1].
std::shared_ptr<ks::CKsObject> Grid(int n) {
  auto grid = std::make_shared<ks::CKsObject>();
  std::vector<float> v;
  std::vector<int32_t> t;
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x) v.insert(v.end(), {float(x) / n, float(y) / n, 0});
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int a = y * (n + 1) + x;
      t.insert(t.end(), {a, a + 1, a + n + 2, a, a + n + 2, a + n + 1});
    }
  grid->AddVertices(std::move(v));
  grid->AddTriangles(std::move(t));
  return grid;
}

TEST(ThumbnailSimplify, LargeScenesShrinkToTheCellsKeepingTheirBounds) {
  auto scene = std::make_shared<ks::CKsScene>();
  auto big = Grid(300), small = Grid(2);
  small->SetPosition({3, 0, 0});
  scene->ObjectList()->AddObject(big);
  scene->ObjectList()->AddObject(small);
  const auto before = big->Bounds();

  // Under the budget nothing changes.
  EXPECT_EQ(kestrel::SimplifyForThumbnail(*scene, 1'000'000, 20), 180'000 + 8);
  EXPECT_EQ(big->TriangleCount(), 180'000);

  const int64_t after = kestrel::SimplifyForThumbnail(*scene, 10'000, 20);
  EXPECT_EQ(after, big->TriangleCount() + small->TriangleCount());
  EXPECT_GT(big->TriangleCount(), 400);  // still covers the grid's 20 x 20 cells
  EXPECT_LE(big->TriangleCount(), 2 * 21 * 21);
  EXPECT_EQ(small->TriangleCount(), 8);  // its cells are coarser than its quads
  EXPECT_EQ(big->Bounds().min, before.min);
  for (int32_t i : big->Triangles()) ASSERT_LT(i, big->VertexCount());
}

}  // namespace
