#pragma once
#include <gtest/gtest.h>

#include "interface/module_state.h"

// Puts the module's output switches back to the console for each test; tests that need the
// host road or verbose tracing switch it on themselves.
class ConsoleOutputTest : public testing::Test {
  protected:
    void SetUp() override { resetOutputMode(); }
    void TearDown() override { resetOutputMode(); }

    static void resetOutputMode() {
        moduleState().outputToHost = false;
        moduleState().verboseOutput = false;
        moduleState().hostCallback = nullptr;
    }
};
