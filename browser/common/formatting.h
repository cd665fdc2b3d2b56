// Text utilities shared by the image browser, the job list, the Options dialog and the job-file
// loader: file-size text, extension-filter parsing, the date pattern of the "Date Modified"
// columns, and the two process-wide values FilterList and DatePattern.
//
// Nothing here throws; every function accepts any input.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace pix {

// The extension filter used when the settings store holds none.
inline constexpr QLatin1String kDefaultFilterText{
    "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.jxl"};

// ---- File sizes -------------------------------------------------------------------------------

/// The size as "N bytes" below 1 KB, otherwise in KB below 1 MB and in MB above, e.g. "1.50 KB",
/// "1 MB". The quotient is first rounded to single precision; when that leaves no fraction the
/// whole number is shown without decimals ("16 MB" for 16 MB and one byte). MB is the largest
/// unit: sizes of 4 GiB and more keep counting in MB ("4096 MB", "10240.50 MB").
/// decimals is clamped to 0..20. The decimal point is always "." whatever the locale.
QString FormatFileSize(quint64 size, int decimals);

// ---- Extension filter -------------------------------------------------------------------------

/// Splits a filter text such as "*.jpg;*.png" into patterns. Parts are separated by ";"; the
/// last part is further split at ",". Empty parts are dropped, blanks are kept. A "*.*" among
/// the parts (any case) makes the list "*.*" alone.
/// An empty text, or a null list, leaves the list untouched and answers false. Otherwise the
/// list is replaced and the answer is whether it holds at least one pattern.
bool ParseFilterList(const QString& text, QStringList* list);

/// The process-wide extension filter, empty until start-up sets it. Returns a copy, so it is
/// safe to call from any thread while another one replaces the list.
QStringList FilterList();
void SetFilterList(const QStringList& patterns);

// ---- Date pattern -----------------------------------------------------------------------------

/// The process-wide pattern of the "Date Modified" columns, empty until the main window sets
/// it. Same thread-safety as FilterList().
QString DatePattern();
void SetDatePattern(const QString& pattern);

/// Turns a date-and-time format in locale notation ("M/d/yyyy h:mm:ss tt") into a FormatTime
/// pattern
/// ("%#m/%#d/%Y %I:%M:%S %p"). Letters the conversion does not know stay as they are.
QString datePatternFromFormat(const QString& format);

/// Sets DatePattern to datePatternFromFormat(format).
void ConvertDatePicture(const QString& format);

/// Replaces a two-letter token such as "mm", letting a final single letter count as the token
/// and giving up at the first single letter inside the text (which stays with the rest).
QString ReplacePairToken(const QString& text, const QString& token, const QString& replacement);

/// Replaces the first occurrence of ch that does not follow a "%".
QString ReplaceLoneChar(const QString& text, QChar ch, const QString& replacement);

// ---- Time formatting --------------------------------------------------------------------------

/// Renders a time with a pattern of DatePattern's notation: %H %I %M %S %A %a %d %#d %B %b %m
/// %#m %Y %y %p, and "%%" for a percent sign. Any other character, and any other "%" sequence,
/// is copied as it stands. The time is shown in local time. Names of weekdays and months and the
/// AM/PM mark come from the given locale (by default the user's system locale); digits are
/// always ASCII. An invalid time gives the empty text.
QString FormatTime(const QDateTime& time, const QString& pattern,
                   const QLocale& locale = QLocale::system());

} // namespace pix
