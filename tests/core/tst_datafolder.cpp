#include "CoreTestTools.h"
#include "DataFolder.h"
#include "MainWindowSettings.h"
#include "ProfileFile.h"
#include "QueryHistory.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using namespace CoreTest;

namespace {

const QByteArray adminSettings = "[Form]\r\nwidth=800\r\n[Dictionary]\r\nID=2\r\n";
const QByteArray adminHistory = "\xCA\xE9\r\nadmin\r\n"; // GB18030 bytes, kept as they are
const QByteArray ownSettings = "[Form]\r\nwidth=640\r\n";
const QByteArray ownHistory = "mine\r\n";
constexpr QFile::Permissions readOnly =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;

QString settingsIn(const QString& folder) { return QDir(folder).filePath(MainWindowSettings::fileName); }
QString historyIn(const QString& folder) { return QDir(folder).filePath(QueryHistory::fileName); }

// As root the rule is tried as "nobody" (see runUnprivileged), who must own what a user
// owns: their home, their files, and a program folder they may write.
bool giveToUser(const QString& path)
{
    return ::geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
}

bool preparedAsUser(const QString& program, const QString& user, const QString& expected)
{
    return runUnprivileged([&] { return DataFolder::prepare(program, user) == expected; });
}

// What a user's run writes at close, into the folder the rule gave; a failure is silent.
bool saveAsUser(const QString& folder, const QByteArray& term, int width)
{
    return runUnprivileged([&] {
        try {
            QueryHistory::save(historyIn(folder), {term});
            ProfileFile(settingsIn(folder)).writeInteger(MainWindowSettings::formSection, "width", width);
        } catch (const Error&) {
        }
        return true;
    });
}

int storedWidth(const QString& folder)
{
    return ProfileFile(settingsIn(folder)).readInteger(MainWindowSettings::formSection, "width", 0);
}

} // namespace

// Where the settings and history files live, on real folders, tried as a user who cannot
// write the program's folder.
class TestDataFolder : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString program;
    QString home;

private slots:
    // Every test starts with a program folder holding an administrator's two files.
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner));
        program = dir.filePath(QStringLiteral("program"));
        home = dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(home) && giveToUser(home));
        QVERIFY(writeFile(settingsIn(program), adminSettings));
        QVERIFY(writeFile(historyIn(program), adminHistory));
    }

    void cleanup()
    {
        QDirIterator it(dir.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), readOnly | QFile::WriteOwner);
        for (const QString& entry : entries(dir.path()))
            QVERIFY(QDir(dir.filePath(entry)).removeRecursively());
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
        QTest::addColumn<QString>("before"); // what the user's configuration holds
        QTest::addColumn<bool>("historyReadable");
        QTest::addColumn<bool>("inUserFolder");
        // What the user's folder holds at start; null when their run cannot save there.
        QTest::addColumn<QByteArray>("startSettings");
        QTest::addColumn<QByteArray>("startHistory");

        QTest::newRow("program folder writable: the files stay beside it")
            << true << "nothing" << true << false << QByteArray() << QByteArray();
        QTest::newRow("first run: the administrator's files are the start")
            << false << "nothing" << true << true << adminSettings << adminHistory;
        QTest::newRow("first run, administrator's history unreadable")
            << false << "nothing" << false << true << adminSettings << QByteArray("");
        QTest::newRow("later run: the user's own files")
            << false << "own files" << true << true << ownSettings << ownHistory;
        QTest::newRow("configuration folder cannot be created")
            << false << "read-only home" << true << true << QByteArray() << QByteArray();
        QTest::newRow("a file stands where the folder would be")
            << false << "a file" << true << true << QByteArray() << QByteArray();
    }
    void prepare()
    {
        QFETCH(bool, programWritable);
        QFETCH(QString, before);
        QFETCH(bool, historyReadable);
        QFETCH(bool, inUserFolder);
        QFETCH(QByteArray, startSettings);
        QFETCH(QByteArray, startHistory);

        const QString config = QDir(home).filePath(QStringLiteral(".config"));
        const QString user = QDir(config).filePath(QStringLiteral("veritome"));
        if (before == "own files") {
            QVERIFY(QDir().mkpath(user) && giveToUser(config) && giveToUser(user));
            QVERIFY(writeFile(settingsIn(user), ownSettings) && giveToUser(settingsIn(user)));
            QVERIFY(writeFile(historyIn(user), ownHistory) && giveToUser(historyIn(user)));
        } else if (before == "read-only home") {
            QVERIFY(QFile::setPermissions(home, readOnly));
        } else if (before == "a file") {
            QVERIFY(QDir().mkpath(config) && giveToUser(config));
            QVERIFY(writeFile(user, "someone's notes"));
        }
        if (!historyReadable)
            QVERIFY(QFile::setPermissions(historyIn(program), {}));
        QVERIFY(programWritable ? giveToUser(program) : QFile::setPermissions(program, readOnly));

        const QString expected = inUserFolder ? user : program;
        QVERIFY(preparedAsUser(program, user, expected));
        if (!inUserFolder)
            QVERIFY(!QFileInfo::exists(config));
        const bool saves = !startSettings.isNull();
        if (saves) {
            QCOMPARE(readFile(settingsIn(user)), startSettings);
            QCOMPARE(readFile(historyIn(user)), startHistory);
        }
        if (saves && before == "nothing") // a folder the rule made is its user's alone
            QCOMPARE(QFileInfo(user).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                     QFile::Permissions());

        QVERIFY(saveAsUser(expected, "term", 700));
        if (saves) {
            QCOMPARE(readFile(historyIn(user)), QByteArray("term\r\n"));
            QCOMPARE(storedWidth(user), 700);
        }
        // The administrator's files are read at most; what was there before is never lost.
        if (inUserFolder) {
            QVERIFY(QFile::setPermissions(historyIn(program), QFile::ReadOwner));
            QCOMPARE(readFile(settingsIn(program)), adminSettings);
            QCOMPARE(readFile(historyIn(program)), adminHistory);
            QCOMPARE(entries(program), QStringList({"Veritoem.ini", "Veritome.qry"}));
        }
        if (before == "a file")
            QCOMPARE(readFile(user), QByteArray("someone's notes"));
        if (before == "read-only home")
            QVERIFY(!QFileInfo::exists(config));
    }

    // Two users of one shared install: each starts from the administrator's files and
    // from then on sees only their own.
    void twoUsers()
    {
        QVERIFY(QFile::setPermissions(program, readOnly));
        const QString otherHome = dir.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(otherHome) && giveToUser(otherHome));
        const QString first = DataFolder::userFolder(QString(), home);
        const QString second = DataFolder::userFolder(QString(), otherHome);

        QVERIFY(preparedAsUser(program, first, first));
        QVERIFY(saveAsUser(first, "first user's", 500));
        QVERIFY(preparedAsUser(program, second, second));
        QCOMPARE(readFile(historyIn(second)), adminHistory);
        QVERIFY(saveAsUser(second, "second user's", 900));
        QVERIFY(preparedAsUser(program, first, first));

        QCOMPARE(readFile(historyIn(first)), QByteArray("first user's\r\n"));
        QCOMPARE(readFile(historyIn(second)), QByteArray("second user's\r\n"));
        QCOMPARE(storedWidth(first), 500);
        QCOMPARE(storedWidth(second), 900);
        QCOMPARE(readFile(historyIn(program)), adminHistory);
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
