#include "CupsQueue.h"

#include "TestTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
const QString backend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString driver = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

} // namespace

CupsQueue::~CupsQueue()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000))
            m_cupsd.kill();
        m_cupsd.waitForFinished(5000);
    }
    if (!m_backendConfig.isEmpty())
        QFile::remove(m_backendConfig);
}

QString CupsQueue::start()
{
    for (const QString& needed : {cupsd, backend, driver})
        if (!QFileInfo::exists(needed))
            return needed + QStringLiteral(" is missing: scripts/setup.sh installs cups and "
                                           "printer-driver-cups-pdf");
    // The PDF back end reads its settings only from the system's folder, and only as root.
    if (geteuid() != 0)
        return QStringLiteral("the PDF queue's back end runs only for root");
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");

    // The filters and the back end run as another user: they need to get through.
    const QDir dir(m_dir.path());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                          | QFileDevice::ExeGroup);
    for (const QString& sub : {QStringLiteral("root/ppd"), QStringLiteral("spool/tmp"),
                               QStringLiteral("cache"), QStringLiteral("state"),
                               QStringLiteral("log"), QStringLiteral("out")})
        dir.mkpath(sub);
    for (const QString& open : {QStringLiteral("spool/tmp"), QStringLiteral("out")})
        QFile::setPermissions(dir.filePath(open), QFileDevice::Permissions(0x7777));

    const QString root = dir.filePath(QStringLiteral("root"));
    const QString socket = dir.filePath(QStringLiteral("cups.sock"));
    const QString files = QStringLiteral(
        "ServerRoot %1/root\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
        "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
        "PageLog %1/log/page_log\nPrintcap %1/printcap\nSystemGroup root\n")
                              .arg(dir.path());
    const QString server = QStringLiteral(
        "Listen %1\nLogLevel info\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
        "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
        "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n")
                               .arg(socket);
    // Settings left behind by test runs that were killed.
    const QDir systemFolder(QStringLiteral("/etc/cups"));
    const QStringList leftovers =
        systemFolder.entryList({QStringLiteral("cups-pdf-veritome-test-*.conf")});
    for (const QString& stale : leftovers) {
        const pid_t owner =
            stale.section(QLatin1Char('-'), -1).section(QLatin1Char('.'), 0, 0).toInt();
        if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH)
            QFile::remove(systemFolder.filePath(stale));
    }
    const QString tag = QStringLiteral("veritome-test-%1").arg(getpid());
    const QString printers = QStringLiteral("<DefaultPrinter %1>\nDeviceURI cups-pdf:/%2\n"
                                            "State Idle\nAccepting Yes\nShared No\n"
                                            // The queue turns the PDF into PostScript for
                                            // its back end; this way keeps text as text.
                                            "Option pdftops-renderer-default pdftocairo\n"
                                            "</DefaultPrinter>\n")
                                 .arg(name(), tag);
    m_backendConfig = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(tag);
    // Label 2: every file name carries its job's number, so no job overwrites another.
    const QString backendSettings =
        QStringLiteral("Out %1\nAnonDirName %1\nLabel 2\n").arg(outputFolder());
    if (!writeText(root + QStringLiteral("/cups-files.conf"), files)
        || !writeText(root + QStringLiteral("/cupsd.conf"), server)
        || !writeText(root + QStringLiteral("/printers.conf"), printers)
        || !QFile::copy(driver, root + QStringLiteral("/ppd/") + name() + QStringLiteral(".ppd"))
        || !writeText(m_backendConfig, backendSettings))
        return QStringLiteral("cannot write the queue's settings under %1 and /etc/cups")
            .arg(dir.path());

    m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that is killed takes its print system with it.
    m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                          root + QStringLiteral("/cupsd.conf"), QStringLiteral("-s"),
                          root + QStringLiteral("/cups-files.conf")});
    if (!m_cupsd.waitForStarted(10000))
        return QStringLiteral("cupsd does not start: ") + m_cupsd.errorString();
    qputenv("CUPS_SERVER", socket.toLocal8Bit());
    const bool ready = waitUntil([&] { return pendingJobs() == 0; }, 20000);
    if (!ready)
        return QStringLiteral("cupsd does not answer on %1").arg(socket);
    return QString();
}

QStringList CupsQueue::lpstat(const QStringList& arguments) const
{
    QProcess process;
    process.start(QStringLiteral("lpstat"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return {QStringLiteral("<failed>")};
    return QString::fromLocal8Bit(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int CupsQueue::pendingJobs() const
{
    const QStringList jobs = lpstat({QStringLiteral("-o"), name()});
    return jobs.value(0) == QLatin1String("<failed>") ? -1 : int(jobs.size());
}

int CupsQueue::finishedJobs() const
{
    const QStringList jobs =
        lpstat({QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), name()});
    return jobs.value(0) == QLatin1String("<failed>") ? -1 : int(jobs.size());
}

bool CupsQueue::waitUntilIdle(int timeout) const
{
    return waitUntil([this] { return pendingJobs() == 0; }, timeout);
}

QStringList CupsQueue::writtenFiles() const
{
    QStringList paths;
    const QFileInfoList entries = QDir(outputFolder()).entryInfoList(
        {QStringLiteral("*.pdf")}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& entry : entries)
        paths.append(entry.filePath());
    return paths;
}
