// The program's guard around event handlers: what a handler throws becomes a
// report and the event counts as handled; what it returns passes through.
#include "app/desktop/event_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/com_error.h"

namespace kestrel::desktop {
namespace {

TEST(EventGuardTest, FailuresOfAnyKindBecomeOneReportAndTheEventCountsAsHandled) {
  std::vector<std::string> reports;
  const auto report = [&](const std::string& what) { reports.push_back(what); };

  EXPECT_FALSE(DeliverGuarded([] { return false; }, report));
  EXPECT_TRUE(DeliverGuarded([] { return true; }, report));
  EXPECT_TRUE(reports.empty());

  EXPECT_TRUE(DeliverGuarded(
      []() -> bool {
        throw ks::ComError(ks::err::kInvalidPicture, "Cannot read the picture a.png: bad");
      },
      report));
  EXPECT_TRUE(DeliverGuarded([]() -> bool { throw std::runtime_error("out of range"); }, report));
  EXPECT_TRUE(DeliverGuarded([]() -> bool { throw 42; }, report));
  EXPECT_EQ(reports, (std::vector<std::string>{"Cannot read the picture a.png: bad", "out of range",
                                               "an unknown error"}));

  // A report that fails itself ends there too.
  EXPECT_TRUE(DeliverGuarded([]() -> bool { throw std::runtime_error("first"); },
                             [](const std::string&) { throw std::runtime_error("second"); }));
}

}  // namespace
}  // namespace kestrel::desktop
