#include "gui/shell/file_actions.h"

#include <string>

#include "files/project_file.h"
#include "files/project_options.h"
#include "files/workspace_file.h"
#include "files/xml_project.h"
#include "project/changes.h"
#include "project/file_names.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/reopen.h"
#include "project/steps.h"
#include "gui/base/chooser.h"
#include "gui/base/dialogs.h"
#include "gui/shell/main_window.h"
#include "gui/shell/workspace_tree.h"
#include "gui/base/i18n.h"

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
    {N_("Open Project File"), false, "gtk-open", N_("AP file (*.nap)"), "*.nap"},
    {N_("Save Project File"), true, "gtk-save", N_("AP file (*.nap)"), "*.nap"},
    {N_("Open Workspace"), false, "gtk-open", N_("Worspace file (*.naw)"), "*.naw"},
    {N_("Save Worspace"), true, "gtk-save", N_("Worspace file (*.naw)"), "*.naw"},
};

int ask_empty_project() {
  return ask_question(_("Save an empty project ?"), _("Do you want to save an empty project ?"));
}

// The chooser of action `code` for project position p (-1: none): it starts in the
// project's folder and proposes the project's file or a safe name; a saving action's
// answer gets the extension of its format. "" when cancelled.
std::string run_action_chooser(int code, int p) {
  chooser_request r;
  r.title = _(texts[code].title);
  r.save = texts[code].save;
  r.accept = texts[code].accept;
  r.filters = {{_(texts[code].filter), texts[code].pattern}, {_("All files (*)"), "*"}};
  r.confirm_overwrite = true;
  r.set_folder = true;
  r.folder = project_folder(p);
  if (code == 1 && valid_project(p)) {
    if (proj[p].newproj == 0 && proj[p].path)
      r.preset_file = *proj[p].path;
    else
      r.proposed_name = proposed_file_name(proj[p].name, ".nap");
  }
  if (code == 3) r.proposed_name = "New.naw";
  std::string chosen = choose_file(r);
  if (chosen.empty() || !r.save) return chosen;
  return complete_save_name(chosen, with_extension(chosen, code == 1 ? ".nap" : ".naw"));
}

// Saves project p to its file, or through the chooser when it has none or `ask` is set
// (Save as). True when the file was written.
bool save_project_action(int p, bool ask) {
  std::string file;
  if (!ask && proj[p].newproj == 0 && proj[p].path) {
    file = *proj[p].path;
  } else {
    file = run_action_chooser(1, p);
    if (file.empty()) return false;
    proj[p].newproj = 0;
  }
  return open_save(1, p, file.c_str()) == file_ok;
}

// Projects first.. just read from a file go on where they were left: each step takes the
// result its input came from, and every curve can be viewed.
void ready_opened_projects(int first) {
  if (first >= nprojects) return;
  for (int p = first; p < nprojects; ++p) take_inferred_inputs(p);
  active_project_changed(activep);
}

// Asks before the unsaved changes of project p are closed. False when the user cancels
// or chose to save and the save did not happen.
bool settle_unsaved(int p) {
  if (!valid_project(p) || !proj[p].changed) return true;
  switch (ask_save_changes(display_name(p))) {
    case answer_save: return save_project_action(p, false);
    case answer_discard: return true;
    default: return false;
  }
}

}  // namespace

bool settle_all_unsaved() {
  for (int p : unsaved_projects())
    if (!settle_unsaved(p)) return false;
  return true;
}

int open_save(int direction, int p, const char* file) {
  if (direction == 1) {
    int code = save_project_file(file ? file : "", p);
    if (!file) return code;
    if (code != file_ok) {
      std::string t = format(_("Impossible to save project file:\n%s\nError code: %d\n"), file, code);
      show_error(t.c_str(), 1);
    } else if (valid_project(p)) {
      set_project_file(p, file);
      mark_project_saved(p);
      report_status(format(_("Saved %s"), file));
    }
    return code;
  }
  int code = open_project_file(file ? file : "");
  if (code == file_ok) {
    if (file) {
      // Opened from the menu or the command line alike: Save writes back to this file.
      set_project_file(activep, file);
      report_status(format(_("Opened %s"), file));
    }
    ready_opened_projects(activep);
    add_project_to_workspace();
    newspace = 0;
  } else {
    if (file) {
      std::string t = format(_("Impossible to open project file: \n%s\nError code: %d\n"), file, code);
      if (!project_read_problem().empty()) t += project_read_problem() + "\n";
      show_error(t.c_str(), 1);
    }
    close_project(activep);
  }
  return code;
}

int open_project_copy(const std::string& file, const std::string& name) {
  init_project();
  const int code = open_project_file(file);
  if (code != file_ok) {
    show_error(format(_("Impossible to open project file: \n%s\nError code: %d\n"), file.c_str(), code).c_str(), 1);
    close_project(activep);
    return code;
  }
  // A new project of the session: Save asks where, and closing asks first.
  proj[activep].name = name;
  mark_project_changed(activep);
  ready_opened_projects(activep);
  add_project_to_workspace();
  newspace = 0;
  report_status(format(_("Opened %s as a new project"), name.c_str()));
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
    show_info(_("A workspace is already open !"), 0);
    return;
  }
  if (code == 3 && newspace == 1) {
    show_info(_("Nothing to be saved !"), 0);
    return;
  }
  if (code == 1 && !any && !ask_empty_project()) return;
  // A project with a known file is saved straight back to it; a project without a path
  // (never saved, or its first save failed) always gets the chooser.
  if (code == 1 && any) {
    save_project_action(activep, save == 0);
    return;
  }

  std::string projfile = run_action_chooser(code, any ? activep : -1);
  if (projfile.empty()) return;
  const int first_new = nprojects;
  if (code == 0 || (code == 1 && !any)) init_project();
  if (code <= 1)
    proj[activep].newproj = 0;
  else
    newspace = 0;

  if (code <= 1) {
    open_save(code, activep, projfile.c_str());
    return;
  }
  int result = code == 2 ? open_workspace_file(projfile) : save_workspace_file(projfile);
  if (code == 2) ready_opened_projects(first_new);  // those read before a failure too
  if (result != 0) {
    std::string t = format(_("Error while %s workspace file\n%s\nError code: %d\n"),
                           code == 2 ? _("reading") : _("saving"), projfile.c_str(), result);
    if (code == 2 && !project_read_problem().empty()) t += project_read_problem() + "\n";
    show_error(t.c_str(), 1);
    return;
  }
  // A workspace file holds every project: none of them has unsaved changes now.
  if (code == 3)
    for (int p = 0; p < nprojects; ++p) mark_project_saved(p);
  report_status(format("%s %s", code == 2 ? _("Opened") : _("Saved"), projfile.c_str()));
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
  r.title = direction == 0 ? _("Import Amoq XML Project File") : _("Export Amoq XML Project File");
  r.save = direction == 1;
  r.accept = direction == 0 ? "gtk-open" : "gtk-save";
  r.filters = {{_("APF xml file (*.apf)"), "*.apf"}, {_("All files (*)"), "*"}};
  r.set_folder = true;
  r.folder = project_folder(any ? activep : -1);
  if (direction == 1 && any) r.proposed_name = proposed_file_name(proj[activep].name, ".apf");
  std::string file = choose_file(r);
  if (!file.empty() && direction == 1) file = complete_save_name(file, with_extension(file, ".apf"));
  if (file.empty()) return;
  if (direction == 0 || !any) {
    init_project();
    if (direction == 1) add_project_to_workspace();
    newspace = 0;
  }
  if (direction == 0) {
    if (open_xml(file.c_str()) < 2) {
      add_project_to_workspace();
      mark_project_saved(activep);  // it holds what the file holds
    } else {
      show_error(_("Impossible to use the Amoq-XML project file\n"), 1);
      close_project(activep);
    }
  } else if (write_xml(file.c_str()) == 0) {
    // The reason, naming the file, when the file itself refused the document.
    std::string t = _("Impossible to write the APF file\n");
    if (!xml_write_failure().empty()) t += xml_write_failure() + "\n";
    show_error(t.c_str(), 1);
  }
}

extern "C" void on_close_activate(GtkWidget*, gpointer data) {
  int p = GPOINTER_TO_INT(data);
  if (nprojects == 0) {
    show_warning(_("No project to be closed"));
    return;
  }
  if (!valid_project(p) || !settle_unsaved(p)) return;
  int next = p < activep ? activep - 1 : activep;
  if (p != activep) active_project_changed(p);
  close_project(p);
  if (nprojects > 0) active_project_changed(next < nprojects ? next : nprojects - 1);
}

extern "C" void on_close_workspace(GtkWidget*, gpointer ask) {
  if (GPOINTER_TO_INT(ask) == 1) {
    // Unsaved work gets its own question; otherwise the workspace question is asked.
    if (!unsaved_projects().empty()) {
      if (!settle_all_unsaved()) return;
    } else if (!ask_question(_("Closing workspace"), _("Close workspace ?"))) {
      return;
    }
  }
  for (int p = nprojects - 1; p >= 0; --p) close_project(p);
}

extern "C" void on_quit_activate(GtkWidget*, gpointer) { quit_gtk(); }

extern "C" void show_Help(GtkWidget*, gpointer) {
  if (GtkWidget* w = gui_widget("Help")) show_near_parent(w);
}
extern "C" void on_ProjHelp_activate(GtkWidget* w, gpointer d) { show_Help(w, d); }
extern "C" void on_RunHelp_activate(GtkWidget* w, gpointer d) { show_Help(w, d); }

extern "C" void show_ProjectSettings(GtkWidget*, gpointer) {
  GtkWidget* w = gui_widget("ProjectSettings");
  if (w && !gtk_widget_get_visible(w)) show_near_parent(w);
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
      if (open_xml(file) < 2) {
        add_project_to_workspace();
        mark_project_saved(activep);
      } else
        show_error(_("Impossible to use the AMOQ XML project file\n"), 1);
      return;
    case start_file::project:
      init_project();
      open_save(0, activep, file);
      return;
    case start_file::workspace: {
      int result = open_workspace_file(file);
      ready_opened_projects(0);
      if (result != 0) {
        std::string t = format(_("Error while reading workspace file\n%s\nError code: %d\n"), file, result);
        if (!project_read_problem().empty()) t += project_read_problem() + "\n";
        show_error(t.c_str(), 1);
      }
      if (nprojects > 0) newspace = 0;
      return;
    }
  }
}
