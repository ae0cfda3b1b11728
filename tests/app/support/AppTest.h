#pragma once

#include <QTest>

#include "app/Application.h"

// The test program's entry: the program's own application object (its error reporting and title), then
// the test object's slots.
#define NUMMERIX_APP_TEST_MAIN(TestObject)              \
    int main(int argc, char** argv) {                   \
        nummerix::TApplication application(argc, argv); \
        TestObject test;                                \
        QTEST_SET_MAIN_SOURCE_PATH                      \
        return QTest::qExec(&test, argc, argv);         \
    }
