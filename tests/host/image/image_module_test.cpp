// The image library as the host serves it: from its own module, loaded the
// first time one of its classes is created, and a clear error when the module
// is missing or broken.
#include "host/image_module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "host/host_classes.h"
#include "host/runtime.h"
#include "testing/test_folder.h"

namespace {

namespace fs = std::filesystem;

class ImageModuleTest : public ::testing::Test {
 protected:
  ks::testing::TestFolder folder_{"ks-image-module"};
  const fs::path& dir_ = folder_.path();
};

TEST_F(ImageModuleTest, HostFindsTheModuleBesideItselfAndLoadsItOnFirstUse) {
  EXPECT_EQ(ks::ImageModulePath(), fs::canonical(KS_IMAGE_MODULE));
  ks::Runtime rt(dir_ / "registry.ini");
  ks::RegisterHostClasses(rt);
  rt.CreateObject("Kestrel.CKsObject");
  EXPECT_FALSE(rt.IsLoaded(KS_IMAGE_MODULE));  // no picture asked for yet
  for (std::string_view progId : {ks::kImageClassName, ks::kImageFxClassName}) {
    ks::ObjectRef object = rt.CreateObject(progId);
    ASSERT_NE(object, nullptr) << progId;
    EXPECT_EQ(object->ClassName(), progId);
  }
  EXPECT_TRUE(rt.IsLoaded(KS_IMAGE_MODULE));
  EXPECT_EQ(rt.FreeUnusedLibraries(), 0);  // Qt Gui's state stays mapped
  // Served by the host, not recorded in the registry store.
  EXPECT_TRUE(rt.RegisteredClasses().empty());
}

// Each broken module: what the error must say besides the class and the file.
TEST_F(ImageModuleTest, MissingOrBrokenModuleIsError429NamingClassFileAndReason) {
  const fs::path missing = dir_ / "libksimage.so";
  const fs::path garbage = dir_ / "garbage" / "libksimage.so";
  fs::create_directories(garbage.parent_path());
  std::ofstream(garbage) << std::string(200, '#') << " not a shared library";
  const fs::path wrongServer = KS_TEST_SERVER;  // a server without the image classes
  const struct {
    fs::path module;
    std::string reason;
  } rows[] = {{missing, "the file does not exist"},
              {garbage, "invalid ELF header"},  // the system loader's reason
              {wrongServer, "does not provide"}};
  for (const auto& row : rows) {
    ks::Runtime rt(dir_ / "registry.ini");
    ks::RegisterImageModule(rt, row.module);
    for (std::string_view progId : {ks::kImageClassName, ks::kImageFxClassName}) {
      try {
        rt.CreateObject(progId);
        ADD_FAILURE() << row.module << " served " << progId;
      } catch (const ks::ComError& e) {
        EXPECT_EQ(e.number(), ks::err::kCannotCreateObject);
        EXPECT_EQ(e.source(), "Kestrel.Runtime");
        const std::string& said = e.description();
        EXPECT_NE(said.find(progId), std::string::npos) << said;
        EXPECT_NE(said.find(row.module.string()), std::string::npos) << said;
        EXPECT_NE(said.find(row.reason), std::string::npos) << said;
      }
    }
  }
}

}  // namespace
