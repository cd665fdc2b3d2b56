// The user's date and time formats in locale notation, which the date-pattern conversion reads:
// d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh (12-hour), H HH (24-hour), m mm, s ss, tt (the
// AM/PM mark); every other character is literal.
#pragma once

#include <QLocale>
#include <QString>

namespace pix {

/// The locale's short date format, a blank, and its long time format, in locale notation.
QString userDateTimeFormat(const QLocale& locale = QLocale::system());

/// One QLocale date or time format translated to locale notation:
///  - "AP", "ap", "Ap", "aP", "A" and "a" become "tt";
///  - "h" and "hh" stay 12-hour when the format has an AM/PM mark and become "H" and "HH"
///    otherwise, as QLocale renders them;
///  - milliseconds ("z", "zzz") and the time zone ("t") are dropped, together with the
///    separator that joined them to the rest ("HH:mm:ss.zzz t" gives "HH:mm:ss"), and with
///    brackets that held only them ("H:mm:ss (t)" gives "H:mm:ss");
///  - quoted text loses its quotes ("''" is a quote character), and a "%" becomes "%%" so
///    that it prints as itself.
/// Letters inside quoted text cannot be protected in locale notation: a quoted "d" will be
/// read as a day.
QString localeFormatFromQt(const QString& format);

} // namespace pix
