#include "CupsQueue.h"
#include "FindBar.h"
#include "Error.h"
#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "PageSettings.h"
#include "PageZoom.h"
#include "PageTools.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStandardPaths>
#include <QToolButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

const QByteArray marker = "VeritomeMarker";

QByteArray pixelPng()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// How often the needle page of a host holds the word: the sources' pages differ.
int needlesOn(const QByteArray& host) { return 1 + host.size() % 4; }

// A page with text, a field and one image; "long" in the address gives many pages of it.
LoopbackServer::Response servePage(const LoopbackServer::Request& request)
{
    if (request.target.endsWith("/pixel.png")) {
        LoopbackServer::Response response;
        response.contentType = "image/png";
        response.body = pixelPng();
        return response;
    }
    if (request.target.contains("wrap")) {
        // Text only, in lines that fill the width: where the text lies shows the margins.
        QByteArray text;
        for (int i = 0; i < 40; ++i)
            text += "<p>" + marker + " " + QByteArray::number(i)
                + " the quick brown fox jumps over the lazy dog and runs on to the far edge "
                  "of the paper where the line has to wrap before the margin</p>";
        return LoopbackServer::page("<html><head><meta charset=utf-8><title>wrap</title></head>"
                                    "<body style='margin:0'>"
                                    + text + "</body></html>");
    }
    if (request.target.contains("needle")) {
        QByteArray text;
        for (int i = 0; i < needlesOn(request.host); ++i)
            text += "<p>a needle in the hay " + QByteArray::number(i) + "</p>";
        return LoopbackServer::page("<html><body>" + text + "</body></html>");
    }
    QByteArray paragraphs = "<p>" + marker + " 百科全书 page text</p>";
    if (request.target.contains("long"))
        for (int i = 0; i < 300; ++i)
            paragraphs += "<p>" + QByteArray::number(i) + " 成语词典 line of text</p>";
    return LoopbackServer::page("<html><head><meta charset=utf-8><title>测试 page</title></head>"
                                "<body>"
                                + paragraphs
                                + "<input id=field value=hello><img id=image src=/pixel.png>"
                                  "<textarea id=area>area</textarea>"
                                  "<div id=rich contenteditable>rich</div>"
                                  "<input id=locked readonly value=locked>"
                                  "<input id=secret type=password value=secret>"
                                  "<input id=box type=checkbox>"
                                  "<a id=link href=/linked>linked page</a></body></html>");
}

QString runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool haveTool(const QString& tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

// The text a PDF reader finds in the file: empty for a PDF of page images.
QString pdfText(const QString& path)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                 path, QStringLiteral("-")});
}

struct PdfInfo {
    int pages = 0;
    QSizeF pageSize; // points
};

PdfInfo pdfInfo(const QString& path)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {path});
    PdfInfo result;
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    if (pages.hasMatch())
        result.pages = pages.captured(1).toInt();
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
    if (size.hasMatch())
        result.pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return result;
}

// Where the words of a PDF's first page lie, as fractions of the page's width and height.
QRectF pdfTextArea(const QString& path)
{
    const QString words = runTool(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                   QStringLiteral("-l"), QStringLiteral("1"), path,
                                   QStringLiteral("-")});
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""))
            .match(words);
    if (!page.hasMatch())
        return QRectF();
    const qreal width = page.captured(1).toDouble();
    const qreal height = page.captured(2).toDouble();
    QRectF area;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                          "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""))
            .globalMatch(words);
    while (it.hasNext()) {
        const QRegularExpressionMatch word = it.next();
        area |= QRectF(QPointF(word.captured(1).toDouble() / width,
                               word.captured(2).toDouble() / height),
                       QPointF(word.captured(3).toDouble() / width,
                               word.captured(4).toDouble() / height));
    }
    return area;
}

// Where the ink lies on the sheet a preview shows in the middle of its view, as fractions
// of the sheet's width and height. The sheet is white up to its edges (its margins), the
// view's background grey; the ink is the sheet's dark pixels.
QRectF previewTextArea(QPrintPreviewWidget* preview, qreal* sheetAspect)
{
    auto* view = preview->findChild<QGraphicsView*>();
    if (!view)
        return QRectF();
    const QImage image = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb background = image.pixel(0, 0);
    // From the middle outwards to the background around this sheet, then in to its white.
    const auto whiteSpan = [&](int length, const std::function<QRgb(int)>& pixel) {
        int first = length / 2;
        int last = length / 2;
        while (first > 0 && pixel(first - 1) != background)
            --first;
        while (last < length - 1 && pixel(last + 1) != background)
            ++last;
        while (first <= last && pixel(first) != white)
            ++first;
        while (last >= first && pixel(last) != white)
            --last;
        return std::pair{first, last};
    };
    const auto [left, right] =
        whiteSpan(image.width(), [&](int x) { return image.pixel(x, image.height() / 2); });
    const auto [top, bottom] =
        whiteSpan(image.height(), [&](int y) { return image.pixel(image.width() / 2, y); });
    const QRect sheet(QPoint(left, top), QPoint(right, bottom));
    if (sheet.isEmpty())
        return QRectF();
    QRect ink;
    for (int y = sheet.top(); y <= sheet.bottom(); ++y)
        for (int x = sheet.left(); x <= sheet.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    if (ink.isEmpty())
        return QRectF();
    *sheetAspect = qreal(sheet.width()) / sheet.height();
    const auto across = [&](int x) { return qreal(x - sheet.left()) / sheet.width(); };
    const auto down = [&](int y) { return qreal(y - sheet.top()) / sheet.height(); };
    return QRectF(QPointF(across(ink.left()), down(ink.top())),
                  QPointF(across(ink.right() + 1), down(ink.bottom() + 1)));
}

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            windows.append(widget);
    return windows;
}

// A dictionary search: one result tab, loaded from the loopback server.
TWebBrowser* searchAndWait(TfrmMain& window, const QString& term)
{
    window.CmbBoxType->setCurrentIndex(1);
    window.CmbBoxTypeChange(window.CmbBoxType);
    window.CmbBook->setEditText(term);
    window.BtnBookOKClick(window.BtnBookOK);
    TWebBrowser* browser = window.GetActiveWebBrowser();
    if (!browser)
        return nullptr;
    QSignalSpy loaded(browser, &TWebBrowser::DocumentComplete);
    if (!loaded.wait(20000) || !loaded.first().first().toBool())
        return nullptr;
    window.CmbBook->setEditText(QStringLiteral("abc"));
    return browser;
}

// The print dialog, answered with the test's print queue.
int chooseTheQueue(QDialog& dialog)
{
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    if (!print)
        return QDialog::Rejected;
    print->printer()->setPrinterName(CupsQueue::name());
    return print->printer()->outputFormat() == QPrinter::NativeFormat ? QDialog::Accepted
                                                                      : QDialog::Rejected;
}

const char closeWhilePrintingVariable[] = "VERITOME_TEST_CLOSE_WHILE_PRINTING";

// Run as a program of its own, the way the program's main runs the window: a long page
// goes to the print queue and the window is closed while the engine makes the job's
// document. Any status but 0 (or a crash) is a failure: 2 to 4 tell which step failed.
int closeWhilePrinting()
{
    LoopbackServer server;
    if (!server.start())
        return 2;
    server.setHandler(servePage);
    TfrmMain frmMain(qEnvironmentVariable(closeWhilePrintingVariable));
    QObject::connect(&frmMain, &TfrmMain::closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    frmMain.show();
    TWebBrowser* browser = searchAndWait(frmMain, QStringLiteral("long"));
    if (!browser
        || !waitUntil([&] { return browser->QueryStatusWB(OleCmd::Print) == 3; }, 15000))
        return 3;
    frmMain.pageSettings().setRunner(chooseTheQueue);
    browser->ExecWB(OleCmd::Print);
    if (browser->QueryStatusWB(OleCmd::Print) == 3)
        return 4; // no job running
    frmMain.close();
    QApplication::exec();
    return 0;
}

} // namespace

// The eight page commands on a real page, through the window's actions.
class TestPageCommands : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's web browser.
    void openedInBrowser(const QUrl& url) { openedUrls.append(url); }

private slots:
    void initTestCase()
    {
        // Before anything asks the print system for its printers.
        queueProblem = queue.start();
        QVERIFY(fixture.startServer());
        fixture.server.setHandler(servePage);
        QVERIFY2(haveTool(QStringLiteral("pdftotext")) && haveTool(QStringLiteral("pdfinfo")),
                 "poppler-utils is needed: scripts/setup.sh installs it");
    }

    void init()
    {
        openedUrls.clear();
        QVERIFY(fixture.open(false));
    }
    void cleanup() { fixture.reset(); }

    void statusIsTheEnginesOwn()
    {
        QWidget holder;
        auto* browser = new TWebBrowser(&holder);
        const QList<int> pageCommands = {OleCmd::SaveAs, OleCmd::Print,     OleCmd::PrintPreview,
                                         OleCmd::PageSetup, OleCmd::Copy,   OleCmd::Cut,
                                         OleCmd::Paste,  OleCmd::SelectAll};
        for (int command : pageCommands)
            QCOMPARE(browser->QueryStatusWB(command), int(OleCmd::Supported));
        for (int unknown : {0, 1, 5, 9, 14, 18, 99, -1})
            QCOMPARE(browser->QueryStatusWB(unknown), 0);

        QSignalSpy loaded(browser, &TWebBrowser::DocumentComplete);
        browser->Navigate(QStringLiteral("http://page.test/status"));
        QVERIFY(loaded.wait(20000));
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(OleCmd::SelectAll), 3, 15000);
        const QMap<int, int> afterLoad = {
            {OleCmd::SaveAs, 3}, {OleCmd::Print, 3}, {OleCmd::PrintPreview, 3},
            {OleCmd::PageSetup, 3}, {OleCmd::Copy, 1}, {OleCmd::Cut, 1},
            {OleCmd::Paste, 1},  {OleCmd::SelectAll, 3}};
        for (auto it = afterLoad.cbegin(); it != afterLoad.cend(); ++it)
            QCOMPARE(browser->QueryStatusWB(it.key()), it.value());

        // Copy follows the selection, whichever way it comes and goes; the page's text
        // cannot be cut.
        browser->ExecWB(OleCmd::SelectAll);
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(OleCmd::Copy), 3, 15000);
        QCOMPARE(browser->QueryStatusWB(OleCmd::Cut), 1);
        enginePage(browser)->triggerAction(QWebEnginePage::Unselect);
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(OleCmd::Copy), 1, 15000);

        QVERIFY_THROWS_EXCEPTION(Error, browser->ExecWB(42));
        QVERIFY_THROWS_EXCEPTION(Error, browser->ExecWB(OleCmd::Copy));
    }

    // The actions follow the page on their own, and act on the page while the query box
    // has the focus.
    void selectAllAndCopyActOnThePageFromTheQueryBox()
    {
        for (QAction* action : fixture->ActionList1)
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        for (QAction* action : {fixture->ActSave, fixture->ActPreview, fixture->ActPrint,
                                fixture->ActPageSetup, fixture->ActSelectAll})
            QTRY_VERIFY2_WITH_TIMEOUT(action->isEnabled(), qPrintable(action->objectName()), 15000);
        QVERIFY(!fixture->ActCopy->isEnabled());
        QVERIFY(!fixture->ActCut->isEnabled());
        QVERIFY(!fixture->ActPaste->isEnabled());
        focusQueryBox();
        QApplication::clipboard()->clear();

        fixture->ActSelectAll->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActCopy->isEnabled(), 15000);
        QVERIFY(!fixture->ActCut->isEnabled());
        fixture->ActCopy->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::clipboard()->text().contains(QLatin1String(marker)),
                                 15000);
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("百科全书")));
        QCOMPARE(fixture->CmbBook->currentText(), QStringLiteral("abc"));
        QVERIFY(fixture->CmbBook->lineEdit()->hasFocus());

        // The query box's own keys copy the query box's text.
        fixture->CmbBook->lineEdit()->selectAll();
        QTest::keyClick(fixture->CmbBook->lineEdit(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc"));

        enginePage(browser)->triggerAction(QWebEnginePage::Unselect);
        QTRY_VERIFY_WITH_TIMEOUT(!fixture->ActCopy->isEnabled(), 15000);
    }

    void cutAndPasteActOnThePageFromTheQueryBox()
    {
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        enginePage(browser)->runJavaScript(
            QStringLiteral("var f = document.getElementById('field'); f.focus(); f.select();"));
        focusQueryBox();
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActCut->isEnabled(), 15000);
        QApplication::clipboard()->clear();

        fixture->ActCut->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::clipboard()->text(), QStringLiteral("hello"),
                                  15000);
        QTRY_COMPARE_WITH_TIMEOUT(fieldValue(browser), QStringLiteral(""), 15000);

        fixture->ActPaste->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(fieldValue(browser), QStringLiteral("hello"), 15000);
        QCOMPARE(fixture->CmbBook->currentText(), QStringLiteral("abc"));
    }

    // Cut and paste count only where they can act: in a field that takes text.
    void cutAndPasteNeedAFieldThatTakesText_data()
    {
        QTest::addColumn<QString>("element"); // empty: the page's own text
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("paste");
        QTest::newRow("text field") << "field" << "x" << 3 << 3;
        QTest::newRow("text field, empty clipboard") << "field" << "" << 3 << 1;
        QTest::newRow("text area") << "area" << "x" << 3 << 3;
        QTest::newRow("editable element") << "rich" << "x" << 3 << 3;
        QTest::newRow("password field") << "secret" << "x" << 1 << 3;
        QTest::newRow("read-only field") << "locked" << "x" << 1 << 1;
        QTest::newRow("check box") << "box" << "x" << 1 << 1;
        QTest::newRow("page text") << "" << "x" << 1 << 1;
    }

    void cutAndPasteNeedAFieldThatTakesText()
    {
        QFETCH(QString, element);
        QFETCH(QString, clipboard);
        QFETCH(int, cut);
        QFETCH(int, paste);
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        if (clipboard.isEmpty())
            QApplication::clipboard()->clear();
        else
            QApplication::clipboard()->setText(clipboard);
        auto status = [browser] {
            return qMakePair(browser->QueryStatusWB(OleCmd::Cut),
                             browser->QueryStatusWB(OleCmd::Paste));
        };
        // Each case moves away from where it starts, so each wait sees the page's report.
        QCOMPARE(status(), qMakePair(1, 1));
        if (cut != 3 && paste != 3) {
            focusAndSelect(browser, QStringLiteral("field"));
            QTRY_COMPARE_WITH_TIMEOUT(status(), qMakePair(3, 3), 15000);
        }
        focusAndSelect(browser, element);
        QTRY_COMPARE_WITH_TIMEOUT(status(), qMakePair(cut, paste), 15000);
        QCOMPARE(fixture->ActCut->isEnabled(), cut == 3);
        QCOMPARE(fixture->ActPaste->isEnabled(), paste == 3);

        // The clipboard's content counts the moment it changes.
        if (paste == 3) {
            QApplication::clipboard()->clear();
            QTRY_VERIFY_WITH_TIMEOUT(!fixture->ActPaste->isEnabled(), 15000);
        }
    }

    // What the page's own menu offers works, and nothing in it opens a window or a download
    // that a silent view would drop.
    void contextMenuOffersOnlyWhatWorks_data()
    {
        QTest::addColumn<QString>("element"); // what is right-clicked; empty: the page
        QTest::addColumn<QString>("browserEntry"); // opens in the user's web browser
        QTest::addColumn<QString>("opens");        // path of what it opens; empty: the page
        QTest::newRow("page") << "" << "ActOpenInBrowser" << "";
        QTest::newRow("link") << "link" << "ActOpenLinkInBrowser" << "/linked";
        QTest::newRow("image") << "image" << "ActOpenInBrowser" << "";
    }

    void contextMenuOffersOnlyWhatWorks()
    {
        QFETCH(QString, element);
        QFETCH(QString, browserEntry);
        QFETCH(QString, opens);
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        QMenu* menu = openContextMenu(browser, element);
        QVERIFY(menu);
        QWebEnginePage* page = enginePage(browser);
        QStringList entries;
        for (QAction* action : menu->actions()) {
            entries.append(action->text());
            for (const auto dropped :
                 {QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
                  QWebEnginePage::OpenLinkInNewBackgroundTab, QWebEnginePage::DownloadLinkToDisk,
                  QWebEnginePage::DownloadImageToDisk, QWebEnginePage::DownloadMediaToDisk,
                  QWebEnginePage::InspectElement})
                QVERIFY2(action != page->action(dropped), qPrintable(action->text()));
        }
        QVERIFY2(!entries.isEmpty(), "the menu offers nothing");
        // Loading again is called as the notices call it.
        QVERIFY(!entries.contains(QStringLiteral("重新加载")));
        if (element.isEmpty())
            QVERIFY2(entries.contains(QStringLiteral("重新载入")), qPrintable(entries.join('|')));
        QVERIFY(!menu->actions().first()->isSeparator());
        QVERIFY(!menu->actions().last()->isSeparator());

        // The page, or the link, goes to the desktop's web browser.
        QAction* entry = menuEntry(menu, browserEntry);
        QVERIFY2(entry, qPrintable(entries.join(QLatin1Char('|'))));
        QVERIFY(entry->isEnabled());
        const QUrl address(browser->LocationURL());
        const QUrl expected = opens.isEmpty() ? address : address.resolved(QUrl(opens));
        menu->close();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openedInBrowser");
        entry->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(openedUrls, QList<QUrl>{expected});

        // A browser that will not start: the user is told what to do about it.
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "noSuchBrowser");
        ModalAnswerer answerer;
        entry->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QVERIFY(answerer.answered());
        QVERIFY2(answerer.text().contains(QStringLiteral("请在桌面的设置中选择默认的网页浏览器"))
                     && answerer.text().endsWith(QStringLiteral("。")),
                 qPrintable(answerer.text()));
    }

    // The page's menu saves through the program's own dialog and shows the source in the
    // same view.
    void contextMenuSavesAndShowsTheSourceInTheSameView()
    {
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        const QString address = browser->LocationURL();
        const QList<QWidget*> windowsBefore = visibleWindows();
        QMenu* menu = openContextMenu(browser, QString());
        QVERIFY(menu);
        QAction* save = enginePage(browser)->action(QWebEnginePage::SavePage);
        QVERIFY(menu->actions().contains(save));
        QAction* source = enginePage(browser)->action(QWebEnginePage::ViewSource);
        const bool offersSource = menu->actions().contains(source);
        QString title;
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (files && files->acceptMode() == QFileDialog::AcceptSave)
                title = files->windowTitle();
            return int(QDialog::Rejected);
        });
        save->trigger();
        QCOMPARE(title, QStringLiteral("保存网页"));

        if (!offersSource)
            QSKIP("the menu does not offer the source");
        menu->close();
        source->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(browser->LocationURL(), QStringLiteral("view-source:") + address,
                                  15000);
        QCOMPARE(visibleWindows(), windowsBefore);
    }

    void saveWritesThePage_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("mhtml");
        QTest::addColumn<bool>("resourceFolder");
        QTest::newRow("web archive, one file") << 0 << "page.mht" << true << false;
        QTest::newRow("page with its resources") << 1 << "page.html" << false << true;
        QTest::newRow("HTML only") << 2 << "page.html" << false << false;
    }

    void saveWritesThePage()
    {
        QFETCH(int, filter);
        QFETCH(QString, fileName);
        QFETCH(bool, mhtml);
        QFETCH(bool, resourceFolder);
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        const QString path = fixture.filePath(fileName);
        int asked = 0;
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            ++asked;
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files || files->acceptMode() != QFileDialog::AcceptSave)
                return int(QDialog::Rejected);
            files->selectNameFilter(files->nameFilters().value(filter));
            files->selectFile(path);
            return int(QDialog::Accepted);
        });
        QSignalSpy downloads(QWebEngineProfile::defaultProfile(),
                             &QWebEngineProfile::downloadRequested);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActSave->isEnabled(), 15000);
        fixture->ActSave->trigger();
        QCOMPARE(asked, 1);

        // The engine writes it as a download of its own, which ends in success.
        QTRY_COMPARE_WITH_TIMEOUT(downloads.count(), 1, 15000);
        auto* download = downloads.first().first().value<QWebEngineDownloadRequest*>();
        QTRY_VERIFY_WITH_TIMEOUT(download->isFinished(), 30000);
        QCOMPARE(download->state(), QWebEngineDownloadRequest::DownloadCompleted);

        // Quoted-printable lines may break anywhere; joined again they give the text back.
        auto saved = [&] { return fixture.read(fileName).replace("=\r\n", "").replace("=\n", ""); };
        QTRY_VERIFY_WITH_TIMEOUT(saved().contains(marker), 15000);
        QCOMPARE(saved().startsWith("From: <Saved by Blink>"), mhtml);
        const QDir resources(fixture.filePath(QStringLiteral("page_files")));
        if (resourceFolder)
            QTRY_VERIFY_WITH_TIMEOUT(!resources.entryList(QDir::Files).isEmpty(), 15000);
        else
            QVERIFY(!resources.exists());
    }

    // A file that cannot be written, as its folder is a file: the failure is reported, and
    // the command is free again for the next try.
    void failedWriteIsReported_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("save") << int(OleCmd::SaveAs);
        QTest::newRow("print") << int(OleCmd::Print);
    }

    void failedWriteIsReported()
    {
        QFETCH(int, command);
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        QVERIFY(fixture.write(QStringLiteral("blocker"), {}));
        const QString path = fixture.filePath(QStringLiteral("blocker/page.")
                                              + QLatin1String(command == OleCmd::Print ? "pdf" : "mhtml"));
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            if (auto* print = qobject_cast<QPrintDialog*>(&dialog))
                print->printer()->setOutputFileName(path);
            else if (auto* files = qobject_cast<QFileDialog*>(&dialog))
                files->selectFile(path);
            else
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        });
        QAction* action = command == OleCmd::Print ? fixture->ActPrint : fixture->ActSave;
        ModalAnswerer answerer;
        QTRY_VERIFY_WITH_TIMEOUT(action->isEnabled(), 15000);
        action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(answerer.answered(), 30000);
        QCOMPARE(answerer.icon(), QMessageBox::Critical);
        if (command == OleCmd::SaveAs)
            QVERIFY2(answerer.text().contains(QDir::toNativeSeparators(path)),
                     qPrintable(answerer.text()));
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(command), 3, 15000);
    }

    void printToAPdfFileGivesItsText()
    {
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        const QString pdf = fixture.filePath(QStringLiteral("page.pdf"));
        answerPrintDialog(pdf);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPrint->isEnabled(), 15000);
        fixture->ActPrint->trigger();

        // One print at a time: print and preview wait until this one is written.
        QCOMPARE(browser->QueryStatusWB(OleCmd::Print), int(OleCmd::Supported));
        QCOMPARE(browser->QueryStatusWB(OleCmd::PrintPreview), int(OleCmd::Supported));
        QCOMPARE(browser->QueryStatusWB(OleCmd::SaveAs), 3);
        QTRY_VERIFY_WITH_TIMEOUT(!fixture->ActPrint->isEnabled(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(browser->QueryStatusWB(OleCmd::Print), 3, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPrint->isEnabled(), 15000);

        QVERIFY(fixture.read(QStringLiteral("page.pdf")).startsWith("%PDF"));
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QLatin1String(marker)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("百科全书")), qPrintable(text));
        QVERIFY(QFileInfo(pdf).size() < 500 * 1024);
        const PdfInfo info = pdfInfo(pdf);
        QCOMPARE(info.pages, 1);
        QVERIFY(info.pageSize.height() > info.pageSize.width());

        // Every word lies past a 10 mm margin (28.3 pt), none at the paper's edge.
        const QRectF words = pdfTextArea(pdf);
        const QPointF corner(words.left() * info.pageSize.width(),
                             words.top() * info.pageSize.height());
        QVERIFY(!words.isEmpty());
        QVERIFY2(corner.x() > 28.3 && corner.y() > 28.3,
                 qPrintable(QStringLiteral("%1,%2 pt").arg(corner.x()).arg(corner.y())));
    }

    void previewRendersThePagesAndPrintsFromThere()
    {
        QVERIFY(openResultPage(QStringLiteral("long")));
        const QString pdf = fixture.filePath(QStringLiteral("preview.pdf"));
        int pages = 0;
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            auto* preview = dialog.findChild<QPrintPreviewWidget*>();
            if (!qobject_cast<QPrintPreviewDialog*>(&dialog) || !preview)
                return int(QDialog::Rejected);
            dialog.show(); // draws the pages
            pages = preview->pageCount();
            // The dialog's print button, with the file the user picked.
            static_cast<QPrintPreviewDialog&>(dialog).printer()->setOutputFileName(pdf);
            preview->print();
            dialog.hide();
            return int(QDialog::Accepted);
        });
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPreview->isEnabled(), 15000);
        fixture->ActPreview->trigger();
        QVERIFY2(pages > 1, qPrintable(QString::number(pages)));

        // Printed from the preview, the file is the engine's own PDF with its text.
        QVERIFY(QFileInfo(pdf).size() > 0);
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("299 成语词典")), qPrintable(text.left(300)));
        QCOMPARE(pdfInfo(pdf).pages, pages);
    }

    // The page set-up reaches the next preview and print, and the preview shows the sheets
    // the print gives.
    void previewShowsWhatThePrintGives_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("newSearch");
        QTest::newRow("no set-up: portrait") << false << false;
        QTest::newRow("landscape from the page set-up") << true << false;
        QTest::newRow("landscape kept by the window across searches") << true << true;
    }

    void previewShowsWhatThePrintGives()
    {
        QFETCH(bool, landscape);
        QFETCH(bool, newSearch);
        QVERIFY(openResultPage(QStringLiteral("wrap")));
        if (landscape)
            chooseLandscapeInPageSetup();
        if (newSearch)
            QVERIFY(openResultPage(QStringLiteral("wrap")));
        int pages = 0;
        qreal sheetAspect = 0;
        QRectF previewed;
        auto previewedOrientation = QPageLayout::Portrait;
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            auto* preview = dialog.findChild<QPrintPreviewWidget*>();
            if (!preview)
                return int(QDialog::Rejected);
            dialog.resize(800, 900);
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                return int(QDialog::Rejected);
            preview->setViewMode(QPrintPreviewWidget::SinglePageView);
            preview->fitInView();
            pages = preview->pageCount();
            previewedOrientation =
                static_cast<QPrintPreviewDialog&>(dialog).printer()->pageLayout().orientation();
            previewed = previewTextArea(preview, &sheetAspect);
            dialog.hide();
            return int(QDialog::Rejected);
        });
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPreview->isEnabled(), 15000);
        fixture->ActPreview->trigger();
        QCOMPARE(previewedOrientation, landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

        const QString pdf = fixture.filePath(QStringLiteral("wrap.pdf"));
        answerPrintDialog(pdf);
        fixture->ActPrint->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(fixture->GetActiveWebBrowser()->QueryStatusWB(OleCmd::Print) == 3
                                     && QFileInfo(pdf).size() > 0,
                                 30000);
        const PdfInfo printed = pdfInfo(pdf);
        QVERIFY(printed.pages > 1);
        QCOMPARE(pages, printed.pages);
        QCOMPARE(printed.pageSize.width() > printed.pageSize.height(), landscape);
        QVERIFY2(qAbs(sheetAspect - printed.pageSize.width() / printed.pageSize.height()) < 0.02,
                 qPrintable(QString::number(sheetAspect)));
        // The ink of the preview's first sheet lies where the PDF's words do, to within
        // 2 % of the sheet (a 10 mm margin is 5 % of its width).
        const QRectF words = pdfTextArea(pdf);
        QVERIFY(!words.isEmpty());
        const QString areas = QStringLiteral("preview %1,%2 %3,%4; print %5,%6 %7,%8")
                                  .arg(previewed.left()).arg(previewed.top())
                                  .arg(previewed.right()).arg(previewed.bottom())
                                  .arg(words.left()).arg(words.top())
                                  .arg(words.right()).arg(words.bottom());
        for (const auto& [shown, printedEdge] :
             {std::pair{previewed.left(), words.left()}, std::pair{previewed.top(), words.top()},
              std::pair{previewed.right(), words.right()},
              std::pair{previewed.bottom(), words.bottom()}})
            QVERIFY2(qAbs(shown - printedEdge) < 0.02, qPrintable(areas));
    }

    // A job whose page goes while the engine makes its document is still handed over
    // whole once the document is made: the queue gets the whole of it, never a part.
    void aPageClosedDuringItsJobStillPrintsWhole_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("close the tab") << "close";
        QTest::newRow("close all") << "close all";
        QTest::newRow("new search") << "search";
    }

    void aPageClosedDuringItsJobStillPrintsWhole()
    {
        QFETCH(QString, action);
        if (!queueProblem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + queueProblem));
        QVERIFY(openResultPage(QStringLiteral("long")));
        const int jobsBefore = queue.finishedJobs();
        const int filesBefore = queue.writtenFiles().size();
        fixture->pageSettings().setRunner(chooseTheQueue);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPrint->isEnabled(), 15000);
        fixture->ActPrint->trigger();
        QVERIFY(fixture->GetActiveWebBrowser()->QueryStatusWB(OleCmd::Print) != 3);

        if (action == QLatin1String("close")) {
            fixture->ActCloseExecute(fixture->ActClose);
            QCOMPARE(fixture->PageControl1->count(), 0);
        } else if (action == QLatin1String("close all")) {
            ModalAnswerer answerer(QMessageBox::Ok);
            fixture->ActCloseAllExecute(fixture->ActCloseAll);
            QVERIFY(answerer.answered());
            QCOMPARE(fixture->PageControl1->count(), 0);
        }
        // Another job from a new page. Each page has a renderer of its own, so the two
        // jobs may reach the queue in either order.
        QVERIFY(openResultPage());
        printToTheQueue();
        QVERIFY(waitUntil([&] { return queue.writtenFiles().size() - filesBefore >= 2; }, 60000));

        QStringList files;
        checkEveryJobWhole(jobsBefore, filesBefore, &files);
        QCOMPARE(files.size(), 2);
        QStringList texts = {pdfText(files.first()), pdfText(files.last())};
        if (!texts.first().contains(QStringLiteral("line of text")))
            texts.swapItemsAt(0, 1);
        QVERIFY2(texts.first().contains(QStringLiteral("299 成语词典")),
                 qPrintable(texts.first().right(300)));
        QVERIFY2(texts.last().contains(QStringLiteral("百科全书")), qPrintable(texts.last()));
        QVERIFY(!texts.last().contains(QStringLiteral("line of text")));
    }

    void closingTheWindowDuringAJobEndsTheProgramCleanly()
    {
        if (!queueProblem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + queueProblem));
        const int jobsBefore = queue.finishedJobs();
        const int filesBefore = queue.writtenFiles().size();
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(closeWhilePrintingVariable), fixture.folderPath());
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(program.waitForFinished(120000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QStringList files;
        checkEveryJobWhole(jobsBefore, filesBefore, &files);
        QCOMPARE(files.size(), 1);
    }

    // Without a result page the find key is not the window's: nothing shows, and the key
    // goes on to the query box that has the keyboard.
    void findKeyWithoutAPage()
    {
        focusQueryBox();
        struct KeyWatch : QObject {
            int finds = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::KeyPress
                    && static_cast<QKeyEvent*>(event)->keyCombination()
                           == QKeyCombination(Qt::ControlModifier, Qt::Key_F))
                    ++finds;
                return false;
            }
        } watch;
        QLineEdit* box = fixture->CmbBook->lineEdit();
        box->installEventFilter(&watch);
        QTest::keyClick(box, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(fixture->findBar()->isHidden());
        QCOMPARE(watch.finds, 1);
    }

    // The find bar on the active page: finds as the user types, steps both ways, keeps the
    // term for the other tabs, and gives the focus back when it closes.
    void findInPage()
    {
        fixture.search(QStringLiteral("needle"));
        QVERIFY(fixture.waitForLoads());
        QList<TWebBrowser*> browsers;
        for (int tab = 0; tab < fixture->PageControl1->count(); ++tab)
            browsers.append(fixture->PageControl1->widget(tab)->findChild<TWebBrowser*>());
        QCOMPARE(browsers.size(), 5);
        const auto needles = [&](int tab) {
            return needlesOn(QUrl(browsers.at(tab)->LocationURL()).host().toLatin1());
        };
        QVERIFY(needles(0) != needles(1));
        FindBar* bar = fixture->findBar();
        QVERIFY(bar->isHidden());
        fixture->PageControl1->setCurrentIndex(1);
        focusQueryBox();
        QTRY_VERIFY(actionNamed("ActFind")->isEnabled());

        QTest::keyClick(fixture->CmbBook, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(bar->field()->hasFocus());
        // Nothing to step through yet; every button is named for a screen reader.
        const auto stepButtons =
            bar->findChildren<QToolButton*>(QRegularExpression("^Find(Next|Previous)$"));
        QCOMPARE(stepButtons.size(), 2);
        for (QToolButton* button : stepButtons)
            QVERIFY(!button->isEnabled());
        for (QToolButton* button : bar->findChildren<QToolButton*>())
            QVERIFY2(!button->accessibleName().isEmpty() || !button->text().isEmpty(),
                     qPrintable(button->objectName()));
        QTest::keyClicks(bar->field(), "needle");
        for (QToolButton* button : stepButtons)
            QVERIFY(button->isEnabled());
        const auto shows = [&](int match, int count) {
            return waitUntil([&] {
                return bar->resultText() == QStringLiteral("第 %1 处，共 %2 处").arg(match).arg(count);
            }, 15000);
        };
        const int count = needles(1);
        QVERIFY(count >= 3);
        QVERIFY2(shows(1, count), qPrintable(bar->resultText()));
        // Every match is marked on the page, and the marks go with the bar.
        QVERIFY(waitUntil([&] { return markedPixels(browsers.at(1)) > 0; }, 15000));

        // Enter and Shift+Enter in the field, F3 and Shift+F3 anywhere in the window.
        const QList<std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, int>> steps = {
            {bar->field(), Qt::Key_Return, Qt::ShiftModifier, count},
            {bar->field(), Qt::Key_Return, Qt::NoModifier, 1},
            {bar->field(), Qt::Key_Enter, Qt::NoModifier, 2},
            {fixture->CmbBook, Qt::Key_F3, Qt::NoModifier, 3},
            {fixture->CmbBook, Qt::Key_F3, Qt::ShiftModifier, 2},
        };
        for (const auto& [widget, key, modifiers, match] : steps) {
            QTest::keyClick(widget, key, modifiers);
            QVERIFY2(shows(match, count), qPrintable(bar->resultText()));
        }

        // Another tab: the same term, found there.
        fixture->PageControl1->setCurrentIndex(0);
        QVERIFY2(shows(1, needles(0)), qPrintable(bar->resultText()));
        QCOMPARE(bar->term(), QStringLiteral("needle"));
        QVERIFY(waitUntil([&] { return markedPixels(browsers.at(0)) > 0; }, 15000));

        bar->field()->setText(QStringLiteral("haystack"));
        QTRY_COMPARE_WITH_TIMEOUT(bar->resultText(), QStringLiteral("没有找到"), 15000);
        const auto resultColour = [&] {
            const auto* result = bar->findChild<QLabel*>(QStringLiteral("FindResult"));
            return result->palette().color(QPalette::WindowText);
        };
        QVERIFY(resultColour() != bar->palette().color(QPalette::WindowText));
        bar->field()->setText(QStringLiteral("needle"));
        QVERIFY(shows(1, needles(0)));
        QCOMPARE(resultColour(), bar->palette().color(QPalette::WindowText));

        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QVERIFY(bar->isHidden());
        QTRY_VERIFY(fixture->CmbBook->lineEdit()->hasFocus());
        // Unmarked for good: the view draws a frame or two without them while it grows.
        int unmarkedFrames = 0;
        QVERIFY(waitUntil([&] {
            unmarkedFrames = markedPixels(browsers.at(0)) == 0 ? unmarkedFrames + 1 : 0;
            return unmarkedFrames >= 10;
        }, 15000));

        // F3 brings the bar back with its term.
        QTest::keyClick(fixture->CmbBook, Qt::Key_F3);
        QVERIFY(bar->isVisible());
        QVERIFY(shows(1, needles(0)));

        // It goes with the tabs, when the banner comes back.
        fixture->CloseAllResultPages();
        fixture->RefreshResultArea();
        QVERIFY(bar->isHidden());
    }

    void zoomActsOnEveryResultPage_data()
    {
        QTest::addColumn<QString>("input"); // keys or notches of the wheel, one a character
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("message"); // none: the zoom's own
        QTest::newRow("Ctrl+= twice") << "++" << 125 << QString();
        QTest::newRow("Ctrl+-") << "-" << 90 << QString();
        QTest::newRow("in, out") << "+-" << 100 << QString();
        QTest::newRow("Ctrl+0 after zooming") << "++0" << 100 << QString();
        QTest::newRow("Ctrl+wheel up") << "u" << 110 << QString();
        QTest::newRow("Ctrl+wheel down twice") << "dd" << 80 << QString();
        QTest::newRow("past the largest") << QString(20, QLatin1Char('+')) << 500
                                          << QStringLiteral("已是最大缩放 500%");
        QTest::newRow("wheel past the smallest") << QString(10, QLatin1Char('d')) << 25
                                                 << QStringLiteral("已是最小缩放 25%");
    }

    // All tabs alike, the tabs of later searches too, and the next run of the program.
    void zoomActsOnEveryResultPage()
    {
        QFETCH(QString, input);
        QFETCH(int, percent);
        QFETCH(QString, message);
        fixture.search(QStringLiteral("zoom"));
        QVERIFY(fixture.waitForLoads());
        TWebBrowser* active = fixture->GetActiveWebBrowser();
        QWidget* page = pageInput(active);
        QVERIFY(page);
        for (const QChar step : input) {
            const QPoint middle = page->rect().center();
            if (step == QLatin1Char('u') || step == QLatin1Char('d')) {
                QWheelEvent wheel(middle, page->mapToGlobal(middle), QPoint(),
                                  QPoint(0, step == QLatin1Char('u') ? 120 : -120), Qt::NoButton,
                                  Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(page, &wheel);
            } else {
                QVERIFY(fixture.waitForActionUpdate());
                const Qt::Key key = step == QLatin1Char('+') ? Qt::Key_Equal
                    : step == QLatin1Char('-')              ? Qt::Key_Minus
                                                            : Qt::Key_0;
                QTest::keyClick(page, key, Qt::ControlModifier);
            }
        }
        QCOMPARE(fixture->pageZoom().percent(), percent);
        if (!message.isEmpty())
            QCOMPARE(fixture->StatusBar1->currentMessage(), message);
        else if (percent != 100)
            QCOMPARE(fixture->StatusBar1->currentMessage(),
                     QStringLiteral("缩放：%1%").arg(percent));
        const auto zoomedAlike = [&] {
            for (TWebBrowser* browser : fixture.resultBrowsers()) {
                // What the page itself sees.
                const QVariant ratio =
                    runScript(browser, QStringLiteral("window.devicePixelRatio"));
                if (qAbs(ratio.toDouble() - percent / 100.0) > 0.01) {
                    qWarning() << browser->LocationURL() << ratio;
                    return false;
                }
            }
            return true;
        };
        QVERIFY(waitUntil(zoomedAlike, 15000));

        // A new search's page comes at the same zoom.
        QVERIFY(openResultPage());
        QVERIFY(waitUntil(zoomedAlike, 15000));

        // And so does the next run's.
        fixture->close();
        const QByteArray settings = fixture.settings();
        QVERIFY2(settings.contains("[Veritome]\r\nZoom=" + QByteArray::number(percent) + "\r\n"),
                 settings.constData());
        QVERIFY(settings.contains("[Dictionary]\r\nID=1\r\n"));
        QVERIFY(fixture.open(false));
        QCOMPARE(fixture->pageZoom().percent(), percent);
        QVERIFY(openResultPage());
        QVERIFY(waitUntil(zoomedAlike, 15000));
    }

    // Back and forward step through the tab's own pages, back from the page's source too,
    // by keys, the mouse's side buttons and the page's menu; the tabs stay where they are.
    void backAndForwardInATab_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Alt+Left and Alt+Right") << "keys";
        QTest::newRow("mouse buttons") << "mouse";
        QTest::newRow("page menu") << "menu";
    }

    void backAndForwardInATab()
    {
        QFETCH(QString, way);
        TWebBrowser* browser = openResultPage();
        QVERIFY(browser);
        const QString first = browser->LocationURL();
        const auto step = [&](bool back) {
            QWidget* page = pageInput(browser);
            if (way == QLatin1String("keys")) {
                QTest::keyClick(page, back ? Qt::Key_Left : Qt::Key_Right, Qt::AltModifier);
            } else if (way == QLatin1String("mouse")) {
                QTest::mouseClick(page, back ? Qt::BackButton : Qt::ForwardButton, {},
                                  QPoint(5, 5));
            } else {
                QMenu* menu = openContextMenu(browser, QString());
                QVERIFY(menu);
                QAction* entry = menuEntry(menu, back ? "ActBack" : "ActForward");
                QVERIFY2(entry, qPrintable(entryTexts(menu)));
                QVERIFY(!menu->actions().contains(
                    enginePage(browser)->action(back ? QWebEnginePage::Back
                                                     : QWebEnginePage::Forward)));
                menu->close();
                entry->trigger();
            }
        };
        const auto arrivesAt = [&](const QString& address) {
            return waitUntil([&] { return browser->LocationURL() == address; }, 15000)
                && waitUntil([&] { return !enginePage(browser)->isLoading(); }, 15000)
                && fixture.waitForActionUpdate();
        };
        QVERIFY(!actionNamed("ActBack")->isEnabled());
        // A click of the user's: the engine skips, going back, a page left without one.
        const QPoint link = elementMiddle(browser, QStringLiteral("link"));
        QVERIFY(!link.isNull());
        QWidget* target = pageInput(browser);
        const QString second = QUrl(first).resolved(QUrl(QStringLiteral("/linked"))).toString();
        // The engine drops input that comes before the page's first frame.
        for (int attempt = 0; attempt < 8 && browser->LocationURL() != second; ++attempt) {
            QTest::mouseClick(target, Qt::LeftButton, {}, link);
            waitUntil([&] { return browser->LocationURL() == second; }, 2000);
        }
        QVERIFY(arrivesAt(second));

        step(true);
        QVERIFY2(arrivesAt(first), qPrintable(browser->LocationURL()));
        QVERIFY(!actionNamed("ActBack")->isEnabled());
        step(false);
        QVERIFY2(arrivesAt(second), qPrintable(browser->LocationURL()));

        // The source takes the page's place; back is the page again, then the one before.
        enginePage(browser)->triggerAction(QWebEnginePage::ViewSource);
        QVERIFY(arrivesAt(QStringLiteral("view-source:") + second));
        step(true);
        QVERIFY2(arrivesAt(second), qPrintable(browser->LocationURL()));
        step(true);
        QVERIFY2(arrivesAt(first), qPrintable(browser->LocationURL()));
        QCOMPARE(fixture->PageControl1->count(), 1);
        QVERIFY(!fixture->ActPrior->isEnabled());
    }

    void cancelledDialogsChangeNothing()
    {
        QVERIFY(openResultPage());
        int asked = 0;
        PageSettings* dialogs = &fixture->pageSettings();
        dialogs->setRunner([&](QDialog& dialog) {
            ++asked;
            if (auto* setup = qobject_cast<QPageSetupDialog*>(&dialog))
                setup->printer()->setPageOrientation(QPageLayout::Landscape);
            if (auto* print = qobject_cast<QPrintDialog*>(&dialog))
                print->printer()->setOutputFileName(
                    fixture.filePath(QStringLiteral("x.pdf")));
            if (auto* files = qobject_cast<QFileDialog*>(&dialog))
                files->selectFile(fixture.filePath(QStringLiteral("x.mhtml")));
            return int(QDialog::Rejected);
        });
        QSignalSpy downloads(QWebEngineProfile::defaultProfile(),
                             &QWebEngineProfile::downloadRequested);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPrint->isEnabled(), 15000);
        for (QAction* action : {fixture->ActPageSetup, fixture->ActSave, fixture->ActPrint})
            action->trigger();
        QCOMPARE(asked, 3);
        QVERIFY(!dialogs->pageLayout());
        // A print job would have started at once.
        QCOMPARE(fixture->GetActiveWebBrowser()->QueryStatusWB(OleCmd::Print), 3);
        // A round trip through the engine: what the commands asked of it has been handled.
        QCOMPARE(fieldValue(fixture->GetActiveWebBrowser()), QStringLiteral("hello"));
        QCOMPARE(downloads.count(), 0);
        QCOMPARE(QDir(fixture.folderPath()).entryList({QStringLiteral("x.*")}, QDir::Files),
                 QStringList());
    }

private:
    QAction* actionNamed(const QString& name) const
    {
        return fixture->findChild<QAction*>(name);
    }

    static QAction* menuEntry(QMenu* menu, const QString& name)
    {
        for (QAction* action : menu->actions())
            if (action->objectName() == name)
                return action;
        return nullptr;
    }

    static QString entryTexts(QMenu* menu)
    {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts.append(action->objectName() + QLatin1Char(':') + action->text());
        return texts.join(QLatin1Char('|'));
    }

    // The pixels in the colours the engine marks matches with: yellow for every match,
    // orange for the current one.
    static int markedPixels(TWebBrowser* browser)
    {
        const QImage image = browser->findChild<QWebEngineView*>()->grab().toImage();
        int marked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                if (colour.red() > 200 && colour.green() > 120 && colour.blue() < 80)
                    ++marked;
            }
        return marked;
    }

    TWebBrowser* openResultPage(const QString& term = QStringLiteral("abc"))
    {
        return searchAndWait(*fixture.window(), term);
    }

    // The real page set-up dialog, answered as a user choosing landscape would.
    void chooseLandscapeInPageSetup()
    {
        bool shown = false;
        fixture->pageSettings().setRunner([&](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&] {
                auto* button = dialog.findChild<QRadioButton*>(QStringLiteral("landscape"));
                shown = qobject_cast<QPageSetupDialog*>(&dialog) && button;
                if (button)
                    button->click();
                dialog.accept();
            });
            return dialog.exec();
        });
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPageSetup->isEnabled(), 15000);
        fixture->ActPageSetup->trigger();
        QVERIFY(shown);
    }

    // Prints the active page to the queue and waits until the queue has made its file.
    void printToTheQueue()
    {
        fixture->pageSettings().setRunner(chooseTheQueue);
        QTRY_VERIFY_WITH_TIMEOUT(fixture->ActPrint->isEnabled(), 15000);
        fixture->ActPrint->trigger();
        QVERIFY(!fixture->ActPrint->isEnabled()
                || fixture->GetActiveWebBrowser()->QueryStatusWB(OleCmd::Print) != 3);
        QTRY_COMPARE_WITH_TIMEOUT(fixture->GetActiveWebBrowser()->QueryStatusWB(OleCmd::Print), 3,
                                  30000);
        QVERIFY(queue.waitUntilIdle());
    }

    // Every job the queue finished since `jobsBefore` wrote a whole PDF of a page: from
    // its first line to its last.
    void checkEveryJobWhole(int jobsBefore, int filesBefore, QStringList* files)
    {
        QVERIFY(queue.waitUntilIdle());
        *files = queue.writtenFiles().mid(filesBefore);
        QCOMPARE(queue.finishedJobs() - jobsBefore, files->size());
        for (const QString& file : qAsConst(*files)) {
            const QString text = pdfText(file);
            QVERIFY2(text.contains(QLatin1String(marker)), qPrintable(file));
            // The long page's numbered lines run to 299.
            if (text.contains(QStringLiteral("line of text")))
                QVERIFY2(text.contains(QStringLiteral("299 ")), qPrintable(text.right(300)));
        }
    }

    // Gives the element the page's focus and selects what it holds; for no element, the
    // page itself has the focus and its text is selected.
    void focusAndSelect(TWebBrowser* browser, const QString& element)
    {
        // As the user's click into the page would, so the page hears of every focus move.
        browser->setFocus();
        enginePage(browser)->runJavaScript(
            QStringLiteral("(function () { const e = document.getElementById('%1');"
                           " if (!e) { document.activeElement.blur();"
                           " getSelection().selectAllChildren(document.body); return; }"
                           " e.focus(); if (e.select) e.select();"
                           " else getSelection().selectAllChildren(e); })()")
                .arg(element));
    }

    // Where the middle of the element lies in the view; a null point where it is not found.
    static QPoint elementMiddle(TWebBrowser* browser, const QString& element)
    {
        const QVariant middle = runScript(
            browser, QStringLiteral("(function () { const r = document.getElementById('%1')"
                                    ".getBoundingClientRect(); return [r.x + r.width / 2, "
                                    "r.y + r.height / 2]; })()")
                         .arg(element));
        const QVariantList xy = middle.toList();
        return xy.size() == 2 ? QPoint(xy.value(0).toInt(), xy.value(1).toInt()) : QPoint();
    }

    // Right-clicks the middle of the element, or a blank spot of the page, and returns the
    // menu that opens.
    QMenu* openContextMenu(TWebBrowser* browser, const QString& element)
    {
        const QPoint point = element.isEmpty() ? QPoint(5, 5) : elementMiddle(browser, element);
        if (point.isNull())
            return nullptr;
        // The engine drops input that comes before the page's first frame, which a loaded
        // machine may not have drawn yet when the load is reported: click again until the
        // menu opens, as a user would.
        QWidget* target = pageInput(browser);
        QMenu* menu = nullptr;
        for (int attempt = 0; attempt < 8 && !menu; ++attempt) {
            QTest::mousePress(target, Qt::RightButton, {}, point);
            QTest::mouseRelease(target, Qt::RightButton, {}, point);
            waitUntil([&] {
                menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                return menu != nullptr;
            }, 2000);
        }
        return menu;
    }

    void focusQueryBox()
    {
        QVERIFY(WindowFixture::activate(fixture.window()));
        fixture->CmbBook->setFocus();
        QTRY_VERIFY(fixture->CmbBook->lineEdit()->hasFocus());
    }

    void answerPrintDialog(const QString& pdf)
    {
        fixture->pageSettings().setRunner([pdf](QDialog& dialog) {
            auto* print = qobject_cast<QPrintDialog*>(&dialog);
            if (!print)
                return int(QDialog::Rejected);
            print->printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        });
    }

    QString fieldValue(TWebBrowser* browser)
    {
        const QVariant value =
            runScript(browser, QStringLiteral("document.getElementById('field').value"));
        return value.isValid() ? value.toString() : QStringLiteral("<none>");
    }

    WindowFixture fixture;
    QList<QUrl> openedUrls;
    CupsQueue queue;
    QString queueProblem; // why the queue could not be set up
};

VERITOME_WEB_TEST_MAIN_WITH_CHILD(TestPageCommands, closeWhilePrintingVariable, closeWhilePrinting)
#include "tst_pagecommands.moc"
