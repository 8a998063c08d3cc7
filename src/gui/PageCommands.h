#pragma once

#include <QObject>
#include <QPageLayout>
#include <QPageRanges>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QWebEnginePage;
class QPrinter;
class QWebEngineView;
class QWidget;

// What the web views of one window share for their page commands: the page layout chosen
// in the page set-up, which the next preview and print use whichever tab they run in, the
// folder pages were last saved to, and the way the commands' dialogs are run. The window
// makes one as its direct child; a web view outside such a window keeps its own.
class PageDialogs : public QObject {
    Q_OBJECT

public:
    explicit PageDialogs(QObject* parent = nullptr);

    // The one that serves the web views in this widget's window, if that window has one.
    static PageDialogs* of(const QWidget* widget);

    // The layout stays the printer's own until a page set-up has been accepted.
    void applyPageLayout(QPrinter& printer) const;
    void setPageLayout(const QPageLayout& layout) { m_pageLayout = layout; }
    std::optional<QPageLayout> pageLayout() const { return m_pageLayout; }

    QString saveFolder() const;
    void setSaveFolder(const QString& folder) { m_saveFolder = folder; }

    // Runs a command's modal dialog and returns its result code: exec() unless something
    // else answers, as tests do to get past a dialog without a user.
    using Runner = std::function<int(QDialog&)>;
    void setRunner(Runner runner) { m_runner = std::move(runner); }
    int run(QDialog& dialog) const;

private:
    std::optional<QPageLayout> m_pageLayout;
    QString m_saveFolder;
    Runner m_runner;
};

// Save, page set-up, print preview and print of one web view's page, each behind its
// dialog. Preview, PDF file and print queue all get the engine's own PDF of the page, so
// the preview shows what the paper will. Printing runs in the background; while it does,
// the view cannot start another.
class PageCommands : public QObject {
    Q_OBJECT

public:
    explicit PageCommands(QWebEngineView* view);
    ~PageCommands() override;

    bool printing() const { return m_printing; }

    void save();
    void pageSetup();
    void preview();
    void print();

    // Save-dialog choices, in the order the dialog offers them.
    static QStringList saveFilters();

signals:
    void printingChanged();

private:
    PageDialogs& dialogs();
    QWidget* dialogOwner() const;
    QString suggestedName() const;
    void preparePrinter(QPrinter& printer);
    void paint(QPrinter* printer);
    void startPdf(const QString& path, const QPageLayout& layout, const QPageRanges& ranges);
    void startQueueJob(const QPrinter& printer);
    QByteArray pdfNow(const QPageLayout& layout, const QPageRanges& ranges);
    void drawPreview(QPrinter* printer);
    struct EngineJob;
    std::shared_ptr<EngineJob> beginEngineJob();
    static void endEngineJob(const std::shared_ptr<EngineJob>& job);
    void setPrinting(bool printing);
    void reportLater(const QString& text);

    QWebEngineView* m_view;
    PageDialogs* m_ownDialogs = nullptr;
    QMetaObject::Connection m_saveWatch;
    std::shared_ptr<EngineJob> m_job; // the document the engine is making, if any
    bool m_printing = false;
    bool m_painting = false;
};
