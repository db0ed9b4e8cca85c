// Rules of the curve editor: what each control writes into the curve record, the range
// checks with their warnings, which controls are live, and the data sets that can be
// chosen or drawn over the curve. The dialog only moves values between widgets and these
// functions, so every rule here works without a display.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "project/curve.h"

// The curve being edited and the two choices of the editor.
struct curve_edit {
  int p = 0, rid = 0, cid = 0;  // project position, calculation, curve
  int set = 0;                  // "Data" tab: 0 the curve, k >= 1 the k-th drawn extra set
  int axis = 0;                 // "Axis" tab: 0 x, 1 y
};

curve* edited_curve(const curve_edit& e);

// Text entries holding numbers. Style entries act on the chosen set, axis entries on the
// chosen axis.
enum class curve_entry {
  width, height,                                    // window width, plot height (pixels)
  title_x, title_y,                                 // title anchor, fractions
  frame_width,                                      // frame line width
  frame_xmin, frame_xmax, frame_ymin, frame_ymax,   // frame corners, fractions
  line_width, glyph_size, glyph_freq,               // style of the chosen set
  legend_x, legend_y, legend_box_width,             // legend anchor and box line width
  axis_min, axis_max, major_ticks,                  // range and tick spacing of the axis
};

// The stored value as the entry shows it (reads back to the same value).
std::string curve_entry_text(const curve_edit& e, curve_entry f);
// Reads `text` into the field. Returns 1 when stored; otherwise shows the field's warning
// (out of range, or not a number) and leaves the record as it was.
int set_curve_entry(const curve_edit& e, curve_entry f, std::string_view text);

// Controls holding a whole number: check buttons (0/1), combo entries and spin values.
enum class curve_choice {
  show_title, default_title, show_frame, frame_type, frame_line,
  plot_type, line_style, glyph_type,
  show_legend, show_legend_box, legend_box_line,
  scale, minor_ticks, ticks_io, ticks_pos, major_size, minor_size,
  labels_pos, labels_digits, labels_angle, labels_x, labels_y,
  show_axis, grid, default_axis_title, axis_title_x, axis_title_y,
};
struct choice_range {
  int lo, hi;
};
// The values a control offers (combo entries 0..n-1, spin and slider limits).
choice_range curve_choice_range(curve_choice f);
// The control's value from the record (combo entry, 0/1, spin value, angle in degrees).
int curve_choice_value(const curve_edit& e, curve_choice f);
// Writes a control's value (clamped to its range) with its consequences: "bar" takes the
// glyph away, a default title replaces the title text, a value typed for the minor ticks
// stops the axis from being autoscaled.
void set_curve_choice(const curve_edit& e, curve_choice f, int value);

// Texts, fonts and colours of the curve, the chosen set and the chosen axis.
enum class curve_text { title, title_font, legend_font, labels_font, axis_title, axis_title_font };
std::string& curve_text_ref(const curve_edit& e, curve_text f);
enum class curve_colour { title, background, frame, data, legend, legend_box };
color& curve_colour_ref(const curve_edit& e, curve_colour f);

// Which controls take input, from the record as it is.
struct curve_edit_live {
  bool title = true;        // title controls: "Insert title" on
  bool title_text = true;   // title entry: and "Default title" off
  bool frame = true;        // frame controls: "Show/hide frame" on
  bool set_choice = true;   // "Select set": some extra set is drawn
  bool glyph_type = true;   // not "bar"
  bool line_width = true;   // a line style
  bool glyph = true;        // glyph size and frequency: a glyph
  bool legend = true;       // legend controls: "Show/hide legend" on
  bool legend_box = true;   // box controls: legend and box both on
  bool axis_range = true;   // min, max, major spacing, minor ticks: linear scale
  bool axis_title = true;   // axis title entry: "Use default axis title" off
};
curve_edit_live curve_edit_sensitivity(const curve_edit& e);

// Style of the chosen set in the drawing's terms (for the preview).
struct set_style {
  color* col;
  int* aspect;
  int* dash;
  double* thickness;
  int* glyph;
  double* gsize;
  int* gfreq;
};
set_style chosen_set_style(const curve_edit& e);

// Slot of the k-th drawn extra set (k >= 1), -1 when there is none.
int drawn_slot(const curve& c, int k);
// Entries of "Select set": the curve itself, then each drawn extra set in slot order,
// as "%s - %s" of project name and curve name.
std::vector<std::string> data_set_labels(const curve_edit& e);

// Curves that can be drawn over the edited curve: slots of other curves holding points.
struct extra_choice {
  int slot, project, rid, cid;
  bool drawn;
  std::string name;
};
std::vector<extra_choice> extra_choices(const curve_edit& e);
// Draws or removes slot `slot` of the curve (extras_shown follows). Returns 1 when done.
int flip_extra_set(curve& c, int slot);
// The same from the editor: the set chosen in "Data" stays chosen while it is drawn,
// otherwise the choice goes back to the curve itself.
int flip_extra_set(curve_edit& e, int slot);
