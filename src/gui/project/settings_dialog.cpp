// The project settings dialog: the 17 property entries, the five code combo boxes, the
// species selector, the element labels and "Apply", with the element chooser, the
// "From tables" button, the wavelength presets and the μt calculator. Every edit goes
// through the rules of settings.h; the widgets are then rewritten from the record.
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "numeric/elements.h"
#include "project/entry_text.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/step_hooks.h"
#include "project/xray_tables.h"
#include "gui/base/i18n.h"

namespace {

// Entries in property order: species count, the four species values, exp_prop[0..11].
const char* const prop_entries[prop_last_exp + 1] = {
    "species", "Z",    "conc", "fp",  "fpp",  "wavel",  "abss", "abss2", "density",
    "ddt",     "corr", "ham",  "tem", "bcpv", "rmax", "deltar", "df"};

// Coefficient labels in spec_prop row order 4..14.
const char* const coefficient_labels[11] = {"a1", "a2", "a3", "a4", "a5", "b1",
                                            "b2", "b3", "b4", "b5", "c"};

const char* const code_boxes[5] = {"geombox", "monobox", "comptonbox", "smoothbox", "bdbox"};

bool blank(const char* text) {
  if (!text) return true;
  for (; *text; ++text)
    if (!std::isspace(static_cast<unsigned char>(*text))) return false;
  return true;
}

// The value entry `prop` shows, for species s.
double stored_prop(int prop, int s) {
  const project& r = proj[activep];
  if (prop == prop_species) return r.nspec;
  if (prop <= prop_fpp) return s >= 0 && s < r.nspec ? r.spec_prop[prop - 1][s] : not_set;
  return r.exp_prop[prop - prop_first_exp];
}

int selected_species() {
  if (!valid_project(activep) || !proj[activep].spec_combo) return -1;
  int s = gtk_combo_box_get_active(GTK_COMBO_BOX(proj[activep].spec_combo));
  return s < proj[activep].nspec ? s : -1;
}

void show_species_count() {
  if (valid_project(activep)) entry_show("species", format("%d", proj[activep].nspec).c_str());
}

void show_element(int s) {
  const project& r = proj[activep];
  label_show("Elt", r.spec_symbol[s].c_str());
  label_show("Eltname", r.spec_name[s].c_str());
}

// The wavelength entry and the preset it equals (none when it equals none).
void show_wavelength(int p) {
  const double w = valid_project(p) ? proj[p].exp_prop[k_wavelength] : not_set;
  entry_show_double("wavel", w);
  refresh_scope scope;
  combo_show("wavelbox", wavelength_preset_index(w));
}

// Rewrites entry `prop` from the record after an edit.
void show_stored(int prop) {
  if (prop == prop_species) {
    show_species_count();
  } else if (prop <= prop_fpp) {
    update_sp(selected_species());
  } else if (prop == prop_first_exp) {
    show_wavelength(activep);
    update_sp(selected_species());  // tabulated f′ and f″ follow the wavelength
  } else {
    entry_show_double(prop_entries[prop], proj[activep].exp_prop[prop - prop_first_exp]);
  }
}

// A combo box of the description given its entries in code (one text column).
void fill_combo(const char* id, const std::vector<std::string>& entries) {
  GtkWidget* combo = step_widget(id);
  if (!combo || !GTK_IS_COMBO_BOX(combo)) return;
  GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
  for (const std::string& text : entries) {
    GtkTreeIter it;
    gtk_list_store_append(store, &it);
    gtk_list_store_set(store, &it, 0, text.c_str(), -1);
  }
  gtk_combo_box_set_model(GTK_COMBO_BOX(combo), GTK_TREE_MODEL(store));
  g_object_unref(store);
}

void on_elementbox_changed(GtkComboBox* combo, gpointer) {
  const int s = selected_species();
  const int entry = gtk_combo_box_get_active(combo);
  if (refreshing || s < 0 || entry < 0) return;
  if (::set_prop(prop_z, entry + 1, s) == prop_stored) show_element(s);
  update_sp(s);
}

void on_fptables_clicked(GtkButton*, gpointer) {
  const int s = selected_species();
  if (s >= 0 && ::anomalous_from_tables(s, 0) == prop_stored) update_sp(s);
}

void on_wavelbox_changed(GtkComboBox* combo, gpointer) {
  const int i = gtk_combo_box_get_active(combo);
  if (refreshing || !valid_project(activep) || i < 0 || i >= nwavelength_presets) return;
  ::set_prop(prop_first_exp, wavelength_presets[i].wavelength, -1);
  show_stored(prop_first_exp);
}

// The μt calculator: thickness and mass density are read as every numeric entry is; text
// that is not a number is refused with a warning naming the field.
void on_mutcalc_clicked(GtkButton*, gpointer) {
  auto value = [](const char* id, const char* field) {
    GtkWidget* e = step_widget(id);
    return e ? read_entry(field, gtk_entry_get_text(GTK_ENTRY(e))) : std::nullopt;
  };
  std::optional<double> t = value("mutthick", _("Sample thickness t (mm)"));
  std::optional<double> rho = t ? value("mutdens", _("Mass density ρ (g/cm³)")) : std::nullopt;
  if (t && rho && ::compute_mu_t(*t, *rho) == prop_stored)
    entry_show_double("abss", proj[activep].exp_prop[k_abs_sample]);
}

// Sensitivity of the widgets that follow the species entries, resp. the experiment.
const char* const species_tools[2] = {"elementbox", "fptables"};
const char* const experiment_tools[4] = {"wavelbox", "mutthick", "mutdens", "mutcalc"};

void set_tools_sensitive(const char* const* ids, int n, bool on) {
  for (int i = 0; i < n; ++i)
    if (GtkWidget* w = step_widget(ids[i])) gtk_widget_set_sensitive(w, on);
}

// The species selectors of projects that no longer exist stay in BoxFixed until swept;
// those of other projects are hidden.
void sweep_species_selectors() {
  GtkWidget* box = step_widget("BoxFixed");
  if (!box || !GTK_IS_CONTAINER(box)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(box));
  for (GList* l = children; l; l = l->next) {
    GtkWidget* child = GTK_WIDGET(l->data);
    bool owned = false;
    for (const project& r : proj)
      if (r.spec_combo == child) owned = true;
    if (!owned)
      gtk_widget_destroy(child);
    else if (!valid_project(activep) || proj[activep].spec_combo != child)
      gtk_widget_hide(child);
  }
  g_list_free(children);
}

// refresh_hooks species_changed: the species arrays of project p were rebuilt, so its
// selector is rebuilt with the entries "1" .. nspec and set to the first species.
void rebuild_species_selector(int p) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (r.spec_combo) gtk_widget_destroy(GTK_WIDGET(r.spec_combo));
  r.spec_combo = nullptr;
  if (r.nspec <= 0) return;
  GtkWidget* combo = gtk_combo_box_new_text();
  for (int i = 1; i <= r.nspec; ++i)
    gtk_combo_box_append_text(GTK_COMBO_BOX(combo), format("%d", i).c_str());
  GtkWidget* box = step_widget("BoxFixed");
  if (box && GTK_IS_FIXED(box))
    gtk_fixed_put(GTK_FIXED(box), combo, 0, 0);
  else if (box && GTK_IS_CONTAINER(box))
    gtk_container_add(GTK_CONTAINER(box), combo);
  g_signal_connect(combo, "changed", G_CALLBACK(on_species_get), nullptr);
  r.spec_combo = combo;
  if (p == activep) gtk_widget_show(combo);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
}

void set_species_sensitive(bool on) {
  for (int prop = prop_z; prop <= prop_fpp; ++prop)
    gtk_widget_set_sensitive(step_widget(prop_entries[prop]), on);
  set_tools_sensitive(species_tools, 2, on);
  for (const char* id : coefficient_labels) gtk_widget_set_sensitive(step_widget(id), on);
}

void settings_page(int page) {
  GtkWidget* tabs = step_widget("ProjectSettingsTabs");
  if (tabs && GTK_IS_NOTEBOOK(tabs)) gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), page);
}

void settings_hide() {
  if (GtkWidget* w = step_widget("ProjectSettings")) gtk_widget_hide(w);
}

}  // namespace

void set_prop(GtkEntry* entry, gpointer data) {
  // A message dialog takes the focus from the entry; its focus-out must not edit again.
  static bool busy = false;
  if (busy || !valid_project(activep)) return;
  const int prop = GPOINTER_TO_INT(data);
  if (prop < prop_species || prop > prop_last_exp) return;
  const char* text = gtk_entry_get_text(entry);
  busy = true;
  // Leaving an empty entry is not an edit: it would store 0.0 over "not set"; nor is
  // leaving the stored value as it was shown. Text that is not a number is refused with a
  // warning; the stored value is shown again.
  std::optional<double> value;
  // The atomic number may also be given as the element's symbol or name.
  if (!blank(text) && !shows_stored(text, stored_prop(prop, selected_species())))
    value = prop == prop_z ? z_entry_value(text) : entry_value(prop, text);
  if (value) {
    int species = selected_species();
    int result = ::set_prop(prop, *value, species);
    if (prop == prop_z && species >= 0) {
      if (result == prop_rejected) gtk_entry_set_text(entry, "");
      if (result == prop_stored) show_element(species);
    }
  }
  show_stored(prop);
  busy = false;
}

gboolean to_set_prop(GtkEntry* entry, GdkEventFocus*, gpointer prop) {
  set_prop(entry, prop);
  return FALSE;  // let the focus change proceed
}

void propbox_changed(GtkComboBox* combo, gpointer box) {
  ::propbox_changed(GPOINTER_TO_INT(box), gtk_combo_box_get_active(combo));
  if (GPOINTER_TO_INT(box) == 1) refresh_option_widgets();  // the beam's refinement entries
}

void on_species_get(GtkComboBox* combo, gpointer) {
  if (!valid_project(activep) || proj[activep].spec_combo != static_cast<void*>(combo)) return;
  set_species_sensitive(true);
  show_spec_info(gtk_combo_box_get_active(combo));
}

void show_spec_info(int s) {
  if (!valid_project(activep) || s < 0 || s >= proj[activep].nspec ||
      proj[activep].spec_prop[0][s] == 0.0) {
    label_show("Elt", "");
    label_show("Eltname", "");
    update_sp(-1);
    return;
  }
  show_element(s);
  update_sp(s);
}

void update_sp(int s) {
  const bool open = valid_project(activep);
  refresh_scope scope;
  if (!open || s < 0 || s >= proj[activep].nspec) {
    for (int prop = prop_z; prop <= prop_fpp; ++prop) {
      entry_show(prop_entries[prop], "");
      gtk_widget_set_sensitive(step_widget(prop_entries[prop]), open && proj[activep].nspec > 0);
    }
    set_tools_sensitive(species_tools, 2, open && proj[activep].nspec > 0);
    combo_show("elementbox", -1);
    for (const char* id : coefficient_labels) label_show(id, "");
    return;
  }
  const project& r = proj[activep];
  combo_show("elementbox", static_cast<int>(r.spec_prop[0][s]) - 1);
  set_tools_sensitive(species_tools, 2, true);
  entry_show("Z", format("%d", static_cast<int>(r.spec_prop[0][s])).c_str());
  for (int prop = prop_conc; prop <= prop_fpp; ++prop)
    entry_show(prop_entries[prop], entry_text(r.spec_prop[prop - 1][s]).c_str());
  for (int prop = prop_z; prop <= prop_fpp; ++prop)
    gtk_widget_set_sensitive(step_widget(prop_entries[prop]), TRUE);
  update_rx(s);
}

void update_rx(int s) {
  const bool shown = valid_project(activep) && s >= 0 && s < proj[activep].nspec;
  for (int j = 0; j < 11; ++j)
    label_show(coefficient_labels[j],
               shown ? format("%lf", proj[activep].spec_prop[4 + j][s]).c_str() : "");
}

void update_experiment(int p) {
  const bool open = valid_project(p);
  for (int prop = prop_first_exp; prop <= prop_last_exp; ++prop) {
    const char* id = prop_entries[prop];
    entry_show_double(id, open ? proj[p].exp_prop[prop - prop_first_exp] : not_set);
    // corr, ham and tem keep the sensitivity that the S(q) dialog gives them.
    bool sq_entry = prop >= 10 && prop <= 12;
    if (!open)
      gtk_widget_set_sensitive(step_widget(id), FALSE);
    else if (!sq_entry)
      gtk_widget_set_sensitive(step_widget(id), TRUE);
  }
  show_wavelength(p);
  set_tools_sensitive(experiment_tools, 4, open);
  for (int box = 0; box < 5; ++box) {
    double code = open ? proj[p].exp_prop[k_geometry + box] : not_set;
    combo_show(code_boxes[box], code >= 1.0 ? static_cast<int>(code) - 1 : -1);
    // "smoothbox" follows the smoothing check button of the data correction dialog.
    if (box != 3 || !open) gtk_widget_set_sensitive(step_widget(code_boxes[box]), open);
  }
  refresh_option_widgets();
}

// The concentrations are shown as the proportions that "Apply" stored.
void on_apply_clicked(GtkButton*, gpointer) {
  if (apply_project() == 2) update_sp(selected_species());
}

void refresh_settings_pages() {
  sweep_species_selectors();
  if (!valid_project(activep)) {
    entry_show("species", "");
    gtk_widget_set_sensitive(step_widget("species"), FALSE);
    label_show("Elt", "");
    label_show("Eltname", "");
    update_sp(-1);
    update_experiment(-1);
    return;
  }
  project& r = proj[activep];
  gtk_widget_set_sensitive(step_widget("species"), TRUE);
  if (!r.spec_combo) {
    entry_show("species", "");
    label_show("Elt", "");
    label_show("Eltname", "");
    update_sp(-1);
  } else {
    gtk_widget_show(GTK_WIDGET(r.spec_combo));
    show_spec_info(selected_species());
    show_species_count();
  }
  update_experiment(activep);
}

// Connects the entries, the code combo boxes and Apply; installs the settings hooks.
void setup_settings_dialog() {
  for (int prop = prop_species; prop <= prop_last_exp; ++prop) {
    GtkWidget* entry = step_widget(prop_entries[prop]);
    if (!entry) continue;
    g_signal_connect(entry, "activate", G_CALLBACK(static_cast<void (*)(GtkEntry*, gpointer)>(set_prop)),
                     GINT_TO_POINTER(prop));
    g_signal_connect(entry, "focus-out-event", G_CALLBACK(to_set_prop), GINT_TO_POINTER(prop));
  }
  for (int box = 0; box < 5; ++box)
    if (GtkWidget* combo = step_widget(code_boxes[box]))
      g_signal_connect(combo, "changed",
                       G_CALLBACK(static_cast<void (*)(GtkComboBox*, gpointer)>(propbox_changed)),
                       GINT_TO_POINTER(box));
  if (GtkWidget* apply = step_widget("SettingsApply"))
    g_signal_connect(apply, "clicked", G_CALLBACK(on_apply_clicked), nullptr);
  std::vector<std::string> elements, presets;
  for (int z = 1; z <= ncoeff_elements; ++z)
    elements.push_back(format("%d  %.2s  %.14s", z, atsym_of(z).data(), element_of(z).data()));
  for (int i = 0; i < nwavelength_presets; ++i)
    presets.push_back(format("%s  %f Å", wavelength_presets[i].label, wavelength_presets[i].wavelength));
  fill_combo("elementbox", elements);
  fill_combo("wavelbox", presets);
  const struct {
    const char* id;
    const char* signal;
    GCallback handler;
  } tools[] = {{"elementbox", "changed", G_CALLBACK(on_elementbox_changed)},
               {"wavelbox", "changed", G_CALLBACK(on_wavelbox_changed)},
               {"fptables", "clicked", G_CALLBACK(on_fptables_clicked)},
               {"mutcalc", "clicked", G_CALLBACK(on_mutcalc_clicked)}};
  for (const auto& t : tools)
    if (GtkWidget* w = step_widget(t.id)) g_signal_connect(w, t.signal, t.handler, nullptr);
  shooks().settings_refresh = [] {
    show_wavelength(activep);
    update_sp(selected_species());
  };
  shooks().settings_page = settings_page;
  shooks().settings_hide = settings_hide;
  hooks().species_changed = rebuild_species_selector;
}
