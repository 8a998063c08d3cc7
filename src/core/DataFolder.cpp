#include "DataFolder.h"

#include "MainWindowSettings.h"
#include "QueryHistory.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace DataFolder {

namespace {

// The user may create (and so atomically replace) files in the folder.
bool userMayCreateFilesIn(const QString& folder)
{
    return !folder.isEmpty()
        && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// A missing folder, and a missing parent above it, are made readable by the user alone,
// as configuration folders are.
bool makeFolder(const QString& folder)
{
    const QFile::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QFileInfo(parent).isDir() && !QDir().mkdir(parent, ownerOnly))
        return false;
    return QDir().mkdir(folder, ownerOnly);
}

void copyIfReadable(const QString& from, const QString& to)
{
    if (!QFileInfo(from).isFile())
        return;
    QString reason;
    if (const std::optional<QByteArray> content = WholeFile::read(from, &reason))
        WholeFile::write(to, *content, &reason);
}

} // namespace

QString userFolder(const QString& xdgConfigHome, const QString& home)
{
    const QString configHome = QDir::isAbsolutePath(xdgConfigHome)
        ? xdgConfigHome
        : QDir(home).filePath(QStringLiteral(".config"));
    return QDir(configHome).filePath(QStringLiteral("veritome"));
}

QString prepare(const QString& programFolder, const QString& userFolder)
{
    if (userMayCreateFilesIn(programFolder))
        return programFolder;
    // An existing entry of that name, whatever it is, is left as it is.
    if (QFileInfo::exists(userFolder) || QFileInfo(userFolder).isSymLink()
        || !makeFolder(userFolder))
        return userFolder;
    const QDir program(programFolder);
    const QDir user(userFolder);
    for (const QString& name : {MainWindowSettings::fileName, QueryHistory::fileName})
        copyIfReadable(program.filePath(name), user.filePath(name));
    return userFolder;
}

QString forThisProcess()
{
    return prepare(QCoreApplication::applicationDirPath(),
                   userFolder(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath()));
}

} // namespace DataFolder
