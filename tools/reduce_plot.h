// The plot module of amoq-reduce. The tool loads it on its first --plot image, so that a
// run without --plot starts without cairo, pango and the libraries beneath them.
#pragma once

// The image formats of --plot; each is also the extension of the image files.
inline constexpr const char* plot_formats[] = {"png", "pdf", "svg"};

// Draws curve (rid, cid) of project position p with the default curve style into path,
// width x height, in one of plot_formats. Returns 1, or 0 when nothing valid was written.
extern "C" int amoq_reduce_plot(const char* format, const char* path, int width, int height, int p,
                                int rid, int cid);
using amoq_reduce_plot_fn = decltype(&amoq_reduce_plot);
inline constexpr const char* amoq_reduce_plot_symbol = "amoq_reduce_plot";
