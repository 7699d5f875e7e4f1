/* Base fixture for tests that script the system through the seam: every
   test starts and ends with the real API bound. */
#ifndef VANTREL_SEAM_TEST_H
#define VANTREL_SEAM_TEST_H

#include <gtest/gtest.h>
#include "syscalls.h"

class SeamTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSystemCalls(); }
    void TearDown() override { ResetSystemCalls(); }
};

#endif
