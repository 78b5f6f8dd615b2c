#include "scan/emlxdiscovery.h"

#include "app/appglobals.h"
#include "scan/discoverycommon.h"
#include "scan/findlistdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace emlxdiscovery {

namespace {
const QLatin1String kPartSuffix(".emlxpart");
} // namespace

bool isPartialMessage(const QString &path)
{
    return path.contains(QLatin1String(".partial.emlx"));
}

QString partialKey(const QString &path)
{
    const int lastDot = path.lastIndexOf(QLatin1Char('.'));
    if (lastDot < 0)
        return QString();
    const int keyDot = path.left(lastDot).lastIndexOf(QLatin1Char('.'));
    return keyDot < 0 ? QString() : path.left(keyDot + 1);
}

QString partKey(const QString &partPath)
{
    if (!partPath.endsWith(kPartSuffix))
        return QString();
    const int dot = partPath.lastIndexOf(QLatin1Char('.'), -kPartSuffix.size() - 1);
    // The dot must stand in the file's own name, not in a directory above it.
    if (dot < 0 || partPath.indexOf(QLatin1Char('/'), dot) >= 0)
        return QString();
    return partPath.left(dot + 1);
}

qint64 partNumber(const QString &partPath)
{
    const QString stem = partPath.left(qMax(0, partPath.size() - kPartSuffix.size()));
    const QString digits = stem.mid(stem.lastIndexOf(QLatin1Char('.')) + 1);
    // Up to 18 digits fit a qint64; anything else is no part number.
    if (digits.isEmpty() || digits.size() > 18)
        return 0;
    qint64 number = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

QStringList orderClaimedParts(const QStringList &claimed)
{
    QStringList distinct;
    QSet<QString> seen;
    std::vector<qint64> numbers;
    for (const QString &part : claimed) {
        if (seen.contains(part))
            continue;
        seen.insert(part);
        distinct.append(part);
        numbers.push_back(partNumber(part));
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    QStringList ordered;
    std::vector<bool> taken(size_t(distinct.size()), false);
    for (const qint64 number : numbers) {
        const QString ending = QLatin1Char('.') + QString::number(number) + kPartSuffix;
        for (int i = 0; i < distinct.size(); ++i) {
            if (!taken[size_t(i)] && distinct.at(i).contains(ending)) {
                taken[size_t(i)] = true;
                ordered.append(distinct.at(i));
            }
        }
    }
    return ordered;
}

PartIndex::PartIndex(const QStringList &parts)
    : m_parts(parts), m_claimed(size_t(parts.size()), false)
{
    for (int i = 0; i < parts.size(); ++i) {
        const QString key = partKey(parts.at(i));
        if (!key.isEmpty())
            m_byKey[key].push_back(i);
    }
}

QStringList PartIndex::claim(const QString &key)
{
    if (key.isEmpty())
        return {};
    QStringList claimed;
    for (const int position : m_byKey.take(key)) {
        m_claimed[size_t(position)] = true;
        claimed.append(m_parts.at(position));
    }
    return claimed;
}

QStringList PartIndex::remaining() const
{
    QStringList parts;
    for (int i = 0; i < m_parts.size(); ++i) {
        if (!m_claimed[size_t(i)])
            parts.append(m_parts.at(i));
    }
    return parts;
}

} // namespace emlxdiscovery

// ---- The routine on the scanning thread ----

void QMessageSavingThread::FileSearch()
{
    std::optional<emlxdiscovery::PartIndex> parts;
    findlist::Routine routine;
    routine.pathList = &listOfPathOfOnlyEmlx;
    routine.pattern = QStringLiteral("*.emlx");
    routine.afterListing = [this, &parts] {
        int skipped = 0;
        listOfPathOfEmlxPart.append(
            findlist::listByName(m_selectedFile, QStringLiteral("*.emlxpart"), skipped));
        nSkippedFiles += skipped;
        if (bStopFlag)
            return false;
        parts.emplace(listOfPathOfEmlxPart);
        return true;
    };
    routine.handOver = [this, &parts](const QString &path) {
        if (!discovery::opensForReading(path)) {
            ++nSkippedFiles;
            return findlist::Outcome::Skipped;
        }
        if (emlxdiscovery::isPartialMessage(path)) {
            // A part that does not open is counted; the message keeps the
            // contents it holds itself and is filed all the same.
            const QStringList claimed = parts->claim(emlxdiscovery::partialKey(path));
            for (const QString &part : emlxdiscovery::orderClaimedParts(claimed)) {
                if (!discovery::opensForReading(part))
                    ++nSkippedFiles;
            }
        }
        TreeCreatorForAppleMail(QString(), QString(), path);
        return findlist::Outcome::Filed;
    };
    findlist::runFindList(*this, routine);
    // What no partial message claimed; kept in step once, not per claim.
    if (parts)
        listOfPathOfEmlxPart = parts->remaining();
}
