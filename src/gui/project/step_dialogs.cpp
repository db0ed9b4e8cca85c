// The four step dialogs ("rabox", "sqbox", "bqbox", "grbox"): choosing and loading the
// data files, the option toggles and source combo boxes, the calculate buttons, and the
// refresh of each dialog from the active project (init_ra .. init_gr).
#include <cctype>
#include <cmath>
#include <string>

#include "project/curve.h"
#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "gui/base/chooser.h"
#include "gui/base/i18n.h"
#include "project/entry_text.h"
#include "project/uncertainty.h"
#include "project/uncertainty_text.h"

namespace {

// Widgets of the six input lines, by file id.
struct input_line_ids {
  const char* button;
  const char* name;
  const char* points;
};
const input_line_ids lines[nfilenames] = {
    {"datafile", "datalab", "nldata"}, {"backfile", "backlab", "nlback"},
    {"subfile", "sublab", "nlsub"},    {"qfile", "qlab", "nlsq"},
    {"qcfile", "qclab", "nlsqc"},      {"sqfile", "sqlab", "nldqfile"}};

// Chooser titles of the raw, background and substrate/cell files.
const char* const datnames[3] = {N_("Open raw data File"), N_("Open background data File"),
                                 N_("Open substrate / Cell scattering File")};

const char* const source_combos[3] = {"combocor", "combobq", "combogr"};
const char* const file_toggles[2] = {"backcorr", "subscatt"};
const char* const scale_entries[2] = {"bkgscale", "cellscale"};
// The high angle, trial and error and integral methods; only the first two have an entry.
const char* const method_toggles[3] = {"checkham", "checktem", "checkint"};
const char* const method_entries[2] = {"ham", "tem"};

// The abscissa word of the raw files' points label.
const char* raw_label(const project& r) {
  return r.params[k_abscissa] == 0 || r.params[k_abscissa] == 1 ? tdata[r.params[k_abscissa]] : "";
}

const char* file_name(const project& r, int id) {
  return r.filename[id] ? r.filename[id]->c_str() : "";
}

int points_of(int calc, int cid) {
  const curve* c = find_curve(activep, calc, cid);
  return c ? curve_points(*c) : 0;
}

void show_line(int li, const std::string& name, const std::string& points) {
  label_show(lines[li].name, name.c_str());
  label_markup(lines[li].points, points.c_str());
}

void show_file_button(int li, int shown) {
  if (GtkWidget* b = step_widget(lines[li].button)) {
    if (shown)
      gtk_widget_show(b);
    else
      gtk_widget_hide(b);
  }
}

// The input line of step j + 1 as the record holds it, without touching the record: the
// file button follows the source, the labels the input curve.
void show_input_line(int j) {
  const project& r = proj[activep];
  const int n = j + 1, li = j + 3;
  const bool from_file = r.usecalc[j] == 0;
  show_file_button(li, from_file);
  int count = points_of(n, 0);
  if (count == 0)
    show_line(li, from_file ? _("(None)") : "", _("No data"));
  else
    print_lines(count, from_file ? file_name(r, li) : "", "Q", li, n, 0);
}

// Chooser patterns of the blank-separated extensions, in lower and upper case, joined by
// ';' ("*.xy;*.XY;...").
std::string both_cases(const char* extensions) {
  std::string out;
  for (const char* e = extensions; *e;) {
    const char* end = e;
    while (*end && *end != ' ') ++end;
    std::string ext(e, end), upper = ext;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out += (out.empty() ? "*." : ";*.") + ext + ";*." + upper;
    e = *end ? end + 1 : end;
  }
  return out;
}

void init_step(int calc, int loaded) {
  switch (calc) {
    case 0: init_ra(loaded); break;
    case 1: init_sq(loaded); break;
    case 2: init_bq(loaded); break;
    case 3: init_gr(loaded); break;
    default: break;
  }
}

}  // namespace

// ---- Data files ----

void on_datafile_set(GtkButton*, gpointer data) {
  const int id = GPOINTER_TO_INT(data);
  if (!valid_project(activep) || id < 0 || id >= nfilenames) return;
  chooser_request request;
  request.title = id <= 2 ? _(datnames[id]) : "";
  request.accept = GTK_STOCK_OPEN;
  request.filters = {{_("(x,y) ASCII file"), "*.*"}, {_("dat file (*.dat)"), "*.dat"},
                     {_("All files (*)"), "*"}};
  // Besides the plain files, the formats read with format detection.
  const char* const plain = "dat xy xye txt chi csv tsv";
  const char* const instrument = "xrdml raw uxd udf rd sd cpi xdd dbw rit cif";
  request.filters.push_back({_("All data files"), both_cases(plain) + ";" + both_cases(instrument)});
  request.filters.push_back({_("Text data files (*.dat, *.xy, *.chi, *.csv, ...)"), both_cases(plain)});
  request.filters.push_back(
      {_("Instrument files (*.xrdml, *.raw, *.uxd, *.udf, *.rd, ...)"), both_cases(instrument)});
  request.remember_folder = "data";
  std::string path = choose_file(request);
  if (path.empty()) return;  // cancelled: nothing changes
  load_data_file(id, path.c_str());
}

// ---- Step 0 ----

void on_formatbox_changed(GtkComboBox* combo, gpointer) {
  if (!valid_project(activep)) return;
  int entry = gtk_combo_box_get_active(combo);
  if (entry == proj[activep].params[k_abscissa]) return;
  gtk_widget_set_sensitive(step_widget("datafile"), entry >= 0);
  set_data_format(entry);
}

void on_smoothing_toggled(GtkToggleButton* toggle, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  bool on = gtk_toggle_button_get_active(toggle);
  set_smoothing(on);
  combo_show("smoothbox", -1);
  gtk_widget_set_sensitive(step_widget("smoothbox"), on);
}

void on_setfile_toggled(GtkToggleButton* toggle, gpointer data) {
  const int k = GPOINTER_TO_INT(data);
  if (!valid_project(activep) || k < 0 || k > 1) return;
  bool on = gtk_toggle_button_get_active(toggle);
  gtk_widget_set_sensitive(step_widget(lines[k + 1].button), on);
  set_file_option(k, on);
}

namespace {

// "bkgscale" (k 0), "cellscale" (k 1): the scale factor of the background / cell. Leaving
// an empty entry, or one that shows the stored value, is not an edit.
void set_scale_entry(GtkEntry* entry, gpointer data) {
  static bool busy = false;  // a message dialog takes the focus: no second edit
  const int k = GPOINTER_TO_INT(data);
  if (busy || refreshing || !valid_project(activep) || k < 0 || k > 1) return;
  busy = true;
  std::string text = gtk_entry_get_text(entry);
  const project& r = proj[activep];
  const double stored = k == 0 ? r.options.bkgscale : r.options.cellscale;
  if (text.find_first_not_of(" \t") != std::string::npos && !shows_stored(text, stored))
    if (auto v = read_entry(k == 0 ? _("Background scale factor") : _("Cell scale factor"), text))
      set_scale(k, *v);
  entry_show(scale_entries[k], entry_text(k == 0 ? r.options.bkgscale : r.options.cellscale).c_str());
  busy = false;
}

gboolean to_set_scale_entry(GtkEntry* entry, GdkEventFocus*, gpointer k) {
  set_scale_entry(entry, k);
  return FALSE;
}

}  // namespace

void on_Correctdata_released(GtkButton*, gpointer) {
  if (valid_project(activep)) run_ra();
}

void init_ra(int loaded) {
  if (!valid_project(activep)) return;
  refresh_scope scope;
  const project& r = proj[activep];
  combo_show("formatbox", r.params[k_abscissa]);
  gtk_widget_set_sensitive(step_widget("datafile"), r.params[k_abscissa] >= 0);
  int n = points_of(0, 0);
  if (loaded && r.params[k_abscissa] >= 0 && n > 0)
    print_lines(n, file_name(r, 0), raw_label(r), 0, 0, 0);
  else
    show_line(0, _("(None)"), "");
  for (int k = 0; k < 2; ++k) {
    const int id = k + 1;
    GObject* toggle = step_object(file_toggles[k]);
    if (loaded) {
      object_set_sensitive(toggle, true);
      object_set_active(toggle, r.checks[k]);
      gtk_widget_set_sensitive(step_widget(lines[id].button), r.checks[k]);
      int count = points_of(0, id);
      if (r.checks[k] && count > 0)
        print_lines(count, file_name(r, id), raw_label(r), id, 0, id);
      else
        show_line(id, _("(None)"), "");
    } else {
      object_set_active(toggle, false);  // the record follows through on_setfile_toggled
      gtk_widget_set_sensitive(step_widget(lines[id].button), FALSE);
      show_line(id, _("(None)"), "");
    }
  }
  for (int k = 0; k < 2; ++k) {
    entry_show(scale_entries[k], entry_text(k == 0 ? r.options.bkgscale : r.options.cellscale).c_str());
    if (GtkWidget* e = step_widget(scale_entries[k])) gtk_widget_set_sensitive(e, loaded);
  }
  GObject* smoothing = step_object("smoothing");
  object_set_active(smoothing, r.checks[k_smooth_data]);
  object_set_sensitive(smoothing, loaded);
  gtk_widget_set_sensitive(step_widget("smoothbox"), loaded && r.checks[k_smooth_data]);
  double code = r.exp_prop[k_smoothing];
  combo_show("smoothbox", code > 0.0 ? static_cast<int>(code) - 1 : -1);
  show_step_check(0, loaded && r.visok[0]);
}

// ---- Step 1 ----

void on_checkcorr_toggled(GtkToggleButton* toggle, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  bool on = gtk_toggle_button_get_active(toggle);
  set_additive_correction(on);
  gtk_widget_set_sensitive(step_widget("corr"), on);
  if (on)
    entry_show_double("corr", proj[activep].exp_prop[k_additive]);
  else
    entry_show("corr", "");
}

void on_checktam_toggled(GtkToggleButton* toggle, gpointer data) {
  const int m = GPOINTER_TO_INT(data);
  if (refreshing || !valid_project(activep) || m < 0 || m > 2) return;
  if (gtk_toggle_button_get_active(toggle)) {
    {
      // The others go off without choosing a method of their own.
      refresh_scope scope;
      for (int o = 0; o < 3; ++o)
        if (o != m) object_set_active(step_object(method_toggles[o]), false);
    }
    for (int e = 0; e < 2; ++e) {
      gtk_widget_set_sensitive(step_widget(method_entries[e]), e == m);
      entry_show(method_entries[e], "");
    }
    set_method(m);
  } else {
    // Exactly one method is on: switching this one off chooses the other of the first two
    // (the high angle method after the integral one).
    const int other = m == 0 ? 1 : 0;
    if (m < 2) gtk_widget_set_sensitive(step_widget(method_entries[m]), FALSE);
    gtk_widget_set_sensitive(step_widget(method_entries[other]), TRUE);
    object_set_active(step_object(method_toggles[other]), true);
  }
}

void on_Calcsq_released(GtkButton*, gpointer) {
  if (valid_project(activep)) run_sq();
}

void init_sq(int loaded) {
  if (!valid_project(activep)) return;
  refresh_scope scope;
  const project& r = proj[activep];
  for (int i = 5; i <= 7; ++i)
    entry_show_double(i == 5 ? "corr" : method_entries[i - 6], loaded ? r.exp_prop[i] : not_set);
  object_set_active(step_object("checkcorr"), r.checks[k_use_additive] == 1);
  gtk_widget_set_sensitive(step_widget("corr"), r.checks[k_use_additive] == 1);
  for (int m = 0; m < 3; ++m) {
    object_set_active(step_object(method_toggles[m]), r.params[k_method] == m);
    if (m < 2) gtk_widget_set_sensitive(step_widget(method_entries[m]), r.params[k_method] == m);
  }
  init_lowr_widgets();
  show_step_check(1, loaded && r.visok[1]);
  combo_show("combocor", r.usecalc[0]);
  show_input_line(0);
  double nc = r.exp_prop[k_norm_constant];
  view_show("ncview", nc == not_set ? "" : with_sigma(activep, nc, normalisation_sigma(activep), "%lf").c_str());
  double bd = r.exp_prop[k_breit_dirac];
  combo_show("bdbox", loaded && bd >= 1.0 ? static_cast<int>(bd) - 1 : -1);
}

// ---- Step 2 ----

void on_Calcbq_released(GtkButton*, gpointer) {
  if (valid_project(activep)) run_bq();
}

void init_bq(int loaded) {
  if (!valid_project(activep)) return;
  refresh_scope scope;
  const project& r = proj[activep];
  combo_show("combobq", r.usecalc[1]);
  show_input_line(1);
  entry_show_double("bcpv", loaded ? r.exp_prop[k_bending_point] : not_set);
  gtk_widget_set_sensitive(step_widget("bcpv"), loaded);
  show_step_check(2, loaded && r.visok[2]);
}

// ---- Step 3 ----

void on_checkndr_toggled(GtkToggleButton* toggle, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_density_mode(gtk_toggle_button_get_active(toggle));
}

void on_Calcgr_released(GtkButton*, gpointer) {
  if (valid_project(activep)) run_gr();
}

void init_gr(int loaded) {
  if (!valid_project(activep)) return;
  {
    refresh_scope scope;
    combo_show("combogr", proj[activep].usecalc[2]);
  }
  // The source is taken again, so a result of step 1 or 2 flows in at once.
  ::on_set_use_calc(2, proj[activep].usecalc[2]);
  refresh_scope scope;
  const project& r = proj[activep];
  view_show("grview", "");
  for (int i = 9; i <= 11; ++i)
    entry_show_double(i == 9 ? "rmax" : i == 10 ? "deltar" : "df", loaded ? r.exp_prop[i] : not_set);
  object_set_active(step_object("checkndr"), r.params[k_density_mode] == 1);
  // Taking a file source switches the step off; its input is there when the curve holds
  // points, and the check button says so.
  if (loaded) turncheck(3, points_of(3, 0) > 0 ? 1 : 0);
  show_step_check(3, loaded && r.visok[3]);
  init_rdf_widgets();
}

// ---- Sources of steps 1 to 3 ----

void on_set_use_calc(GtkComboBox* combo, gpointer data) {
  const int j = GPOINTER_TO_INT(data);
  int entry = gtk_combo_box_get_active(combo);
  if (refreshing || !valid_project(activep) || entry < 0) return;
  ::on_set_use_calc(j, entry);
}

void setup_step_dialogs() {
  for (int id = 0; id < nfilenames; ++id)
    if (GtkWidget* b = step_widget(lines[id].button)) {
      g_signal_connect(b, "released", G_CALLBACK(on_datafile_set), GINT_TO_POINTER(id));
      g_signal_connect(b, "activate", G_CALLBACK(on_datafile_set), GINT_TO_POINTER(id));
    }
  for (int k = 0; k < 2; ++k)
    if (GtkWidget* t = step_widget(file_toggles[k]))
      g_signal_connect(t, "toggled", G_CALLBACK(on_setfile_toggled), GINT_TO_POINTER(k));
  for (int k = 0; k < 2; ++k)
    if (GtkWidget* e = step_widget(scale_entries[k])) {
      g_signal_connect(e, "activate", G_CALLBACK(set_scale_entry), GINT_TO_POINTER(k));
      g_signal_connect(e, "focus-out-event", G_CALLBACK(to_set_scale_entry), GINT_TO_POINTER(k));
    }
  for (int m = 0; m < 3; ++m)
    if (GtkWidget* t = step_widget(method_toggles[m]))
      g_signal_connect(t, "toggled", G_CALLBACK(on_checktam_toggled), GINT_TO_POINTER(m));
  for (int j = 0; j < 3; ++j)
    if (GtkWidget* c = step_widget(source_combos[j]))
      g_signal_connect(c, "changed",
                       G_CALLBACK(static_cast<void (*)(GtkComboBox*, gpointer)>(on_set_use_calc)),
                       GINT_TO_POINTER(j));
  step_hooks& h = shooks();
  h.init_step = init_step;
  h.input_line = show_line;
  h.file_button = show_file_button;
  h.nc_view = [](const std::string& text) { view_show("ncview", text.c_str()); };
  h.dens_view = [](const std::string& text) { view_show("grview", text.c_str()); };
}
