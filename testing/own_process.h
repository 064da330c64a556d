#pragma once
// Runs a check in a fresh run of this test program, which GoogleTest starts
// for the current test alone: for checks that load a second copy of a plug-in
// library. In one process the copy would share the first copy's classes (their
// virtual tables are unique process-wide), and so act from the first one's
// folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace ks::testing {

inline void ExpectInOwnProcess(const std::function<void()>& check) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        check();
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace ks::testing
