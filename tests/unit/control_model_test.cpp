#include "core/control_model.h"

#include <gtest/gtest.h>

TEST(ControlModel, Placeholder) { EXPECT_EQ(mivo::pageName(mivo::PageId::Main), "main"); }
