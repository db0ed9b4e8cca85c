// Resets the global project table around a test, so tests do not see each other's
// projects, and restores the refresh hooks.
#pragma once

#include <gtest/gtest.h>

#include "curve/allocextra.h"
#include "project/hooks.h"
#include "project/project.h"

class project_table_test : public ::testing::Test {
 protected:
  void SetUp() override { clear(); saved_hooks_ = set_hooks({}); }
  void TearDown() override {
    clear();
    set_hooks(std::move(saved_hooks_));
  }
  static void clear() {
    proj.clear();
    nprojects = 0;
    activep = -1;
    projid = -1;
    activer = activec = 0;
    inactep = -1;
    newspace = 1;
    psize.clear();
    pparamstmp.clear();
  }

 private:
  refresh_hooks saved_hooks_;
};
