#include "scan/emlxdiscovery.h"

#include "app/appglobals.h"
#include "scan/discoverycommon.h"
#include "scan/findlistdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QSet>

#include <algorithm>
#include <optional>
#include <utility>

namespace emlxdiscovery {

namespace {
const QLatin1String kPartSuffix(".emlxpart");

// Where the part number of a part file's name begins: just after the dot
// before it, which must stand in the file's own name, not in a directory
// above it; -1 when the name does not end in ".emlxpart" or has no such dot.
int partNumberStart(const QString &partPath)
{
    if (!partPath.endsWith(kPartSuffix))
        return -1;
    const int dot = partPath.lastIndexOf(QLatin1Char('.'), -kPartSuffix.size() - 1);
    if (dot < 0 || partPath.indexOf(QLatin1Char('/'), dot) >= 0)
        return -1;
    return dot + 1;
}

// The text of a part file's number as its own name writes it; null when
// partNumberStart finds none.
QStringRef partNumberText(const QString &partPath)
{
    const int start = partNumberStart(partPath);
    if (start < 0)
        return QStringRef();
    return partPath.midRef(start, partPath.size() - kPartSuffix.size() - start);
}
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
    const int start = partNumberStart(partPath);
    return start < 0 ? QString() : partPath.left(start);
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
    // Only a number written as QString::number writes it counts: leading
    // zeros or no number leave the part out. The number is read from the
    // file's own name, so a folder or message named like a part file does
    // not lend its number to every part below it.
    std::vector<std::pair<qint64, QString>> numbered;
    QSet<QString> seen;
    for (const QString &part : claimed) {
        if (seen.contains(part))
            continue;
        seen.insert(part);
        const qint64 number = partNumber(part);
        if (partNumberText(part) == QString::number(number))
            numbered.emplace_back(number, part);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });

    QStringList ordered;
    for (const auto &entry : numbered)
        ordered.append(entry.second);
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
