// The program in French: LANGUAGE=fr alone (the C locale otherwise) picks the French
// catalogue staged beside the built program, for the interface description, the texts
// built in code and the model's messages, while numbers keep the "." of the C locale.
#include <clocale>

#include "gui/shell/workspace_tree.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "shell_fixture.h"

namespace {

class ShellFrench : public ShellTest {
 public:
  void SetUp() override {
    setenv("LANGUAGE", "fr", 1);
    std::setlocale(LC_MESSAGES, "C");
    setup_messages((std::filesystem::path(AMOQ_PROGRAM).parent_path() / "locale").c_str());
    ShellTest::SetUp();
  }
  void TearDown() override {
    ShellTest::TearDown();
    unsetenv("LANGUAGE");
    std::setlocale(LC_MESSAGES, "C");
  }
};

TEST_F(ShellFrench, MenusTreeAndMessagesInFrenchNumbersInC) {
  EXPECT_STRNE(std::setlocale(LC_MESSAGES, nullptr), "C");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  // From amoq.gui, from the code and from the model layer.
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(object("CalcItem"))), "_Calculs");
  EXPECT_EQ(workspace_row_text("0").rfind("Espace de travail", 0), 0u);
  EXPECT_STREQ(tr("Rmax must be > 0.0"), "Rmax doit être > 0.0");
  EXPECT_EQ(format("%f", 0.5), "0.500000");
}

}  // namespace
