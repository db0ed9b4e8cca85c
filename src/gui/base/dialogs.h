// Message dialogs, questions and the modal dialog frame. The model reports through the
// presenter of project/messages.h; the program installs the modal dialogs below into it.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

// Installs the modal message dialogs and Yes/No questions as the message presenter.
void install_dialog_presenter();

// The look every dialog of the program shares: border 5, not resizable, no separator
// above the buttons, the program's icon. Returns `dialog`.
GtkWidget* frame_dialog(GtkWidget* dialog);

// The dialog frame of the editing dialogs: transient for parent, modal, "gtk-close"
// (response Close) and "gtk-ok" (response OK), border 5, not resizable.
GtkWidget* dialogmodal(GtkWidget* parent, const char* title);

// Shows a dialog window transient for `parent` (the main window when null), centred on
// it, wholly inside the work area of the parent's monitor.
void show_near_parent(GtkWidget* dialog, GtkWidget* parent = nullptr);

// Asks for a text (the project name); nullopt for Cancel. The program runs the modal
// "Project name" dialog; tests install a scripted answer.
using text_prompt = std::function<std::optional<std::string>(const std::string& current)>;
text_prompt set_name_prompt(text_prompt f);
std::optional<std::string> cask(const std::string& current);
