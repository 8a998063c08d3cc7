#include "SaveRounds.h"

#include "AnsiCodec.h"
#include "ProfileFile.h"

#include <QCryptographicHash>

namespace SaveRounds {

QList<QByteArray> historyItems(int round)
{
    QList<QByteArray> items;
    items.reserve(round);
    for (int i = 0; i < round; ++i) {
        const QByteArray term = AnsiCodec::encode(QStringLiteral("第%1条 查询").arg(i));
        items.append(term + QByteArray(40 + (i * 37) % 160, char('a' + i % 26)));
    }
    return items;
}

QList<SettingsWrite> settingsWrites(int round)
{
    return {
        {"Form", "width", QByteArray::number(100 + round)},
        {"Form", "Height", QByteArray::number(50 + round)},
        {"Dictionary", "ID", QByteArray::number(round % 3)},
        {"Padding", "Text", QByteArray(round * 40, 'p')},
    };
}

QHash<QByteArray, int> settingsVersions(int lastRound)
{
    QHash<QByteArray, int> versions;
    QByteArray content;
    for (int round = 1; round <= lastRound; ++round) {
        for (const SettingsWrite& write : settingsWrites(round)) {
            content = Profile::withValue(content, write.section, write.key, write.value);
            versions.insert(fingerprint(content), int(versions.size()) + 1);
        }
    }
    return versions;
}

QByteArray fingerprint(const QByteArray& content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha1);
}

} // namespace SaveRounds
