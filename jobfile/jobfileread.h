// Reading a job file into memory before it is parsed.
#pragma once

#include <QByteArray>
#include <QString>

namespace pix {

class UserPrompt;

// Job files hold a few hundred bytes per entry; anything larger than this is not a job file,
// and parsing it would cost memory out of all proportion.
inline constexpr qint64 kMaxJobFileBytes = 32 * 1024 * 1024;

/// Reads the whole file. A missing file gives "Unable to load the XML file.", one that cannot
/// be read "Unable to open the XML file - <reason>."; both answer false.
bool readJobFile(const QString& path, QByteArray& bytes, UserPrompt* prompt);

} // namespace pix
