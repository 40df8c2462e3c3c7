#pragma once

#include "support/TestEnvironment.h"

#include <QApplication>
#include <QTest>

#include <type_traits>

// Test classes that use the private home take it in their constructor; the others need none.
template<typename TestClass> TestClass makeTestObject(TestEnvironment *environment)
{
    if constexpr (std::is_constructible_v<TestClass, TestEnvironment *>)
        return TestClass(environment);
    else
        return TestClass();
}

// Like QTEST_MAIN, but gives the process a private temporary home before the application
// object exists, so no test ever touches the user's settings, keyring items or pets.
#define TAMSEL_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        TestEnvironment environment;                                                                                   \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setApplicationName(QStringLiteral("tamsel-tests"));                                              \
        QApplication::setQuitOnLastWindowClosed(false);                                                                \
        TestClass test = makeTestObject<TestClass>(&environment);                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
