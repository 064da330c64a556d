#include "host/registry_store.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace {

std::filesystem::path TempRegistry(const std::string& name) {
  auto p = std::filesystem::temp_directory_path() /
           ("ks-reg-" + name + "-" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".ini");
  std::filesystem::remove(p);
  return p;
}

constexpr const char* kKey = "SOFTWARE\\Ardeno\\KsImport";

std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> SetAside(const std::filesystem::path& file) {
  std::vector<std::filesystem::path> out;
  for (const auto& e : std::filesystem::directory_iterator(file.parent_path()))
    if (e.path().filename().string().starts_with(file.filename().string() + ".unreadable-"))
      out.push_back(e.path());
  return out;
}

// The file and everything named after it: set-aside copies, the lock, and
// the copies a killed writer left behind.
void RemoveAll(const std::filesystem::path& file) {
  std::vector<std::filesystem::path> doomed;
  for (const auto& e : std::filesystem::directory_iterator(file.parent_path()))
    if (e.path().filename().string().starts_with(file.filename().string()))
      doomed.push_back(e.path());
  for (const auto& p : doomed) std::filesystem::remove(p);
}

// Files named after the registry file other than itself and its lock: what
// writers killed in the middle of a change left behind.
std::vector<std::string> LeftBehind(const std::filesystem::path& file) {
  std::vector<std::string> out;
  const std::string name = file.filename().string();
  for (const auto& e : std::filesystem::directory_iterator(file.parent_path())) {
    const std::string other = e.path().filename().string();
    if (other.starts_with(name) && other != name && other != name + ".writelock")
      out.push_back(other);
  }
  return out;
}

}  // namespace

TEST(RegistryStore, ValuesKeepTheirTypeAcrossInstances) {
  auto file = TempRegistry("types");
  {
    ks::RegistryStore a(file);
    a.Write(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport", "FileFormat",
            ks::Variant(int16_t{2}));
    a.Write(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport\\OBJ", "Path",
            ks::Variant("/home/me/my models/"));
  }
  ks::RegistryStore b(file);
  auto format = b.Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport", "FileFormat");
  ASSERT_TRUE(format);
  EXPECT_EQ(format->type(), ks::VarType::Integer);
  EXPECT_EQ(format->ToInteger(), 2);
  EXPECT_EQ(b.Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport\\OBJ", "Path")->ToString(),
            "/home/me/my models/");
  EXPECT_FALSE(b.Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport", "Missing"));
  EXPECT_FALSE(b.Read(ks::kHkeyCurrentUser, "SOFTWARE\\Ardeno\\KsImport", "FileFormat"));
  RemoveAll(file);
}

TEST(RegistryStore, DeleteKeyRemovesSubkeys) {
  auto file = TempRegistry("delete");
  ks::RegistryStore r(file);
  r.Write(ks::kHkeyClassesRoot, "A.B\\InprocServer32", "", ks::Variant("x"));
  r.Write(ks::kHkeyClassesRoot, "C.D", "", ks::Variant("y"));
  EXPECT_EQ(r.SubKeys(ks::kHkeyClassesRoot, "").size(), 2u);
  r.DeleteKey(ks::kHkeyClassesRoot, "A.B");
  EXPECT_FALSE(r.Read(ks::kHkeyClassesRoot, "A.B\\InprocServer32", ""));
  EXPECT_EQ(r.SubKeys(ks::kHkeyClassesRoot, ""), std::vector<std::string>{"C.D"});
  RemoveAll(file);
}

TEST(RegistryStore, RewritingTheStoredValueLeavesTheFileAlone) {
  auto file = TempRegistry("same");
  ks::RegistryStore r(file);
  r.Write(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path", ks::Variant("/a/"));
  // A write goes to a new file renamed over the old one: a rewrite would
  // replace the file set back in time here.
  const auto past = std::filesystem::last_write_time(file) - std::chrono::hours(1);
  std::filesystem::last_write_time(file, past);
  r.Write(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path", ks::Variant("/a/"));
  EXPECT_EQ(std::filesystem::last_write_time(file), past);
  // A value of another type or text is written.
  r.Write(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path", ks::Variant(int16_t{1}));
  EXPECT_EQ(r.Read(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path")->type(), ks::VarType::Integer);
  r.Write(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path", ks::Variant("/b/"));
  EXPECT_EQ(r.Read(ks::kHkeyLocalMachine, "SOFTWARE\\K", "Path")->ToString(), "/b/");
  RemoveAll(file);
}

TEST(RegistryStore, AnUnreadableFileIsSetAsideWithItsBytesAndReportedOnce) {
  auto file = TempRegistry("garbage");
  RemoveAll(file);
  std::mt19937 rng(7);
  std::string garbage(3000, '\0');
  for (char& c : garbage) c = static_cast<char>(rng());
  std::ofstream(file, std::ios::binary) << garbage;
  {
    ks::RegistryStore store(file);
    const auto notice = store.TakeNotice();
    ASSERT_TRUE(notice);
    EXPECT_NE(notice->find("could not be read"), std::string::npos);
    EXPECT_FALSE(store.TakeNotice());  // once
    const auto aside = SetAside(file);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(FileBytes(aside[0]), garbage);
    EXPECT_NE(notice->find(aside[0].string()), std::string::npos);
    EXPECT_FALSE(store.Read(ks::kHkeyLocalMachine, kKey, "FileFormat"));
    store.Write(ks::kHkeyLocalMachine, kKey, "FileFormat", ks::Variant(int16_t{3}));
  }
  ks::RegistryStore again(file);
  EXPECT_FALSE(again.TakeNotice());
  EXPECT_EQ(again.Read(ks::kHkeyLocalMachine, kKey, "FileFormat")->ToInteger(), 3);
  RemoveAll(file);
}

// A writer killed at random points of its write loop leaves a file that
// reads, holding a value it wrote; the next writer goes on from there and
// removes the copies the killed one left, so they never pile up.
TEST(RegistryStore, AWriterKilledAtAnyPointLeavesTheOldOrTheNewFile) {
  auto file = TempRegistry("killed");
  RemoveAll(file);
  std::mt19937 rng(11);
  int32_t lastSeen = -1;
  int roundsThatLeftCopies = 0;
  // At least 25 rounds, and on until a kill has caught a write in progress:
  // where writes are quick, few kills land in one.
  constexpr int kRounds = 25, kMostRounds = 1000;
  for (int round = 0; round < kRounds || (roundsThatLeftCopies == 0 && round < kMostRounds);
       ++round) {
    int started[2];
    ASSERT_EQ(pipe(started), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ks::RegistryStore store(file);
      for (int32_t i = 0;; ++i) {
        store.Write(ks::kHkeyLocalMachine, kKey, "Counter", ks::Variant(i));
        if (i == 0) (void)!write(started[1], "w", 1);
        store.Write(ks::kHkeyLocalMachine, std::string(kKey) + "\\K" + std::to_string(i % 50),
                    "Path", ks::Variant(std::string(static_cast<size_t>(i % 300), 'x')));
      }
    }
    // The kill comes at a random moment after the child's first write,
    // however long a loaded machine takes to get there.
    pollfd first{started[0], POLLIN, 0};
    EXPECT_EQ(poll(&first, 1, 60000), 1) << "round " << round;
    close(started[0]);
    close(started[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ks::RegistryStore store(file);
    EXPECT_FALSE(store.TakeNotice()) << "round " << round;
    if (const auto counter = store.Read(ks::kHkeyLocalMachine, kKey, "Counter"))
      lastSeen = counter->ToLong();
    roundsThatLeftCopies += !LeftBehind(file).empty();
    store.Write(ks::kHkeyLocalMachine, kKey, "Round", ks::Variant(round));
    EXPECT_EQ(LeftBehind(file), std::vector<std::string>{}) << "round " << round;
  }
  EXPECT_GT(roundsThatLeftCopies, 0);  // the kills did hit writes in progress
  EXPECT_GE(lastSeen, 0);
  EXPECT_TRUE(SetAside(file).empty());
  RemoveAll(file);
}

TEST(RegistryStore, TwoProcessesWritingAtOnceKeepEachOthersValues) {
  auto file = TempRegistry("shared");
  RemoveAll(file);
  constexpr int kValues = 60;
  std::vector<pid_t> children;
  for (const char* who : {"A", "B"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ks::RegistryStore store(file);
      for (int i = 0; i < kValues; ++i)
        store.Write(ks::kHkeyLocalMachine, kKey, std::string(who) + std::to_string(i),
                    ks::Variant(i));
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ks::RegistryStore store(file);
  for (const char* who : {"A", "B"})
    for (int i = 0; i < kValues; ++i) {
      const auto v = store.Read(ks::kHkeyLocalMachine, kKey, std::string(who) + std::to_string(i));
      ASSERT_TRUE(v) << who << i;
      EXPECT_EQ(v->ToLong(), i);
    }
  RemoveAll(file);
}
