// The drive table over a fake system: empty before and after each case.
#pragma once

#include <gtest/gtest.h>

#include "card/store/drive_table.h"
#include "tests/platform/fake_system.h"
#include "tests/support/recording_log.h"

// A test whose drive table sees only the fake system, and is empty before and
// after each case.
class fake_drive_table_test : public testing::Test {
protected:
    void SetUp() override {
        drive_table_clear();
        drive_table_use_roots(system.roots);
    }
    void TearDown() override { drive_table_clear(); }
    fake_system system;
    recording_log log;
};
