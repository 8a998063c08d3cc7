#include "PageSettings.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>

namespace {

constexpr qreal defaultMargin = 10; // millimetres

} // namespace

void PageSettings::applyPageLayout(QPrinter& printer) const
{
    if (m_pageLayout) {
        printer.setPageLayout(*m_pageLayout);
        return;
    }
    // The printer's paper and orientation, with margins like a browser's rather than the
    // printer's 3.5 mm that put the text right at the edge of the paper.
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMargins(QMarginsF(defaultMargin, defaultMargin, defaultMargin, defaultMargin));
    printer.setPageLayout(layout);
}

QString PageSettings::saveFolder() const
{
    if (!m_saveFolder.isEmpty())
        return m_saveFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

int PageSettings::run(QDialog& dialog) const
{
    return m_runner ? m_runner(dialog) : dialog.exec();
}
