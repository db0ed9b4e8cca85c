#include <gtest/gtest.h>

#include "files/project_file.h"
#include "project/project.h"
#include "support/project_fixture.h"

using project_file_test = project_table_test;

TEST_F(project_file_test, Placeholder) {
  init_project();
  byte_writer w;
  encode_project(w, 0, 0);
  EXPECT_GT(w.data().size(), 400u);
}
