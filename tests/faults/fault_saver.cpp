// Saves the history and the settings in rounds of growing content, the way the close
// sequence does, until it is killed or has done its last round. It picks up from the
// history it finds, so one folder can outlive many kills.
//
//   fault_saver FOLDER LAST_ROUND

#include "ProfileFile.h"
#include "QueryHistory.h"
#include "SaveRounds.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: fault_saver FOLDER LAST_ROUND\n");
        return 2;
    }
    const QDir folder(arguments[1]);
    const int lastRound = arguments[2].toInt();
    const QString historyPath = folder.filePath(QueryHistory::fileName);
    ProfileFile settings(folder.filePath(QStringLiteral("Veritoem.ini")));

    try {
        // A kill may have struck inside round n after its history was saved; doing round
        // n again rewrites what it had already written with the same bytes.
        const int first = qMax(1, int(QueryHistory::load(historyPath).size()));
        // Tells the test that the saving starts now, however long the start-up took.
        std::fputs("saving\n", stdout);
        std::fflush(stdout);
        for (int round = first; round <= lastRound; ++round) {
            QueryHistory::save(historyPath, SaveRounds::historyItems(round));
            for (const SaveRounds::SettingsWrite& write : SaveRounds::settingsWrites(round))
                settings.writeString(write.section, write.key, write.value);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fault_saver: %s\n", error.what());
        return 1;
    }
    return 0;
}
