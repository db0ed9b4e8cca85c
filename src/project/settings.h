// Rules of the sample and experiment settings: what an edited value does to the active
// project, the two validation functions the steps also use, the chemistry completeness
// check and "Apply". The dialog reads its widgets, calls these and refreshes from the
// record; messages go through the presenter, widget effects through step_hooks.
#pragma once

#include <optional>
#include <vector>

struct project;
struct setting_rule;

// What set_prop and propbox_changed did with a value.
enum prop_result {
  prop_unchanged = 0,  // equal to the stored value (or no choice made)
  prop_stored = 1,     // stored; flags updated
  prop_rejected = 2,   // out of range: message shown, nothing stored
};

// Property numbers passed by the settings entries (species count, species values, then
// exp_prop[0..11] as props 5..16).
inline constexpr int prop_species = 0;
inline constexpr int prop_z = 1;
inline constexpr int prop_conc = 2;
inline constexpr int prop_fp = 3;
inline constexpr int prop_fpp = 4;
inline constexpr int prop_first_exp = 5;
inline constexpr int prop_last_exp = 16;

// Applies the rule of property `prop` to `value` on the active project; `species` is the
// species selected in the sample page (props 1..4 only).
int set_prop(int prop, double value, int species);

// The entry text of property `prop` as a number; text that is not entirely a number is
// refused with a warning naming the field (nullopt).
std::optional<double> entry_value(int prop, const char* text);

// The species' concentrations of r as proportions x_i / sum x (a formula such as 2, 1, 4
// gives 2/7, 1/7, 4/7). False, x untouched, when the sum is not a positive finite number.
bool concentration_fractions(const project& r, std::vector<double>& x);

// Value of the "Z" entry: an element symbol or name ("Si", "silicon") gives its atomic
// number, anything else reads as entry_value does.
std::optional<double> z_entry_value(const char* text);

// "From tables": f′ and f″ of species s of the active project from the tables at the
// project's wavelength (xray_tables.h); with absent_only, only values that are 0 (never
// given). prop_rejected (message shown) without a wavelength or a table value.
int anomalous_from_tables(int s, int absent_only);

// μt calculator: μt = (μ/ρ) ρ t of the sample from its species (mass fractions from Z,
// concentrations and atomic weights) at the project's wavelength, thickness t in mm and
// mass density ρ in g/cm³, stored as the sample's linear absorption (exp_prop[k_abs_sample]).
// prop_rejected (message shown) when an input is missing or out of range.
int compute_mu_t(double thickness_mm, double density);

// Combo box `box` (0 geometry, 1 polarisation, 2 Compton, 3 smoothing, 4 Breit-Dirac)
// changed to `active_entry` (-1 none): stores exp_prop[k_geometry + box] = entry + 1.
int propbox_changed(int box, int active_entry);

// One setting of the active project by its rule (setting_table.h), as --set gives it:
// refused with the rule's message when out of its range, else stored by the setter the
// dialogs use, with the same effects. A prop_result.
int set_setting(const setting_rule& rule, double value);

// Validation of project position p; 1 when valid. report = 1 shows each failure's
// warning and switches the settings notebook to the failing page.
int test_sample(int p, int report);
int test_experiment(int p, int report);

// 1 when every species of project position p has non-zero Z, concentration, f', f'' and
// first scattering coefficient.
int checkchemistry(int p);

// "Apply" on the active project. Returns 0 when a check failed (the dialog stays open),
// 1 when nothing was edited since the last apply (dialog only hidden), 2 when applied (the
// concentrations then hold the proportions that the steps use).
int apply_project();
