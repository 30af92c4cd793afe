// Entry point of the window's test programs: the real dialogs on Qt's offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/gui/window_services.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    platform::WindowServices services;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
