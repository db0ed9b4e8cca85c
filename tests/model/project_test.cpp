#include <gtest/gtest.h>

#include "project/project.h"
#include "support/project_fixture.h"

using project_test = project_table_test;

TEST_F(project_test, NewProjectDefaults) {
  EXPECT_EQ(init_project(), 1);
  const project& p = proj[0];
  EXPECT_EQ(p.id, 0);
  EXPECT_EQ(p.name, "Project N° 0");
}
