// XML project file (.apf): the sample and experiment description of a project, exchanged
// as a small XML document. Written with libxml2's text writer, read with its tree parser.
#pragma once

#include <functional>
#include <string>

#include <libxml/tree.h>

// Largest .apf accepted for reading. A description of ten species takes about 3 KiB.
inline constexpr long xml_max_bytes = 1L << 20;

// Writes the chemistry and experiment of the active project to `file`. The document goes
// to a temporary file beside the target, which replaces the target only when complete,
// so a failed save leaves an earlier file untouched. Returns 1 on success, 0 on failure
// (no active project, the writer cannot be created, a write step fails).
int write_xml(const char* file);

// Reads and validates `file` into the active project. Returns
//   0 success, 1 the file cannot be read or parsed, 2 the root is not amoq-xml,
//   3 chemistry, experiment or project missing, 4 species part wrong,
//   5 an element part wrong, 6 experiment part wrong.
// Values stored before a failure stay in the project.
int check_xml(const char* file);

// check_xml, then shows the message of its code, followed for a failure by the file and
// the reason (xml_failure_reason); returns the code.
int open_xml(const char* file);

// Why the last check_xml failed, in a few words ("no <experiment> element"); empty after
// a success.
const std::string& xml_failure_reason();

// The first element among `first` and its following siblings named `name`; nullptr when
// there is none. Text, comment and processing-instruction nodes are passed over.
xmlNode* findnode(xmlNode* first, const char* name);

// What an import asks of the settings side after the values are in the record: apply
// the settings when the file says the project was applied, otherwise show the settings
// window so the user can complete them. Both are empty until the user interface (or a
// batch front end) installs them.
struct xml_import_hooks {
  std::function<void()> apply_project;
  std::function<void()> show_settings;
};

// Installs the import hooks and returns the previous ones.
xml_import_hooks set_xml_import_hooks(xml_import_hooks h);
