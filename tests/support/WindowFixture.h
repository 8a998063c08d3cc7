#pragma once

#include "LoopbackServer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class TfrmMain;
class TWebBrowser;

// The main window as the GUI tests meet it: a temporary folder of its own holding the
// settings and history files, the window made in it, and the loopback server its pages
// come from. One per test class: open() or make() in a test function, reset() in cleanup().
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    // For initTestCase: takes over the port the test main reserved.
    bool startServer();

    // A fresh, empty folder, and no window yet.
    bool newFolder();
    // A window in the folder (a fresh folder if there is none), shown, and with
    // waitForBanner its banner loaded. False where either did not happen.
    bool open(bool waitForBanner = true);
    // A window in the folder, not shown: for tests that read what construction did. A test
    // of a folder that cannot hold the files names its own, elsewhere.
    TfrmMain& make(const QString& appFolder = QString());
    // For cleanup(): the window and the folder go.
    void reset();

    TfrmMain* window() const { return m_window.get(); }
    TfrmMain* operator->() const { return m_window.get(); }
    QString folderPath() const;
    QString filePath(const QString& name) const;

    QByteArray read(const QString& name) const;
    bool write(const QString& name, const QByteArray& content) const;
    QByteArray settings() const;
    QByteArray history() const;

    // Gives the window the keyboard, and waits until the window system says it has it.
    static bool activate(QWidget* window);
    // Waits until the events posted so far have been handled.
    static bool waitForPostedEvents();
    // Runs a script in the view's page and waits for its answer: whatever the view asked
    // of the engine before has reached it.
    static bool roundTrip(TWebBrowser* browser);
    // Waits until the queued refresh of the actions' state, if any, has run.
    bool waitForActionUpdate() const;

    // Types the term into the query box as a user does and presses Enter; a term that no
    // key types (a line break, a control character) is pasted instead.
    void search(const QString& term);
    // The result tabs' views, oldest first; the banner's view is not among them.
    QList<TWebBrowser*> resultBrowsers() const;
    // The engine's views anywhere in the program but in the banner, which comes and goes as
    // it rests behind the tabs.
    int resultViewCount() const;
    // The look-up popup's views, oldest first; none while it has no pages.
    QList<TWebBrowser*> popupBrowsers() const;
    // Waits until the popup is shown and has opened its pages (after its first paint), and
    // counts their loads from then on.
    bool waitForPopupPages();
    // Counts the loads of the result views (or of those given) from now on (search() does
    // this itself).
    void countLoads();
    void countLoads(const QList<TWebBrowser*>& browsers);
    // Waits until every result view of the last search has completed this many loads.
    bool waitForLoads(int loadsPerView = 1);

    LoopbackServer server;

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TfrmMain> m_window;
    QHash<TWebBrowser*, int> m_loads;
};
