#include "files/xml_project.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <locale.h>

#include <libxml/parser.h>
#include <libxml/xmlwriter.h>

#include "numeric/bounded_text.h"
#include "numeric/elements.h"
#include "numeric/safe_files.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "version.h"
#include "project/i18n.h"

namespace {

std::string write_failure;

// Why the last check_xml failed, for the message.
std::string failure_reason;

int fail(int code, std::string reason) {
  failure_reason = std::move(reason);
  return code;
}
bool fail(std::string reason) {
  failure_reason = std::move(reason);
  return false;
}

const char* const xml_messages[7] = {
    N_("AmoqGTK project file (XML) successfully opened\n"),
    N_("Impossible to open the AmoqGTK project file (XML) file\n"),
    N_("The file is not a valid AmoqGTK project file (XML) file\n"),
    N_("The AmoqGTK project file (XML) file is uncomplete\n"),
    N_("Problem(s) in the <chemistry> section of the AmoqGTK project file (XML)\n"),
    N_("Problem(s) in the <element> section of the AmoqGTK project file (XML)\n"),
    N_("Problem(s) in the <experiment> section of the AmoqGTK project file (XML)\n"),
};

// ---------------------------------------------------------------------------------------
// Numbers

// Nearest integer ("%d" of a rounded value); values that no int can hold give 0.
int nearest_int(double v) {
  if (!std::isfinite(v) || std::fabs(v) > static_cast<double>(INT_MAX)) return 0;
  return static_cast<int>(std::lround(v));
}

// "%lf": six decimals, "." whatever the locale.
std::string fixed6(double v) {
  char buf[400];  // DBL_MAX in fixed notation takes 309 digits plus the decimals
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return "0.000000";
  return std::string(buf, r.ptr);
}

locale_t c_numeric_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// The standard decimal conversion in the C locale: leading blanks skipped, the longest
// number at the start taken, text that is no number reads as 0. Non-finite results
// (overflow, "inf", "nan") are refused: no field of the format can hold them.
bool parse_decimal(const std::optional<std::string>& text, double& value) {
  if (!text) return false;
  locale_t loc = c_numeric_locale();
  double v = loc ? strtod_l(text->c_str(), nullptr, loc) : std::strtod(text->c_str(), nullptr);
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

// parse_decimal, then rounded to single precision (the value a float field would hold).
bool parse_single(const std::optional<std::string>& text, double& value) {
  double v = 0.0;
  if (!parse_decimal(text, v) || std::fabs(v) > static_cast<double>(FLT_MAX)) return false;
  value = static_cast<double>(static_cast<float>(v));
  return true;
}

// parse_decimal, then rounded to the nearest integer, which must lie in lo..hi.
// `single`: round to single precision first.
bool parse_int_in(const std::optional<std::string>& text, bool single, int lo, int hi, int& out) {
  double v = 0.0;
  bool ok = single ? parse_single(text, v) : parse_decimal(text, v);
  if (!ok || v < lo - 1.0 || v > hi + 1.0) return false;
  int n = static_cast<int>(std::lround(v));
  if (n < lo || n > hi) return false;
  out = n;
  return true;
}

// A value within the range of the setting whose file key is `key` (the element's name,
// `element` when it differs), or a failure naming both.
bool in_range(const char* key, double v, const char* element = nullptr) {
  const setting_rule* rule = setting_by_file_key(key);
  if (!rule || setting_storable(*rule, v)) return true;
  std::string reason = format(tr("<%s> %g is out of range"), element ? element : key, v);
  if (rule->message) reason += std::string(": ") + tr(rule->message);
  return fail(std::move(reason));
}

// ---------------------------------------------------------------------------------------
// Tree access

struct xml_free_deleter {
  void operator()(xmlChar* s) const { xmlFree(s); }
};
struct doc_deleter {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using doc_ptr = std::unique_ptr<xmlDoc, doc_deleter>;

std::optional<std::string> take_string(xmlChar* s) {
  std::unique_ptr<xmlChar, xml_free_deleter> owned(s);
  if (!owned) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(owned.get()));
}

// The text of an element (all of its text content).
std::optional<std::string> node_text(xmlNode* node) {
  if (!node) return std::nullopt;
  std::optional<std::string> t = take_string(xmlNodeGetContent(node));
  return t ? t : std::string();
}

// The value of the first attribute of an element, whatever its name.
std::optional<std::string> first_attribute(xmlNode* node) {
  if (!node || node->type != XML_ELEMENT_NODE || !node->properties) return std::nullopt;
  std::optional<std::string> t =
      take_string(xmlNodeGetContent(reinterpret_cast<xmlNode*>(node->properties)));
  return t ? t : std::string();
}

std::optional<std::string> child_text(xmlNode* parent, const char* name) {
  xmlNode* n = findnode(parent->children, name);
  if (!n) return std::nullopt;
  return node_text(n);
}

// No document of this format refers to anything outside itself.
xmlParserInputPtr refuse_external(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

// Parse problems are reported by the result code alone, not on the terminal.
void ignore_message(void*, const char*, ...) {}

// Parses without network access, without loading or substituting entities, and refuses
// a document that carries a document type declaration: the format has none, and entity
// definitions are the way to blow a small file up into a huge tree.
doc_ptr parse_document(const std::vector<uint8_t>& bytes, const char* url) {
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
  xmlGenericErrorFunc previous_error = xmlGenericError;
  void* previous_error_context = xmlGenericErrorContext;
  xmlSetExternalEntityLoader(refuse_external);
  xmlSetGenericErrorFunc(nullptr, ignore_message);
  doc_ptr doc(xmlReadMemory(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<int>(bytes.size()), url, nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  xmlSetGenericErrorFunc(previous_error_context, previous_error);
  xmlSetExternalEntityLoader(previous);
  xmlResetLastError();
  if (doc && (doc->intSubset || doc->extSubset)) doc.reset();
  return doc;
}

bool name_is(const xmlNode* node, const char* name) {
  return node && node->name && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// ---------------------------------------------------------------------------------------
// Reading

// The species part (code 4): the count and the atomic numbers, from which the symbols,
// names and scattering coefficients are taken as when Z is chosen in the settings.
int read_species(int p, xmlNode* chemistry) {
  xmlNode* species = findnode(chemistry->children, "species");
  if (!species) return fail(4, tr("no <species> element"));
  int n = 0;
  if (!parse_int_in(first_attribute(species), true, 0, nspec_max, n))
    return fail(4, tr("the number of species is not between 0 and 10"));
  prepspec(p, n);
  xmlNode* z_node = nullptr;
  for (int i = 0; i < n; ++i) {
    z_node = findnode(i == 0 ? species->children : z_node->next, "Z");
    if (!z_node) return fail(4, format(tr("no <Z> element for species %d"), i));
    int id = -1;
    if (!parse_int_in(first_attribute(z_node), false, i, i, id))
      return fail(4, format(tr("the id of <Z> number %d is not %d"), i + 1, i));
    int z = 0;
    if (!parse_int_in(node_text(z_node), false, 1, ncoeff_elements, z))
      return fail(4, format(tr("the atomic number of species %d is not between 1 and 98"), i));
    set_species_element(p, i, z);
  }
  return 0;
}

// The element parts (code 5): each must name the element given in the species part
// (symbol and name compared without surrounding blanks and letter case) and carries the
// concentration and the anomalous dispersion corrections; an absent fp or fpp reads as 0
// (not given).
int read_elements(int p, xmlNode* chemistry) {
  xmlNode* e = nullptr;
  for (int i = 0; i < proj[p].nspec; ++i) {
    e = findnode(i == 0 ? chemistry->children : e->next, "element");
    if (!e) return fail(5, format(tr("no <element> for species %d"), i));
    project& r = proj[p];
    std::optional<std::string> symbol = first_attribute(e);
    if (!symbol || !same_text(*symbol, r.spec_symbol[i]))
      return fail(5, format(tr("the symbol \"%s\" of species %d is not %s, the element of Z = %d"),
                            bounded_text(symbol ? *symbol : "").c_str(), i, r.spec_symbol[i].c_str(),
                            nearest_int(r.spec_prop[0][i])));
    std::optional<std::string> name = child_text(e, "name");
    if (!name || !same_text(*name, r.spec_name[i]))
      return fail(5, format(tr("the <name> \"%s\" of species %d is not %s"), bounded_text(name ? *name : "").c_str(),
                            i, r.spec_name[i].c_str()));
    double z = 0.0;
    if (!parse_decimal(child_text(e, "z"), z) || z != r.spec_prop[0][i])
      return fail(5, format(tr("the <z> of species %d is not %d"), i, nearest_int(r.spec_prop[0][i])));
    static const char* const fields[3] = {"concentration", "fp", "fpp"};
    for (int k = 0; k < 3; ++k) {
      std::optional<std::string> text = child_text(e, fields[k]);
      double v = 0.0;
      if ((text || k == 0) && !parse_decimal(text, v))
        return fail(5, format(tr("<%s> of species %d is missing or not a number"), fields[k], i));
      if (!in_range(fields[k], v)) return 5;
      r.spec_prop[1 + k][i] = v;
    }
  }
  return 0;
}

// Index of `text` in a code table (compared without surrounding blanks and letter case);
// index 0 ("Unknown") is stored as "not set".
bool read_code(xmlNode* experiment, const char* name, const char* const* table, int entries,
               double& out) {
  std::optional<std::string> text = child_text(experiment, name);
  if (!text) return fail(format(tr("no <%s> element"), name));
  for (int k = 0; k < entries; ++k) {
    if (same_text(*text, table[k])) {
      out = k == 0 ? not_set : static_cast<double>(k);
      return true;
    }
  }
  return fail(format(tr("<%s> \"%s\" is not a known choice"), name, bounded_text(*text).c_str()));
}

// A number child of the experiment part found from `first` on, within the range of its
// setting.
bool read_number(xmlNode* first, const char* name, double& out, xmlNode** found = nullptr) {
  xmlNode* n = findnode(first, name);
  if (found) *found = n;
  if (!n || !parse_single(node_text(n), out))
    return fail(format(tr("<%s> is missing, out of order or not a number"), name));
  return in_range(name, out);
}

// Settings of the experiment that the original format lacks, each in an element of its
// own written only when set; readers that do not know them skip them. Geometry "None"
// stands as "Unknown" in `geometry`, the entry every reader accepts, and as "None" in
// `geometry-correction`.
const char* const geometry_extension = "geometry-correction";
const char* const incoherent_element = "incoherent-scattering";
const char* const incoherent_texts[2] = {"Analytic", "Tables"};
const char* const monoangle_element = "monochromator-angle";
const char* const polfraction_element = "polarisation-fraction";

// An optional number element: absent leaves `out`, present must parse (full precision)
// and lie in the range of its setting, `setting` its key in the settings' table.
bool read_optional_number(xmlNode* experiment, const char* name, const char* setting, double& out) {
  std::optional<std::string> text = child_text(experiment, name);
  return !text || (parse_decimal(text, out) && in_range(setting, out, name));
}

bool read_experiment_extensions(int p, xmlNode* experiment) {
  project& r = proj[p];
  if (std::optional<std::string> g = child_text(experiment, geometry_extension)) {
    if (*g != geometry[geometry_none]) return false;
    if (r.exp_prop[k_geometry] == not_set) r.exp_prop[k_geometry] = geometry_none;
  }
  if (std::optional<std::string> inc = child_text(experiment, incoherent_element)) {
    if (*inc != incoherent_texts[0] && *inc != incoherent_texts[1]) return false;
    r.options.incoherent = *inc == incoherent_texts[1] ? 1 : 0;
  }
  return read_optional_number(experiment, monoangle_element, "monoangle", r.options.monoangle) &&
         read_optional_number(experiment, polfraction_element, "polfraction", r.options.polfraction);
}

// The experiment part (code 6 on any failure). The wavelength and the two absorptions
// must come in this order; the other children may stand anywhere.
bool read_experiment(int p, xmlNode* experiment) {
  double* e = proj[p].exp_prop;
  xmlNode *wl = nullptr, *abs_sample = nullptr;
  if (!read_number(experiment->children, "wavelength", e[k_wavelength], &wl) ||
      !read_number(wl, "absorption-sample", e[k_abs_sample], &abs_sample) ||
      !read_number(abs_sample, "absorption-substrate", e[k_abs_cell]) ||
      !read_number(experiment->children, "density", e[k_density]) ||
      !read_number(experiment->children, "deadtime", e[k_dead_time]))
    return false;
  if (!read_code(experiment, "geometry", geometry, 4, e[k_geometry])) return false;
  if (!read_code(experiment, "monochromator", monochr, 3, e[k_polarisation])) return false;
  if (!read_code(experiment, "compton", compt, 3, e[k_compton])) return false;
  return read_experiment_extensions(p, experiment);
}

// ---------------------------------------------------------------------------------------
// Writing

struct writer_deleter {
  void operator()(xmlTextWriter* w) const { xmlFreeTextWriter(w); }
};
struct buffer_deleter {
  void operator()(xmlBuffer* b) const { xmlBufferFree(b); }
};

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const xmlChar* X(const std::string& s) { return X(s.c_str()); }

// The document for project p, into writer w. False when a write step fails.
bool write_document(xmlTextWriter* w, const project& r) {
  const int n = r.nspec;
  if (n < 0 || n > nspec_max) return false;
  for (const auto& column : r.spec_prop)
    if (static_cast<int>(column.size()) < n) return false;
  if (static_cast<int>(r.spec_symbol.size()) < n || static_cast<int>(r.spec_name.size()) < n)
    return false;

  auto ok = [](int rc) { return rc >= 0; };
  auto element = [&](const char* name, const std::string& text) {
    return ok(xmlTextWriterWriteElement(w, X(name), X(text)));
  };
  auto code_text = [](double code, const char* const* table, int entries) {
    int k = nearest_int(code);
    return std::string(table[k >= 1 && k < entries ? k : 0]);
  };

  if (!ok(xmlTextWriterSetIndent(w, 1))) return false;
  if (!ok(xmlTextWriterStartDocument(w, nullptr, "UTF-8", nullptr))) return false;
  if (!ok(xmlTextWriterWriteComment(w, X(format(" AmoqGTK v%s XML file ", amoq_version)))))
    return false;
  if (!ok(xmlTextWriterStartElement(w, X("amoq-xml")))) return false;

  if (!ok(xmlTextWriterWriteComment(w, X(" Chemistry information ")))) return false;
  if (!ok(xmlTextWriterStartElement(w, X("chemistry")))) return false;
  if (!ok(xmlTextWriterStartElement(w, X("species")))) return false;
  if (!ok(xmlTextWriterWriteAttribute(w, X("number"), X(std::to_string(n))))) return false;
  for (int i = 0; i < n; ++i) {
    if (!ok(xmlTextWriterStartElement(w, X("Z")))) return false;
    if (!ok(xmlTextWriterWriteAttribute(w, X("id"), X(std::to_string(i))))) return false;
    if (!ok(xmlTextWriterWriteString(w, X(std::to_string(nearest_int(r.spec_prop[0][i]))))))
      return false;
    if (!ok(xmlTextWriterEndElement(w))) return false;
  }
  if (!ok(xmlTextWriterEndElement(w))) return false;  // species
  for (int i = 0; i < n; ++i) {
    if (!ok(xmlTextWriterStartElement(w, X("element")))) return false;
    if (!ok(xmlTextWriterWriteAttribute(w, X("symbol"), X(r.spec_symbol[i])))) return false;
    if (!element("name", r.spec_name[i]) ||
        !element("z", std::to_string(nearest_int(r.spec_prop[0][i]))) ||
        !element("concentration", fixed6(r.spec_prop[1][i])) ||
        !element("fp", fixed6(r.spec_prop[2][i])) || !element("fpp", fixed6(r.spec_prop[3][i])))
      return false;
    if (!ok(xmlTextWriterEndElement(w))) return false;
  }
  if (!ok(xmlTextWriterEndElement(w))) return false;  // chemistry

  if (!ok(xmlTextWriterWriteComment(w, X(" Experiment information ")))) return false;
  if (!ok(xmlTextWriterStartElement(w, X("experiment")))) return false;
  static const char* const numbers[5] = {"wavelength", "absorption-sample",
                                         "absorption-substrate", "density", "deadtime"};
  for (int k = 0; k < 5; ++k)
    if (!element(numbers[k], fixed6(r.exp_prop[k]))) return false;
  if (!element("geometry", code_text(r.exp_prop[k_geometry], geometry, 4)) ||
      !element("monochromator", code_text(r.exp_prop[k_polarisation], monochr, 3)) ||
      !element("compton", code_text(r.exp_prop[k_compton], compt, 3)))
    return false;
  if (nearest_int(r.exp_prop[k_geometry]) == geometry_none &&
      !element(geometry_extension, geometry[geometry_none]))
    return false;
  if (r.options.incoherent == 1 && !element(incoherent_element, incoherent_texts[1])) return false;
  if (r.options.monoangle != not_set && !element(monoangle_element, fixed6(r.options.monoangle)))
    return false;
  if (r.options.polfraction != not_set &&
      !element(polfraction_element, fixed6(r.options.polfraction)))
    return false;
  if (!ok(xmlTextWriterEndElement(w))) return false;  // experiment

  if (!ok(xmlTextWriterWriteComment(w, X(" Apply project ")))) return false;
  if (!element("project", r.prun ? "TRUE" : "FALSE")) return false;
  if (!ok(xmlTextWriterEndElement(w))) return false;  // amoq-xml
  return ok(xmlTextWriterEndDocument(w));
}

}  // namespace

// One pass over the markup, counting what the tree would hold. Start tags count as an
// element plus one attribute per '=' outside quoted values; comments, CDATA sections,
// processing instructions and text runs count as one node each; end tags as none.
xml_census count_xml_nodes(const char* data, std::size_t size) {
  xml_census census;
  const std::string_view text(data, data ? size : 0);
  auto add_node = [&census] {
    if (++census.nodes > xml_max_nodes) census.within_bounds = false;
    return census.within_bounds;
  };
  // Position just after `end`, searched from `from`; the end of the text when absent.
  auto after = [&text](std::size_t from, std::string_view end) {
    std::size_t k = text.find(end, from);
    return k == std::string_view::npos ? text.size() : k + end.size();
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      if (!add_node()) break;
      i = std::min(text.find('<', i), text.size());
      continue;
    }
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<!--")) {
      i = after(i + 4, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      i = after(i + 9, "]]>");
    } else if (rest.starts_with("<?")) {
      i = after(i + 2, "?>");
    } else if (rest.starts_with("<!")) {
      census.within_bounds = false;  // a document type declaration
      break;
    } else if (rest.starts_with("</")) {
      i = after(i + 2, ">");
      continue;
    } else {
      if (!add_node()) break;
      int attributes = 0;
      char quote = 0;
      for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        } else if (c == '=') {
          ++census.attributes;
          if (++attributes > xml_max_attributes) census.within_bounds = false;
          if (!add_node()) break;
        }
      }
      if (!census.within_bounds) break;
      ++i;
      continue;
    }
    if (!add_node()) break;  // the comment, CDATA section or processing instruction
  }
  return census;
}

xmlNode* findnode(xmlNode* first, const char* name) {
  if (!name) return nullptr;
  for (xmlNode* n = first; n; n = n->next)
    if (n->type == XML_ELEMENT_NODE && name_is(n, name)) return n;
  return nullptr;
}


const std::string& xml_write_failure() { return write_failure; }

int write_xml(const char* file) {
  write_failure.clear();
  if (!file || !*file || !valid_project(activep)) return 0;
  std::unique_ptr<xmlBuffer, buffer_deleter> buffer(xmlBufferCreate());
  if (!buffer) return 0;
  {
    std::unique_ptr<xmlTextWriter, writer_deleter> writer(xmlNewTextWriterMemory(buffer.get(), 0));
    if (!writer) return 0;
    if (!write_document(writer.get(), proj[activep])) return 0;
    if (xmlTextWriterFlush(writer.get()) < 0) return 0;
  }  // the writer flushes into the buffer when it is freed
  const xmlChar* content = xmlBufferContent(buffer.get());
  int length = xmlBufferLength(buffer.get());
  if (!content || length <= 0) return 0;
  return write_file_safely(file, content, static_cast<size_t>(length), &write_failure) ? 1 : 0;
}

namespace {

// Reads, bounds, parses and validates; `applied` receives the project element's flag.
int check_document(const char* file, int p, bool& applied) {
  std::vector<uint8_t> bytes;
  const file_problem problem = read_input_file(file, static_cast<size_t>(xml_max_bytes), bytes);
  if (problem == file_problem::too_large) return fail(1, tr("the file is larger than 1 MiB"));
  if (problem != file_problem::none)
    return fail(1, tr("the file ") + std::string(tr(file_problem_text(problem, errno).c_str())));
  const xml_census census =
      count_xml_nodes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!census.within_bounds)
    return fail(1, format(tr("a document type declaration, more than %d attributes on one element "
                          "or more than %ld nodes"),
                          xml_max_attributes, xml_max_nodes));
  doc_ptr doc = parse_document(bytes, file);
  if (!doc) return fail(1, tr("not a well-formed XML document without a document type declaration"));

  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || !name_is(root, "amoq-xml"))
    return fail(2, format(tr("the root element is <%s>, not <amoq-xml>"),
                          bounded_text(root && root->name ? reinterpret_cast<const char*>(root->name) : "").c_str()));
  xmlNode* chemistry = findnode(root->children, "chemistry");
  if (!chemistry) return fail(3, tr("no <chemistry> element"));
  if (int code = read_species(p, chemistry)) return code;
  if (int code = read_elements(p, chemistry)) return code;

  xmlNode* experiment = findnode(root->children, "experiment");
  if (!experiment) return fail(3, tr("no <experiment> element"));
  if (!read_experiment(p, experiment)) return 6;
  xmlNode* project_node = findnode(experiment, "project");
  if (!project_node) return fail(3, tr("no <project> element after <experiment>"));
  applied = node_text(project_node) == std::optional<std::string>("TRUE");
  proj[p].source = read_source{file, static_cast<long long>(bytes.size()), sha256_hex(bytes.data(), bytes.size())};
  return 0;
}

}  // namespace

int check_xml(const char* file) {
  const int p = activep;
  failure_reason.clear();
  if (!file || !valid_project(p)) return fail(1, tr("no project to read into"));
  bool applied = false;
  int code;
  try {
    code = check_document(file, p, applied);
  } catch (const std::bad_alloc&) {  // refused like an unreadable file, never an abort
    code = fail(1, tr("not enough memory to read it"));
  }
  if (code != 0) return code;

  if (hooks().update_project) hooks().update_project();
  if (applied) {
    if (valid_project(p)) proj[p].trun = 1;
    if (front().xml_import.apply_project) front().xml_import.apply_project();
  } else if (front().xml_import.show_settings) {
    front().xml_import.show_settings();
  }
  return 0;
}

const std::string& xml_failure_reason() { return failure_reason; }

int open_xml(const char* file) {
  int code = check_xml(file);
  if (code == 0)
    show_info(tr(xml_messages[0]), 0);
  else
    show_error(format("%s%s: %s", tr(xml_messages[code]), file ? file : "", failure_reason.c_str()).c_str(),
               1);
  return code;
}
