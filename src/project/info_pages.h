// Information pages of a project: the text of each page as a list of runs, each with the
// name of its text tag (empty for plain text). The shell puts the runs into the text
// buffer of the project's view; the tag names are those of info_tag_names.
#pragma once

#include <string>
#include <vector>

struct text_run {
  std::string text;
  std::string tag;
};
using info_text = std::vector<text_run>;

// Page numbers, in the order of the workspace tree's row labels.
enum info_page {
  page_workspace = 0,
  page_settings = 1,
  page_sample = 2,
  page_experiment = 3,
  page_calculations = 4,
  page_ra = 5,
  page_sq = 6,
  page_bq = 7,
  page_gr = 8,
};

// The tags every page buffer holds, in the order they are created.
extern const char* const info_tag_names[];
extern const int info_tag_count;

// Colour tag of species i: "red", "blue", "green", "orange", "cyan", "pink" for 0..5,
// "red" for 6..11, none (empty) otherwise.
const char* textcolor(int i);

// The runs of page `page` (0..8) for project position p; empty for any other page.
info_text info_page_text(int p, int page);

// The page printers, appending to `out`.
void print_info(info_text& out, const std::string& text, const char* tag = "");
void print_id(info_text& out, int flag);
void setinfo(info_text& out, int p);
void cheminfo(info_text& out, int p);
void display_chemrx(info_text& out, int p);
void expinfo(info_text& out, int p);
void calcinfo(info_text& out, int p);
void rainfo(info_text& out, int p);
void sqinfo(info_text& out, int p);
void bqinfo(info_text& out, int p);
void grinfo(info_text& out, int p);

// The runs joined, without tags (tests and logs).
std::string plain_text(const info_text& runs);
