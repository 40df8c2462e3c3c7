#pragma once

#include "support/TestEnvironment.h"

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, but gives the process a private temporary home before the application
// object exists, so no test ever touches the user's settings, keyring items or pets.
#define TAMSEL_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        TestEnvironment environment;                                                                                   \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setApplicationName(QStringLiteral("tamsel-tests"));                                              \
        QApplication::setQuitOnLastWindowClosed(false);                                                                \
        TestClass test(&environment);                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
