#include "PopupPlacement.h"

#include <QTest>

using PopupPlacement::gap;

// The popup beside the word under the pointer, always whole on the screen.
class TestPopupPlacement : public QObject {
    Q_OBJECT

private slots:
    void place_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<bool>("pointerKnown");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");
        const QRect screen(0, 0, 1280, 1024);
        const QSize size(500, 300);
        QTest::newRow("middle") << size << QPoint(400, 300) << true << screen
                                << QRect(QPoint(400 + gap.x(), 300 + gap.y()), size);
        QTest::newRow("top left corner") << size << QPoint(0, 0) << true << screen
                                         << QRect(QPoint(gap.x(), gap.y()), size);
        QTest::newRow("right edge flips left")
            << size << QPoint(1000, 300) << true << screen
            << QRect(QPoint(1000 - gap.x() - 500, 300 + gap.y()), size);
        QTest::newRow("bottom edge flips up")
            << size << QPoint(400, 900) << true << screen
            << QRect(QPoint(400 + gap.x(), 900 - gap.y() - 300), size);
        QTest::newRow("bottom right corner")
            << size << QPoint(1279, 1023) << true << screen
            << QRect(QPoint(1279 - gap.x() - 500, 1023 - gap.y() - 300), size);
        // Neither side has room: as close to the pointer as the screen allows.
        QTest::newRow("room on neither side") << QSize(500, 1000) << QPoint(400, 500) << true
                                              << screen << QRect(QPoint(400 + gap.x(), 24), QSize(500, 1000));
        QTest::newRow("larger than the screen") << QSize(2000, 1500) << QPoint(10, 10) << true
                                                << screen << screen;
        // A second screen left of and above the first.
        const QRect left(-1920, -200, 1920, 1080);
        QTest::newRow("screen at negative coordinates")
            << size << QPoint(-100, 800) << true << left
            << QRect(QPoint(-100 - gap.x() - 500, 800 - gap.y() - 300), size);
        QTest::newRow("pointer unknown") << size << QPoint() << false << screen
                                         << QRect(QPoint(390, 362), size);
        QTest::newRow("pointer unknown, second screen")
            << size << QPoint() << false << left << QRect(QPoint(-1920 + 710, -200 + 390), size);
    }

    void place()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, pointer);
        QFETCH(bool, pointerKnown);
        QFETCH(QRect, screen);
        QFETCH(QRect, placed);
        const QRect result = PopupPlacement::place(
            size, pointerKnown ? std::optional<QPoint>(pointer) : std::nullopt, screen);
        QCOMPARE(result, placed);
        QVERIFY(screen.contains(result));
    }
};

QTEST_APPLESS_MAIN(TestPopupPlacement)
#include "tst_popupplacement.moc"
