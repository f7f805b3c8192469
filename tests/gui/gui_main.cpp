// The GUI tests run offscreen unless told otherwise, with one QApplication, and never near the
// user's settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/temp_tree.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    const gauzel::testing::TempTree config;
    setenv("XDG_CONFIG_HOME", config.Root().c_str(), 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
