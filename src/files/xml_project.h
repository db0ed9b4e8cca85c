// XML project file (.apf): the sample and experiment description of a project, exchanged
// as a small XML document. Written with libxml2's text writer, read with its tree parser.
#pragma once

#include <cstddef>
#include <string>

#include <libxml/tree.h>

// Largest .apf accepted for reading. A description of ten species takes about 3 KiB.
inline constexpr long xml_max_bytes = 1L << 20;

// Most attributes on one element and most nodes in all (elements, attributes, text runs,
// comments, processing instructions) of a document handed to the parser. A description
// of ten species has about 300 nodes and one attribute per element; the parser's time
// grows with the square of the attributes of one element, so a 1 MiB file of nothing but
// attributes on one element would take it tens of seconds.
inline constexpr int xml_max_attributes = 32;
inline constexpr long xml_max_nodes = 20000;

// What a scan of the raw bytes found before the parser runs: counts up to the first
// bound passed (where the scan stops), and whether the document stays within both. A
// document type declaration is refused here too: the format has none.
struct xml_census {
  long nodes = 0;
  long attributes = 0;
  bool within_bounds = true;
};
xml_census count_xml_nodes(const char* data, std::size_t size);

// Writes the chemistry and experiment of the active project to `file` through safe_output
// (numeric/safe_files.h): a temporary file beside the target replaces the target's name
// only when complete, so a failed save leaves an earlier file untouched, and a directory,
// device, FIFO, socket or a file the user may not write is refused. Returns 1 on success,
// 0 on failure (no active project, the writer cannot be created, a write step fails).
int write_xml(const char* file);
// "<file>: <reason>" when the last write_xml failed on the file itself (a directory, a
// device, no permission, a full disk); empty otherwise.
const std::string& xml_write_failure();

// Reads and validates `file` into the active project. Only a regular file of at most
// xml_max_bytes within the node bounds reaches the parser. Returns
//   0 success, 1 the file cannot be read or parsed (or fails those checks),
//   2 the root is not amoq-xml, 3 chemistry, experiment or project missing,
//   4 species part wrong, 5 an element part wrong, 6 experiment part wrong.
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

