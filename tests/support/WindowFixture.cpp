#include "WindowFixture.h"

#include "LookupPopup.h"
#include "QueryHistory.h"
#include "TestTools.h"
#include "UnitMain.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QCoreApplication>
#include <algorithm>

WindowFixture::WindowFixture() = default;
WindowFixture::~WindowFixture() = default;

bool WindowFixture::startServer() { return server.start(); }

bool WindowFixture::newFolder()
{
    m_window.reset();
    m_folder = std::make_unique<QTemporaryDir>();
    return m_folder->isValid();
}

TfrmMain& WindowFixture::make(const QString& appFolder)
{
    if (!m_folder)
        newFolder();
    m_window.reset();
    m_loads.clear();
    m_window = std::make_unique<TfrmMain>(appFolder.isEmpty() ? m_folder->path() : appFolder);
    return *m_window;
}

bool WindowFixture::open(bool waitForBanner)
{
    make();
    QSignalSpy bannerLoaded(m_window->WbAd, &TWebBrowser::DocumentComplete);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return false;
    // The banner's view comes to life after the first paint; its load stays out of the
    // test's own.
    return !waitForBanner || bannerLoaded.count() > 0 || bannerLoaded.wait(30000);
}

void WindowFixture::reset()
{
    m_window.reset();
    m_loads.clear();
    m_folder.reset();
}

QString WindowFixture::folderPath() const { return m_folder ? m_folder->path() : QString(); }

QString WindowFixture::filePath(const QString& name) const
{
    return QDir(folderPath()).filePath(name);
}

QByteArray WindowFixture::read(const QString& name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WindowFixture::write(const QString& name, const QByteArray& content) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray WindowFixture::settings() const { return read(TfrmMain::settingsFileName); }
QByteArray WindowFixture::history() const { return read(QueryHistory::fileName); }

bool WindowFixture::waitForPostedEvents()
{
    bool handled = false;
    QMetaObject::invokeMethod(qApp, [&handled] { handled = true; }, Qt::QueuedConnection);
    return waitUntil([&handled] { return handled; });
}

bool WindowFixture::roundTrip(TWebBrowser* browser)
{
    bool answered = false;
    browser->findChild<QWebEngineView*>()->page()->runJavaScript(
        QStringLiteral("1"), [&answered](const QVariant&) { answered = true; });
    return waitUntil([&answered] { return answered; });
}

bool WindowFixture::waitForActionUpdate() const
{
    return waitUntil([this] { return !m_window->actionUpdatePending(); });
}

void WindowFixture::search(const QString& term)
{
    m_window->CmbBook->clearEditText();
    const bool typeable = std::all_of(term.cbegin(), term.cend(), [](QChar c) {
        return c.isPrint() || c == QLatin1Char(' ');
    });
    if (typeable) {
        typeText(m_window->CmbBook, term);
        QCOMPARE(m_window->CmbBook->currentText(), term);
    } else {
        QGuiApplication::clipboard()->setText(term);
        QTest::keyClick(m_window->CmbBook->lineEdit(), Qt::Key_V, Qt::ControlModifier);
    }
    QTest::keyClick(m_window->CmbBook, Qt::Key_Return);
    countLoads();
}

void WindowFixture::countLoads()
{
    countLoads(resultBrowsers());
}

void WindowFixture::countLoads(const QList<TWebBrowser*>& browsers)
{
    m_loads.clear();
    for (TWebBrowser* browser : browsers) {
        m_loads.insert(browser, 0);
        QObject::connect(browser, &TWebBrowser::DocumentComplete, browser,
                         [this, browser] { ++m_loads[browser]; });
    }
}

QList<TWebBrowser*> WindowFixture::resultBrowsers() const
{
    QList<TWebBrowser*> browsers = m_window->findChildren<TWebBrowser*>();
    browsers.removeOne(m_window->WbAd);
    return browsers;
}

int WindowFixture::resultViewCount() const
{
    int count = 0;
    for (QWidget* widget : QApplication::allWidgets())
        count += qobject_cast<QWebEngineView*>(widget) && !m_window->WbAd->isAncestorOf(widget);
    return count;
}

QList<TWebBrowser*> WindowFixture::popupBrowsers() const
{
    const LookupPopup* popup = m_window ? m_window->popup() : nullptr;
    return popup ? popup->findChildren<TWebBrowser*>() : QList<TWebBrowser*>();
}

bool WindowFixture::waitForPopupPages()
{
    const bool opened = waitUntil([this] {
        const LookupPopup* popup = m_window->popup();
        return popup && popup->isVisible() && !popupBrowsers().isEmpty();
    });
    countLoads(popupBrowsers());
    return opened;
}

bool WindowFixture::activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

bool WindowFixture::waitForLoads(int loadsPerView)
{
    const auto done = [&] {
        for (const int count : std::as_const(m_loads))
            if (count < loadsPerView)
                return false;
        return !m_loads.isEmpty();
    };
    if (waitUntil(done))
        return true;
    for (auto it = m_loads.cbegin(); it != m_loads.cend(); ++it)
        qWarning() << "view" << it.key()->Tag() << it.value() << "loads, at"
                   << it.key()->LocationURL();
    for (const LoopbackServer::Request& request : server.requests())
        qWarning() << request.host << request.requestLine.left(120);
    return false;
}
