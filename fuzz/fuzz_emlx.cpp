// The part handling of Apple Mail messages stored in pieces: the key of a
// partial message, the part numbers, the claims of the part index and the
// order of the claimed parts. One path per input line.

#include "fuzzcheck.h"
#include "scan/emlxdiscovery.h"

#include <QHash>
#include <QSet>
#include <QStringList>

using namespace emlxdiscovery;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList parts;
    QStringList messages;
    for (const QString &line : lines) {
        (line.endsWith(QLatin1String(".emlxpart")) ? parts : messages).append(line);
        const qint64 number = partNumber(line);
        FUZZ_CHECK(number >= 0);
        const QString key = partialKey(line);
        FUZZ_CHECK(line.startsWith(key));
        FUZZ_CHECK(key.isEmpty() || key.endsWith(QLatin1Char('.')));
    }

    // Every part is claimed at most once, only by a key it starts with,
    // and what is claimed and what remains make up the whole list.
    PartIndex index(parts);
    QHash<QString, int> claimedCount;
    for (const QString &message : messages) {
        const QString key = isPartialMessage(message) ? partialKey(message) : message;
        const QStringList claimed = index.claim(key);
        if (key.isEmpty())
            FUZZ_CHECK(claimed.isEmpty());
        for (const QString &part : claimed) {
            FUZZ_CHECK(part.startsWith(key));
            ++claimedCount[part];
        }

        const QStringList ordered = orderClaimedParts(claimed);
        FUZZ_CHECK(ordered.size() <= claimed.size());
        FUZZ_CHECK(QSet<QString>(ordered.cbegin(), ordered.cend()).size() == ordered.size());
        for (int i = 0; i < ordered.size(); ++i) {
            FUZZ_CHECK(claimed.contains(ordered.at(i)));
            if (i > 0)
                FUZZ_CHECK(partNumber(ordered.at(i - 1)) <= partNumber(ordered.at(i)));
        }
    }
    QHash<QString, int> expected;
    for (const QString &part : parts)
        ++expected[part];
    for (const QString &part : index.remaining())
        ++claimedCount[part];
    FUZZ_CHECK(claimedCount == expected);
    return 0;
}
