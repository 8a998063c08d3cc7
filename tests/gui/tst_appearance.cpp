#include "Appearance.h"
#include "CoolBar.h"
#include "Glyphs.h"
#include "PageTools.h"
#include "Palette.h"
#include "TestTools.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"
#include "platform/DesktopAppearance.h"

#include <QActionGroup>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStatusBar>

// The window's colours as the desktop asks for them, through a stand-in for the desktop
// portal on the test's own session bus: dark at the start, then changed while it runs.
class TestAppearance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (run under dbus-run-session)");
        lightPalette = QApplication::palette();
        portal.setProcessChannelMode(QProcess::ForwardedChannels);
        portal.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VERITOME_FAKE_PORTAL),
                                                          QStringLiteral("1"), QStringLiteral("0")});
        QVERIFY(waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("org.freedesktop.portal.Desktop"));
        }, 10000));
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request& request) {
            LoopbackServer::Response response =
                LoopbackServer::page("<html><body>result</body></html>");
            // Long enough to see the view before its page comes in.
            if (request.target.contains("slow"))
                response.delayMs = 1500;
            return response;
        });
    }

    void cleanupTestCase()
    {
        portal.kill();
        portal.waitForFinished();
    }

    void cleanup() { fixture.reset(); }

    // A dark desktop: a dark window, glyphs drawn to be seen on it, and pages told so. The
    // engine takes that as it starts, so this comes first.
    void darkDesktop()
    {
        QVERIFY(fixture.open(false));
        TfrmMain& window = *fixture.window();
        QVERIFY(window.NViewFollowDesktop->isChecked());
        QVERIFY(Palette::lookOf(QApplication::palette()).dark);
        const QImage bars = window.grab(QRect(window.CoolBar1->mapTo(&window, QPoint()),
                                              window.CoolBar1->size())).toImage();
        QVERIFY(QColor(bars.pixel(bars.width() - 3, bars.height() / 2)).lightness() < 80);
        QVERIFY(window.ImageList1.first().pixmap(16).toImage()
                != Glyphs::imageList().first().pixmap(16).toImage());
        // Dark until the page comes in, then the page as its author made it.
        fixture.search(QStringLiteral("slow"));
        TWebBrowser* view = fixture.resultBrowsers().first();
        QTest::qWait(500);
        QVERIFY(enginePage(view)->backgroundColor().lightness() < 80);
        QVERIFY(fixture.waitForLoads());
        QCOMPARE(enginePage(view)->backgroundColor(), QColor(Qt::white));
        const QString darkQuery = QStringLiteral("matchMedia('(prefers-color-scheme: dark)').matches");
        QCOMPARE(runScript(view, darkQuery), QVariant(true));
    }

    // Changed on the desktop while the window is open: the window follows at once; light
    // and "no preference" give back the window as it has always been.
    void desktopChangesWhileRunning_data()
    {
        QTest::addColumn<uint>("scheme");
        QTest::addColumn<uint>("contrast");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("highContrast");
        QTest::newRow("light") << 2u << 0u << false << false;
        QTest::newRow("no preference") << 0u << 0u << false << false;
        QTest::newRow("dark, high contrast") << 1u << 1u << true << true;
        QTest::newRow("light, high contrast") << 2u << 1u << false << true;
    }

    void desktopChangesWhileRunning()
    {
        QFETCH(uint, scheme);
        QFETCH(uint, contrast);
        QFETCH(bool, dark);
        QFETCH(bool, highContrast);
        setPortal(QStringLiteral("color-scheme"), 1);
        setPortal(QStringLiteral("contrast"), 0);
        QVERIFY(fixture.open(false));
        TfrmMain& window = *fixture.window();
        QVERIFY(Palette::lookOf(QApplication::palette()).dark);
        setPortal(QStringLiteral("color-scheme"), scheme);
        setPortal(QStringLiteral("contrast"), contrast);
        QVERIFY(waitUntil([&] {
            const Palette::Look look = Palette::lookOf(QApplication::palette());
            return look.dark == dark && look.highContrast == highContrast;
        }, 5000));
        if (!dark && !highContrast) {
            QVERIFY(QApplication::palette() == lightPalette);
            QCOMPARE(window.ImageList1.first().pixmap(16).toImage(),
                     Glyphs::imageList().first().pixmap(16).toImage());
        }
    }

    // The user's choice stands over the desktop's, is kept, and says that the pages
    // follow from the next start.
    void choiceInTheViewMenu()
    {
        setPortal(QStringLiteral("color-scheme"), 1);
        setPortal(QStringLiteral("contrast"), 0);
        QVERIFY(fixture.open(false));
        TfrmMain& window = *fixture.window();
        window.NViewLight->trigger();
        QVERIFY(!Palette::lookOf(QApplication::palette()).dark);
        QVERIFY(window.StatusBar1->currentMessage().contains(QStringLiteral("下次启动")));
        window.NViewDarkPages->trigger();
        window.NViewDark->trigger();
        QVERIFY(Palette::lookOf(QApplication::palette()).dark);
        setPortal(QStringLiteral("color-scheme"), 2);
        QTest::qWait(300);
        QVERIFY(Palette::lookOf(QApplication::palette()).dark);
        window.close();
        const QByteArray settings = fixture.settings();
        QVERIFY2(settings.contains("ColorScheme=2") && settings.contains("DarkPages=1"),
                 settings.constData());
    }

    // Every text the window shows stands out from what it stands on: WCAG's 4.5 : 1, in
    // every state; the glyphs' lines 3 : 1, as for any graphic.
    void contrast_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("highContrast");
        QTest::newRow("dark") << true << false;
        QTest::newRow("high contrast, dark") << true << true;
        QTest::newRow("high contrast, light") << false << true;
        QTest::newRow("light pages") << false << false;
    }

    void contrast()
    {
        QFETCH(bool, dark);
        QFETCH(bool, highContrast);
        const Palette::Look look{dark, highContrast};
        const auto verifyRatio = [](const QColor& fore, const QColor& back, double least,
                                    const char* what) {
            const double ratio = Palette::contrastRatio(fore, back);
            QVERIFY2(ratio >= least, qPrintable(QStringLiteral("%1: %2 on %3, %4")
                                                    .arg(QLatin1String(what), fore.name(),
                                                         back.name())
                                                    .arg(ratio)));
        };
        const Palette::PageColours page = Palette::pageColours(look);
        verifyRatio(page.text, page.background, 4.5, "page text");
        verifyRatio(page.heading, page.background, 4.5, "page heading");
        verifyRatio(page.muted, page.background, 4.5, "page address");
        verifyRatio(page.text, page.buttonBackground, 4.5, "page button");
        const QPalette palette = Palette::windowPalette(look, QPalette());
        verifyRatio(Palette::alertText(look), palette.color(QPalette::Window), 4.5, "alert");
        if (!dark && !highContrast)
            return; // the window's light palette is the toolkit's own
        const struct {
            QPalette::ColorRole fore, back;
            const char* what;
        } pairs[] = {
            {QPalette::WindowText, QPalette::Window, "window text"},
            {QPalette::Text, QPalette::Base, "text"},
            {QPalette::ButtonText, QPalette::Button, "button"},
            {QPalette::HighlightedText, QPalette::Highlight, "selected"},
            {QPalette::ToolTipText, QPalette::ToolTipBase, "tooltip"},
            {QPalette::Link, QPalette::Base, "link"},
            {QPalette::PlaceholderText, QPalette::Base, "placeholder"},
        };
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            for (const auto& pair : pairs)
                verifyRatio(palette.color(group, pair.fore), palette.color(group, pair.back), 4.5,
                            pair.what);
        const Palette::Ink ink = Palette::ink(look);
        verifyRatio(ink.line, palette.color(QPalette::Window), 3, "glyph lines");
    }

    // No portal: what the desktop leaves in the user's settings files.
    void withoutAPortal_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<bool>("highContrast");
        QTest::newRow("nothing") << QString() << QByteArray() << 0 << false;
        QTest::newRow("GTK theme ending in -dark")
            << "gtk-3.0/settings.ini" << QByteArray("[Settings]\ngtk-theme-name=Adwaita-dark\n")
            << 1 << false;
        QTest::newRow("GTK prefers dark")
            << "gtk-3.0/settings.ini"
            << QByteArray("[Settings]\ngtk-application-prefer-dark-theme=1\n") << 1 << false;
        QTest::newRow("GTK high contrast")
            << "gtk-3.0/settings.ini" << QByteArray("[Settings]\ngtk-theme-name=HighContrast\n")
            << 0 << true;
        QTest::newRow("KDE dark scheme")
            << "kdeglobals" << QByteArray("[General]\nColorScheme=BreezeDark\n") << 1 << false;
    }

    void withoutAPortal()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(int, scheme);
        QFETCH(bool, highContrast);
        portal.kill();
        portal.waitForFinished();
        const QDir config(QDir::home().filePath(QStringLiteral(".config")));
        QDir(config.filePath(QStringLiteral("gtk-3.0"))).removeRecursively();
        QFile::remove(config.filePath(QStringLiteral("kdeglobals")));
        if (!file.isEmpty()) {
            QVERIFY(config.mkpath(QFileInfo(config.filePath(file)).path()));
            QFile settings(config.filePath(file));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write(content);
        }
        const DesktopAppearance desktop;
        QCOMPARE(int(desktop.scheme()), scheme);
        QCOMPARE(desktop.highContrast(), highContrast);
    }

private:
    void setPortal(const QString& key, uint value)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.example.FakePortal"), QStringLiteral("Set"));
        call << key << value;
        QCOMPARE(QDBusConnection::sessionBus().call(call).type(), QDBusMessage::ReplyMessage);
    }

    WindowFixture fixture;
    QProcess portal;
    QPalette lightPalette;
};

VERITOME_WEB_TEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
