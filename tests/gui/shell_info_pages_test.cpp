// The information view: every tag the pages use exists in the view's buffer and marks the
// text printed with it.

#include "gui/shell/info_view.h"
#include "gui_fixture.h"
#include "project/info_pages.h"

TEST_F(GuiTest, InformationViewDefinesEveryTagThePagesUse) {
  init_project();
  proj[0].params[k_abscissa] = 0, proj[0].checks[k_smooth_data] = 1, proj[0].exp_prop[k_smoothing] = 2.0;

  prepspec(0, 2);
  std::set<std::string> used;
  for (int page = 0; page < 9; ++page)
    for (const auto& r : info_page_text(0, page))
      if (!r.tag.empty()) used.insert(r.tag);
  EXPECT_GE(used.size(), 6u);
  GtkTextBuffer* b = gtk_text_buffer_new(nullptr);
  setup_text_tags(b);
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(b);
  for (const std::string& tag : used) EXPECT_NE(gtk_text_tag_table_lookup(table, tag.c_str()), nullptr) << tag;
  print_info("x", "bold_red", b);
  print_info("y", "", b);
  GtkTextIter it;
  gtk_text_buffer_get_start_iter(b, &it);
  EXPECT_TRUE(gtk_text_iter_has_tag(&it, gtk_text_tag_table_lookup(table, "bold_red")));
  gtk_text_iter_forward_char(&it);
  GSList* tags = gtk_text_iter_get_tags(&it);
  EXPECT_EQ(tags, nullptr);
  g_slist_free(tags);
  g_object_unref(b);
}
