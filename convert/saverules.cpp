#include "convert/saverules.h"

#include "scan/operamail.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace saverules {

const QByteArray kPlistDeclaration("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QByteArray kPartMarker("X-Apple-Content-Length: ");

namespace {
const QByteArray kFromLine("From ");
const QByteArray kReceivedSpf("Received-Spf:");
const QByteArray kPartialName(".partial.emlx");
const QLatin1String kPartSuffix(".emlxpart");

int lineEnd(const QByteArray &data, int from)
{
    const int nl = data.indexOf('\n', from);
    return nl < 0 ? data.size() : nl + 1;
}

bool isPlainDecimal(const QString &text)
{
    if (text.isEmpty() || text.size() > 9 || (text.size() > 1 && text.at(0) == QLatin1Char('0')))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The length an .emlx file's first line announces, or -1 when it is no count.
qint64 byteCountOf(const QByteArray &firstLine)
{
    const QByteArray digits = firstLine.trimmed();
    if (digits.isEmpty() || digits.size() > 15)
        return -1;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
    }
    return digits.toLongLong();
}
} // namespace

QByteArray toTextMode(const QByteArray &raw)
{
    if (!raw.contains('\r'))
        return raw;
    QByteArray out;
    out.reserve(raw.size());
    const int n = raw.size();
    for (int i = 0; i < n; ++i) {
        if (raw.at(i) == '\r' && i + 1 < n && raw.at(i + 1) == '\n')
            continue;
        out.append(raw.at(i));
    }
    return out;
}

QList<QByteArray> splitLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    for (int pos = 0; pos < data.size();) {
        const int end = lineEnd(data, pos);
        lines.append(data.mid(pos, end - pos));
        pos = end;
    }
    return lines;
}

bool isHeaderLine(const QByteArray &line)
{
    int i = 0;
    for (; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == ':')
            break;
        if (c <= ' ' || c > '~')
            return false;
    }
    return i > 0 && i < line.size();
}

QByteArray quoteFromLine(const QByteArray &line)
{
    return line.startsWith(kFromLine) ? QByteArray(">") + line : line;
}

ReadRules mailMateRules()
{
    return ReadRules{};
}

ReadRules outspringRules()
{
    ReadRules rules;
    rules.cutAtPlistTrailer = true;
    rules.dropReceivedSpf = true;
    return rules;
}

ReadRules emlxRules()
{
    ReadRules rules = outspringRules();
    rules.useByteCount = true;
    return rules;
}

ReadRules operaRules()
{
    return ReadRules{};
}

QByteArray messageTextOf(const QByteArray &raw, const ReadRules &rules)
{
    // 1. The first line: a byte count, an envelope line or the first header.
    const int firstEnd = lineEnd(raw, 0);
    const QByteArray firstLine = raw.left(firstEnd);
    QByteArray body;
    bool cutAtTrailer = rules.cutAtPlistTrailer;
    const qint64 count = rules.useByteCount ? byteCountOf(firstLine) : -1;
    if (count >= 0 && count <= raw.size() - firstEnd) {
        // The count is raw bytes (CR included): cut before the text-mode read.
        body = toTextMode(raw.mid(firstEnd, int(count)));
        cutAtTrailer = false;
    } else {
        const QByteArray text = toTextMode(raw);
        const int end = lineEnd(text, 0);
        body = isHeaderLine(text.left(end)) ? text : text.mid(end);
    }

    // 2. The lines by the rules.
    QByteArray out;
    out.reserve(body.size() + 64);
    bool inSpf = false;
    for (int pos = 0; pos < body.size();) {
        const int end = lineEnd(body, pos);
        QByteArray line = body.mid(pos, end - pos);
        pos = end;
        if (inSpf) {
            if (line.startsWith(' '))
                continue;
            inSpf = false;
            if (rules.dropReceivedSpf && line.startsWith(kReceivedSpf)) {
                inSpf = true;
                continue;
            }
        } else {
            if (rules.dropReceivedSpf && line.startsWith(kReceivedSpf)) {
                inSpf = true;
                continue;
            }
        }
        if (cutAtTrailer) {
            const int at = line.indexOf(kPlistDeclaration);
            if (at >= 0) {
                out.append(rules.quoteFromLines ? quoteFromLine(line.left(at)) : line.left(at));
                break;
            }
        }
        out.append(rules.quoteFromLines ? quoteFromLine(line) : line);
    }
    return out;
}

QByteArray assemblePartialMessage(const QByteArray &text, const QList<QByteArray> &parts)
{
    if (parts.isEmpty())
        return text;
    QByteArray out;
    out.reserve(text.size() + std::accumulate(parts.begin(), parts.end(), 0,
                                              [](int n, const QByteArray &p) { return n + p.size(); }));
    int marker = text.indexOf(kPartMarker);
    out.append(text.left(marker < 0 ? text.size() : marker));
    int partIndex = 0;
    while (marker >= 0) {
        const int next = text.indexOf(kPartMarker, marker + kPartMarker.size());
        const QByteArray piece = text.mid(marker, (next < 0 ? text.size() : next) - marker);
        if (partIndex < parts.size()) {
            const int blank = piece.indexOf("\n\n");
            const int at = blank < 0 ? piece.size() : blank + 2;
            out.append(piece.left(at));
            out.append(parts.at(partIndex));
            out.append(piece.mid(at));
        } else {
            out.append(piece);
        }
        ++partIndex;
        marker = next;
    }
    return out;
}

bool isPartialMessagePath(const QString &path)
{
    return path.contains(QLatin1String(kPartialName));
}

QString partialMessageKey(const QString &messagePath)
{
    const int i1 = messagePath.lastIndexOf(QLatin1Char('.'));
    if (i1 <= 0)
        return QString();
    const int i2 = messagePath.lastIndexOf(QLatin1Char('.'), i1 - 1);
    if (i2 < 0)
        return QString();
    return messagePath.left(i2 + 1);
}

QString partFileKey(const QString &partPath)
{
    if (!partPath.endsWith(kPartSuffix))
        return QString();
    const QString stem = partPath.left(partPath.size() - kPartSuffix.size());
    const int dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || stem.indexOf(QLatin1Char('/'), dot) >= 0)
        return QString();
    return stem.left(dot + 1);
}

QStringList orderedPartFiles(const QStringList &claimedParts)
{
    QList<QPair<int, QString>> numbered;
    for (const QString &path : claimedParts) {
        const QString stem = path.left(path.size() - kPartSuffix.size());
        const QString number = stem.mid(stem.lastIndexOf(QLatin1Char('.')) + 1);
        if (!path.endsWith(kPartSuffix) || !isPlainDecimal(number))
            continue;
        const QPair<int, QString> entry(number.toInt(), path);
        if (!numbered.contains(entry))
            numbered.append(entry);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) { return a.first < b.first; });
    QStringList ordered;
    for (const auto &entry : numbered)
        ordered.append(entry.second);
    return ordered;
}

PartIndex::PartIndex(const QStringList &partPaths)
{
    for (const QString &path : partPaths) {
        const QString key = partFileKey(path);
        if (!key.isEmpty())
            m_byKey[key].append(path);
    }
}

QStringList PartIndex::claim(const QString &messagePath)
{
    const QString key = partialMessageKey(messagePath);
    return key.isEmpty() ? QStringList() : m_byKey.take(key);
}

bool MboxQuoter::quote(QByteArray &line)
{
    const bool endsLine = line.endsWith('\n');
    const Decision decision = decide(line.constData(), line.size() - (endsLine ? 1 : 0), endsLine);
    if (decision.prependQuote)
        line.prepend('>');
    return decision.separator;
}

MboxQuoter::Decision MboxQuoter::decide(const char *content, int length, bool endsLine)
{
    auto startsWith = [&](const char *prefix, int n) { return length >= n && std::memcmp(content, prefix, size_t(n)) == 0; };
    Decision decision;
    const bool from = startsWith("From ", 5);
    const bool textPart = m_textPart || startsWith("Content-Type: text/plain;", 25)
        || startsWith("Content-Type: text/html;", 24);
    if (!textPart) {
        decision.separator = from;
    } else if (from && !startsWith("From - ", 7)) {
        if (m_previousEmpty || m_previousClosingBoundary) {
            decision.separator = true;
            m_textPart = false;
        } else {
            decision.prependQuote = true;
            m_textPart = true;
        }
    } else {
        decision.separator = from;
        m_textPart = true;
    }
    // A quoted line begins with ">", so it is neither empty nor a boundary.
    m_previousEmpty = endsLine && length == 0 && !decision.prependQuote;
    m_previousClosingBoundary = endsLine && !decision.prependQuote && startsWith("--", 2)
        && std::memcmp(content + length - 2, "--", 2) == 0;
    return decision;
}

QByteArray headerBlockOf(const QByteArray &text)
{
    if (text.startsWith('\n'))
        return QByteArray("\n");
    const int blank = text.indexOf("\n\n");
    return blank < 0 ? text : text.left(blank + 2);
}

QString operaLocationFolder(const QByteArray &text)
{
    QString folder;
    for (const QByteArray &line : splitLines(headerBlockOf(text))) {
        if (!line.contains("X-Opera-Location:"))
            continue;
        bool found = false;
        const QString value = operamail::locationValueOfLine(QString::fromUtf8(line).trimmed(), &found);
        if (found)
            folder = operamail::treeLocationOfValue(value);
    }
    return folder;
}

QString operaFolderPath(const QString &accountName, const QString &folder)
{
    const QString name = folder.isEmpty() ? QStringLiteral("Mails") : folder;
    return (QLatin1Char('/') + accountName + QLatin1Char('/') + name).trimmed();
}

} // namespace saverules
