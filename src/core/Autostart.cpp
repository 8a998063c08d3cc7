#include "Autostart.h"

#include "Error.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Autostart {

namespace {

// An argument of an Exec line: quoted, with the characters quoting keeps special escaped,
// and each backslash doubled once more for the file's own string escapes.
QString execArgument(const QString& argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\'))
            quoted += QStringLiteral("\\\\\\\\");
        else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QLatin1Char('\\') + QString(c);
        else if (c == QLatin1Char('%'))
            quoted += QStringLiteral("%%");
        else
            quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString entryPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/veritome.desktop"));
}

bool isOn()
{
    return QFileInfo::exists(entryPath());
}

QByteArray entry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Veritome\n"
                          "Comment=在后台等候，随时查询选中的文字\n"
                          "Exec=%1 --background\n"
                          "Icon=veritome\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program))
        .toUtf8();
}

void setOn(bool on, const QString& program)
{
    const QString path = entryPath();
    if (!on) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw Error(QStringLiteral("无法删除 %1").arg(path));
        return;
    }
    QString reason;
    if (!QDir().mkpath(QFileInfo(path).path())
        || !WholeFile::write(path, entry(program), &reason))
        throw Error(QStringLiteral("无法写入 %1：%2").arg(path, reason));
}

} // namespace Autostart
