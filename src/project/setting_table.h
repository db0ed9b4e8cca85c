// One table of the settings of a project: for each, its names (the key of --set and of
// the messages, the key of the options block or the element of the XML project file),
// where the record keeps it, the range it must lie in, the message that refuses a value
// outside it, and the first step whose results it changes. The dialog entries, "Apply"
// and the step checks, --set of amoq-reduce, both file readers and the out-of-date marks
// all read it here, so a value one of them takes the others take too.
#pragma once

#include <string_view>

#include "project/project.h"

enum class setting_place {
  exp_prop,       // exp_prop[index]
  species_count,  // nspec
  species,        // spec_prop[index][species]
  param,          // params[index]
  check,          // checks[index]
  option,         // options.*member
};

// Range flags: lo_open / hi_open exclude the bound, whole asks for an integer (a code or
// a count), unset_ok also accepts the record's "not set" markers (not_set, and 0 for a
// value never entered) where a file holds a value.
inline constexpr unsigned lo_open = 1, hi_open = 2, whole = 4, unset_ok = 8;

struct setting_rule {
  const char* key;       // --set key and the name in messages; nullptr: not a --set key
  const char* file_key;  // options-block key or XML element; nullptr: neither
  setting_place place;
  int index;                         // exp_prop position, spec_prop row, params or checks position
  double project_options::*member;   // place option
  double lo, hi;
  unsigned flags;
  const char* message;  // the refusal of a value out of range (marked text); nullptr: none
  int first_step;       // first step whose results the setting changes; -1 none
};

extern const setting_rule setting_rules[];
extern const int nsetting_rules;

// The rule of a --set key, of a file key, of an exp_prop position, of an option member;
// nullptr when there is none.
const setting_rule* setting_by_key(std::string_view key);
const setting_rule* setting_by_file_key(std::string_view key);
const setting_rule* setting_of_exp_prop(int k);
const setting_rule* setting_of_option(double project_options::*member);
const setting_rule* setting_of_species(int row);

// v lies in the rule's range: finite, within the bounds, an integer where whole.
bool setting_in_range(const setting_rule& r, double v);
// What a file or the record may hold: in range, or a "not set" marker where unset_ok.
bool setting_storable(const setting_rule& r, double v);
// A code or count kept as a double, as an int: `fallback` unless it is an integer in the
// rule's range (never converted when it is not: a value beyond int has no conversion).
int setting_int(const setting_rule& r, double v, int fallback);
// The same against the bounds lo..hi alone.
int double_to_int(double v, int lo, int hi, int fallback);
