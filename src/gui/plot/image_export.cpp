// Image export dialog: format (PNG, PDF, SVG), size in pixels, transparent background
// for PNG and SVG. The image is the window's drawing sequence run on a file surface of
// exactly the size typed.
#include <cmath>
#include <optional>

#include "gui/plot/image_export.h"

#include "gui/plot/curve_window.h"
#include "gui/plot/curve_window_private.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "gui/base/chooser.h"
#include "gui/base/dialogs.h"
#include "gui/base/paths.h"
#include "gui/base/i18n.h"
#include "project/file_names.h"

namespace {

image_export_state state;

struct format_choice {
  const std::string* icon;
  const char* extension;
  const char* chooser_title;
  const char* filter_name;
  const char* pattern;
};
const format_choice formats[3] = {
    {&PACKAGE_PNG, ".png", N_("Save Portable Network Graphics"), N_("PNG file (*.png)"), "*.png"},
    {&PACKAGE_PDF, ".pdf", N_("Save Portable Document File"), N_("PDF file (*.pdf)"), "*.pdf"},
    {&PACKAGE_SVG, ".svg", N_("Save Scalable Vector Graphics"), N_("SVG file (*.svg)"), "*.svg"},
};

// The dialog's widgets handed to the callbacks.
struct img_dialog {
  GtkWidget* dialog = nullptr;
  GtkWidget* format_image = nullptr;
  GtkWidget* transparent = nullptr;
  GtkWidget* size[2]{};
};
img_dialog thedata;
image_request request;  // what the open dialog exports

constexpr int icon_side = 24;

GdkPixbuf* format_icon(const std::string& file) {
  return gdk_pixbuf_new_from_file_at_size(file.c_str(), icon_side, icon_side, nullptr);
}

void show_size(int axis) {
  std::string text = format("%d", state.resol[axis]);
  gtk_entry_set_text(GTK_ENTRY(thedata.size[axis]), text.c_str());
}

void choose_format(GtkComboBox* combo, gpointer) {
  state.forme = gtk_combo_box_get_active(combo);
  if (state.forme < 0 || state.forme > 2) return;
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(thedata.transparent), FALSE);
  gtk_widget_set_sensitive(thedata.transparent, state.forme != 1);
  GdkPixbuf* icon = format_icon(*formats[state.forme].icon);
  gtk_image_set_from_pixbuf(GTK_IMAGE(thedata.format_image), icon);
  if (icon) g_object_unref(icon);
}

void set_background(GtkToggleButton* check, gpointer) {
  state.alpha = gtk_toggle_button_get_active(check) ? 0.0 : 1.0;
}

// The typed size, in whole pixels; the previous value stays when the text is not a
// number or not positive.
void set_size(GtkEntry* entry, int axis) {
  // A message dialog takes the focus from the entry; its focus-out must not read again.
  static bool busy = false;
  if (busy) return;
  busy = true;
  bool reduced = false;
  if (std::optional<double> typed =
          read_entry(axis == 0 ? _("X size") : _("Y size"), gtk_entry_get_text(entry))) {
    double v = std::trunc(*typed);
    if (!(v > 0))
      show_warning(axis == 0 ? _("X size must be > 0") : _("Y size must be > 0"));
    else
      state.resol[axis] = limited_image_side(v, reduced);
  }
  show_size(axis);
  if (reduced) show_info(size_reduced_message(axis).c_str(), 0);
  busy = false;
}

void on_size_activate(GtkEntry* entry, gpointer axis) { set_size(entry, GPOINTER_TO_INT(axis)); }
gboolean to_set_size(GtkWidget* entry, GdkEventFocus*, gpointer axis) {
  set_size(GTK_ENTRY(entry), GPOINTER_TO_INT(axis));
  return FALSE;
}

void destroy_img_dialog(GtkWidget*) {
  if (thedata.dialog) gtk_widget_destroy(thedata.dialog);
}

void on_dialog_destroy(GtkWidget*, gpointer) { thedata = img_dialog{}; }

gboolean on_delete(GtkWidget* widget, GdkEvent*, gpointer) {
  destroy_img_dialog(widget);
  return TRUE;
}

void write_image(GtkWidget*, gpointer) {
  if (state.forme < 0 || state.forme > 2) {
    show_warning(_("To save an image please enter a file format"));
    return;
  }
  if (state.resol[0] <= 0 || state.resol[1] <= 0) {
    show_warning(_("You need to specify the size of the image"));
    return;
  }
  if (!request.write) return;
  const format_choice& f = formats[state.forme];
  int filter = 0;
  std::string path = choose_save_file(_(f.chooser_title), {{_(f.filter_name), f.pattern}},
                                      proposed_file_name(request.name, f.extension), "", request.p, filter);
  if (!path.empty()) path = complete_save_name(path, with_extension(path, f.extension));
  if (path.empty()) return;
  state.img_file = path;
  if (!request.write(state.forme + 1, path, state.resol[0], state.resol[1], state.alpha)) {
    // The dialog stays so that another file or size can be tried.
    show_error(format(_("Impossible to write the image file:\n%s"), path.c_str()).c_str(), 1);
    return;
  }
  destroy_img_dialog(nullptr);
}

void on_save_released(GtkButton* button, gpointer triple) { write_image(GTK_WIDGET(button), triple); }
void on_cancel(GtkButton* button, gpointer) { destroy_img_dialog(GTK_WIDGET(button)); }

GtkWidget* row(GtkWidget* content) {
  GtkWidget* box = gtk_hbox_new(FALSE, 5);
  gtk_box_pack_start(GTK_BOX(content), box, FALSE, FALSE, 0);
  return box;
}

void pack(GtkWidget* box, GtkWidget* child) { gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0); }

GtkWidget* size_entry(int axis) {
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_alignment(GTK_ENTRY(entry), 1.0);
  gtk_widget_set_size_request(entry, 50, -1);
  g_signal_connect(entry, "activate", G_CALLBACK(on_size_activate), GINT_TO_POINTER(axis));
  g_signal_connect(entry, "focus-out-event", G_CALLBACK(to_set_size), GINT_TO_POINTER(axis));
  thedata.size[axis] = entry;
  show_size(axis);
  return entry;
}

}  // namespace

image_export_state& image_export() { return state; }

GtkWidget* save_image(GtkWidget*, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return nullptr;
  image_request r;
  // The size starts at the window's plot size.
  r.width = c->wsize[0], r.height = c->wsize[1];
  if (c->window) {
    gtk_window_get_size(GTK_WINDOW(c->window), &r.width, &r.height);
    r.height -= curve_window_bar;
  }
  r.name = c->name;
  r.parent = static_cast<GtkWidget*>(c->window);
  r.p = p;
  r.write = [triple](int target, const std::string&, int, int, double) {
    curve* drawn = find_curve(proj_by_id(triple->pid), triple->rid, triple->cid);
    if (!drawn) return 0;
    drawn->draw_target = target;
    last_export_ok = 0;
    show_curve(nullptr, triple);
    return last_export_ok;
  };
  return open_image_export(std::move(r));
}

GtkWidget* open_image_export(image_request r) {
  destroy_img_dialog(nullptr);
  request = std::move(r);
  state.forme = -1;
  state.alpha = 1.0;
  state.resol[0] = request.width > 0 ? request.width : 0;
  state.resol[1] = request.height > 0 ? request.height : 0;
  GtkWidget* dialog = gtk_dialog_new();
  thedata.dialog = dialog;
  gtk_window_set_title(GTK_WINDOW(dialog), _("Export image"));
  frame_dialog(dialog);
  gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_set_spacing(GTK_BOX(content), 15);

  GtkWidget* box = row(content);
  pack(box, gtk_label_new(_("Format")));
  GtkWidget* combo = gtk_combo_box_new_text();
  for (const char* name : {"PNG", "PDF", "SVG"}) gtk_combo_box_append_text(GTK_COMBO_BOX(combo), name);
  gtk_widget_set_size_request(combo, -1, 30);
  pack(box, combo);
  // Every format icon at the same size, so the dialog keeps its layout when one is chosen.
  GdkPixbuf* blank = format_icon(PACKAGE_VOID);
  thedata.format_image = gtk_image_new_from_pixbuf(blank);
  if (blank) g_object_unref(blank);
  pack(box, thedata.format_image);

  box = row(content);
  pack(box, gtk_label_new(_("Size: ")));
  pack(box, size_entry(0));
  pack(box, gtk_label_new("x"));
  pack(box, size_entry(1));
  pack(box, gtk_label_new(_("pixels")));

  thedata.transparent = gtk_check_button_new_with_label(_("Make background transparent"));
  gtk_widget_set_sensitive(thedata.transparent, FALSE);
  pack(content, thedata.transparent);

  GtkWidget* actions = gtk_dialog_get_action_area(GTK_DIALOG(dialog));
  GtkWidget* save = gtk_button_new_from_stock(GTK_STOCK_SAVE);
  GtkWidget* cancel = gtk_button_new_from_stock(GTK_STOCK_CANCEL);
  gtk_box_pack_end(GTK_BOX(actions), save, FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(actions), cancel, FALSE, FALSE, 0);

  gpointer data = nullptr;
  g_signal_connect(combo, "changed", G_CALLBACK(choose_format), nullptr);
  g_signal_connect(thedata.transparent, "toggled", G_CALLBACK(set_background), nullptr);
  g_signal_connect(save, "activate", G_CALLBACK(on_save_released), data);
  g_signal_connect(save, "released", G_CALLBACK(on_save_released), data);
  g_signal_connect(cancel, "activate", G_CALLBACK(on_cancel), nullptr);
  g_signal_connect(cancel, "released", G_CALLBACK(on_cancel), nullptr);
  g_signal_connect(dialog, "delete_event", G_CALLBACK(on_delete), nullptr);
  g_signal_connect(dialog, "destroy", G_CALLBACK(on_dialog_destroy), nullptr);
  gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(dialog)));
  show_near_parent(dialog, request.parent);
  return dialog;
}
