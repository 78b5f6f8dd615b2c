#include "dialogs/preferenceshelpers.h"

#include <QByteArray>
#include <QDate>

QRegion roundedRect(const QRect &rect, int r)
{
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.right();
    const int bottom = rect.bottom();

    QRegion region;
    region += QRect(QPoint(left + r, top), QPoint(right - r, bottom));
    region += QRect(QPoint(left, top + r), QPoint(right, bottom - r));

    // The corner ellipses are a little wider than 2 * r, which softens the
    // joins with the two bands above.
    const int d = static_cast<int>(r * 2.25);
    QRect corner(left, top, d, d);
    region += QRegion(corner, QRegion::Ellipse);
    corner.moveTopRight(QPoint(right, top));
    region += QRegion(corner, QRegion::Ellipse);
    corner.moveBottomLeft(QPoint(left, bottom));
    region += QRegion(corner, QRegion::Ellipse);
    corner.moveBottomRight(QPoint(right, bottom));
    region += QRegion(corner, QRegion::Ellipse);
    return region;
}

void GetTime(_SYSTEMTIME *out, unsigned long seconds)
{
    static const unsigned char daysPerMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const unsigned long fourYears = 126230400UL;   // 1461 days
    const unsigned long quarterDayYear = 31557600UL; // 365.25 days
    const unsigned long leapYear = 31622400UL;     // 366 days
    const unsigned long commonYear = 31536000UL;   // 365 days

    // 1. Position inside the four-year cycle, which starts with its leap year.
    unsigned long rem = seconds % fourYears;
    // 2. First year of the cycle.
    const unsigned long years = seconds / quarterDayYear;
    quint16 year = static_cast<quint16>(1904 + (years - years % 4));
    // 3. Year inside the cycle.
    bool leap = true;
    if (rem >= leapYear) {
        ++year;
        rem -= leapYear;
        leap = false;
        for (int i = 0; i < 2; ++i) {
            if (rem >= commonYear) {
                ++year;
                rem -= commonYear;
            }
        }
    }
    // 4. Day of the year and second of the day.
    unsigned long dayIndex = rem / 86400;
    const unsigned long secondOfDay = rem % 86400;
    // 5. Month.
    quint16 month = 1;
    for (int m = 0; m < 12; ++m) {
        const unsigned long length = m == 1 ? (leap ? 29 : 28) : daysPerMonth[m];
        if (dayIndex < length)
            break;
        dayIndex -= length;
        ++month;
    }
    // 6. Fields.
    out->wYear = year;
    out->wMonth = month;
    out->wDay = static_cast<quint16>(dayIndex + 1);
    out->wHour = static_cast<quint16>(secondOfDay / 3600);
    out->wMinute = static_cast<quint16>((secondOfDay % 3600) / 60);
    out->wSecond = static_cast<quint16>(secondOfDay % 60);
}

QDateTime getDate(const char *text)
{
    return preferenceshelpers::parseTimestamp(text, QDate::currentDate().year());
}

namespace preferenceshelpers {

namespace {
bool allDigits(const QByteArray &text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}
} // namespace

int fullYearOfTwoDigits(int yy, int currentYear)
{
    // A sliding window: two-digit years name the 80 years up to the current
    // one and the 19 after it, so both birth dates and near expiry dates read
    // as meant.
    int year = (currentYear / 100) * 100 + yy;
    if (year > currentYear + 19)
        year -= 100;
    else if (year < currentYear - 80)
        year += 100;
    return year;
}

QDateTime parseTimestamp(const char *text, int currentYear)
{
    if (!text)
        return QDateTime();
    const QByteArray raw(text);
    const int n = raw.size();

    // The seconds of the long forms follow a dot, which the patterns leave out.
    QByteArray digits;
    bool twoDigitYear = false;
    if (n == 15 && raw.at(12) == '.') {
        digits = raw.left(12) + raw.right(2);
    } else if (n == 12) {
        digits = raw;
    } else if (n == 13 && raw.at(10) == '.') {
        digits = raw.left(10) + raw.right(2);
        twoDigitYear = true;
    } else if (n == 10) {
        digits = raw;
        twoDigitYear = true;
    }

    QDateTime parsed;
    if (!digits.isEmpty() && allDigits(digits)) {
        if (twoDigitYear) {
            const int year = fullYearOfTwoDigits(digits.left(2).toInt(), currentYear);
            digits = QByteArray::number(year).rightJustified(4, '0') + digits.mid(2);
        }
        const QString pattern = digits.size() == 14 ? QStringLiteral("yyyyMMddHHmmss")
                                                    : QStringLiteral("yyyyMMddHHmm");
        parsed = QDateTime::fromString(QString::fromLatin1(digits), pattern);
    }
    if (parsed.isValid())
        return parsed;
    if (raw.compare(QByteArrayLiteral("-now"), Qt::CaseInsensitive) == 0)
        return QDateTime::currentDateTime();
    return QDateTime();
}

} // namespace preferenceshelpers
