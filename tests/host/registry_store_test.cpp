#include "host/registry_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

std::filesystem::path TempRegistry(const std::string& name) {
  auto p = std::filesystem::temp_directory_path() /
           ("ks-reg-" + name + "-" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".ini");
  std::filesystem::remove(p);
  return p;
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
  std::filesystem::remove(file);
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
  std::filesystem::remove(file);
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
  std::filesystem::remove(file);
}
