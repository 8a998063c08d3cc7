#include "CoreTestTools.h"
#include "DataFolder.h"
#include "Error.h"
#include "MainWindowSettings.h"
#include "ProfileFile.h"
#include "QueryHistory.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace CoreTest;

namespace {

const QByteArray adminSettings = "[Form]\r\nwidth=800\r\nHeight=600\r\n[Dictionary]\r\nID=2\r\n";
const QByteArray adminHistory = "\xCA\xE9\r\nadmin\r\n"; // GB18030 bytes stay as they are
const QByteArray ownSettings = "[Form]\r\nwidth=640\r\n";
const QByteArray ownHistory = "mine\r\n";

// As root the folder rule is tried as "nobody" (see runUnprivileged), who must own what
// a user owns: their home, and a program folder they may write.
bool giveToUser(const QString& path)
{
    return ::geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
}

bool makeUserFolder(const QString& path)
{
    return QDir().mkpath(path) && giveToUser(path);
}

// What a user's run writes at close, into the folder the rule gave.
bool saveAsUser(const QString& folder, const QByteArray& term, int width)
{
    return runUnprivileged([&] {
        try {
            QueryHistory::save(QDir(folder).filePath(QueryHistory::fileName), {term});
            ProfileFile(QDir(folder).filePath(MainWindowSettings::fileName))
                .writeInteger(MainWindowSettings::formSection, "width", width);
        } catch (const Error&) {
        }
        return true;
    });
}

} // namespace

// Where the settings and history files live, on real folders, tried as a user who cannot
// write the program's folder.
class TestDataFolder : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString program;

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner
                                          | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther));
        program = dir.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(writeFile(QDir(program).filePath(MainWindowSettings::fileName), adminSettings));
        QVERIFY(writeFile(QDir(program).filePath(QueryHistory::fileName), adminHistory));
    }

    void cleanup()
    {
        // Read-only folders are made writable again, so that the next row starts afresh.
        QDirIterator it(dir.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& entry : entries(dir.path()))
            QVERIFY(QFileInfo(dir.filePath(entry)).isDir() ? QDir(dir.filePath(entry)).removeRecursively()
                                                          : QFile::remove(dir.filePath(entry)));
    }

    void userFolder_data()
    {
        QTest::addColumn<QString>("xdgConfigHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unset") << QString() << "/home/ann/.config/veritome";
        QTest::newRow("set") << "/srv/conf" << "/srv/conf/veritome";
        QTest::newRow("relative, ignored") << "conf" << "/home/ann/.config/veritome";
    }
    void userFolder()
    {
        QFETCH(QString, xdgConfigHome);
        QFETCH(QString, expected);
        QCOMPARE(DataFolder::userFolder(xdgConfigHome, QStringLiteral("/home/ann")), expected);
    }

    void prepare_data()
    {
        QTest::addColumn<bool>("programWritable");
        QTest::addColumn<QString>("userState");
        QTest::addColumn<bool>("historyReadable");
        QTest::addColumn<bool>("inUserFolder");
        // What the user folder holds after the start, and after the user's run saved.
        QTest::addColumn<QByteArray>("startSettings");
        QTest::addColumn<QByteArray>("startHistory");
        QTest::addColumn<bool>("saved");

        QTest::newRow("program folder writable: the files stay beside it")
            << true << "missing" << true << false << QByteArray() << QByteArray() << false;
        QTest::newRow("first run: the administrator's files are the start")
            << false << "missing" << true << true << adminSettings << adminHistory << true;
        QTest::newRow("first run, administrator's history unreadable")
            << false << "missing" << false << true << adminSettings << QByteArray() << true;
        QTest::newRow("later run: the user's own files")
            << false << "own files" << true << true << ownSettings << ownHistory << true;
        QTest::newRow("configuration folder cannot be created")
            << false << "blocked" << true << true << QByteArray() << QByteArray() << false;
        QTest::newRow("a file stands where the folder would be")
            << false << "file" << true << true << QByteArray() << QByteArray() << false;
    }
    void prepare()
    {
        QFETCH(bool, programWritable);
        QFETCH(QString, userState);
        QFETCH(bool, historyReadable);
        QFETCH(bool, inUserFolder);
        QFETCH(QByteArray, startSettings);
        QFETCH(QByteArray, startHistory);
        QFETCH(bool, saved);

        const QString home = dir.filePath(QStringLiteral("home"));
        QVERIFY(makeUserFolder(home));
        const QString config = QDir(home).filePath(QStringLiteral(".config"));
        const QString user = QDir(config).filePath(QStringLiteral("veritome"));
        const QString blockedFile = QDir(config).filePath(QStringLiteral("veritome"));
        if (userState == "own files") {
            QVERIFY(makeUserFolder(config) && makeUserFolder(user));
            QVERIFY(writeFile(QDir(user).filePath(MainWindowSettings::fileName), ownSettings));
            QVERIFY(writeFile(QDir(user).filePath(QueryHistory::fileName), ownHistory));
            QVERIFY(giveToUser(QDir(user).filePath(MainWindowSettings::fileName))
                    && giveToUser(QDir(user).filePath(QueryHistory::fileName)));
        } else if (userState == "blocked") {
            QVERIFY(QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner
                                                    | QFile::ReadOther | QFile::ExeOther));
        } else if (userState == "file") {
            QVERIFY(makeUserFolder(config));
            QVERIFY(writeFile(blockedFile, "someone's notes"));
        }
        if (!historyReadable)
            QVERIFY(QFile::setPermissions(QDir(program).filePath(QueryHistory::fileName), {}));
        if (programWritable)
            QVERIFY(giveToUser(program));
        else
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner
                                                       | QFile::ReadOther | QFile::ExeOther));

        const QString expected = inUserFolder ? user : program;
        QVERIFY(runUnprivileged([&] { return DataFolder::prepare(program, user) == expected; }));
        if (inUserFolder && userState == "missing")
            QCOMPARE(QFileInfo(user).permissions()
                         & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                            | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                     QFile::Permissions());
        if (inUserFolder && userState != "file") {
            QCOMPARE(readFile(QDir(user).filePath(MainWindowSettings::fileName)), startSettings);
            QCOMPARE(readFile(QDir(user).filePath(QueryHistory::fileName)), startHistory);
        }
        if (!inUserFolder)
            QVERIFY(!QFileInfo::exists(config));

        QVERIFY(saveAsUser(expected, "term", 700));
        if (saved) {
            QCOMPARE(readFile(QDir(user).filePath(QueryHistory::fileName)), QByteArray("term\r\n"));
            QCOMPARE(ProfileFile(QDir(user).filePath(MainWindowSettings::fileName))
                         .readInteger(MainWindowSettings::formSection, "width", 0),
                     700);
        }
        // The administrator's files are read at most; what was there before is never lost.
        if (inUserFolder) {
            QCOMPARE(readFile(QDir(program).filePath(MainWindowSettings::fileName)), adminSettings);
            QVERIFY(QFile::setPermissions(QDir(program).filePath(QueryHistory::fileName),
                                          QFile::ReadOwner));
            QCOMPARE(readFile(QDir(program).filePath(QueryHistory::fileName)), adminHistory);
            QCOMPARE(entries(program), QStringList({"Veritoem.ini", "Veritome.qry"}));
        }
        if (userState == "file")
            QCOMPARE(readFile(blockedFile), QByteArray("someone's notes"));
        if (userState == "blocked")
            QVERIFY(!QFileInfo::exists(config));
    }

    // Two users of one shared install: each starts from the administrator's files and
    // from then on sees only their own.
    void twoUsers()
    {
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner
                                                   | QFile::ReadOther | QFile::ExeOther));
        QString users[2];
        for (int i = 0; i < 2; ++i) {
            const QString home = dir.filePath(QStringLiteral("home%1").arg(i));
            QVERIFY(makeUserFolder(home));
            users[i] = DataFolder::userFolder(QString(), home);
        }
        const auto prepared = [&](int i) {
            return runUnprivileged([&] { return DataFolder::prepare(program, users[i]) == users[i]; });
        };
        const auto history = [&](int i) {
            return readFile(QDir(users[i]).filePath(QueryHistory::fileName));
        };
        QVERIFY(prepared(0));
        QVERIFY(saveAsUser(users[0], "first user's", 500));
        QVERIFY(prepared(1));
        QCOMPARE(history(1), adminHistory);
        QVERIFY(saveAsUser(users[1], "second user's", 900));
        QVERIFY(prepared(0));
        QCOMPARE(history(0), QByteArray("first user's\r\n"));
        QCOMPARE(history(1), QByteArray("second user's\r\n"));
        QCOMPARE(ProfileFile(QDir(users[0]).filePath(MainWindowSettings::fileName))
                     .readInteger(MainWindowSettings::formSection, "width", 0),
                 500);
        QCOMPARE(ProfileFile(QDir(users[1]).filePath(MainWindowSettings::fileName))
                     .readInteger(MainWindowSettings::formSection, "width", 0),
                 900);
        QCOMPARE(readFile(QDir(program).filePath(QueryHistory::fileName)), adminHistory);
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
