#include "ProfileFile.h"

#include "Error.h"
#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmedBlanks(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && (isBlank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of a profile file, split the way the profile API sees it.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    QByteArray name;  // section name or key
    QByteArray value; // the entry's value, trimmed
};

Line classify(const QByteArray& raw)
{
    const QByteArray text = trimmedBlanks(raw);
    Line line;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        line.kind = Line::Section;
        line.name = trimmedBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals > 0) {
        line.kind = Line::Entry;
        line.name = trimmedBlanks(text.left(equals));
        line.value = trimmedBlanks(text.mid(equals + 1));
    }
    return line;
}

QList<QByteArray> splitLines(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

namespace Profile {

std::optional<qint32> parseInteger(const QByteArray& input)
{
    QByteArray text = input;
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X")))
        text.replace(0, 2, "$");

    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;

    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const int digit = hex ? hexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + quint64(digit);
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
    }

    if (hex) {
        const quint32 pattern = quint32(magnitude);
        return qint32(negative ? 0u - pattern : pattern);
    }
    const quint64 limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (magnitude > limit)
        return std::nullopt;
    return negative ? qint32(-qint64(magnitude)) : qint32(magnitude);
}

std::optional<QByteArray> findValue(const QByteArray& content, const QByteArray& section,
                                    const QByteArray& key)
{
    bool inSection = false;
    bool sectionSeen = false;
    for (const QByteArray& raw : splitLines(content)) {
        const Line line = classify(raw);
        if (line.kind == Line::Section) {
            // Only the first section of that name counts, as with the profile API.
            if (inSection)
                return std::nullopt;
            inSection = !sectionSeen && sameName(line.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && line.kind == Line::Entry && sameName(line.name, key)) {
            QByteArray value = line.value;
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
                && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return value.left(ProfileFile::maxValueLength);
        }
    }
    return std::nullopt;
}

QByteArray withValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                     const QByteArray& value)
{
    QList<QByteArray> lines = splitLines(content);
    const QByteArray entry = key + '=' + value;

    qsizetype sectionStart = -1;
    qsizetype lastEntryOfSection = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = classify(lines[i]);
        if (line.kind == Line::Section) {
            if (sectionStart >= 0)
                break;
            if (sameName(line.name, section)) {
                sectionStart = i;
                lastEntryOfSection = i;
            }
        } else if (sectionStart >= 0 && line.kind == Line::Entry) {
            if (sameName(line.name, key)) {
                lines[i] = entry;
                return lines.join("\r\n") + "\r\n";
            }
            lastEntryOfSection = i;
        }
    }

    if (sectionStart >= 0) {
        lines.insert(lastEntryOfSection + 1, entry);
    } else {
        if (!lines.isEmpty() && !trimmedBlanks(lines.last()).isEmpty())
            lines.append(QByteArray());
        lines.append('[' + section + ']');
        lines.append(entry);
    }
    return lines.join("\r\n") + "\r\n";
}

} // namespace Profile

std::optional<QByteArray> ProfileFile::readString(const QByteArray& section,
                                                  const QByteArray& key) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Profile::findValue(file.readAll(), section, key);
}

qint32 ProfileFile::readInteger(const QByteArray& section, const QByteArray& key,
                                qint32 defaultValue) const
{
    const std::optional<QByteArray> text = readString(section, key);
    if (!text)
        return defaultValue;
    return Profile::parseInteger(*text).value_or(defaultValue);
}

void ProfileFile::writeString(const QByteArray& section, const QByteArray& key,
                              const QByteArray& value)
{
    // A file read in part is not written back: its other values would be lost.
    QString reason;
    std::optional<QByteArray> content;
    if (QFileInfo::exists(m_path))
        content = WholeFile::read(m_path, &reason);
    else
        content = QByteArray();
    if (!content
        || !WholeFile::write(m_path, Profile::withValue(*content, section, key, value), &reason))
        throw Error(QStringLiteral("Unable to write to %1").arg(m_path));
}

void ProfileFile::writeInteger(const QByteArray& section, const QByteArray& key, qint32 value)
{
    writeString(section, key, QByteArray::number(value));
}
