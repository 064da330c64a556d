#pragma once
// A folder of its own for one test: <temp>/<prefix>-<pid>-<test name>,
// emptied when the test starts and removed when it ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace ks::testing {

class TestFolder {
 public:
  explicit TestFolder(const std::string& prefix)
      : path_(std::filesystem::temp_directory_path() /
              (prefix + "-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace ks::testing
