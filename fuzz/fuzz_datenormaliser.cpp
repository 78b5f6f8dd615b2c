// The date routines of the preview: a date is either not read or written
// in the one form the header box shows; the cleaning only removes text.

#include "fuzzcheck.h"
#include "preview/datenormaliser.h"

#include <QRegularExpression>
#include <QString>

using preview::PreviewKind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QRegularExpression shown(QStringLiteral(
        "^[0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) -?[0-9]{1,} "
        "(0[1-9]|1[0-2]):[0-5][0-9]:[0-6][0-9] (AM|PM)$"));
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const QString cleaned = preview::cleanDateText(text, kind);
        FUZZ_CHECK(cleaned.size() <= text.size());
        FUZZ_CHECK(!cleaned.contains(QLatin1Char(',')) && !cleaned.contains(QLatin1Char('\n')));

        const QString date = preview::normaliseDate(cleaned);
        if (!date.isEmpty()) {
            if (!shown.match(date).hasMatch()) {
                std::fprintf(stderr, "date shown as \"%s\"\n", date.toUtf8().constData());
                FUZZ_CHECK(false);
            }
        }
        FUZZ_CHECK(preview::normaliseDate(cleaned) == date);
    }
    return 0;
}
