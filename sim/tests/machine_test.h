// A fixture for the model's own tests: a fresh machine whose error reports
// are collected instead of printed, and which must end with none unless the
// test looked at them and cleared them.
#ifndef QUARVEL_SIM_TESTS_MACHINE_TEST_H
#define QUARVEL_SIM_TESTS_MACHINE_TEST_H

#include "machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class MachineTest : public ::testing::Test {
protected:
    MachineTest() {
        m.onError = [](const std::string&) {};
    }
    void TearDown() override { EXPECT_EQ(m.errors, std::vector<std::string>{}); }

    // The reports so far, cleared.
    std::vector<std::string> TakeErrors() {
        std::vector<std::string> taken;
        taken.swap(m.errors);
        return taken;
    }

    sim::Machine m;
};

#endif
