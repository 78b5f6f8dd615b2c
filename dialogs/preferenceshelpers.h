#pragma once
// Free helpers kept beside the Preferences dialog: a region with rounded
// corners, calendar fields of a 1904-epoch second count, and compact
// timestamp texts.

#include <QDateTime>
#include <QRect>
#include <QRegion>

// Calendar fields; GetTime fills all but wDayOfWeek and wMilliseconds.
struct _SYSTEMTIME {
    quint16 wYear;
    quint16 wMonth;        // 1 to 12
    quint16 wDayOfWeek;
    quint16 wDay;          // 1 to 31
    quint16 wHour;         // 0 to 23
    quint16 wMinute;
    quint16 wSecond;
    quint16 wMilliseconds;
};

// rect with its corners rounded by ellipses of r * 2.25 pixels (truncated)
// across; corners are inclusive, as QRect::right() and bottom() give them.
QRegion roundedRect(const QRect &rect, int r);

// Calendar fields of seconds since 1 January 1904 00:00:00, counting every
// fourth year as a leap year (no century exception).
void GetTime(_SYSTEMTIME *out, unsigned long seconds);

// Local date and time of a compact timestamp: "yyyyMMddHHmm.ss",
// "yyyyMMddHHmm", "yyMMddHHmm.ss" or "yyMMddHHmm", digits only; or the
// current time for "-now" in any letter case. Null for anything else,
// for a null pointer and for a date that does not exist.
QDateTime getDate(const char *text);

namespace preferenceshelpers {

// Full year of a two-digit year yy in the window currentYear - 80 to
// currentYear + 19.
int fullYearOfTwoDigits(int yy, int currentYear);

// getDate with the current year given, for the two-digit forms.
QDateTime parseTimestamp(const char *text, int currentYear);

} // namespace preferenceshelpers
