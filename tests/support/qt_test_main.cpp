// Main of the Qt test programs: an offscreen application, then every test.
#include "framework/testing/test_seams.h"
#include "framework/win_app.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Before the application object exists, so no display is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    afx::InitApplicationForTests(argc, argv);
    return RUN_ALL_TESTS();
}
