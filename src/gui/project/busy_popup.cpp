// The busy state around a numeric routine: the calculate buttons and the project file
// entries of the main menu insensitive, the "Information" popup with its Cancel button,
// the status bar message and the step dialog dimmed. The routine runs in the handler that
// started it; between its iterations it polls for a cancel request (numeric/cancel.h), and
// the poll lets the toolkit handle the pending events meanwhile, so that the popup is drawn
// and its Cancel button can be pressed. The popup is modal: no other window takes input.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "numeric/cancel.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "gui/base/paths.h"
#include "gui/base/i18n.h"

namespace {

const char* const calc_buttons[ncalc] = {"Calcra", "Calcsq", "Calcbq", "Calcgr"};
const char* const dialog_ids[ncalc] = {"rabox", "sqbox", "bqbox", "grbox"};
const char* const file_items[4] = {GTK_STOCK_NEW, GTK_STOCK_OPEN, GTK_STOCK_SAVE,
                                   GTK_STOCK_SAVE_AS};

GtkWidget* main_window = nullptr;
GtkWidget* popup = nullptr;
GtkWidget* progress = nullptr;  // the popup's bar, pulsed while the routine runs
cancel_poll outer_poll;

// Between the iterations of a routine: the popup's events (its Cancel button above all)
// and the redrawing of the windows.
void handle_pending_events() {
  if (progress) gtk_progress_bar_pulse(GTK_PROGRESS_BAR(progress));
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void on_cancel_clicked(GtkButton* button, gpointer) {
  request_cancel();
  gtk_widget_set_sensitive(GTK_WIDGET(button), FALSE);  // once is enough
}

// The stock New, Open, Save and Save as entries of the project menu, wherever the menu
// bar holds them.
void find_file_items(GtkWidget* widget, std::vector<GtkWidget*>& found) {
  if (GTK_IS_IMAGE_MENU_ITEM(widget) &&
      gtk_image_menu_item_get_use_stock(GTK_IMAGE_MENU_ITEM(widget))) {
    const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(widget));
    for (const char* stock : file_items)
      if (label && std::strcmp(label, stock) == 0) found.push_back(widget);
  }
  if (GTK_IS_MENU_ITEM(widget)) {
    if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
      find_file_items(sub, found);
  }
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* l = children; l; l = l->next) find_file_items(GTK_WIDGET(l->data), found);
    g_list_free(children);
  }
}

void set_controls_sensitive(bool on) {
  for (const char* id : calc_buttons) gtk_widget_set_sensitive(step_widget(id), on);
  std::vector<GtkWidget*> items;
  if (GtkWidget* bar = step_widget("MainMenuBar")) find_file_items(bar, items);
  for (GtkWidget* item : items) gtk_widget_set_sensitive(item, on);
}

void set_dialog_opacity(int calc, double opacity) {
  GtkWidget* dialog = step_widget(dialog_ids[calc]);
  if (dialog && GTK_IS_WINDOW(dialog)) gtk_window_set_opacity(GTK_WINDOW(dialog), opacity);
}

void busy(int post, int calc, double opacity, const std::string& text) {
  if (calc < 0 || calc >= ncalc) return;
  GtkWidget* bar = step_widget("Mainstatusbar");
  if (post == 0) {
    set_controls_sensitive(false);
    if (popup) gtk_widget_destroy(popup);
    // Over the step's dialog when it is open, so that the dialog stays in front after.
    GtkWidget* dialog = step_widget(dialog_ids[calc]);
    bool over_dialog = dialog && gtk_widget_get_visible(dialog);
    popup = show_popup(text.c_str(), over_dialog ? dialog : main_window);
    progress = GTK_WIDGET(g_object_get_data(G_OBJECT(popup), "progress"));
    gtk_widget_show_all(popup);
    outer_poll = set_cancel_poll(handle_pending_events);
    if (bar && GTK_IS_STATUSBAR(bar))
      gtk_statusbar_push(GTK_STATUSBAR(bar), calc, format(_("Computing %s"), busy_name(calc)).c_str());
    set_dialog_opacity(calc, opacity);
    // Draw the popup and the dimmed controls before the routine blocks the loop; the
    // popup is modal, so no user input reaches the other windows meanwhile.
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_window_process_all_updates();
  } else {
    set_cancel_poll(std::move(outer_poll));
    outer_poll = nullptr;
    set_controls_sensitive(true);
    if (bar && GTK_IS_STATUSBAR(bar)) gtk_statusbar_pop(GTK_STATUSBAR(bar), calc);
    if (popup) gtk_widget_destroy(popup);
    popup = nullptr;
    progress = nullptr;
    set_dialog_opacity(calc, opacity);
    GtkWidget* dialog = step_widget(dialog_ids[calc]);
    if (dialog && gtk_widget_get_visible(dialog)) gtk_window_present(GTK_WINDOW(dialog));
  }
}

}  // namespace

GtkWidget* show_popup(const char* text, GtkWidget* parent) {
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(w), _("Information"));
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(w), icon);
  gtk_widget_set_size_request(w, 600, 80);
  gtk_window_set_position(GTK_WINDOW(w), GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_resizable(GTK_WINDOW(w), FALSE);
  gtk_window_set_modal(GTK_WINDOW(w), TRUE);
  if (parent && GTK_IS_WINDOW(parent)) gtk_window_set_transient_for(GTK_WINDOW(w), GTK_WINDOW(parent));
  GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
  GtkWidget* hbox = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(hbox), gtk_image_new_from_stock(GTK_STOCK_EXECUTE, GTK_ICON_SIZE_DIALOG),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(hbox), gtk_label_new(text), TRUE, TRUE, 0);
  GtkWidget* bar = gtk_progress_bar_new();
  gtk_widget_set_size_request(bar, -1, 30);
  // Cancel stops the routine between two of its iterations; the project stays as it was.
  GtkWidget* cancel = gtk_button_new_from_stock(GTK_STOCK_CANCEL);
  gtk_widget_set_name(cancel, "busycancel");
  g_signal_connect(cancel, "clicked", G_CALLBACK(on_cancel_clicked), nullptr);
  GtkWidget* row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), bar, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(row), cancel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(vbox), hbox, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(vbox), row, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(w), vbox);
  g_object_set_data(G_OBJECT(w), "progress", bar);
  g_object_set_data(G_OBJECT(w), "cancel", cancel);
  // Closing the popup is the same request.
  g_signal_connect(w, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                     request_cancel();
                     return TRUE;
                   }),
                   nullptr);
  return w;
}

bool busy_running() { return popup != nullptr; }

bool run_cancellable(const char* text, const std::function<void()>& work) {
  reset_cancel();
  const gint64 start = g_get_monotonic_time();
  GtkWidget* own = nullptr;
  cancel_poll outer = set_cancel_poll([&] {
    // A computation that takes more than a moment shows the popup and its Cancel.
    if (!own && !popup && g_get_monotonic_time() - start > 400 * 1000) {
      own = popup = show_popup(text, main_window);
      progress = GTK_WIDGET(g_object_get_data(G_OBJECT(own), "progress"));
      gtk_widget_show_all(own);
    }
    if (own) handle_pending_events();
  });
  work();
  set_cancel_poll(std::move(outer));
  if (own) {
    gtk_widget_destroy(own);
    popup = progress = nullptr;
  }
  const bool cancelled = cancel_requested();
  reset_cancel();
  return !cancelled;
}

GtkWidget* busy_popup() { return popup; }

void setup_busy_state(GtkWidget* window) {
  main_window = window;
  shooks().busy = busy;
}
