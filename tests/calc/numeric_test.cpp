#include "calc/numeric.h"
#include <gtest/gtest.h>
namespace wormpair { namespace {
TEST(NumericTest, Placeholder) { EXPECT_EQ(formatReal(12.5L), "12.5"); }
}}
