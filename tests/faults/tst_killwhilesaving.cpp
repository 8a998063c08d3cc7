#include "CoreTestTools.h"
#include "QueryHistory.h"
#include "SaveRounds.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <sys/types.h>

namespace {

const QString settingsName = QStringLiteral("Veritoem.ini");

// Waits until the stopped process can no longer take a step.
bool waitUntilStopped(qint64 pid)
{
    for (int i = 0; i < 20000; ++i) {
        const QByteArray stat = CoreTest::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        if (close >= 0 && stat.size() > close + 2
            && (stat[close + 2] == 'T' || stat[close + 2] == 'Z'))
            return true;
        QThread::usleep(100);
    }
    return false;
}

// True when the process holds a file of the folder open other than the two final
// files: the temporary file of a save under way.
bool holdsTemporaryFile(qint64 pid, const QString& folder)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (!target.startsWith(folder + QLatin1Char('/')))
            continue;
        const QString name = target.mid(folder.size() + 1);
        if (name != QueryHistory::fileName && name != settingsName)
            return true;
    }
    return false;
}

bool isWholeHistory(const QByteArray& content, int* round)
{
    *round = int(QueryHistory::parse(content).size());
    return content == QueryHistory::serialise(SaveRounds::historyItems(*round));
}

} // namespace

// The program killed while it saves: each file is always one whole version, the one
// before the kill or a newer one, never empty or cut short.
class TestKillWhileSaving : public QObject {
    Q_OBJECT

private slots:
    void killAtRandomMomentsWhileSaving()
    {
        constexpr int kills = 200;
        constexpr int lastRound = 1200;
        const QHash<QByteArray, int> settingsVersions = SaveRounds::settingsVersions(lastRound);

        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString folder = QDir(temporary.path()).canonicalPath();
        const QString historyPath = QDir(folder).filePath(QueryHistory::fileName);
        const QString settingsPath = QDir(folder).filePath(settingsName);

        const quint32 seed = QRandomGenerator::system()->generate();
        QRandomGenerator random(seed);
        qInfo("random seed %u", seed);

        int killed = 0;
        int killedWhileWriting = 0;
        int finished = 0;
        int lastHistoryRound = 0;
        int lastSettingsVersion = 0;
        QSet<QString> strays;
        while (killed < kills && lastHistoryRound < lastRound) {
            QProcess saver;
            saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            saver.start(QStringLiteral(FAULT_SAVER), {folder, QString::number(lastRound)});
            QVERIFY(saver.waitForStarted());
            // From the first save to a few rounds into the run.
            QVERIFY(saver.waitForReadyRead(30000));
            QThread::usleep(random.bounded(30000u));
            // Stopped first, so what it holds open is what it held at the kill.
            const qint64 pid = saver.processId();
            if (::kill(pid_t(pid), SIGSTOP) == 0 && waitUntilStopped(pid)) {
                if (holdsTemporaryFile(pid, folder))
                    ++killedWhileWriting;
                saver.kill();
            }
            QVERIFY(saver.waitForFinished(10000));
            if (saver.exitStatus() == QProcess::CrashExit) {
                ++killed;
            } else {
                QCOMPARE(saver.exitCode(), 0);
                ++finished;
            }

            if (QFile::exists(historyPath)) {
                const QByteArray history = CoreTest::readFile(historyPath);
                int round = 0;
                QVERIFY2(isWholeHistory(history, &round),
                         qPrintable(QStringLiteral("after kill %1 the history (%2 bytes) is not whole")
                                        .arg(killed)
                                        .arg(history.size())));
                QVERIFY2(round >= lastHistoryRound, "the history went back to an older version");
                lastHistoryRound = round;
            } else {
                QCOMPARE(lastHistoryRound, 0);
            }

            if (QFile::exists(settingsPath)) {
                const QByteArray settings = CoreTest::readFile(settingsPath);
                const int version = settingsVersions.value(SaveRounds::fingerprint(settings), 0);
                QVERIFY2(version > 0,
                         qPrintable(QStringLiteral("after kill %1 the settings (%2 bytes) are not whole")
                                        .arg(killed)
                                        .arg(settings.size())));
                QVERIFY2(version >= lastSettingsVersion,
                         "the settings went back to an older version");
                lastSettingsVersion = version;
            } else {
                QCOMPARE(lastSettingsVersion, 0);
            }

            // A kill between the two steps that put a finished temporary file in place
            // (link it under a temporary name, rename that over the old file) leaves the
            // temporary name behind: a whole copy, never a part of one.
            const QStringList names = QDir(folder).entryList(
                QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
            for (const QString& name : names) {
                if (name == QueryHistory::fileName || name == settingsName)
                    continue;
                const QByteArray content = CoreTest::readFile(QDir(folder).filePath(name));
                int round = 0;
                if (name.startsWith(QueryHistory::fileName + QLatin1Char('.')))
                    QVERIFY2(isWholeHistory(content, &round),
                             qPrintable(QStringLiteral("a part of the history left in ") + name));
                else
                    QVERIFY2(name.startsWith(settingsName + QLatin1Char('.'))
                                 && settingsVersions.contains(SaveRounds::fingerprint(content)),
                             qPrintable(QStringLiteral("left behind: ") + name));
                strays.insert(name);
            }
        }

        qInfo("%d kills, %d of them while a save was writing its file; %d runs ended on their "
              "own; history at round %d, settings at version %d; whole copies left under a "
              "temporary name: %d",
              killed, killedWhileWriting, finished, lastHistoryRound, lastSettingsVersion,
              int(strays.size()));
        QVERIFY(killed >= kills / 2);
        // The test only means something if many kills strike in the middle of a write.
        QVERIFY(killedWhileWriting >= killed / 10);
    }
};

QTEST_APPLESS_MAIN(TestKillWhileSaving)
#include "tst_killwhilesaving.moc"
