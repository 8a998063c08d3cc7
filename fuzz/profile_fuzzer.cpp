// The settings-file reader on any file content, and a write followed by a read.
#include "FuzzCheck.h"
#include "ProfileFile.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What the reader trims off a name or a value: blanks in front, blanks or CR behind.
bool untrimmed(const QByteArray& text)
{
    return text.isEmpty()
        || (!isBlank(text.front()) && !isBlank(text.back()) && text.back() != '\r');
}

// Names and values the file can hold so that reading gives back exactly what was written.
// The program writes fixed ASCII names and decimal numbers, all well inside these rules.
bool representable(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const bool sectionOk = untrimmed(section) && !section.contains(']') && !section.contains('\n');
    const bool keyOk = !key.isEmpty() && untrimmed(key) && !key.contains('=')
        && !key.contains('\n') && !key.startsWith('[');
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
    const bool valueOk = untrimmed(value) && !value.contains('\n') && !quoted
        && value.size() <= ProfileFile::maxValueLength;
    return sectionOk && keyOk && valueOk;
}

void checkInteger(const QByteArray& text)
{
    const std::optional<qint32> number = Profile::parseInteger(text);
    if (!number)
        return;
    FUZZ_CHECK(Profile::parseInteger(QByteArray::number(*number)) == number);
    FUZZ_CHECK(Profile::parseInteger("  " + text) == number);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray section = toBytes(input.ConsumeRandomLengthString(24));
    const QByteArray key = toBytes(input.ConsumeRandomLengthString(24));
    const QByteArray value = toBytes(input.ConsumeRandomLengthString(2100));
    const QByteArray otherSection = toBytes(input.ConsumeRandomLengthString(24));
    const QByteArray otherKey = toBytes(input.ConsumeRandomLengthString(24));
    const QByteArray content = toBytes(input.ConsumeRemainingBytesAsString());

    // Reading whatever the file holds.
    const std::optional<QByteArray> found = Profile::findValue(content, section, key);
    if (found) {
        FUZZ_CHECK(found->size() <= ProfileFile::maxValueLength);
        checkInteger(*found);
    }
    checkInteger(value);

    // Writing one value, then reading it back.
    const QByteArray written = Profile::withValue(content, section, key, value);
    if (!representable(section, key, value))
        return 0;
    FUZZ_CHECK(Profile::findValue(written, section, key) == value);
    FUZZ_CHECK(Profile::withValue(written, section, key, value) == written);
    if (!(sameName(otherSection, section) && sameName(otherKey, key)))
        FUZZ_CHECK(Profile::findValue(written, otherSection, otherKey)
                   == Profile::findValue(content, otherSection, otherKey));
    return 0;
}
