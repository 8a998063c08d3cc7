#pragma once

#include <QObject>
#include <QPageLayout>
#include <QPageRanges>
#include <QString>
#include <memory>

class PageSettings;
class QPrinter;
class QWebEngineView;
class QWidget;

// Save, page set-up, print preview and print of one web view's page, each behind its
// dialog. Preview, PDF file and print queue all get the engine's own PDF of the page, so
// the preview shows what the paper will. Printing runs in the background; while it does,
// the view cannot start another. The page set-up, the save folder and the way dialogs
// run come from the settings the view shares with the other views of its window.
class PageCommands : public QObject {
    Q_OBJECT

public:
    PageCommands(QWebEngineView* view, std::shared_ptr<PageSettings> settings);
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
    std::shared_ptr<PageSettings> m_settings;
    QMetaObject::Connection m_saveWatch;
    std::shared_ptr<EngineJob> m_job; // the document the engine is making, if any
    bool m_printing = false;
    bool m_painting = false;
};
