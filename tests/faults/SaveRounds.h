#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <functional>

// The saves of the kill test: round n writes the history with n terms, then the three
// settings of the close sequence and one padding value, each write a file of its own.
// Both files grow from round to round, so a torn write can never pass for a whole one.
namespace SaveRounds {

QList<QByteArray> historyItems(int round);

struct SettingsWrite {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};
QList<SettingsWrite> settingsWrites(int round);

// Every settings file the rounds up to lastRound leave behind, numbered in the order they
// are written from no file at all (1, 2, …), keyed by the SHA-1 of their bytes. A round
// done again after a kill writes nothing that is not in this list.
QHash<QByteArray, int> settingsVersions(int lastRound);
QByteArray fingerprint(const QByteArray& content);

} // namespace SaveRounds
