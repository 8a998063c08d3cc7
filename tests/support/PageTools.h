#pragma once

#include "TestTools.h"
#include "WebBrowser.h"

#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

// The engine's page behind one of the program's views.
inline QWebEnginePage* enginePage(TWebBrowser* browser)
{
    return browser->findChild<QWebEngineView*>()->page();
}

// The widget of the engine's view that takes the mouse and the keyboard for the page.
inline QWidget* pageInput(TWebBrowser* browser)
{
    return browser->findChild<QWebEngineView*>()->focusProxy();
}

// Runs a script in the view's page and waits for its result; an invalid value where no
// answer came.
inline QVariant runScript(TWebBrowser* browser, const QString& script)
{
    QVariant value;
    bool answered = false;
    enginePage(browser)->runJavaScript(script, [&](const QVariant& result) {
        value = result;
        answered = true;
    });
    return waitUntil([&] { return answered; }) ? value : QVariant();
}
