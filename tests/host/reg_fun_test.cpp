#include "host/reg_fun.h"

#include <gtest/gtest.h>

#include "host/host_classes.h"
#include "host/runtime.h"

namespace {

using ks::Variant;

constexpr const char* kKey = "SOFTWARE\\Ardeno\\KsImport";

TEST(RegFun, ValuesOutliveTheInstanceAndKeepTheirType) {
  const auto file =
      std::filesystem::temp_directory_path() / ("ks-regfun-" + std::to_string(::getpid()) + ".ini");
  std::filesystem::remove(file);
  {
    ks::Runtime rt(file);
    ks::RegisterHostClasses(rt);
    // A fresh instance for each read or write, as the import dialog does.
    ks::ObjectRef reg = rt.CreateObject("Setvault.RegFun");
    EXPECT_EQ(ks::Call(reg, "ReadValue", ks::kHkeyLocalMachine, kKey, "FileFormat", int16_t{0}),
              Variant(int16_t{0}));
    ks::Call(rt.CreateObject("Setvault.RegFun"), "WriteValue", ks::kHkeyLocalMachine, kKey,
             "FileFormat", int16_t{2});
    ks::Call(rt.CreateObject("Setvault.RegFun"), "WriteValue", ks::kHkeyLocalMachine,
             std::string(kKey) + "\\OBJ", "Path", "/home/me/models/");
  }
  {
    // Another runtime (another process) on the same registry file.
    ks::Runtime rt(file);
    ks::RegisterHostClasses(rt);
    ks::ObjectRef reg = rt.CreateObject("Setvault.RegFun");
    EXPECT_EQ(ks::Call(reg, "ReadValue", ks::kHkeyLocalMachine, kKey, "FileFormat", int16_t{0}),
              Variant(int16_t{2}));  // Integer, not Long
    EXPECT_EQ(
        ks::Call(reg, "ReadValue", ks::kHkeyLocalMachine, std::string(kKey) + "\\OBJ", "Path", "")
            .ToString(),
        "/home/me/models/");
    // Another root key or value name has nothing stored: the default comes back.
    EXPECT_EQ(ks::Call(reg, "ReadValue", ks::kHkeyCurrentUser, kKey, "FileFormat", "x"),
              Variant("x"));
    EXPECT_THROW(
        ks::Call(reg, "WriteValue", ks::kHkeyLocalMachine, kKey, "Bad", std::vector<float>{1}),
        ks::ComError);
  }
  std::filesystem::remove(file);
}

}  // namespace
