// The project settings dialog: the 17 property entries, the five code combo boxes, the
// species selector, the element labels and "Apply". Every edit goes through the rules of
// settings.h; the widgets are then rewritten from the record.
#include <cctype>
#include <cstdio>
#include <optional>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "project/entry_text.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/step_hooks.h"

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

// Rewrites entry `prop` from the record after an edit.
void show_stored(int prop) {
  if (prop == prop_species)
    show_species_count();
  else if (prop <= prop_fpp)
    update_sp(selected_species());
  else
    entry_show_double(prop_entries[prop], proj[activep].exp_prop[prop - prop_first_exp]);
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
  // Leaving an empty entry is not an edit: it would store 0.0 over "not set". Text that
  // is not a number is refused with a warning; the stored value is shown again.
  std::optional<double> value;
  if (!blank(text)) value = entry_value(prop, text);
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
  if (!open || s < 0 || s >= proj[activep].nspec) {
    for (int prop = prop_z; prop <= prop_fpp; ++prop) {
      entry_show(prop_entries[prop], "");
      gtk_widget_set_sensitive(step_widget(prop_entries[prop]), open && proj[activep].nspec > 0);
    }
    for (const char* id : coefficient_labels) label_show(id, "");
    return;
  }
  const project& r = proj[activep];
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
  for (int box = 0; box < 5; ++box) {
    double code = open ? proj[p].exp_prop[12 + box] : not_set;
    combo_show(code_boxes[box], code >= 1.0 ? static_cast<int>(code) - 1 : -1);
    // "smoothbox" follows the smoothing check button of the data correction dialog.
    if (box != 3 || !open) gtk_widget_set_sensitive(step_widget(code_boxes[box]), open);
  }
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
  shooks().settings_page = settings_page;
  shooks().settings_hide = settings_hide;
  hooks().species_changed = rebuild_species_selector;
}
