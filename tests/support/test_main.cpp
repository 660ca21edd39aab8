#include <gtest/gtest.h>

#include <QApplication>
#include <QImageReader>

#include "test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(1024);
    return RUN_ALL_TESTS();
}
