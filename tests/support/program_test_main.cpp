// Main of the program's test programs: an offscreen Qt application with the program's
// templates registered, then every test.
#include "framework/afx.h"
#include "res/templates.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    afx::InitApplicationForTests(argc, argv);
    afx::SetAppName("Dovuzedu RE2");
    RegisterProgramTemplates();
    return RUN_ALL_TESTS();
}
