// The tabs of the curve editor: "Graph" (size, title, background, frame), "Data" (style
// of the chosen data set, legend), "Axis" (the chosen axis) and "Add data set" (the
// curves of the open projects drawn over the curve).
#include "gui/edit/curve_editor_private.h"
#include "gui/plot/curve_window.h"
#include "project/messages.h"
#include "project/project.h"
#include "gui/base/i18n.h"

namespace {

using g = live_group;
using ch = curve_choice;
using en = curve_entry;

GtkWidget* separator(GtkWidget* box) {
  GtkWidget* s = gtk_hseparator_new();
  gtk_box_pack_start(GTK_BOX(box), s, FALSE, FALSE, 4);
  return s;
}

const char* const sides[] = {N_("Normal"), N_("Opposite"), N_("Both"), N_("None")};

}  // namespace

void create_tab_1(GtkWidget* notebook) {
  GtkWidget* box = page(notebook, _("Graph"));
  row(box, {text_label(_("Size:")), number_entry(en::width), text_label("x"), number_entry(en::height),
            text_label(_("pixels"))});
  separator(box);
  row(box, {choice_check(_("Insert title"), ch::show_title),
            choice_check(_("Default title"), ch::default_title, g::title)});
  row(box, {text_entry(curve_text::title, g::title_text)});
  row(box, {text_label(_("Font:")), font_button(curve_text::title_font, g::title), text_label(_("Color:")),
            colour_button(curve_colour::title, g::title)});
  row(box, {text_label(_("Position:")), text_label("x: "), number_entry(en::title_x, g::title),
            text_label("y: "),
            number_entry(en::title_y, g::title)});
  separator(box);
  row(box, {text_label(_("Background color:")), colour_button(curve_colour::background)});
  separator(box);
  row(box, {choice_check(_("Show/hide frame"), ch::show_frame)});
  GtkWidget* columns = row(box, {});
  GtkWidget* left = gtk_vbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(columns), left, FALSE, FALSE, 0);
  row(left, {text_label(_("Type:")),
             choice_combo(ch::frame_type,
                          {_("closed"), _("top open"), _("right open"), _("left open"), _("open")},
                          g::frame)});
  row(left, {text_label(_("Line style:")), numbered_combo(ch::frame_line, nullptr, max_dash, g::frame)});
  row(left, {text_label(_("Line width:")), number_entry(en::frame_width, g::frame)});
  row(left, {text_label(_("Color:")), colour_button(curve_colour::frame, g::frame)});
  gtk_box_pack_start(GTK_BOX(columns), preview(0, 100, 100), FALSE, FALSE, 10);
  // The frame's edges as fractions of the plot, from the left and from the top: in the
  // order they lie on the drawing.
  row(box, {text_label(_("Position: "))});
  row(box, {text_label(_("Left:")), number_entry(en::frame_xmin, g::frame), text_label(_("Right:")),
            number_entry(en::frame_xmax, g::frame)});
  row(box, {text_label(_("Top:")), number_entry(en::frame_ymax, g::frame), text_label(_("Bottom:")),
            number_entry(en::frame_ymin, g::frame)});
}

void create_tab_2(GtkWidget* notebook) {
  GtkWidget* box = page(notebook, _("Data"));
  row(box, {text_label(_("<b>Select set: </b>"), true), set_chooser()});
  separator(box);
  GtkWidget* columns = row(box, {});
  GtkWidget* left = gtk_vbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(columns), left, FALSE, FALSE, 0);
  row(left, {text_label(_("Plot type:")), choice_combo(ch::plot_type, {"x/y", _("bar")})});
  row(left, {text_label(_("Data color:")), colour_button(curve_colour::data)});
  row(left, {text_label(_("Line style:")), numbered_combo(ch::line_style, _("No line"), max_dash)});
  row(left, {text_label(_("Line width:")), number_entry(en::line_width, g::line_width)});
  row(left, {text_label(_("Glyph type:")),
             glyph_combo(ch::glyph_type, _("No glyph"), g::glyph_type)});
  row(left, {text_label(_("Glyph size:")), number_entry(en::glyph_size, g::glyph)});
  row(left, {text_label(_("Glyph freq.:")), number_entry(en::glyph_freq, g::glyph)});
  gtk_box_pack_start(GTK_BOX(columns), preview(1, 100, 60), FALSE, FALSE, 10);
  separator(box);
  row(box, {choice_check(_("Show/hide legend"), ch::show_legend)});
  row(box, {text_label(_("Font:")), font_button(curve_text::legend_font, g::legend), text_label(_("Color:")),
            colour_button(curve_colour::legend, g::legend)});
  row(box, {text_label(_("Position:")), text_label("x: "), number_entry(en::legend_x, g::legend),
            text_label("y: "),
            number_entry(en::legend_y, g::legend)});
  row(box, {choice_check(_("Show/hide legend box"), ch::show_legend_box, g::legend)});
  row(box, {text_label(_("Line style:")),
            numbered_combo(ch::legend_box_line, nullptr, max_dash, g::legend_box)});
  row(box, {text_label(_("Line width:")), number_entry(en::legend_box_width, g::legend_box)});
  row(box, {text_label(_("Color:")), colour_button(curve_colour::legend_box, g::legend_box)});
}

void create_tab_3(GtkWidget* notebook) {
  GtkWidget* box = page(notebook, _("Axis"));
  row(box, {text_label(_("<b>Select axis:</b>"), true), axis_chooser()});
  separator(box);
  GtkWidget* autoscale_button = gtk_button_new_with_label(_("Autoscale axis"));
  row(box, {text_label(_("Scale type:")), choice_combo(ch::scale, {_("Linear"), _("Log")}), autoscale_button});
  auto on_autoscale = +[](GtkButton*, gpointer) {
    curve_edit e = editor_target();
    curve* c = edited_curve(e);
    if (!c) return;
    c->autoscale[e.axis] = 1;  // the drawing rescales the axis and refreshes the entries
    redraw_edited();
  };
  g_signal_connect(autoscale_button, "activate", G_CALLBACK(on_autoscale), nullptr);
  g_signal_connect(autoscale_button, "released", G_CALLBACK(on_autoscale), nullptr);
  row(box, {text_label(_("Min:")), number_entry(en::axis_min, g::axis_range), text_label(_("Max:")),
            number_entry(en::axis_max, g::axis_range)});
  row(box, {text_label(_("Major ticks spacing:")), number_entry(en::major_ticks, g::axis_range)});
  row(box, {text_label(_("Number of minor ticks:")), choice_spin(ch::minor_ticks, g::axis_range)});
  row(box, {text_label(_("<u>Tick marks:</u>"), true), text_label(_("Location:")),
            choice_combo(ch::ticks_io, {_("In"), _("Out")}),
            choice_combo(ch::ticks_pos, {_(sides[0]), _(sides[1]), _(sides[2]), _(sides[3])})});
  row(box, {text_label(_("Major ticks size:")), choice_spin(ch::major_size),
            text_label(_("Minor ticks size:")), choice_spin(ch::minor_size)});
  row(box, {text_label(_("<u>Tick labels:</u>"), true), text_label(_("Location:")),
            choice_combo(ch::labels_pos, {_(sides[0]), _(sides[1]), _(sides[2]), _(sides[3])})});
  row(box, {text_label(_("Significant digits:")), choice_spin(ch::labels_digits), text_label(_("Font:")),
            font_button(curve_text::labels_font)});
  GtkWidget* angle = choice_slider(ch::labels_angle);
  gtk_scale_set_value_pos(GTK_SCALE(angle), GTK_POS_LEFT);
  gtk_widget_set_size_request(angle, 250, -1);
  row(box, {text_label(_("Angle:")), angle});
  row(box, {text_label(_("Position: ")), text_label("x:"), choice_spin(ch::labels_x), text_label("y:"),
            choice_spin(ch::labels_y)});
  separator(box);
  row(box, {choice_check(_("Show/hide axis"), ch::show_axis),
            choice_check(_("Show/hide axis grid"), ch::grid)});
  row(box, {choice_check(_("Use default axis title"), ch::default_axis_title)});
  row(box, {text_entry(curve_text::axis_title, g::axis_title)});
  row(box, {text_label(_("Font:")), font_button(curve_text::axis_title_font), text_label(_("Position: ")),
            text_label("x:"), choice_spin(ch::axis_title_x), text_label("y:"),
            choice_spin(ch::axis_title_y)});
}
