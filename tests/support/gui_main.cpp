#include "ShellFixture.h"

#include "base/AppState.h"

#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

AppState *ShellFixture::s_state = nullptr;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The player library parses numbers with the C library (as main does).
    setlocale(LC_NUMERIC, "C");
    // One program state for the whole run, as main has one; fixtures and
    // their members (built before SetUp) may reach it at any time.
    AppState state;
    ShellFixture::s_state = &state;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
