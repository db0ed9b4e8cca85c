// Where windows open: wholly inside the work area of their monitor (the monitor less the
// panels), sized down to it when they are larger; curve windows cascade; the tool boxes
// open beside the main window; dialogs centred on their parent. Sizes and positions are
// those of the window's inside; the window manager adds its frame around it.
#pragma once

struct win_rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const win_rect&) const = default;
};

// The frame the window manager draws around a window: title bar on top.
struct win_frame {
  int left = 0, right = 0, top = 0, bottom = 0;
  bool operator==(const win_frame&) const = default;
};

// The window sized down to the area (frame included) and moved wholly into it, its top-left
// corner first.
win_rect fit_in_area(win_rect w, const win_rect& area, const win_frame& f);

// Window k (0, 1, ...) of a cascade that starts at `first`: each one step further right and
// down; one that would leave the area starts a new column one step right of the first.
win_rect cascade(win_rect first, int k, const win_rect& area, const win_frame& f, int step = 30);

// The tool boxes beside the main window: right of it when there is room, else left of it;
// when neither side has room but the area is wide enough for both, the main window moves
// so that they fit side by side, or it gets narrower (down to min_main_width); else the
// tool boxes go to the area's right edge. Both come back inside the area.
inline constexpr int min_main_width = 600;
void side_by_side(win_rect& main, win_rect& tools, const win_rect& area, const win_frame& f, int gap = 8);

// A dialog centred on its parent, inside the area.
win_rect near_parent(win_rect dialog, const win_rect& parent, const win_rect& area, const win_frame& f);
