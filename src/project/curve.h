// The curve record: one (x, y) data set with every setting needed to show it in its own
// plot window and to export it, plus the tables of extra data sets drawn over it.
// Widgets are opaque handles owned by the user interface; below the GTK line they are
// only stored, compared with null and cleared.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class covariance;

// The project's colour record: the toolkit's pixel word (ignored by drawing) and three
// 16-bit channels. In files it takes 12 bytes (pixel, red, green, blue, 2 zero bytes).
struct color {
  uint32_t pixel = 0;
  uint16_t red = 0, green = 0, blue = 0;
};

inline constexpr color color_black{0, 0, 0, 0};
inline constexpr color color_white{0, 65535, 65535, 65535};
inline constexpr color color_red{0, 65535, 0, 0};

// Names a curve: project identifier, calculation, curve index. Its address is the user
// data of the curve's widgets, so the arrays holding triples are never resized in place.
struct curve_id {
  int pid = 0, rid = 0, cid = 0;
};

// Mouse-drag state of the curve window.
struct zoom_state_t {
  int x0 = 0, y0 = 0, time0 = 0, pressed = 0;
  const curve_id* ids = nullptr;
};

// Dash pattern indexes 0..10 and glyph indexes 0..36 are shared by curves, legends and
// the editors; drawing indexes its tables with them.
inline constexpr int max_dash = 10;
inline constexpr int max_glyph = 36;
inline constexpr int max_frame_type = 4;
// Ticks and tick labels: 0 lower/left side, 1 upper/right, 2 both, 3 none.
inline constexpr int max_side = 3;
// Digits after the point in tick labels: as many as a double can carry.
inline constexpr int max_labels_digit = 15;
// Largest window side in pixels; larger values are not a window.
inline constexpr int max_window_size = 16384;
// Height of the curve window's menu bar: plot height = window height - 27.
inline constexpr int curve_window_bar = 27;
// The frame of new curves (xmin, xmax, ymin, ymax as fractions of the plot size). A curve
// with exactly these fractions has its frame fitted to its tick labels, axis titles and
// ends at every size; any other frame is drawn as stored.
inline constexpr double default_frame[4] = {0.11, 0.97, 0.89, 0.03};

struct curve {
  int ndata = 0;
  std::vector<double> data[2];  // x, y; ndata values each, empty when ndata is 0
  double cmin[2]{}, cmax[2]{};
  void* plot = nullptr;
  void* view_button = nullptr;
  void* window = nullptr;
  void* coord_label = nullptr;
  int wsize[2]{};  // window width, plot height
  color backc{};
  int draw_target = 0;  // 0 window, 1 PNG, 2 PDF, 3 SVG
  int aspect = 0;       // 0 line and glyphs, 1 bars
  int realloc_extras = 0;
  std::string name;
  double axmin[2]{}, axmax[2]{};
  int x_axis_defaut_title = 0, y_axis_defaut_title = 0;
  std::string x_axis_title, y_axis_title;
  int x_axis_title_pos[2]{}, y_axis_title_pos[2]{};
  std::string x_axis_title_font, y_axis_title_font;
  int scale[2]{};
  int autoscale[2]{};
  int grid[2]{};
  int show_axis[2]{};
  double majt[2]{};
  int mint[2]{};
  int ticks_io[2]{};
  int ticks_pos[2]{};
  int majt_size[2]{};
  int mint_size[2]{};
  int labels_pos[2]{};
  int labels_digit[2]{};
  std::string labels_font[2];
  double labels_angle[2]{};
  int labels_shift_x[2]{};
  int labels_shift_y[2]{};
  int show_legend = 0;
  double legend_pos[2]{};
  std::string legend_font;
  color legend_color{};
  int show_legend_box = 0;
  int legend_box_dash = 0;
  color legend_box{};
  double legend_box_thickness = 0.0;
  std::string title;
  int show_title = 0;
  int default_title = 0;
  double title_pos[2]{};
  std::string title_font;
  color title_color{};
  int show_frame = 0;
  int frame_type = 0;
  int frame_dash = 0;
  double frame_thickness = 0.0;
  color frame_color{};
  double frame[4]{};  // xmin, xmax, ymin, ymax as fractions of the plot size
  color datac{};
  double thickness = 0.0;
  int dash = 0;
  int glyph = 0;
  double gsize = 0.0;
  int gfreq = 0;
  int extras_shown = 0;
  int extras = 0;
  std::vector<std::array<int, 4>> extrasets;  // drawn, project position, rid, cid
  std::vector<double> extrathick;
  std::vector<int> extradash;
  std::vector<int> extraglyph;
  std::vector<int> extraspect;
  std::vector<double> extragsize;
  std::vector<int> extragfreq;
  std::vector<color> extracolor;
  int extra_nproj = 0;
  std::vector<int> extra_pids;
  std::optional<std::string> cfile;
  int cstart = 0, cend = 0;
  zoom_state_t zoom_state;
  // 1 while the display settings above are worth saving although no window exists: they
  // were read from a file, or the window was destroyed by new data. Cleared by initcurve.
  int keep_display = 0;
  // Uncertainties of the y values (uncertainty.h), only while they are propagated: the
  // standard deviation of each point (empty: none), and the full covariance a step
  // computed, which the next step carries on (null: the points are independent). Both go
  // with the data: new points drop them.
  std::vector<double> sigma;
  std::shared_ptr<const covariance> cov;
  // 1: the plot draws the band y ± sigma when the points carry deviations (a display
  // choice of the session, on by default).
  int show_sigma = 1;
};

// Curve (calc, cid) of project position p, or null when the records do not exist.
curve* find_curve(int p, int calc, int cid);
// The points of a curve that are really held: ndata, bounded by its arrays.
int curve_points(const curve& c);

// Writes every display default into curve (rid, cid) of project position p; frees the
// data arrays (ndata becomes 0 with them) and cfile. name, axis ranges, ticks, titles and
// the extra tables stay.
void initcurve(int p, int rid, int cid);
// The same defaults applied to a record directly (cmin[0]/cmax[0] from min/max).
void initcurve_record(curve& c, double min, double max);

// Numeric callback: copies n points into curve (rid, cid) of the active project, destroys
// its window, sets the project's min/max[rid] and the state of its view button.
void save_curve(int n, const double* x, const double* y, int rid, int cid);
// The same for project position p without touching its min/max (a result derived from
// another curve); false when the curve does not exist.
bool store_curve(int p, int n, const double* x, const double* y, int rid, int cid);

// Frees the data arrays of every curve of calculation rid of project position p (ndata 0).
void erase_curves(int p, int rid);

// Position of the project with identifier pid: the last match, or 0 when none matches.
int proj_by_id(int pid);

// Installs save_curve and the message presenter's error as the numeric core's receiver
// (the value callbacks of the previous receiver are kept).
void connect_numeric_callbacks();

// The default axis title of curve cid of calculation rid of project position p: axis 0
// the abscissa ("2θ [deg]", "q [Å-1]" or "r [Å]"), axis 1 the curve's name.
std::string default_axis_title(int p, int rid, int axis, int cid);
