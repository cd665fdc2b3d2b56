// Reading a file that someone else may have put in its place: a FIFO would block the reader, a
// link to a device would never end, a huge file would take its memory.
#pragma once

#include <QByteArray>
#include <QString>

namespace pix {

struct RegularFileRead {
    enum class Outcome { Read, Missing, NotRegular, TooLarge, Failed };
    Outcome outcome = Outcome::Failed;
    QByteArray bytes;
    int error = 0; // errno of a failure to open or examine it
};

// Opens path without waiting for a writer and, unless followLink, without following a link at
// its end; reads it only when it is a regular file of at most `limit` bytes, and no further
// than the size it had when it was opened.
RegularFileRead readRegularFile(const QString& path, qint64 limit, bool followLink);

} // namespace pix
