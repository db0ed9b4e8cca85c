#include "support/test.h"

#include "project/window_rules.h"

namespace {

// A 1280 x 1024 monitor whose work area leaves a 24-pixel panel at the top; frames of 4
// pixels with a 26-pixel title bar.
const win_rect area{0, 24, 1280, 1000};
const win_frame frame{4, 4, 26, 4};

// The window with its frame lies wholly inside the area.
bool inside(const win_rect& w) {
  return w.x - frame.left >= area.x && w.y - frame.top >= area.y && w.x + w.w + frame.right <= area.x + area.w &&
         w.y + w.h + frame.bottom <= area.y + area.h;
}

}  // namespace

TEST(window_rules, WindowsFitTheWorkArea) {
  struct fit_case { win_rect want, got; } cases[] = {
      {{0, 0, 840, 627}, {4, 50, 840, 627}},          // under the panel and the title bar
      {{440, 412, 840, 627}, {436, 393, 840, 627}},   // the bottom below the screen's edge
      {{100, 100, 400, 1400}, {100, 50, 400, 970}},   // taller than the area: sized down
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fit_in_area(c.want, area, frame), c.got) << c.want.x << "," << c.want.y;
    EXPECT_TRUE(inside(c.got));
  }
}

TEST(window_rules, CurveWindowsCascade) {
  const win_rect first{50, 80, 840, 627};
  win_rect previous = cascade(first, 0, area, frame);
  EXPECT_EQ(previous, first);
  for (int k = 1; k < 20; ++k) {
    win_rect w = cascade(first, k, area, frame);
    EXPECT_TRUE(inside(w)) << k;
    EXPECT_FALSE(w.x == previous.x && w.y == previous.y) << "window " << k << " on the one before";
    previous = w;
  }
  EXPECT_EQ(cascade(first, 1, area, frame), (win_rect{80, 110, 840, 627}));
}

TEST(window_rules, ToolBoxesBesideTheMainWindow) {
  struct side_case { win_rect main, main_after, tools_after; } cases[] = {
      {{20, 100, 900, 640}, {20, 100, 900, 640}, {936, 100, 300, 156}},     // room on the right
      {{370, 100, 900, 640}, {370, 100, 900, 640}, {54, 100, 300, 156}},    // on the left
      {{160, 192, 950, 640}, {7, 192, 950, 640}, {973, 192, 300, 156}},     // the main window moves over
      {{160, 192, 960, 640}, {4, 192, 956, 640}, {976, 192, 300, 156}},     // it gets narrower
      {{0, 100, 1272, 640}, {4, 100, 1272, 640}, {476, 100, 800, 156}},     // no room: at the right edge
  };
  for (const auto& c : cases) {
    win_rect main = c.main, tools{0, 0, c.tools_after.w, 156};
    side_by_side(main, tools, area, frame);
    EXPECT_EQ(std::tuple(main, tools), std::tuple(c.main_after, c.tools_after)) << c.main.x;

    EXPECT_TRUE(inside(main) && inside(tools));
  }
}

TEST(window_rules, DialogsNearTheirParent) {
  EXPECT_EQ(near_parent({0, 0, 400, 200}, {100, 100, 800, 600}, area, frame), (win_rect{300, 300, 400, 200}));
  // A parent near the bottom: the dialog stays inside, sized down when it is too tall.
  EXPECT_EQ(near_parent({0, 0, 400, 700}, {440, 412, 840, 627}, area, frame), (win_rect{660, 320, 400, 700}));
  EXPECT_EQ(near_parent({0, 0, 400, 1200}, {0, 0, 800, 600}, area, frame), (win_rect{200, 50, 400, 970}));
}
