#include "project/window_rules.h"

#include <algorithm>

namespace {

// Outer width (frame included) of a window.
int outer_w(const win_rect& w, const win_frame& f) { return w.w + f.left + f.right; }

bool fits(const win_rect& w, const win_rect& area, const win_frame& f) {
  return w.x - f.left >= area.x && w.y - f.top >= area.y &&
         w.x + w.w + f.right <= area.x + area.w && w.y + w.h + f.bottom <= area.y + area.h;
}

}  // namespace

win_rect fit_in_area(win_rect w, const win_rect& area, const win_frame& f) {
  w.w = std::max(1, std::min(w.w, area.w - f.left - f.right));
  w.h = std::max(1, std::min(w.h, area.h - f.top - f.bottom));
  w.x = std::max(area.x + f.left, std::min(w.x, area.x + area.w - f.right - w.w));
  w.y = std::max(area.y + f.top, std::min(w.y, area.y + area.h - f.bottom - w.h));
  return w;
}

win_rect cascade(win_rect first, int k, const win_rect& area, const win_frame& f, int step) {
  first = fit_in_area(first, area, f);
  win_rect w = first;
  int column = 0, row = 0;
  for (int i = 0; i < k; ++i) {
    ++row;
    w.x = first.x + (column + row) * step;
    w.y = first.y + row * step;
    if (!fits(w, area, f)) {  // a new column, from the top
      ++column;
      row = 0;
      w.x = first.x + column * step;
      w.y = first.y;
      if (!fits(w, area, f)) column = 0, w = first;  // the area is full: start again
    }
  }
  return fit_in_area(w, area, f);
}

void side_by_side(win_rect& main, win_rect& tools, const win_rect& area, const win_frame& f, int gap) {
  main = fit_in_area(main, area, f);
  tools.y = main.y;
  const int right = main.x + main.w + f.right + gap + f.left;  // the tool boxes' x there
  const int left = main.x - f.left - gap - f.right - tools.w;
  const int both = outer_w(main, f) + gap + outer_w(tools, f);
  if (fits({right, tools.y, tools.w, tools.h}, area, f)) {
    tools.x = right;
  } else if (fits({left, tools.y, tools.w, tools.h}, area, f)) {
    tools.x = left;
  } else if (both <= area.w) {  // the main window moves over, the tool boxes to its right
    main.x = area.x + (area.w - both) / 2 + f.left;
    tools.x = main.x + main.w + f.right + gap + f.left;
  } else if (const int narrower = area.w - outer_w(tools, f) - gap - f.left - f.right; narrower >= min_main_width) {
    main.w = narrower;  // the main window gives up some width
    main.x = area.x + f.left;
    tools.x = main.x + main.w + f.right + gap + f.left;
  } else {
    tools.x = area.x + area.w - outer_w(tools, f) + f.left;
  }
  tools = fit_in_area(tools, area, f);
}

win_rect near_parent(win_rect dialog, const win_rect& parent, const win_rect& area, const win_frame& f) {
  dialog.x = parent.x + (parent.w - dialog.w) / 2;
  dialog.y = parent.y + (parent.h - dialog.h) / 2;
  return fit_in_area(dialog, area, f);
}
