// Resets the global project table around a test, so tests do not see each other's
// projects, and restores the front-end interface; helpers for the extra-set slot tables.
#pragma once

#include "support/test.h"

#include "project/allocextra.h"
#include "project/hooks.h"
#include "project/project.h"

class project_table_test : public ::testing::Test {
 protected:
  void SetUp() override { clear(); saved_front_ = set_front_end({}); }
  void TearDown() override {
    clear();
    set_front_end(std::move(saved_front_));
  }
  static void clear() { clear_project_table(); }

 private:
  front_end saved_front_;
};

// Makes curve (rid, cid) of project p the active one and builds its slot table.
inline void activate_curve(int p, int rid, int cid) {
  activep = p, activer = rid, activec = cid;
  allocextra(0, p, rid, cid);
}

// Draws slot k of curve c with a style (numbered n) that differs from every default.
inline void draw_slot(curve& c, int k, int n) {
  c.extrasets[k][0] = 1;
  c.extrathick[k] = 0.5 + n;
  c.extradash[k] = 2 + n;
  c.extraglyph[k] = 5 + n;
  c.extraspect[k] = 1;
  c.extragsize[k] = 3.25 + n;
  c.extragfreq[k] = 2 + n;
  c.extracolor[k] = color{7, static_cast<uint16_t>(1000 + n), 2000, 3000};
}
