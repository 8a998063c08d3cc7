#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QPrinter;

// What the web views of one window share for their page commands: the page layout chosen
// in the page set-up, which the next preview and print use whichever tab they run in, the
// folder pages were last saved to, and the way the commands' dialogs are run. The window
// holds one and hands it to every web view it makes; a web view made without one keeps
// its own.
class PageSettings {
public:
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
