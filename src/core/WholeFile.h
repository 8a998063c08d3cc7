#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading and writing a small file as a whole, for the settings and the history.
namespace WholeFile {

// All of the file's bytes, or nothing with the system's reason when the file cannot be
// opened or cannot be read to its end: half a file must never pass for the whole of it.
std::optional<QByteArray> read(const QString& path, QString* reason);

// Replaces the file's content, or returns false with the system's reason and leaves the
// file as it was. The new content goes to a temporary file beside it, which then takes the
// file's place by rename. Where the folder takes no new file but the file itself may be
// written (a read-only folder holding writable files), the file is written in place.
bool write(const QString& path, const QByteArray& content, QString* reason);

} // namespace WholeFile
