#pragma once

#include "Application.h"
#include "LoopbackServer.h"

#include <QApplication>
#include <QTest>

// A test main for tests that load pages: every host name the engine looks up is mapped
// to the loopback server's port before the engine starts.
#define VERITOME_WEB_TEST_MAIN(TestClass)                                                  \
    VERITOME_WEB_TEST_MAIN_WITH_CHILD(TestClass, "", [] { return 1; })

// The same, for a test that also runs a scene as a program of its own, to see how the
// process ends: started with the environment variable CHILD_VARIABLE set, the program runs
// childMain() (returning the exit status) in place of the tests.
#define VERITOME_WEB_TEST_MAIN_WITH_CHILD(TestClass, CHILD_VARIABLE, childMain)            \
    int main(int argc, char** argv)                                                        \
    {                                                                                      \
        const int port = LoopbackServer::reservePort();                                   \
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",                                              \
                QByteArray("--host-resolver-rules=\"MAP * 127.0.0.1:")                     \
                    + QByteArray::number(port) + "\"");                                    \
        App::prepareProcess();                                                             \
        QApplication app(argc, argv);                                                      \
        App::prepareApplication(app);                                                      \
        QApplication::setApplicationName(App::title);                                      \
        if (*CHILD_VARIABLE && qEnvironmentVariableIsSet(CHILD_VARIABLE))                  \
            return childMain();                                                            \
        TestClass test;                                                                    \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&test, argc, argv);                                            \
    }
