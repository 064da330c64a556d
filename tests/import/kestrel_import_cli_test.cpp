// `kestrel import` and `kestrel plugins` run as programs: the scripted person
// works the plug-in's dialog; the registry file remembers format and folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/registry_store.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class KestrelImportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ks-kestrel-import-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string WriteFile(const std::string& name, const std::string& content) {
    fs::path p = dir_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  static std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Starts kestrel with the test's registry file; stdout and stderr go to files.
  pid_t Start(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("KESTREL_REGISTRY", (dir_ / "registry.ini").c_str(), 1);
      int out = open((dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open((dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv{const_cast<char*>(KS_KESTREL)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(KS_KESTREL, argv.data());
      _exit(127);
    }
    return pid;
  }
  Result Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadAll(dir_ / "stdout");
    r.err = ReadAll(dir_ / "stderr");
    return r;
  }
  Result Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

  std::optional<ks::Variant> Stored(const std::string& subkey, const std::string& name) {
    ks::RegistryStore store(dir_ / "registry.ini");
    return store.Read(ks::kHkeyLocalMachine, subkey, name);
  }

  fs::path dir_;
};

constexpr const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

TEST_F(KestrelImportCliTest, TwoRunsRememberFormatAndFolderInTheRegistryFile) {
  std::string inc = WriteFile("pov/scene.inc", "// nothing to see\n");
  std::string obj = WriteFile("wavefront/tri.obj", kTriangle);

  Result first = Run({"import", inc});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(Stored("SOFTWARE\\Ardeno\\KsImport", "FileFormat"), ks::Variant(int16_t{3}));
  EXPECT_EQ(Stored("SOFTWARE\\Ardeno\\KsImport\\INC", "Path"),
            ks::Variant((dir_ / "pov").string() + "/"));

  Result second = Run({"import", obj, "--json"});
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_NE(second.out.find("\"selectedObject\":1"), std::string::npos) << second.out;
  EXPECT_NE(second.out.find("\"triangles\":1"), std::string::npos) << second.out;
  EXPECT_EQ(Stored("SOFTWARE\\Ardeno\\KsImport", "FileFormat"), ks::Variant(int16_t{0}));
  EXPECT_EQ(Stored("SOFTWARE\\Ardeno\\KsImport\\OBJ", "Path"),
            ks::Variant((dir_ / "wavefront").string() + "/"));
  EXPECT_EQ(Stored("SOFTWARE\\Ardeno\\KsImport\\INC", "Path"),
            ks::Variant((dir_ / "pov").string() + "/"));
}

TEST_F(KestrelImportCliTest, SplitObjectsMakesAnObjectOfEachObjectLine) {
  std::string obj = WriteFile("parts.obj", "o A\n" + std::string(kTriangle) + "o B\nf 3 2 1\n");
  Result merged = Run({"import", obj, "--json"});
  EXPECT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_NE(merged.out.find("\"name\":\"parts\",\"vertices\":3,\"triangles\":2"), std::string::npos)
      << merged.out;
  Result split = Run({"import", obj, "--split-objects", "--json"});
  EXPECT_EQ(split.exitCode, 0) << split.err;
  EXPECT_NE(split.out.find("\"name\":\"A\",\"vertices\":3,\"triangles\":1"), std::string::npos)
      << split.out;
  EXPECT_NE(split.out.find("\"name\":\"B\",\"vertices\":3,\"triangles\":1"), std::string::npos)
      << split.out;
}

TEST_F(KestrelImportCliTest, MaterialsColourTheObjectsThatUseThem) {
  WriteFile("chair.mtl", "newmtl wood\nKd 0.5 0.25 0\nnewmtl steel\nKd 0.8 0.8 0.8\n");
  std::string obj = WriteFile("chair.obj",
                              "mtllib chair.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                              "usemtl wood\nf 1 2 3\nusemtl steel\nf 3 2 1\n");
  Result plain = Run({"import", obj, "--json"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_NE(plain.out.find("\"materials\":[]"), std::string::npos) << plain.out;
  Result r = Run({"import", obj, "--materials", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(R"("name":"chair_wood","vertices":3,"triangles":1)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(R"("materialKey":"steel")"), std::string::npos) << r.out;
  // Kd 0.5 0.25 0: red 128 (127.5 to even), green 64.
  EXPECT_NE(r.out.find(R"({"name":"wood","color":16512,)"), std::string::npos) << r.out;
}

TEST_F(KestrelImportCliTest, PassedOverThingsAreWarningsOnStderrAndInTheJson) {
  std::string obj = WriteFile("lines.obj", std::string(kTriangle) + "l 1 2\nl 2 3\n");
  Result r = Run({"import", obj, "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err,
            "kestrel: warning: passed over 2 line and point statements (l): only faces are "
            "imported\n");
  EXPECT_NE(r.out.find(R"("warnings":["passed over 2 line and point statements (l): only faces )"
                       R"(are imported"])"),
            std::string::npos)
      << r.out;
  Result clean = Run({"import", WriteFile("tri.obj", kTriangle), "--json"});
  EXPECT_EQ(clean.err, "");
  EXPECT_NE(clean.out.find(R"("warnings":[])"), std::string::npos) << clean.out;
}

TEST_F(KestrelImportCliTest, PluginsListsTheImportPlugIn) {
  Result r = Run({"plugins"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("KsImport.CPlugIn\tImport Object v1.0\t3\t"), std::string::npos) << r.out;
}

TEST_F(KestrelImportCliTest, ExitCodesTellSuccessImportErrorsAndUsageErrors) {
  // A type mismatch in the second object: the first is imported and printed,
  // yet the import is an error.
  std::string half = WriteFile(
      "half.obj", std::string("# Object one\n") + kTriangle + "# Object two\nv 0 0 0\nv 1 y 0\n");
  Result r = Run({"import", half, "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("\"triangles\":1"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("'y' is not a number"), std::string::npos) << r.err;

  // Nothing came in: a skipped error says why, a clean run says so itself.
  std::string badFace = "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\n0\n66\n1\n70\n64\n";
  for (const char* x : {"0", "1", "0"})
    badFace += std::string("0\nVERTEX\n8\n0\n10\n") + x + "\n20\n0\n30\n0\n70\n192\n";
  badFace += "0\nVERTEX\n8\n0\n70\n128\n71\nx\n72\n2\n73\n3\n0\nSEQEND\n0\nENDSEC\n0\nEOF\n";
  r = Run({"import", WriteFile("bad.dxf", badFace)});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("\"x\" is not a whole number"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("no geometry"), std::string::npos) << r.err;

  r = Run({"import", WriteFile("face.obj", "v 0 0 0\nf 1 2 3\n"), "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("kestrel: "), std::string::npos);

  r = Run({"import", (dir_ / "missing.obj").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("missing.obj"), std::string::npos) << r.err;

  r = Run({"import", WriteFile("tri.xyz", kTriangle)});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--format"), std::string::npos) << r.err;
  r = Run({"import", WriteFile("tri.xyz", kTriangle), "--format", "OBJ"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Run({"import", WriteFile("tri.obj", kTriangle), "--geometry"});
  EXPECT_EQ(r.exitCode, 2);
}

TEST_F(KestrelImportCliTest, FilesWithoutGeometrySaySoInsteadOfAddingEmptyObjects) {
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x02\0\0\0", 24);
  const struct {
    const char* name;
    std::string text;
    const char* found;  // what the warning says the file held
  } cases[] = {
      {"notes.obj", "These are my notes.\nNothing to see.\n", "the file holds "},
      {"points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "3 vertices but no triangles"},
      {"empty.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", "the file holds "},
      {"picture.inc", png, "the file holds "},
      {"empty.inc", "// nothing\n", "the file holds "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Result r = Run({"import", WriteFile(c.name, c.text), "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string warning = std::string("no geometry imported from ") + c.name;
    EXPECT_NE(r.err.find("kestrel: warning: " + warning), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.found), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"objects\":[]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"warnings\":[\"" + warning), std::string::npos) << r.out;
  }
}

// Two objects ten units apart in the file (scaled by ten on reading): the
// import centres the first and moves the second with it, so they stay apart.
TEST_F(KestrelImportCliTest, ObjectsOfOneImportKeepTheirSpacing) {
  const std::string file = WriteFile("two.obj",
                                     "# Object A\nv 10 0 0\nv 11 0 0\nv 10 1 0\nf 1 2 3\n"
                                     "# Object B\nv 20 0 0\nv 21 0 0\nv 20 1 0\nf 4 5 6\n");
  Result r = Run({"import", file, "--json", "--geometry"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<double> firstX;
  for (size_t at = r.out.find("\"vertexData\":["); at != std::string::npos;
       at = r.out.find("\"vertexData\":[", at + 1))
    firstX.push_back(std::stod(r.out.substr(at + 14)));
  ASSERT_EQ(firstX.size(), 2u) << r.out;
  EXPECT_DOUBLE_EQ(firstX[0], -5.0);  // A spans 100..110, centred
  EXPECT_DOUBLE_EQ(firstX[1] - firstX[0], 100.0);
}

TEST_F(KestrelImportCliTest, ExportWritesTheImportedScene) {
  fs::path out = dir_ / "out" / "tri.obj";
  Result r = Run({"import", WriteFile("tri.obj", kTriangle), "--export", out.string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(fs::file_size(out), 0u);
}

// True once the process catches SIGINT (its handler is installed).
bool CatchesInterrupt(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) & 2) != 0;
  return false;
}

TEST_F(KestrelImportCliTest, InterruptStopsTheImportWithExit130) {
  std::string big;
  big.reserve(64 << 20);
  for (int i = 0; i < 2'500'000; ++i) big += "v 1.2345 2.3456 3.4567\n";
  std::string file = WriteFile("big.obj", big);
  pid_t pid = Start({"import", file, "--json"});
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!CatchesInterrupt(pid) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  kill(pid, SIGINT);
  Result r = Wait(pid);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_EQ(r.out, "");  // the scene is not printed
  EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
}

}  // namespace
