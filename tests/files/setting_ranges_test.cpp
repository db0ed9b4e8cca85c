// One table of settings: a value out of a setting's range is refused alike by --set's
// path (set_setting), by the entries (set_prop), by the options block of project and
// workspace files and by the XML project file, each naming the key and the value; a
// workspace opens no project half-set.

#include "files/project_file.h"
#include "files/project_options.h"
#include "files/workspace_file.h"
#include "files/xml_project.h"
#include "files_fixture.h"
#include "project/settings.h"
#include "project/setting_table.h"
#include "support/recording_presenter.h"

namespace {

// A value outside the rule's range and no "not set" marker (NaN when it has no finite bound).
double outside(const setting_rule& r) {
  if (std::isfinite(r.lo)) return r.lo - 1.0;
  if (std::isfinite(r.hi)) return r.hi + 1.0;
  return std::nan("");
}

class setting_ranges_test : public files_test {
 protected:
  recording_presenter presenter;
};

}  // namespace

TEST_F(setting_ranges_test, EveryWayInRefusesWhatTheTableRefuses) {
  for (int i = 0; i < nsetting_rules; ++i) {
    const setting_rule& rule = setting_rules[i];
    const double bad = outside(rule);
    if (std::isnan(bad)) continue;
    SCOPED_TRACE(rule.key ? rule.key : rule.file_key ? rule.file_key : "species count");
    init_project();
    prepspec(activep, 1);
    const project_options options = proj[activep].options;
    const std::vector<double> exp(proj[activep].exp_prop, proj[activep].exp_prop + nexp_props);
    const std::vector<recorded_message> message =
        rule.message ? std::vector<recorded_message>{{"info", rule.message}} : std::vector<recorded_message>{};
    auto refused = [&](const std::function<int()>& set) {  // with the rule's message
      presenter.messages.clear();
      EXPECT_EQ(set(), prop_rejected);
      EXPECT_EQ(presenter.messages, message);
    };
    if (rule.key) refused([&] { return set_setting(rule, bad); });  // --set
    if (rule.place == setting_place::exp_prop && rule.index < k_geometry)  // the entries
      refused([&] { return set_prop(prop_first_exp + rule.index, bad, 0); });
    if (rule.place == setting_place::species) refused([&] { return set_prop(prop_z + rule.index, bad, 0); });
    EXPECT_EQ(std::memcmp(&proj[activep].options, &options, sizeof options), 0);
    EXPECT_EQ(std::vector<double>(proj[activep].exp_prop, proj[activep].exp_prop + nexp_props), exp);
    if (rule.place != setting_place::option) continue;
    // The options block of a project file: the file is refused, the project left new.
    proj[activep].options.*rule.member = bad;
    const std::vector<uint8_t> bytes = encode(activep);
    EXPECT_EQ(decode_fresh(bytes), file_short);
    EXPECT_EQ(proj[activep].options.*rule.member, project_options{}.*rule.member);
    EXPECT_EQ(project_read_problem().rfind(std::string(rule.file_key) + " = ", 0), 0u) << project_read_problem();
  }
}

// The values of the damaged files, and the codes of the original record.
TEST_F(setting_ranges_test, ProjectFilesNameTheKeyAndTheValue) {
  struct { double project_options::*member; double value; std::string problem; } cases[] = {
      {&project_options::bkgscale, 0, "bkgscale = 0 is out of range: The background scale factor must be > 0.0 and <= 1000.0"},
      {&project_options::bkgscale, 1e9, "bkgscale = 1e+09 is out of range: The background scale factor must be > 0.0 and <= 1000.0"},
      {&project_options::incoherent, 7, "incoherent = 7 is out of range"},
      {&project_options::qmax, std::nan(""), "qmax = nan is out of range: The highest Q of the transform must be > 0.0"},
  };
  for (const auto& c : cases) {
    init_project();
    proj[activep].options.*c.member = c.value;
    EXPECT_EQ(decode_fresh(encode(activep)), file_short) << c.problem;
    EXPECT_EQ(project_read_problem(), c.problem);
  }
  init_project();
  proj[activep].exp_prop[k_geometry] = 7;  // codes 1..4
  EXPECT_EQ(decode_fresh(encode(activep)), file_short);
  EXPECT_EQ(project_read_problem(), "geometry = 7 is out of range: Please select the experimental geometry");
  init_project();
  proj[activep].exp_prop[k_smoothing] = 0.0;  // what switching smoothing on leaves: read as before
  proj[activep].options.lowr_rmin = 0.0;      // the optimisation switched on, r_min not entered
  EXPECT_EQ(decode_fresh(encode(activep)), file_ok);
}

// A workspace: a value out of range refuses its project (and, as a damaged project block
// does, those after it); those before keep every option; a damaged block opens none.
TEST_F(setting_ranges_test, WorkspaceOpensNoProjectHalfSet) {
  for (int i = 0; i < 3; ++i) {
    init_project();
    proj[activep].options.qmax = 18.0 + i, proj[activep].options.window = 1;
  }
  proj[1].options.bkgscale = -1;
  byte_writer w;
  ASSERT_EQ(encode_workspace(w), file_ok);
  const std::vector<uint8_t> bytes = w.data();
  while (nprojects > 0) close_project_record(0);
  byte_reader in(bytes);
  EXPECT_EQ(decode_workspace(in), file_short);
  ASSERT_EQ(nprojects, 1);
  EXPECT_EQ(std::tuple(proj[0].options.qmax, proj[0].options.window), std::tuple(18.0, 1.0));  // every option kept
  EXPECT_EQ(project_read_problem(),
            "project 2: bkgscale = -1 is out of range: The background scale factor must be > 0.0 and <= 1000.0");

  // The count of the block's entries cut short: no project gets the block's values.
  std::vector<uint8_t> damaged = bytes;
  const std::string marker = "%amoq options v-1\n";
  const auto at = std::search(damaged.begin(), damaged.end(), marker.begin(), marker.end());
  ASSERT_NE(at, damaged.end());
  damaged.resize(static_cast<size_t>(at - damaged.begin()) + marker.size() + 4 + 10);
  while (nprojects > 0) close_project_record(0);
  byte_reader cut(damaged);
  EXPECT_EQ(decode_workspace(cut), file_short);
  EXPECT_EQ(nprojects, 0);
}

// The XML project file checks the values of the same table (f' and f'', the
// concentration, the experiment); "not set" markers read as before.
TEST_F(setting_ranges_test, XmlProjectValues) {
  scratch_dir dir;
  struct { std::function<void(project&)> set; int code; std::string reason; } cases[] = {
      {[](project& r) { r.spec_prop[2][0] = 150; }, 5, "<fp> 150 is out of range: Abs(f') must be =< 100.0"},
      {[](project& r) { r.exp_prop[k_wavelength] = -1; }, 6,
       "<wavelength> -1 is out of range: The wavelenght must be > 0.0 Å\nPlease check this parameter"},
      {[](project& r) { r.spec_prop[1][0] = 0, r.exp_prop[k_density] = not_set; }, 0, ""},
  };
  for (const auto& c : cases) {
    init_project();
    prepspec(activep, 1);
    set_species_element(activep, 0, 14);
    project& r = proj[activep];
    r.spec_prop[1][0] = 1.0, r.exp_prop[k_wavelength] = 0.7093, r.exp_prop[k_polarisation] = 1;

    c.set(r);
    const std::string file = dir.file("p.apf");
    ASSERT_EQ(write_xml(file.c_str()), 1);
    init_project();
    EXPECT_EQ(check_xml(file.c_str()), c.code) << c.reason;
    EXPECT_EQ(xml_failure_reason(), c.reason);
  }
}
