#include <gtest/gtest.h>
#include "syscalls.h"
TEST(Smoke, SeamBound) { EXPECT_TRUE(Sys.EnumPortsA == ::EnumPortsA); }
