#include "convert/saverules.h"

#include "scan/operamail.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace saverules {

const QByteArray kPlistDeclaration("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QByteArray kPartMarker("X-Apple-Content-Length: ");

namespace {
const QByteArray kFromLine("From ");
const QByteArray kReceivedSpf("Received-Spf:");

int lineEnd(const QByteArray &data, int from)
{
    const int nl = data.indexOf('\n', from);
    return nl < 0 ? data.size() : nl + 1;
}

// Whether the property-list trailer begins at position at of data: the
// declaration, then nothing but white space, or a property list that runs to
// the end of the data. The declaration opens an XHTML part just as well, but
// there other text follows it.
bool trailerBeginsAt(const QByteArray &data, int at)
{
    if (at < 0 || data.size() - at < kPlistDeclaration.size()
        || std::memcmp(data.constData() + at, kPlistDeclaration.constData(), size_t(kPlistDeclaration.size())) != 0)
        return false;
    const QByteArray rest = data.mid(at + kPlistDeclaration.size()).trimmed();
    if (rest.isEmpty())
        return true;
    return (rest.startsWith("<!DOCTYPE plist") || rest.startsWith("<plist"))
        && (rest.endsWith("</plist>") || rest.endsWith("<plist/>"));
}

// Where the trailer of data begins: the last declaration, when it is one;
// -1 when data has no trailer.
int trailerStart(const QByteArray &data)
{
    const int at = data.lastIndexOf(kPlistDeclaration);
    return trailerBeginsAt(data, at) ? at : -1;
}

// Whether the line [start, lf) (lf at its line feed) has empty content and
// whether it is a closing boundary ("--" at its start and its end). Content
// is what a text-mode read gives: the line without the CR of a CR LF. A
// boundary may end in one CR more (CR CR LF in the file).
void lineFacts(const char *start, const char *lf, bool &empty, bool &closingBoundary)
{
    const char *contentEnd = lf > start && lf[-1] == '\r' ? lf - 1 : lf;
    empty = contentEnd == start;
    const char *dashesEnd = contentEnd > start && contentEnd[-1] == '\r' ? contentEnd - 1 : contentEnd;
    closingBoundary = dashesEnd - start >= 2 && start[0] == '-' && start[1] == '-' && dashesEnd[-2] == '-'
        && dashesEnd[-1] == '-';
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

ReadRules mailMateRules()
{
    return ReadRules{};
}

ReadRules outspringRules()
{
    ReadRules rules;
    rules.quoteFromLines = true;
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
    // A count is only trusted where the trailer follows it: one that falls
    // short would cut the message, one that runs long would take the trailer.
    const int firstEnd = lineEnd(raw, 0);
    const qint64 count = rules.useByteCount ? byteCountOf(raw.left(firstEnd)) : -1;
    QByteArray body;
    if (count >= 0 && count <= raw.size() - firstEnd && trailerBeginsAt(raw, firstEnd + int(count))) {
        // The count is raw bytes (CR included): cut before the text-mode read.
        body = toTextMode(raw.mid(firstEnd, int(count)));
    } else {
        const QByteArray text = toTextMode(raw);
        const int end = lineEnd(text, 0);
        body = isHeaderLine(text.left(end)) ? text : text.mid(end);
        if (rules.cutAtPlistTrailer) {
            const int trailer = trailerStart(body);
            if (trailer >= 0)
                body.truncate(trailer);
        }
    }

    // 2. The lines by the rules.
    QByteArray out;
    out.reserve(body.size() + 64);
    bool inSpf = false;
    for (int pos = 0; pos < body.size();) {
        const int end = lineEnd(body, pos);
        const bool spf = rules.dropReceivedSpf && end - pos >= kReceivedSpf.size()
            && std::memcmp(body.constData() + pos, kReceivedSpf.constData(), size_t(kReceivedSpf.size())) == 0;
        const bool continuation = inSpf && body.at(pos) == ' ';
        if (!spf && !continuation)
            out.append(body.constData() + pos, end - pos);
        inSpf = spf || continuation;
        pos = end;
    }
    return rules.quoteFromLines ? quoteFromLines(out) : out;
}

QByteArray quoteFromLines(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    for (int pos = 0; pos < text.size();) {
        const int end = lineEnd(text, pos);
        if (text.size() - pos >= kFromLine.size()
            && std::memcmp(text.constData() + pos, kFromLine.constData(), size_t(kFromLine.size())) == 0)
            out.append('>');
        out.append(text.constData() + pos, end - pos);
        pos = end;
    }
    return out;
}

QByteArray partialMessageTextOf(const QByteArray &raw, const QList<QByteArray> &parts, const ReadRules &rules)
{
    // The parts are quoted with the message text: a part may begin with a
    // "From " line, or end without a line feed and so finish the line that
    // follows it.
    ReadRules unquoted = rules;
    unquoted.quoteFromLines = false;
    const QByteArray text = assemblePartialMessage(messageTextOf(raw, unquoted), parts);
    return rules.quoteFromLines ? quoteFromLines(text) : text;
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
    const Decision decision = begin(content, std::min(length, kHeadBytes));
    bool empty = false;
    bool closingBoundary = false;
    if (endsLine)
        lineFacts(content, content + length, empty, closingBoundary);
    lineEnded(empty, closingBoundary);
    return decision;
}

MboxQuoter::Decision MboxQuoter::beginMarked(const char *head, int length)
{
    // A CR at the end of a short head never matches: no prefix holds one.
    auto startsWith = [&](const char *prefix, int n) { return length >= n && std::memcmp(head, prefix, size_t(n)) == 0; };
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
    return decision;
}

namespace {
void appendSpan(QByteArray &out, const char *from, const char *to)
{
    if (to > from)
        out.append(from, int(to - from));
}

// The start of the line that ends at lf, looking back no further than floor
// (a line start).
const char *lineStartBefore(const char *floor, const char *lf)
{
    const void *previous = memrchr(floor, '\n', size_t(lf - floor));
    return previous ? static_cast<const char *>(previous) + 1 : floor;
}

// The places of a run of whole lines where the conversion may change
// something, in order: a line start with "F" or "C" (a "From " or
// "Content-Type: " line) and a CR before a line feed. They are found from
// masks of 64 bytes at a time, so the many lines between them cost nothing
// each: mail lines are short, and even a library search per line costs
// more than the line.
class Marks
{
public:
    // begin is a line start, end follows a line feed.
    Marks(const char *begin, const char *end) : m_window(begin), m_end(end) { load(); }

    // The next place, or nullptr when the run has no more.
    const char *next()
    {
        while (m_mask == 0) {
            m_window += 64;
            if (m_window >= m_end)
                return nullptr;
            load();
        }
        const char *found = m_window + __builtin_ctzll(m_mask);
        m_mask &= m_mask - 1;
        return found;
    }

private:
    void load()
    {
        const qint64 size = std::min<qint64>(m_end - m_window, 64);
        quint64 lf = 0;
        quint64 marked = 0;
        quint64 cr = 0;
#if defined(__SSE2__)
        if (size == 64) {
            for (int i = 0; i < 4; ++i) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(m_window + 16 * i));
                const int shift = 16 * i;
                lf |= quint64(quint16(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))))) << shift;
                cr |= quint64(quint16(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))))) << shift;
                const __m128i fc = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('F')),
                                                _mm_cmpeq_epi8(bytes, _mm_set1_epi8('C')));
                marked |= quint64(quint16(_mm_movemask_epi8(fc))) << shift;
            }
        } else
#endif
        {
            for (qint64 i = 0; i < size; ++i) {
                const char c = m_window[i];
                lf |= quint64(c == '\n') << i;
                cr |= quint64(c == '\r') << i;
                marked |= quint64(c == 'F' || c == 'C') << i;
            }
        }
        const quint64 lineStarts = (lf << 1) | (m_lineStartNext ? 1 : 0);
        m_lineStartNext = (lf >> (size - 1)) & 1;
        quint64 lfNext = lf >> 1;
        if (m_window + size < m_end && m_window[size] == '\n')
            lfNext |= quint64(1) << (size - 1);
        m_mask = (lineStarts & marked) | (cr & lfNext);
    }

    const char *m_window;
    const char *m_end;
    quint64 m_mask = 0;
    bool m_lineStartNext = true;
};
} // namespace

bool MboxStream::feed(const char *data, qint64 size, QByteArray &out, bool stopAtSeparator)
{
    if (size <= 0)
        return false;
    if (!m_head.isEmpty()) {
        // Complete the held-back start of a line as far as its decision needs.
        const qint64 room = std::min<qint64>(MboxQuoter::kHeadBytes - m_head.size(), size);
        const char *nl = static_cast<const char *>(std::memchr(data, '\n', size_t(room)));
        const qint64 taken = nl ? nl + 1 - data : room;
        m_head.append(data, int(taken));
        if (!nl && m_head.size() < MboxQuoter::kHeadBytes)
            return false;
        QByteArray head;
        head.swap(m_head);
        if (convert(head.constData(), head.constData() + head.size(), out, stopAtSeparator))
            return true;
        data += taken;
        size -= taken;
    }
    return convert(data, data + size, out, stopAtSeparator);
}

inline bool MboxStream::beginLine(const char *p, qint64 length, const char *&copied, QByteArray &out,
                                  bool stopAtSeparator)
{
    const MboxQuoter::Decision decision = m_quoter.begin(p, int(std::min<qint64>(length, MboxQuoter::kHeadBytes)));
    if (!decision.separator && !decision.prependQuote)
        return true;
    if (decision.separator && stopAtSeparator) {
        appendSpan(out, copied, p);
        copied = p;
        return false;
    }
    if (decision.separator)
        ++m_separators;
    if (decision.prependQuote) {
        appendSpan(out, copied, p);
        out.append('>');
        copied = p;
    }
    return true;
}

bool MboxStream::continueLine(const char *&p, const char *end, const char *&copied, QByteArray &out)
{
    const char *lineStart = p;
    const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
    if (!nl) {
        // A CR at the block's end waits for the next byte.
        rememberTail(lineStart, end);
        m_pendingCr = end[-1] == '\r';
        appendSpan(out, copied, m_pendingCr ? end - 1 : end);
        copied = end;
        p = end;
        return false;
    }
    // The CR of a CR LF is left out (one that ended the previous block was
    // never written).
    rememberTail(lineStart, nl);
    const bool crLf = m_tailSize > 0 && m_tail[m_tailSize - 1] == '\r';
    if (crLf && nl > lineStart) {
        appendSpan(out, copied, nl - 1);
        copied = nl;
    }
    // As lineFacts: a boundary may end in one CR more than the CR LF.
    const qint64 contentBytes = m_lineBytes - (crLf ? 1 : 0);
    const int tailEnd = m_tailSize - (crLf ? 1 : 0);
    const bool extraCr = contentBytes > 0 && m_tail[tailEnd - 1] == '\r';
    const qint64 dashBytes = contentBytes - (extraCr ? 1 : 0);
    const int dashesEnd = tailEnd - (extraCr ? 1 : 0);
    const bool endsDashes = dashBytes >= 2 && m_tail[dashesEnd - 2] == '-' && m_tail[dashesEnd - 1] == '-';
    m_quoter.lineEnded(contentBytes == 0, m_lineDashes && endsDashes);
    m_inLine = false;
    p = nl + 1;
    return true;
}

bool MboxStream::convert(const char *begin, const char *end, QByteArray &out, bool stopAtSeparator)
{
    const char *copied = begin; // everything before it is in out or left out
    const char *p = begin;
    if (m_pendingCr && p < end) {
        m_pendingCr = false;
        if (*p != '\n')
            out.append('\r');
    }
    if (m_inLine && p < end && !continueLine(p, end, copied, out))
        return false;

    // The whole lines that begin in this block, visited only where one may
    // change: the quoter learns the line before a "From " line only there.
    const char *lastLf = p < end ? static_cast<const char *>(memrchr(p, '\n', size_t(end - p))) : nullptr;
    if (lastLf) {
        const char *firstLine = p;
        Marks marks(firstLine, lastLf + 1);
        for (const char *at = marks.next(); at; at = marks.next()) {
            if (*at == '\r') {
                appendSpan(out, copied, at);
                copied = at + 1;
                continue;
            }
            if (*at == 'F' && at > firstLine) {
                bool empty = false;
                bool closingBoundary = false;
                lineFacts(lineStartBefore(firstLine, at - 1), at - 1, empty, closingBoundary);
                m_quoter.lineEnded(empty, closingBoundary);
            }
            const void *lf = std::memchr(at, '\n', size_t(std::min<qint64>(lastLf + 1 - at, MboxQuoter::kHeadBytes)));
            const qint64 length = lf ? static_cast<const char *>(lf) - at : MboxQuoter::kHeadBytes;
            if (!beginLine(at, length, copied, out, stopAtSeparator))
                return true;
        }
        // The quoter knows the last whole line before what follows.
        bool empty = false;
        bool closingBoundary = false;
        lineFacts(lineStartBefore(firstLine, lastLf), lastLf, empty, closingBoundary);
        m_quoter.lineEnded(empty, closingBoundary);
        p = lastLf + 1;
    }

    // A line that goes on past the block.
    if (p < end) {
        const qint64 length = end - p;
        if (length < MboxQuoter::kHeadBytes) {
            // Too little of the line to decide on: hold it back.
            appendSpan(out, copied, p);
            m_head.append(p, int(length));
            return false;
        }
        if (!beginLine(p, length, copied, out, stopAtSeparator))
            return true;
        m_inLine = true;
        m_lineDashes = p[0] == '-' && p[1] == '-';
        m_lineBytes = 0;
        m_tailSize = 0;
        continueLine(p, end, copied, out);
        return false;
    }
    appendSpan(out, copied, end);
    return false;
}

void MboxStream::rememberTail(const char *from, const char *to)
{
    m_lineBytes += to - from;
    if (to - from >= qint64(sizeof m_tail)) {
        std::memcpy(m_tail, to - sizeof m_tail, sizeof m_tail);
        m_tailSize = int(sizeof m_tail);
        return;
    }
    for (const char *c = from; c < to; ++c) {
        if (m_tailSize == int(sizeof m_tail)) {
            std::memmove(m_tail, m_tail + 1, sizeof m_tail - 1);
            --m_tailSize;
        }
        m_tail[m_tailSize++] = *c;
    }
}

bool MboxStream::finish(QByteArray &out, bool stopAtSeparator)
{
    if (m_pendingCr) {
        // No line feed followed: the CR is content.
        out.append('\r');
        m_pendingCr = false;
    }
    if (m_head.isEmpty())
        return false;
    QByteArray head;
    head.swap(m_head);
    const MboxQuoter::Decision decision = m_quoter.begin(head.constData(), head.size());
    if (decision.separator && stopAtSeparator)
        return true;
    if (decision.separator)
        ++m_separators;
    if (decision.prependQuote)
        out.append('>');
    out.append(head);
    return false;
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
