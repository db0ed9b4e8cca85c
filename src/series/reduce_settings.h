// The keys of amoq-reduce's --set (and of the Python module's Project.set): the settings'
// table (project/setting_table.h), each applied to the active project the way its entry
// applies it, with its range and message, before "Apply".
#pragma once

#include <functional>
#include <string>
#include <vector>

// One KEY=VALUE.
struct setting {
  std::string key;
  double value = 0.0;
};

// True when `key` is one of the keys.
bool is_setting_key(const std::string& key);

// Every key, in the order the help lists them.
std::vector<std::string> setting_key_names();

// Applies one setting to the active project (formatbox and the table keys are taken
// later, see below). False for a value out of range.
bool apply_setting(const setting& s);

// The raw data format of formatbox among `sets` (the last one given), -2 when none: it is
// applied after "Apply", as the abscissa is chosen in the raw data dialog.
int format_setting(const std::vector<setting>& sets);

// "set it with --set bdbox=1|2|3|4" for the warning of a setting that is missing or out
// of range, else "".
std::string setting_hint(const std::string& warning);

// f' and f'' from the tables (those absent, i.e. 0, or all with fp-from-tables=1) and mu*t
// from mut-thickness and mass-density, once the other settings (the wavelength among
// them) are in; what was taken is reported through `note`. False when the tables cannot
// give what was asked for.
bool take_from_tables(const std::vector<setting>& sets, const std::function<void(const std::string&)>& note);
