#include "platform/MessageBox.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test executable runs inside a QApplication, headless unless told otherwise,
// so widgets, timers, fonts and painting work as in the server.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    msgbox::keepHistory(true); // the tests read what was shown
    return RUN_ALL_TESTS();
}
