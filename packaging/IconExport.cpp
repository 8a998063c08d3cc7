// Writes the program's own icon, as drawn by the program, into a hicolor icon tree:
//   veritome_icon FOLDER   gives FOLDER/<size>x<size>/apps/veritome.png for each size.

#include "Glyphs.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[])
{
    // A build step: no window, no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: veritome_icon FOLDER\n");
        return 2;
    }
    const QIcon icon = Glyphs::mainIcon();
    for (const QSize& size : icon.availableSizes()) {
        const QString folder = QStringLiteral("%1/%2x%3/apps")
                                   .arg(arguments[1]).arg(size.width()).arg(size.height());
        const QPixmap pixmap = icon.pixmap(size);
        if (!QDir().mkpath(folder) || pixmap.size() != size
            || !pixmap.save(folder + QStringLiteral("/veritome.png"), "PNG")) {
            std::fprintf(stderr, "veritome_icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
