#include "CoreTestTools.h"
#include "MainWindowSettings.h"
#include "ProfileFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace CoreTest;

// The main window's settings rules on real files, without a window; the window-level
// tests keep the rows that need a frame, a window manager or a second screen.
Q_DECLARE_METATYPE(MainWindowSettings::PopupChoices)

class TestMainWindowSettings : public QObject {
    Q_OBJECT

private slots:
    // Every row starts without a settings file.
    void init()
    {
        QVERIFY(dir.isValid());
        QFile::remove(path());
        QVERIFY(!QFile::exists(path()));
    }

    void readOuterSize_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QSize>("expected");
        const auto size = [](int width, int height) {
            return "[Form]\r\nwidth=" + QByteArray::number(width)
                + "\r\nHeight=" + QByteArray::number(height) + "\r\n";
        };
        // The screen is 1280x1024.
        QTest::newRow("no file") << QByteArray() << QSize(729, 528);
        QTest::newRow("stored") << size(640, 480) << QSize(640, 480);
        QTest::newRow("width 9") << size(9, 400) << QSize(1280, 400);
        QTest::newRow("width 0") << size(0, 400) << QSize(1280, 400);
        QTest::newRow("width negative") << size(-300, 400) << QSize(1280, 400);
        QTest::newRow("width 10") << size(10, 400) << QSize(10, 400);
        QTest::newRow("width of the screen") << size(1280, 400) << QSize(1280, 400);
        QTest::newRow("width over the screen") << size(1281, 400) << QSize(1280, 400);
        QTest::newRow("height 9") << size(500, 9) << QSize(500, 1024);
        QTest::newRow("height 10") << size(500, 10) << QSize(500, 10);
        QTest::newRow("height screen + 10") << size(500, 1034) << QSize(500, 1034);
        QTest::newRow("height screen + 11") << size(500, 1035) << QSize(500, 1024);
        QTest::newRow("abc") << QByteArray("[Form]\r\nwidth=abc\r\nHeight=abc\r\n")
                             << QSize(729, 528);
        QTest::newRow("729px") << QByteArray("[Form]\r\nwidth=729px\r\nHeight=528px\r\n")
                               << QSize(729, 528);
        QTest::newRow("empty") << QByteArray("[Form]\r\nwidth=\r\nHeight=\r\n") << QSize(729, 528);
        QTest::newRow("0x2D9") << QByteArray("[Form]\r\nwidth=0x2D9\r\nHeight=0x190\r\n")
                               << QSize(729, 400);
        QTest::newRow("0X2d9") << QByteArray("[Form]\r\nwidth=0X2d9\r\nHeight=0X190\r\n")
                               << QSize(729, 400);
        QTest::newRow("$2D9") << QByteArray("[Form]\r\nwidth=$2D9\r\nHeight=$190\r\n")
                              << QSize(729, 400);
        QTest::newRow("capitals") << QByteArray("[FORM]\r\nWIDTH=800\r\nHEIGHT=600\r\n")
                                  << QSize(800, 600);
        QTest::newRow("other sections and keys")
            << QByteArray("[Other]\r\nwidth=300\r\n[Form]\r\nLeft=5\r\nwidth=640\r\nHeight=480\r\n")
            << QSize(640, 480);
        QTest::newRow("no Form section") << QByteArray("[Dictionary]\r\nID=0\r\n") << QSize(729, 528);
    }

    void readOuterSize()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QSize, expected);
        if (!settings.isEmpty())
            QVERIFY(writeFile(path(), settings));
        QCOMPARE(MainWindowSettings::readOuterSize(ProfileFile(path()), QSize(1280, 1024)),
                 expected);
    }

    void clientSize_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QSize>("expected");
        const QMargins frame(4, 23, 4, 4);
        QTest::newRow("no frame") << QSize(729, 528) << QMargins() << QSize(729, 528);
        QTest::newRow("frame taken off") << QSize(729, 528) << frame << QSize(721, 501);
        QTest::newRow("narrower than the bars") << QSize(300, 528) << frame << QSize(600, 501);
        QTest::newRow("lower than the bars") << QSize(729, 100) << frame << QSize(721, 120);
        QTest::newRow("smaller than the frame") << QSize(10, 10) << frame << QSize(600, 120);
    }

    // The smallest window that shows all its controls is 600x120 here.
    void clientSize()
    {
        QFETCH(QSize, outer);
        QFETCH(QMargins, frame);
        QFETCH(QSize, expected);
        QCOMPARE(MainWindowSettings::clientSize(outer, frame, QSize(600, 120)), expected);
    }

    void readModeIndex_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("index");
        QTest::newRow("no file") << QByteArray() << 0;
        QTest::newRow("0") << QByteArray("[Dictionary]\r\nID=0\r\n") << 0;
        QTest::newRow("2") << QByteArray("[Dictionary]\r\nID=2\r\n") << 2;
        QTest::newRow("3") << QByteArray("[Dictionary]\r\nID=3\r\n") << -1;
        QTest::newRow("-1") << QByteArray("[Dictionary]\r\nID=-1\r\n") << -1;
        QTest::newRow("hex") << QByteArray("[dictionary]\r\nid=$2\r\n") << 2;
        QTest::newRow("not a number") << QByteArray("[Dictionary]\r\nID=one\r\n") << 0;
        QTest::newRow("no key") << QByteArray("[Form]\r\nwidth=700\r\n") << 0;
    }

    void readModeIndex()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, index);
        if (!settings.isEmpty())
            QVERIFY(writeFile(path(), settings));
        QCOMPARE(MainWindowSettings::readModeIndex(ProfileFile(path()), 3), index);
    }

    // A zoom the pages cannot take, from an edited or damaged file, gives the default.
    void readZoom_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("percent");
        QTest::newRow("no file") << QByteArray() << 100;
        QTest::newRow("stored") << QByteArray("[Veritome]\r\nZoom=150\r\n") << 150;
        QTest::newRow("between levels") << QByteArray("[veritome]\r\nzoom=115\r\n") << 115;
        QTest::newRow("smallest") << QByteArray("[Veritome]\r\nZoom=25\r\n") << 25;
        QTest::newRow("largest") << QByteArray("[Veritome]\r\nZoom=500\r\n") << 500;
        QTest::newRow("too small") << QByteArray("[Veritome]\r\nZoom=24\r\n") << 100;
        QTest::newRow("too large") << QByteArray("[Veritome]\r\nZoom=501\r\n") << 100;
        QTest::newRow("zero") << QByteArray("[Veritome]\r\nZoom=0\r\n") << 100;
        QTest::newRow("not a number") << QByteArray("[Veritome]\r\nZoom=big\r\n") << 100;
        QTest::newRow("another section") << QByteArray("[Form]\r\nZoom=150\r\n") << 100;
    }

    void readZoom()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, percent);
        if (!settings.isEmpty())
            QVERIFY(writeFile(path(), settings));
        QCOMPARE(MainWindowSettings::readZoom(ProfileFile(path())), percent);
    }

    // A size the popup cannot be used at, or a key no version wrote, gives the default.
    void readPopupChoices_data()
    {
        using Choices = MainWindowSettings::PopupChoices;
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<Choices>("choices");
        const Choices defaults;
        QTest::newRow("no file") << QByteArray() << defaults;
        Choices stored{QSize(600, 400), true, QStringLiteral("Meta+F9"), true};
        QTest::newRow("stored") << QByteArray("[Veritome]\r\nPopupWidth=600\r\nPopupHeight=400\r\n"
                                              "PopupPinned=1\r\nPopupKey=Meta+F9\r\nStayReady=1\r\n")
                                << stored;
        Choices noKey;
        noKey.key.clear();
        QTest::newRow("no key") << QByteArray("[Veritome]\r\nPopupKey=\r\n") << noKey;
        QTest::newRow("too narrow") << QByteArray("[Veritome]\r\nPopupWidth=100\r\nPopupHeight=400\r\n")
                                    << defaults;
        QTest::newRow("negative") << QByteArray("[Veritome]\r\nPopupWidth=-600\r\nPopupHeight=-400\r\n")
                                  << defaults;
        QTest::newRow("key not ASCII") << QByteArray("[Veritome]\r\nPopupKey=Ctrl+\xb0\xd9\r\n")
                                       << defaults;
        QTest::newRow("pinned not 1") << QByteArray("[Veritome]\r\nPopupPinned=2\r\n") << defaults;
    }

    void readPopupChoices()
    {
        QFETCH(QByteArray, settings);
        QFETCH(MainWindowSettings::PopupChoices, choices);
        if (!settings.isEmpty())
            QVERIFY(writeFile(path(), settings));
        const ProfileFile file(path());
        QCOMPARE(MainWindowSettings::readPopupChoices(file), choices);
    }

    // Written with the spellings the file has always had, and read back as written.
    void write()
    {
        ProfileFile file(path());
        MainWindowSettings::write(file, QSize(800, 600), -1);
        const QByteArray written = readFile(path());
        for (const char* entry : {"[Form]\r\n", "\r\nwidth=800\r\n", "\r\nHeight=600\r\n",
                                  "[Dictionary]\r\n", "\r\nID=-1\r\n"})
            QVERIFY2(written.contains(entry), entry);
        QCOMPARE(MainWindowSettings::readOuterSize(file, QSize(1280, 1024)), QSize(800, 600));
        QCOMPARE(MainWindowSettings::readModeIndex(file, 3), -1);
        const MainWindowSettings::PopupChoices popup{QSize(300, 200), true, QString(), true};
        MainWindowSettings::writePopupChoices(file, popup);
        QCOMPARE(MainWindowSettings::readPopupChoices(file), popup);
    }

private:
    QString path() const { return dir.filePath(QStringLiteral("Veritoem.ini")); }

    QTemporaryDir dir;
};

QTEST_APPLESS_MAIN(TestMainWindowSettings)
#include "tst_mainwindowsettings.moc"
