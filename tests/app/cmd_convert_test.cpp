// kestrel convert: which files a batch takes and where their exports go; a
// mixed folder run as a program, its exports read back with assimp against
// the triangles the import counts; an interrupted batch leaves only whole
// exports.
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/cmd_convert_plan.h"
#include "app/commands.h"
#include "app/scene_export.h"
#include "testing/chunk_writer_3ds.h"
#include "testing/test_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrel::ConvertJob;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A DXF file of 3DFACE entities, one per quad of corners.
std::string DxfFaces(int faces) {
  std::string text = "0\nSECTION\n2\nENTITIES\n";
  for (int f = 0; f < faces; ++f) {
    text += "0\n3DFACE\n8\n0\n";
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int c = 0; c < 4; ++c)
      text += std::to_string(10 + c) + "\n" + std::to_string(corners[c][0] + f) + "\n" +
              std::to_string(20 + c) + "\n" + std::to_string(corners[c][1]) + "\n" +
              std::to_string(30 + c) + "\n" + std::to_string(f) + "\n";
  }
  return text + "0\nENDSEC\n0\nEOF\n";
}

// An OBJ grid of n x n quads.
std::string ObjGrid(int n) {
  std::string text;
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x)
      text += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int a = y * (n + 1) + x + 1;
      text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
              std::to_string(a + n + 2) + " " + std::to_string(a + n + 1) + "\n";
    }
  return text;
}

std::string Box3ds() {
  using namespace ks::test3ds;
  const Bytes bytes = EditorFile({NamedObject("Box").Add(
      Chunk(0x4100)
          .Add(Vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}}))
          .Add(Faces({{0, 1, 2}, {0, 2, 3}, {0, 1, 4}})))});
  return std::string(bytes.begin(), bytes.end());
}

unsigned TrianglesReadBack(const fs::path& file) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file.string(), 0);
  if (!scene) {
    ADD_FAILURE() << file << ": " << importer.GetErrorString();
    return 0;
  }
  unsigned faces = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) faces += scene->mMeshes[i]->mNumFaces;
  return faces;
}

// Work folders a batch writes into before renaming, anywhere below `dir`.
std::vector<fs::path> WorkFoldersLeft(const fs::path& dir) {
  std::vector<fs::path> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().filename().string().starts_with(".kestrel-convert-"))
      left.push_back(entry.path());
  return left;
}

class ConvertCommandTest : public ::testing::Test {
 protected:
  ks::testing::TestFolder folder_{"ks-convert"};
  const fs::path& dir_ = folder_.path();

  // Runs kestrel; stdout and stderr are kept in out_ and err_.
  int Kestrel(const std::string& args) {
    const std::string command = "KESTREL_REGISTRY='" + (dir_ / "registry.ini").string() + "' '" +
                                KS_KESTREL + "' " + args + " >'" + (dir_ / "stdout").string() +
                                "' 2>'" + (dir_ / "stderr").string() + "'";
    const int status = std::system(command.c_str());
    out_ = Read(dir_ / "stdout");
    err_ = Read(dir_ / "stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The triangles `kestrel import FILE` brings into the scene.
  int ImportedTriangles(const fs::path& file) {
    EXPECT_EQ(Kestrel("import '" + file.string() + "' --json"), 0) << err_;
    static const std::regex triangles("\"triangles\":(\\d+)");
    int sum = 0;
    for (auto m = std::sregex_iterator(out_.begin(), out_.end(), triangles);
         m != std::sregex_iterator(); ++m)
      sum += std::stoi((*m)[1]);
    return sum;
  }

  std::string out_, err_;
};

TEST(ConvertPlan, InputsAndTheirOutputs) {
  ks::testing::TestFolder folder("ks-convert-plan");
  const fs::path& d = folder.path();
  for (const char* name : {"m/a.obj", "m/b.3DS", "m/notes.txt", "m/sub/c.inc", "m/x.obj", "m/x.dxf",
                           "m/.kestrel-convert-abc/left.obj", "lone.dxf"})
    Write(d / name, "");
  struct Case {
    std::vector<fs::path> arguments;
    std::string to;
    fs::path outputFolder;
    std::vector<std::pair<fs::path, fs::path>> jobs;  // input -> output, relative to d
  };
  const Case cases[] = {
      // Beside each file; clashing stems are told apart by their extension.
      {{d / "m"},
       "glb",
       {},
       {{"m/a.obj", "m/a.glb"},
        {"m/b.3DS", "m/b.glb"},
        {"m/sub/c.inc", "m/sub/c.glb"},
        {"m/x.dxf", "m/x_dxf.glb"},
        {"m/x.obj", "m/x_obj.glb"}}},
      // Into a folder, keeping subfolders; a file named alone goes to its top.
      {{d / "m", d / "lone.dxf"},
       "stl",
       d / "out",
       {{"m/a.obj", "out/a.stl"},
        {"m/b.3DS", "out/b.stl"},
        {"m/sub/c.inc", "out/sub/c.stl"},
        {"m/x.dxf", "out/x_dxf.stl"},
        {"m/x.obj", "out/x_obj.stl"},
        {"lone.dxf", "out/lone.stl"}}},
      // An export never replaces an input of the batch.
      {{d / "m" / "a.obj"}, "obj", {}, {{"m/a.obj", "m/a_obj.obj"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    const auto jobs = kestrel::PlanConversion({c.arguments, c.to, c.outputFolder});
    std::vector<std::pair<fs::path, fs::path>> got;
    for (const ConvertJob& job : jobs) {
      EXPECT_EQ(job.problem, "") << job.input;
      got.emplace_back(job.input.lexically_relative(d), job.output.lexically_relative(d));
    }
    EXPECT_EQ(got, c.jobs);
  }

  // The same stem twice from two folders into one: the second cannot be named.
  Write(d / "n/a.obj", "");
  auto jobs = kestrel::PlanConversion(
      {{d / "m" / "a.obj", d / "n" / "a.obj", d / "nothing.obj"}, "glb", d / "out"});
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].output, d / "out" / "a_obj.glb");
  EXPECT_NE(jobs[1].problem.find("taken"), std::string::npos);
  EXPECT_EQ(jobs[2].problem, "no such file or folder");
}

TEST(ConvertPlan, EveryTargetIsAnExportFormat) {
  for (const std::string& target : kestrel::ConvertTargets()) {
    const auto& formats = kestrel::ExportFormats();
    EXPECT_TRUE(std::any_of(formats.begin(), formats.end(), [&](const auto& f) {
      return f.extension == target;
    })) << target;
  }
}

TEST_F(ConvertCommandTest, MixedFolderConvertsWithTheImportsTriangles) {
  const fs::path in = dir_ / "models";
  Write(in / "grid.obj", ObjGrid(6));
  Write(in / "faces.dxf", DxfFaces(5));
  Write(in / "box.3ds", Box3ds());
  Write(in / "deep" / "tri.inc",
        "#declare Tri = mesh {\n triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
        " triangle { <0,0,0>, <1,0,0>, <0,0,1> }\n}\n");
  Write(in / "deep" / "broken.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\n");
  Write(in / "readme.txt", "not a model");

  for (const std::string to : {"glb", "gltf", "obj"}) {
    SCOPED_TRACE(to);
    const fs::path out = dir_ / ("out-" + to);
    EXPECT_EQ(
        Kestrel("convert '" + in.string() + "' --to " + to + " -o '" + out.string() + "' --jobs 2"),
        1)
        << err_;
    EXPECT_NE(err_.find("converted 4 of 5 files, 1 failed"), std::string::npos) << err_;
    EXPECT_NE(err_.find("broken.obj: line 3"), std::string::npos) << err_;
    const std::string listed = out_;
    for (const char* name : {"grid", "faces", "box", "deep/tri"}) {
      const fs::path input = *std::find_if(
          fs::recursive_directory_iterator(in), fs::recursive_directory_iterator(),
          [&](const auto& e) { return (e.path().parent_path() / e.path().stem()) == in / name; });
      const fs::path output = out / (std::string(name) + "." + to);
      EXPECT_NE(listed.find(input.string() + " -> " + output.string()), std::string::npos)
          << listed;
      ASSERT_TRUE(fs::exists(output)) << output;
      EXPECT_EQ(TrianglesReadBack(output), ImportedTriangles(input)) << name;
    }
    EXPECT_FALSE(fs::exists(out / "deep" / ("broken." + to)));
    EXPECT_TRUE(WorkFoldersLeft(dir_).empty());
  }
}

TEST_F(ConvertCommandTest, UsageAndNothingToDo) {
  Write(dir_ / "empty" / "notes.txt", "");
  EXPECT_EQ(Kestrel("convert '" + (dir_ / "empty").string() + "'"), 1);
  EXPECT_NE(err_.find("no files to convert"), std::string::npos) << err_;
  EXPECT_EQ(Kestrel("convert x.obj --to fbx"), 2);
  EXPECT_EQ(Kestrel("convert x.obj --jobs 0"), 2);
}

// Ctrl-C once the first file is done: the batch says what it did, and every
// export left is whole and was reported.
TEST_F(ConvertCommandTest, InterruptLeavesOnlyWholeExports) {
  const fs::path in = dir_ / "many";
  for (int i = 0; i < 40; ++i) Write(in / ("g" + std::to_string(100 + i) + ".obj"), ObjGrid(120));
  const fs::path out = dir_ / "out";
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    setenv("KESTREL_REGISTRY", (dir_ / "registry.ini").c_str(), 1);
    freopen((dir_ / "stderr").c_str(), "w", stderr);
    execl(KS_KESTREL, KS_KESTREL, "convert", in.c_str(), "-o", out.c_str(), "--jobs", "2", nullptr);
    _exit(127);
  }
  close(pipeFds[1]);
  std::string listed;
  char c;
  while (read(pipeFds[0], &c, 1) == 1) {
    listed += c;
    if (c == '\n') break;
  }
  kill(pid, SIGINT);
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) listed.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  const std::string err = Read(dir_ / "stderr");
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 130)
    EXPECT_NE(err.find("interrupted: converted "), std::string::npos) << err;
  else
    EXPECT_EQ(WEXITSTATUS(status), 0) << err;  // all done before the signal came
  EXPECT_TRUE(WorkFoldersLeft(dir_).empty());
  int left = 0;
  for (const auto& entry : fs::directory_iterator(out)) {
    ++left;
    EXPECT_NE(listed.find(" -> " + entry.path().string()), std::string::npos) << entry.path();
    EXPECT_EQ(TrianglesReadBack(entry.path()), 2u * 120 * 120) << entry.path();
  }
  EXPECT_GE(left, 1);
}

}  // namespace
