// The plot module of amoq-reduce: the drawing library behind one C entry point. Its
// references to the project table resolve against the tool that loads it.
#include "tools/reduce_plot.h"

#include <cstring>

#include "plot/render.h"

extern "C" int amoq_reduce_plot(const char* format, const char* path, int width, int height, int p,
                                int rid, int cid) {
  static const image_target targets[] = {image_png, image_pdf, image_svg};
  static_assert(std::size(targets) == std::size(plot_formats));
  for (std::size_t i = 0; i < std::size(plot_formats); ++i)
    if (std::strcmp(format, plot_formats[i]) == 0)
      return export_curve_image_default_style(targets[i], path, width, height, p, rid, cid);
  return 0;
}
