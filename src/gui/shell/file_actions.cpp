#include "gui/shell/file_actions.h"

#include <string>

#include "files/project_file.h"
#include "files/workspace_file.h"
#include "files/xml_project.h"
#include "project/messages.h"
#include "project/project.h"
#include "gui/base/chooser.h"
#include "gui/shell/main_window.h"
#include "gui/shell/workspace_tree.h"

int save = 1;

namespace {

struct action_texts {
  const char* title;
  bool save;
  const char* accept;
  const char* filter;
  const char* pattern;
};

const action_texts texts[4] = {
    {"Open Project File", false, "gtk-open", "AP file (*.nap)", "*.nap"},
    {"Save Project File", true, "gtk-save", "AP file (*.nap)", "*.nap"},
    {"Open Workspace", false, "gtk-open", "Worspace file (*.naw)", "*.naw"},
    {"Save Worspace", true, "gtk-save", "Worspace file (*.naw)", "*.naw"},
};

int ask_empty_project() {
  return ask_question("Save an empty project ?", "Do you want to save an empty project ?");
}

}  // namespace

int open_save(int direction, int p, const char* file) {
  if (direction == 1) {
    int code = save_project_file(file ? file : "", p);
    if (!file) return code;
    if (code != file_ok) {
      std::string t = format("Impossible to save project file:\n%s\nError code: %d\n", file, code);
      show_error(t.c_str(), 1);
    } else if (valid_project(p)) {
      proj[p].path = std::string(file);
    }
    return code;
  }
  int code = open_project_file(file ? file : "");
  if (code == file_ok) {
    if (file) proj[activep].path = std::string(file);
    add_project_to_workspace();
    newspace = 0;
  } else {
    if (file) {
      std::string t = format("Impossible to open project file: \n%s\nError code: %d\n", file, code);
      show_error(t.c_str(), 1);
    }
    close_project(activep);
  }
  return code;
}

extern "C" void on_new_activate(GtkWidget*, gpointer) {
  init_project();
  add_project_to_workspace();
  newspace = 0;
}

extern "C" void on_open_save_activate(GtkWidget*, gpointer data) {
  int code = GPOINTER_TO_INT(data);
  if (code < 0 || code > 3) return;
  bool any = nprojects > 0 && valid_project(activep);
  if (code == 2 && newspace == 0) {
    show_info("A workspace is already open !", 0);
    return;
  }
  if (code == 3 && newspace == 1) {
    show_info("Nothing to be saved !", 0);
    return;
  }
  if (code == 1 && !any && !ask_empty_project()) return;

  std::string projfile;
  // A project with a known file is saved straight back to it; a project without a path
  // (never saved, or its first save failed) always gets the chooser.
  bool direct = code == 1 && save == 1 && any && proj[activep].newproj == 0 && proj[activep].path;
  if (direct) {
    projfile = *proj[activep].path;
  } else {
    chooser_request r;
    r.title = texts[code].title;
    r.save = texts[code].save;
    r.accept = texts[code].accept;
    r.filters = {{texts[code].filter, texts[code].pattern}, {"All files (*)", "*"}};
    r.confirm_overwrite = true;
    if (!any || code == 0 || code == 2) r.set_folder = true;
    if (code == 1 && any) {
      if (proj[activep].newproj == 0 && proj[activep].path)
        r.preset_file = *proj[activep].path;
      else
        r.proposed_name = format("%s.nap", proj[activep].name.c_str());
    }
    if (code == 3) r.proposed_name = "New.naw";
    projfile = choose_file(r);
    if (projfile.empty()) return;
    if (code == 0 || (code == 1 && !any)) init_project();
    if (code <= 1)
      proj[activep].newproj = 0;
    else
      newspace = 0;
  }

  if (code <= 1) {
    open_save(code, activep, projfile.c_str());
    return;
  }
  int result = code == 2 ? open_workspace_file(projfile) : save_workspace_file(projfile);
  if (result != 0) {
    std::string t = format("Error while %s workspace file\n%s\nError code: %d\n",
                           code == 2 ? "reading" : "saving", projfile.c_str(), result);
    show_error(t.c_str(), 1);
  }
}

extern "C" void on_save_as_activate(GtkWidget* w, gpointer code) {
  save = 0;
  on_open_save_activate(w, code);
  save = 1;
}

extern "C" void on_amoq_xml_port(GtkWidget*, gpointer data) {
  int direction = GPOINTER_TO_INT(data);
  bool any = nprojects > 0 && valid_project(activep);
  if (direction == 1 && !any && !ask_empty_project()) return;
  chooser_request r;
  r.title = direction == 0 ? "Import Amoq XML Project File" : "Export Amoq XML Project File";
  r.save = direction == 1;
  r.accept = direction == 0 ? "gtk-open" : "gtk-save";
  r.filters = {{"APF xml file (*.apf)", "*.apf"}, {"All files (*)", "*"}};
  r.set_folder = true;
  std::string file = choose_file(r);
  if (file.empty()) return;
  if (direction == 0 || !any) {
    init_project();
    if (direction == 1) add_project_to_workspace();
    newspace = 0;
  }
  if (direction == 0) {
    if (open_xml(file.c_str()) < 2) {
      add_project_to_workspace();
    } else {
      show_error("Impossible to use the Amoq-XML project file\n", 1);
      close_project(activep);
    }
  } else if (write_xml(file.c_str()) == 0) {
    // The reason, naming the file, when the file itself refused the document.
    std::string t = "Impossible to write the APF file\n";
    if (!xml_write_failure().empty()) t += xml_write_failure() + "\n";
    show_error(t.c_str(), 1);
  }
}

extern "C" void on_close_activate(GtkWidget*, gpointer data) {
  int p = GPOINTER_TO_INT(data);
  if (nprojects == 0) {
    show_warning("No project to be closed");
    return;
  }
  if (!valid_project(p)) return;
  int next = p < activep ? activep - 1 : activep;
  if (p != activep) active_project_changed(p);
  close_project(p);
  if (nprojects > 0) active_project_changed(next < nprojects ? next : nprojects - 1);
}

extern "C" void on_close_workspace(GtkWidget*, gpointer ask) {
  if (GPOINTER_TO_INT(ask) == 1 && !ask_question("Closing workspace", "Close workspace ?")) return;
  for (int p = nprojects - 1; p >= 0; --p) close_project(p);
}

extern "C" void on_quit_activate(GtkWidget*, gpointer) { quit_gtk(); }

extern "C" void show_Help(GtkWidget*, gpointer) {
  if (GtkWidget* w = gui_widget("Help")) gtk_widget_show(w);
}
extern "C" void on_ProjHelp_activate(GtkWidget* w, gpointer d) { show_Help(w, d); }
extern "C" void on_RunHelp_activate(GtkWidget* w, gpointer d) { show_Help(w, d); }

extern "C" void show_ProjectSettings(GtkWidget*, gpointer) {
  if (GtkWidget* w = gui_widget("ProjectSettings")) gtk_widget_show(w);
}
extern "C" void hide_ProjectSettings(GtkWidget*, gpointer) {
  if (GtkWidget* w = gui_widget("ProjectSettings")) gtk_widget_hide(w);
}

void open_settings(int page) {
  show_ProjectSettings(nullptr, nullptr);
  if (GtkWidget* tabs = gui_widget("ProjectSettingsTabs"))
    gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), page);
}

void open_command_line_file(const command_line& cl) {
  const char* file = cl.file.c_str();
  switch (cl.kind) {
    case start_file::none:
      return;
    case start_file::xml:
      init_project();
      newspace = 0;
      if (open_xml(file) < 2)
        add_project_to_workspace();
      else
        show_error("Impossible to use the AMOQ XML project file\n", 1);
      return;
    case start_file::project:
      init_project();
      open_save(0, activep, file);
      return;
    case start_file::workspace: {
      int result = open_workspace_file(file);
      if (result != 0) {
        std::string t = format("Error while reading workspace file\n%s\nError code: %d\n", file, result);
        show_error(t.c_str(), 1);
      }
      if (nprojects > 0) newspace = 0;
      return;
    }
  }
}
