#include "preview/datenormaliser.h"

#include <cctype>
#include <clocale>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <strings.h>

namespace preview {

namespace {

// Parsing and formatting use the "C" locale, so day and month names and the
// AM/PM marker are English whatever LANG says.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

const char *const kDatePatterns[] = {
    "%A %d %b %Y %H:%M:%S %z",
    "%d %b %y %H:%M:%S",
    "%d %b %Y %H:%M:%S",
    "%B %d %Y %H:%M %p",
    "%A %d %b %Y %H:%M:%S",
};

// The form with a marker after a 24-hour field: glibc reads the marker but
// does not apply it after %H, so the marker is applied here.
const char kMarkerPattern[] = "%B %d %Y %H:%M %p";
const char kMarkerPatternHead[] = "%B %d %Y %H:%M";

bool parseWithMarker(const char *text, struct tm &time)
{
    const char *rest = strptime_l(text, kMarkerPatternHead, &time, cLocale());
    if (!rest)
        return false;
    while (*rest && std::isspace(static_cast<unsigned char>(*rest)))
        ++rest;
    const bool morning = strncasecmp(rest, "AM", 2) == 0;
    const bool evening = strncasecmp(rest, "PM", 2) == 0;
    if ((!morning && !evening) || time.tm_hour > 12)
        return false;
    time.tm_hour = time.tm_hour % 12 + (evening ? 12 : 0);
    return true;
}

} // namespace

QString cleanDateText(const QString &text, PreviewKind kind)
{
    static const char *const removedTexts[] = {
        " (UTC)", " CDT", " EDT", " EST", " CST", " DST", " (India Standard Time)", ",", "\n",
    };
    QString cleaned = text;
    for (const char *removed : removedTexts) {
        if (kind == PreviewKind::WholeFile && std::strcmp(removed, " (India Standard Time)") == 0)
            continue;
        cleaned.remove(QLatin1String(removed));
    }
    return cleaned;
}

QString normaliseDate(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (!cLocale())
        return QString();
    for (const char *pattern : kDatePatterns) {
        struct tm time;
        std::memset(&time, 0, sizeof time);
        const bool read = std::strcmp(pattern, kMarkerPattern) == 0
            ? parseWithMarker(bytes.constData(), time)
            : strptime_l(bytes.constData(), pattern, &time, cLocale()) != nullptr;
        if (!read)
            continue;
        char formatted[64] = {};
        const size_t length =
            strftime_l(formatted, sizeof formatted, "%d %b %Y %I:%M:%S %p", &time, cLocale());
        return QString::fromLatin1(formatted, int(length));
    }
    return QString();
}

} // namespace preview
