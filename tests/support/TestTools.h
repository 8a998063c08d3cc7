#pragma once

#include <QEventLoop>
#include <QString>
#include <QTest>
#include <QTimer>
#include <functional>

// keyClicks() cannot type non-ASCII text; one key event per character can.
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// QTest::qWaitFor, and so the QTRY_ macros, starve the engine when several pages load
// their parts at once: their loads never finish. A real event loop does not.
inline bool waitUntil(const std::function<bool()>& done, int timeout = 30000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}
