#include "Application.h"
#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "PageSettings.h"
#include "PageTools.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>

namespace {

// Every text a dialog shows on its face or in a tool tip.
QStringList textsOf(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        texts << group->title();
    for (const QAction* action : dialog.findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    texts.removeAll(QString());
    return texts;
}

QString pageText(TWebBrowser* browser)
{
    QString text;
    bool done = false;
    enginePage(browser)->toPlainText([&](const QString& plain) {
        text = plain;
        done = true;
    });
    waitUntil([&] { return done; });
    return text;
}

const QColor bannerColour(0x20, 0x60, 0xa0);

} // namespace

// What the application set-up gives every window, whatever the system's locale (this test
// runs under the C locale): Chinese texts from the program, its toolkit and its web engine,
// and web views that show also on a display without OpenGL.
class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(fixture.server.start());
        fixture.server.setHandler([](const LoopbackServer::Request& request) {
            if (request.target.contains("unreachable"))
                return LoopbackServer::dropped();
            return LoopbackServer::page(
                "<html><body style='margin:0;background:" + bannerColour.name().toLatin1()
                + "'><p>页面</p></body></html>");
        });
    }

    void init()
    {
        fixture.server.clearRequests();
        holder = std::make_unique<QWidget>();
        browser = new TWebBrowser(holder.get());
        dialogs = &browser->pageSettings();
    }

    void cleanup()
    {
        holder.reset();
        fixture.reset();
    }

    void pagesAreAskedForInChinese()
    {
        QVERIFY(load(QStringLiteral("http://page.test/language")));
        const QList<LoopbackServer::Request> pages = fixture.server.pageRequests();
        QCOMPARE(pages.size(), 1);
        const QByteArray accepted = pages[0].header("Accept-Language");
        QCOMPARE(accepted.split(',').value(0), QByteArray("zh-CN"));
    }

    void enginesErrorPageIsChinese()
    {
        QVERIFY(!load(QStringLiteral("http://page.test/unreachable")));
        const QString heading = QStringLiteral("该网页无法正常运作"); // "This page isn't working"
        QTRY_VERIFY2_WITH_TIMEOUT(pageText(browser).contains(heading),
                                  qPrintable(pageText(browser)), 15000);
    }

    void engineMenuEntriesAreChinese_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("text");
        QTest::newRow("back") << int(QWebEnginePage::Back) << QStringLiteral("后退");
        QTest::newRow("forward") << int(QWebEnginePage::Forward) << QStringLiteral("前进");
        QTest::newRow("reload") << int(QWebEnginePage::Reload) << QStringLiteral("重新加载");
        QTest::newRow("save page")
            << int(QWebEnginePage::SavePage) << QStringLiteral("保存页面");
        QTest::newRow("view source")
            << int(QWebEnginePage::ViewSource) << QStringLiteral("查看页面源代码");
        QTest::newRow("copy") << int(QWebEnginePage::Copy) << QStringLiteral("复制");
    }

    void engineMenuEntriesAreChinese()
    {
        QFETCH(int, action);
        QFETCH(QString, text);
        // The view and its engine page come with the first page.
        QVERIFY(load(QStringLiteral("http://page.test/menu")));
        QCOMPARE(enginePage(browser)->action(QWebEnginePage::WebAction(action))->text(), text);
    }

    // Each page command's dialog, as the user would see it: a few of its texts, each
    // with the English it must not show instead.
    void commandDialogsAreChinese_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("chinese");
        QTest::addColumn<QStringList>("english");
        QTest::newRow("save") << int(OleCmd::SaveAs)
                              << QStringList{"查找范围：", "文件名称(&N)：", "文件类型：", "保存(&S)", "取消"}
                              << QStringList{"Look in:", "File &name:", "Files of type:", "&Save",
                                             "Cancel"};
        QTest::newRow("page set-up") << int(OleCmd::PageSetup)
                                     << QStringList{"纸张大小：", "方向", "确定"}
                                     << QStringList{"Page size:", "Orientation", "OK"};
        QTest::newRow("print") << int(OleCmd::Print) << QStringList{"打印机", "打印(&P)", "份数："}
                               << QStringList{"Printer", "&Print", "Copies:"};
        QTest::newRow("preview") << int(OleCmd::PrintPreview)
                                 << QStringList{"下一页", "适应宽度", "放大"}
                                 << QStringList{"Next page", "Fit width", "Zoom in"};
    }

    void commandDialogsAreChinese()
    {
        QFETCH(int, command);
        QFETCH(QStringList, chinese);
        QFETCH(QStringList, english);
        QVERIFY(load(QStringLiteral("http://page.test/dialogs")));
        QStringList texts;
        dialogs->setRunner([&](QDialog& dialog) {
            texts = textsOf(dialog);
            return int(QDialog::Rejected);
        });
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(command), 3, 15000);
        browser->ExecWB(command);
        const QString shown = texts.join(QLatin1Char('|'));
        QVERIFY(!texts.isEmpty());
        for (const QString& text : chinese)
            QVERIFY2(texts.contains(text), qPrintable(text + QStringLiteral(" not in ") + shown));
        for (const QString& text : english)
            QVERIFY2(!texts.contains(text), qPrintable(text + QStringLiteral(" in ") + shown));
    }

    void messageBoxesAreChinese_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("the program's confirmation")
            << false << QStringLiteral("关闭全部？") << QStringList{"确定", "取消"};
        QTest::newRow("the save dialog's overwrite question")
            << true << QStringLiteral("已存在。\n您想要替换它吗？")
            << QStringList{"是(&Y)", "否(&N)"};
    }

    void messageBoxesAreChinese()
    {
        QFETCH(bool, overwrite);
        QFETCH(QString, text);
        QFETCH(QStringList, buttons);
        ModalAnswerer answerer(overwrite ? QMessageBox::No : QMessageBox::Cancel);
        if (overwrite) {
            QVERIFY(fixture.newFolder());
            const QString existing = fixture.filePath(QStringLiteral("page.mht"));
            QVERIFY(fixture.write(QStringLiteral("page.mht"), {}));
            QVERIFY(load(QStringLiteral("http://page.test/overwrite")));
            dialogs->setRunner([&](QDialog& dialog) {
                static_cast<QFileDialog&>(dialog).selectFile(existing);
                dialog.accept(); // the dialog asks first; the answer No keeps it open
                return int(QDialog::Rejected);
            });
            QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(OleCmd::SaveAs), 3, 15000);
            browser->ExecWB(OleCmd::SaveAs);
        } else {
            QVERIFY(!App::confirm(holder.get(), QStringLiteral("关闭全部？")));
        }
        QVERIFY(answerer.answered());
        QVERIFY2(answerer.text().contains(text), qPrintable(answerer.text()));
        QCOMPARE(answerer.buttonTexts(), buttons);
    }

    // On a display without OpenGL the window must still reach the screen, page and all.
    void programWindowShowsItsPage()
    {
        TfrmMain& window = fixture.make();
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.first().first().toBool(), true);

        const QRect banner(window.WbAd->mapToGlobal(QPoint(0, 0)), window.WbAd->size());
        QVERIFY(banner.width() > 20 && banner.height() > 20);
        QScreen* screen = window.screen();
        auto shownColour = [&] {
            const QImage shot = screen->grabWindow(0, banner.x(), banner.y(), banner.width(),
                                                   banner.height())
                                    .toImage();
            return shot.isNull() ? QColor() : shot.pixelColor(shot.rect().center());
        };
        QVERIFY2(waitUntil([&] { return shownColour() == bannerColour; }),
                 qPrintable(shownColour().name()));
    }

private:
    bool load(const QString& url)
    {
        QSignalSpy loaded(browser, &TWebBrowser::DocumentComplete);
        browser->Navigate(url);
        return loaded.wait(20000) && loaded.first().first().toBool();
    }

    WindowFixture fixture;
    std::unique_ptr<QWidget> holder;
    PageSettings* dialogs = nullptr;
    TWebBrowser* browser = nullptr;
};

VERITOME_WEB_TEST_MAIN(TestApplication)
#include "tst_application.moc"
