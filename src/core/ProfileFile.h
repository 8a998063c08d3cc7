#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A Windows-style INI ("profile") file read and written one value at a time, with the
// rules of the Windows profile API: section and key names match without regard to
// case, values are trimmed and lose one pair of enclosing quotes, at most 2,047
// characters of a value are seen, and every write goes to the file at once.
//
// Writes replace the whole file atomically (temporary file beside it, then rename),
// so a crash in the middle never leaves a half-written file behind; only a writable file
// in a folder that takes no new file is written in place.
class ProfileFile {
public:
    explicit ProfileFile(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }

    // The value's text as the profile API hands it out, or nothing when the file,
    // section or key is missing.
    std::optional<QByteArray> readString(const QByteArray& section, const QByteArray& key) const;
    // The stored integer, or defaultValue when there is none or it is not an integer.
    qint32 readInteger(const QByteArray& section, const QByteArray& key, qint32 defaultValue) const;

    // Throw Error when the file cannot be written.
    void writeString(const QByteArray& section, const QByteArray& key, const QByteArray& value);
    void writeInteger(const QByteArray& section, const QByteArray& key, qint32 value);

    static constexpr int maxValueLength = 2047;

private:
    QString m_path;
};

namespace Profile {
// The integer conversion applied to a stored value: optional blanks and sign, then
// decimal digits within the signed 32-bit range, or after "$", "x", "X", "0x" or "0X"
// hexadecimal digits that fit in 32 bits (taken as a 32-bit pattern).
std::optional<qint32> parseInteger(const QByteArray& text);

// The profile API's look-up on a file's bytes, and its update of them.
std::optional<QByteArray> findValue(const QByteArray& content, const QByteArray& section,
                                    const QByteArray& key);
QByteArray withValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                     const QByteArray& value);
} // namespace Profile
