// The rules that bring the main window back where the user left it, on made-up monitor layouts.
#include "../../app/window_placement.hh"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zorvel;

// A 1920x1080 primary monitor with a 40-pixel taskbar, and a 2560x1440 one to its right.
const monitor_area primary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
const monitor_area second{{1920, 0, 4480, 1440}, {1920, 0, 4480, 1400}, false};

TEST(WindowPlacement, FileRoundTripAndDamagedFiles) {
  const window_placement p{{2000, 100, 3200, 900}, true, {1920, 0, 4480, 1440}};
  const std::string text = format_placement(p);
  EXPECT_EQ(text, "zorvel-window 1\nnormal 2000 100 3200 900\nmaximized 1\n"
                  "monitor 1920 0 4480 1440\n");
  const auto back = parse_placement(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->normal, p.normal);
  EXPECT_TRUE(back->maximized);
  EXPECT_EQ(back->monitor, p.monitor);

  for (const char *damaged : {
           "",
           "zorvel-window 2\nnormal 0 0 10 10\nmaximized 0\nmonitor 0 0 10 10\n",
           "zorvel-window 1\nnormal 0 0 10\nmaximized 0\nmonitor 0 0 10 10\n",
           "zorvel-window 1\nnormal 0 0 10 10\nmaximized 2\nmonitor 0 0 10 10\n",
           "zorvel-window 1\nnormal 10 10 10 10\nmaximized 0\nmonitor 0 0 10 10\n",
           "zorvel-window 1\nmonitor 0 0 10 10\nmaximized 0\nnormal 0 0 10 10\n",
           "zorvel-window 1\nnormal 0 0 10 10\nmaximized 0\nmonitor 0 0 10 10\nextra\n",
           "zorvel-window 1\nnormal 0 0 99999999999999999999 10\nmaximized 0\nmonitor 0 0 9 9\n",
       }) {
    EXPECT_FALSE(parse_placement(damaged).has_value()) << damaged;
  }
}

TEST(WindowPlacement, BackOnItsMonitorOrCentredOnThePrimaryOne) {
  const window_placement on_second{{2100, 200, 3300, 1000}, false, second.whole};
  EXPECT_EQ(restored_rect(on_second, {primary, second}), (screen_rect{2100, 200, 3300, 1000}))
      << "the monitor is still there";
  EXPECT_EQ(restored_rect(on_second, {primary}), (screen_rect{360, 120, 1560, 920}))
      << "the monitor was removed: centred in the primary work area, same size";

  // Larger than the work area: as large as it; partly off-screen: moved inside.
  const window_placement huge{{1900, -50, 4600, 1500}, false, second.whole};
  EXPECT_EQ(restored_rect(huge, {primary, second}), second.work);
  const window_placement hanging{{-300, 900, 500, 1500}, false, primary.whole};
  EXPECT_EQ(restored_rect(hanging, {primary, second}), (screen_rect{0, 440, 800, 1040}));
}

} // namespace

namespace {

TEST(WindowPlacement, FurtherWindowsCascadeAndStayOnTheWorkArea) {
  const screen_rect work = primary.work; // 1920 x 1040
  // Down and to the right by the step, same size.
  EXPECT_EQ(cascaded_rect({100, 50, 1380, 890}, 31, work), (screen_rect{131, 81, 1411, 921}));
  // One step more would cross the bottom edge: back to the work area's corner.
  EXPECT_EQ(cascaded_rect({500, 150, 1780, 1020}, 31, work), (screen_rect{0, 0, 1280, 870}));
  // On the second monitor, within its own work area.
  EXPECT_EQ(cascaded_rect({3000, 1000, 4400, 1390}, 31, second.work),
            (screen_rect{1920, 0, 3320, 390}));
  // Larger than the work area: shrunk to it.
  EXPECT_EQ(cascaded_rect({0, 0, 2500, 1200}, 31, work), (screen_rect{0, 0, 1920, 1040}));
}

} // namespace
