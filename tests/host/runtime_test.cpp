#include "host/runtime.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class RuntimeTest : public ::testing::Test {
 protected:
  // One file per test and process: ctest runs tests in parallel.
  std::filesystem::path file_ =
      std::filesystem::temp_directory_path() /
      ("ks-runtime-" + std::to_string(::getpid()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
  void SetUp() override { std::filesystem::remove(file_); }
  void TearDown() override { std::filesystem::remove(file_); }
};

TEST_F(RuntimeTest, UnknownClassIsError429) {
  ks::Runtime rt(file_);
  try {
    rt.CreateObject("No.Such");
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kCannotCreateObject);
    EXPECT_NE(e.description().find("No.Such"), std::string::npos);
  }
}

TEST_F(RuntimeTest, RegistersLoadsCallsAndUnloadsAServer) {
  ks::Runtime rt(file_);
  EXPECT_EQ(rt.RegisterServer(KS_TEST_SERVER), std::vector<std::string>{"KsTest.Counter"});
  {
    // A second runtime (another process) finds the class through the registry file.
    ks::Runtime other(file_);
    ks::ObjectRef counter = other.CreateObject("KsTest.Counter");
    ks::Put(counter, "Value", ks::Variant(int32_t{5}));
    std::vector<ks::Variant> args{ks::Variant(int16_t{2})};
    ks::Call(counter, "add", args);  // names are case-insensitive
    EXPECT_EQ(args[0].ToLong(), 7);  // written back by reference
    ks::DispId id = counter->GetIdOfName("Value");
    EXPECT_EQ(ks::CallId(counter, id, {}, ks::CallKind::PropertyGet).ToLong(), 7);
    EXPECT_THROW(ks::Call(counter, "Nope"), ks::ComError);
    EXPECT_EQ(other.FreeUnusedLibraries(), 0);  // an object is still alive
    counter.reset();
    EXPECT_EQ(other.FreeUnusedLibraries(), 1);
    EXPECT_FALSE(other.IsLoaded(KS_TEST_SERVER));
  }
  rt.UnregisterServer(KS_TEST_SERVER);
  EXPECT_TRUE(rt.RegisteredClasses().empty());
  EXPECT_THROW(rt.CreateObject("KsTest.Counter"), ks::ComError);
}

}  // namespace

namespace {

TEST_F(RuntimeTest, CallLogRecordsCallsWithArgumentTypes) {
  ks::Runtime rt(file_);
  rt.RegisterServer(KS_TEST_SERVER);
  auto log = std::make_shared<ks::CallLog>();
  rt.SetCallLog(log);
  ks::ObjectRef counter = rt.CreateObject("KsTest.Counter");
  ks::Put(counter, "Value", ks::Variant(int32_t{1}));
  ks::Call(counter, "Add", ks::Variant(int16_t{2}));
  EXPECT_EQ(log->MemberLines(), (std::vector<std::string>{"Value=Long(1)", "Add(Integer(2))"}));
  EXPECT_EQ(log->Lines()[0], "KsTest.Counter#1.Value=Long(1)");
}

}  // namespace
