#include "scan/mboxindexer.h"

#include "scan/encodedwords.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mboxindex {

namespace {

bool hasPrefix(const char *data, int size, const char *prefix, bool ignoreCase)
{
    const int length = int(std::strlen(prefix));
    if (size < length)
        return false;
    return ignoreCase ? qstrnicmp(data, prefix, length) == 0 : std::memcmp(data, prefix, length) == 0;
}

// " Mon " to " Sun " anywhere in the bytes.
bool containsWeekday(const char *data, int size)
{
    static const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const char *const end = data + size;
    const char *blank = data;
    while (end - blank >= 5) {
        blank = static_cast<const char *>(std::memchr(blank, ' ', size_t(end - blank) - 4));
        if (!blank)
            return false;
        if (blank[4] == ' ') {
            for (const char *day : days) {
                if (std::memcmp(blank + 1, day, 3) == 0)
                    return true;
            }
        }
        ++blank;
    }
    return false;
}

// The first bytes of the lines the main loop has to look at: "F" always
// (a separator line begins "From "), "f" or "F" while the sender is not
// taken, "s" or "S" while the subject is not taken. Every other line is an
// ordinary body line whatever follows its first byte.
struct LineStarts {
    bool sender = true;
    bool subject = true;

    bool matches(char c) const
    {
        const char lower = char(c | 0x20);
        return c == 'F' || (sender && lower == 'f') || (subject && lower == 's');
    }
};

// Where a run over ordinary lines stopped.
struct PlainRun {
    int next = 0;     // start of the line after the last line end passed
    qint64 lines = 0; // line ends passed
    bool atLineStart = false; // next is the start of a line that starts matches
};

// Passes over the bytes data[begin, end) looking for a line end followed by
// a byte that starts matches. data[end] must be readable. Stops right after
// the first such line end; otherwise runs to end and reports the line after
// the last line end it passed.
PlainRun runOverPlainLines(const char *data, int begin, int end, const LineStarts &starts)
{
    PlainRun run;
    run.next = begin;
    int at = begin;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the line ends, and the bytes one place
    // further on (the first bytes of the lines that follow them).
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i capitalF = _mm_set1_epi8('F');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i lowerF = _mm_set1_epi8(starts.sender ? 'f' : 0);
    const __m128i lowerS = _mm_set1_epi8(starts.subject ? 's' : 0);
    __m128i counts = _mm_setzero_si128();
    int counted = 0;
    auto drain = [&counts, &counted, &run]() {
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        run.lines += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        counts = _mm_setzero_si128();
        counted = 0;
    };
    for (; end - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + at));
        const __m128i following = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + at + 1));
        const __m128i ends = _mm_cmpeq_epi8(bytes, lineFeed);
        const __m128i folded = _mm_or_si128(following, caseBit);
        const __m128i wanted = _mm_or_si128(_mm_cmpeq_epi8(following, capitalF),
                                            _mm_or_si128(_mm_cmpeq_epi8(folded, lowerF),
                                                         _mm_cmpeq_epi8(folded, lowerS)));
        const int hits = _mm_movemask_epi8(_mm_and_si128(ends, wanted));
        if (hits) {
            drain();
            const int bit = __builtin_ctz(unsigned(hits));
            const unsigned before = unsigned(_mm_movemask_epi8(ends)) & ((2u << bit) - 1);
            run.lines += __builtin_popcount(before);
            run.next = at + bit + 1;
            run.atLineStart = true;
            return run;
        }
        counts = _mm_sub_epi8(counts, ends);
        if (++counted == 255)
            drain();
    }
    drain();
#endif
    for (; at < end; ++at) {
        if (data[at] != '\n')
            continue;
        ++run.lines;
        if (starts.matches(data[at + 1])) {
            run.next = at + 1;
            run.atLineStart = true;
            return run;
        }
    }
    // The line after the last line end passed.
    for (int back = end; back > begin; --back) {
        if (data[back - 1] == '\n') {
            run.next = back;
            break;
        }
    }
    return run;
}

// Reads a file line by line in large blocks. A line is handed out as a view
// into the block, or, when it crosses a block boundary, as a copy of its
// first keepLimit bytes; its byte range always covers the whole line.
class LineReader
{
public:
    LineReader(QFile &file, int blockSize, int keepLimit)
        : m_file(file), m_block(qMax(blockSize, 1), '\0'), m_keepLimit(qMax(keepLimit, 8))
    {
    }

    // Moves to the next line; false at the end of the file or when a read fails.
    bool next()
    {
        if (m_repeat) {
            m_repeat = false;
            return true;
        }
        m_start = m_end;
        m_spilled = false;
        m_spill.clear();
        m_cut = false;
        m_spillWeekday = false;
        m_carrySize = 0;
        qint64 length = 0;
        for (;;) {
            if (m_pos == m_size && !fill()) {
                if (length == 0)
                    return false;
                break;
            }
            const char *begin = m_block.constData() + m_pos;
            const int available = m_size - m_pos;
            const char *lineFeed = static_cast<const char *>(std::memchr(begin, '\n', size_t(available)));
            const int take = lineFeed ? int(lineFeed - begin) + 1 : available;
            m_pos += take;
            length += take;
            if (lineFeed && !m_spilled) {
                m_view = begin;
                m_lineSize = take;
                break;
            }
            spill(begin, take);
            if (lineFeed)
                break;
        }
        m_end = m_start + length;
        ++m_lines;
        m_cut = m_cut || (!m_spilled && m_lineSize > m_keepLimit);
        return true;
    }

    // Makes the next call of next() deliver the current line again.
    void pushBack() { m_repeat = true; }

    // Steps over whole lines that no rule of the main loop can take: lines
    // whose first byte does not start starts, that end with a line feed,
    // and that end before lastEnd. Stops in front of any other line, or
    // right after the first line at which end() + lines() reaches due, and
    // then returns true. Nothing about the lines stepped over is kept.
    bool skipPlainLines(const LineStarts &starts, qint64 lastEnd, qint64 due)
    {
        if (m_repeat)
            return false;
        for (;;) {
            if (m_pos == m_size && !fill())
                return false;
            const char *data = m_block.constData();
            if (starts.matches(data[m_pos]))
                return false;
            const qint64 blockBase = m_end - m_pos;
            // Line feeds at or past this index would end a line at lastEnd or later.
            const int limit = int(qMin(qint64(m_size), qMax(lastEnd - 1 - blockBase, qint64(m_pos))));
            // No line end before pos + safe brings the count to due: every
            // byte adds at most two, one for itself and one for a line.
            const qint64 count = m_end + m_lines;
            const qint64 safe = due > count ? (due - count - 1) / 2 : 0;
            const int runEnd = int(qMin(qint64(limit), qMin(qint64(m_size) - 1, m_pos + safe)));
            if (runEnd - m_pos >= 16) {
                const PlainRun run = runOverPlainLines(data, m_pos, runEnd, starts);
                if (run.next > m_pos) {
                    advanceTo(run.next, run.lines);
                    continue;
                }
            }
            // One line at a time near the end of the block, of the file or of due.
            const char *lineFeed = static_cast<const char *>(
                std::memchr(data + m_pos, '\n', size_t(limit - m_pos)));
            if (!lineFeed)
                return false;
            advanceTo(int(lineFeed - data) + 1, 1);
            if (m_end + m_lines >= due)
                return true;
        }
    }

    qint64 start() const { return m_start; }
    qint64 end() const { return m_end; }
    // Where the reading stands: the end of the last line taken.
    qint64 consumed() const { return m_repeat ? m_start : m_end; }
    qint64 lines() const { return m_repeat ? m_lines - 1 : m_lines; }
    bool failed() const { return m_failed; }

    bool startsWith(const char *prefix, bool ignoreCase = false) const
    {
        return hasPrefix(keptData(), keptSize(), prefix, ignoreCase);
    }

    bool isSeparator() const
    {
        if (!startsWith("From "))
            return false;
        return m_spilled ? m_spillWeekday : containsWeekday(m_view, m_lineSize);
    }

    // The kept bytes of the line as a header line: a final CR LF read as LF,
    // zero bytes dropped so that they cut off nothing after them.
    QByteArray headerBytes() const
    {
        QByteArray bytes(keptData(), keptSize());
        if (!m_cut && bytes.endsWith("\r\n"))
            bytes.remove(bytes.size() - 2, 1);
        bytes.replace('\0', QByteArray());
        return bytes;
    }

private:
    const char *keptData() const { return m_spilled ? m_spill.constData() : m_view; }
    int keptSize() const { return m_spilled ? m_spill.size() : qMin(m_lineSize, m_keepLimit); }

    bool fill()
    {
        m_pos = 0;
        m_size = 0;
        if (m_atEnd)
            return false;
        const qint64 got = m_file.read(m_block.data(), m_block.size());
        if (got <= 0) {
            m_atEnd = true;
            m_failed = got < 0;
            return false;
        }
        m_size = int(got);
        return true;
    }

    // Moves over whole lines up to pos in the block.
    void advanceTo(int pos, qint64 lines)
    {
        m_end += pos - m_pos;
        m_start = m_end;
        m_pos = pos;
        m_lines += lines;
    }

    // Appends one piece of a line that crosses a block boundary; the weekday
    // test also looks across the joint with the piece before.
    void spill(const char *piece, int size)
    {
        m_spilled = true;
        if (!m_spillWeekday) {
            char joint[8];
            const int head = qMin(size, 4);
            std::memcpy(joint, m_carry, size_t(m_carrySize));
            std::memcpy(joint + m_carrySize, piece, size_t(head));
            m_spillWeekday = containsWeekday(joint, m_carrySize + head) || containsWeekday(piece, size);
        }
        if (size >= 4) {
            std::memcpy(m_carry, piece + size - 4, 4);
            m_carrySize = 4;
        } else {
            const int keep = qMin(m_carrySize, 4 - size);
            std::memmove(m_carry, m_carry + m_carrySize - keep, size_t(keep));
            std::memcpy(m_carry + keep, piece, size_t(size));
            m_carrySize = keep + size;
        }
        const int room = m_keepLimit - m_spill.size();
        if (size > room)
            m_cut = true;
        if (room > 0)
            m_spill.append(piece, qMin(size, room));
    }

    QFile &m_file;
    QByteArray m_block;
    int m_keepLimit;
    int m_pos = 0;
    int m_size = 0;
    bool m_atEnd = false;
    bool m_failed = false;

    qint64 m_start = 0;
    qint64 m_end = 0;
    qint64 m_lines = 0;
    bool m_repeat = false;

    const char *m_view = nullptr; // the line inside the block, when it did not spill
    int m_lineSize = 0;
    bool m_spilled = false;
    QByteArray m_spill;
    bool m_spillWeekday = false;
    char m_carry[4] = {};
    int m_carrySize = 0;
    bool m_cut = false;
};

// Reads the lines folded onto a header line. The line that ends the header
// is pushed back for the main loop; atEnd tells that the file ended first.
QList<QByteArray> readContinuationLines(LineReader &reader, int byteLimit, int usedBytes, bool &atEnd)
{
    QList<QByteArray> lines;
    atEnd = false;
    for (;;) {
        if (!reader.next()) {
            atEnd = true;
            return lines;
        }
        if (!reader.startsWith(" ") && !reader.startsWith("\t")) {
            reader.pushBack();
            return lines;
        }
        if (usedBytes >= byteLimit)
            continue;
        QByteArray line = reader.headerBytes();
        line.truncate(byteLimit - usedBytes);
        usedBytes += line.size();
        lines.append(line);
    }
}

// Sender and subject of the message being read.
struct MessageInProgress {
    qint64 offset = 0;
    QString from;
    QString subject;
    bool senderTaken = false;
    bool subjectTaken = false;

    MboxMessage closeAt(qint64 end) const { return MboxMessage{offset, end - offset, from, subject}; }
};

bool isRegularFile(const QString &path, bool &exists)
{
    struct stat info;
    exists = ::stat(QFile::encodeName(path).constData(), &info) == 0;
    return exists && S_ISREG(info.st_mode);
}

} // namespace

bool MboxMessage::operator==(const MboxMessage &other) const
{
    return offset == other.offset && length == other.length && from == other.from
        && subject == other.subject;
}

bool isSeparatorLine(const QByteArray &line)
{
    return line.startsWith("From ") && containsWeekday(line.constData(), line.size());
}

QString senderFieldText(const QString &headerValue)
{
    if (headerValue.isEmpty() || !headerValue.contains(QLatin1Char('\n')))
        return headerValue;
    const QStringList parts = headerValue.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.first();
}

QString subjectFieldText(const QString &headerValue)
{
    QString text = headerValue;
    text.remove(QStringLiteral("Subject:\n"));
    return text;
}

QString fitTextField(const QString &text, int maxUnits)
{
    int length = text.indexOf(QChar(0));
    if (length < 0)
        length = text.size();
    if (length > maxUnits) {
        length = maxUnits;
        if (length > 0 && text.at(length - 1).isHighSurrogate())
            --length;
    }
    return text.left(length);
}

bool isEmptyNode(const MboxMbx &node)
{
    return node.llLength == 0 && node.llOffset == 0 && node.szSubject.isEmpty()
        && node.szFrom.isEmpty() && node.szFilePath.isEmpty() && node.szLocation.isEmpty()
        && node.pNext == nullptr;
}

IndexStatus indexMboxFile(const QString &path, const std::function<void(MboxMessage &&)> &onMessage,
                          const IndexOptions &options)
{
    // 1. Open the file and apply the mbox test to its first line.
    bool exists = false;
    if (!isRegularFile(path, exists))
        return exists ? IndexStatus::NotAFile : IndexStatus::OpenFailed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return IndexStatus::OpenFailed;
    const qint64 fileSize = file.size();
    LineReader reader(file, options.blockSize, options.headerByteLimit);
    if (!reader.next())
        return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::NotMbox;
    if (!reader.startsWith("From ") || reader.end() >= fileSize)
        return IndexStatus::NotMbox;

    // 2. One pass per line: headers, separators, the end of the file.
    MessageInProgress message;
    QByteArray diagnostics;
    for (;;) {
        if (!reader.next()) {
            // The file ended short of the size it had when it was opened.
            onMessage(message.closeAt(reader.consumed()));
            return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::Indexed;
        }
        const qint64 lineStart = reader.start();
        const qint64 lineEnd = reader.end();
        bool headerRanToEnd = false;

        const bool senderLine = !message.senderTaken && reader.startsWith("From:", true);
        const bool subjectLine = !senderLine && !message.subjectTaken && reader.startsWith("Subject:", true);
        if (senderLine || subjectLine) {
            const QByteArray first = reader.headerBytes();
            const QList<QByteArray> folded =
                readContinuationLines(reader, options.headerByteLimit, first.size(), headerRanToEnd);
            const auto field = senderLine ? encodedwords::IndexedField::Sender
                                          : encodedwords::IndexedField::Subject;
            const QString value = encodedwords::decodeIndexedHeader(field, first, folded, &diagnostics);
            if (senderLine) {
                message.from = fitTextField(senderFieldText(value));
                message.senderTaken = true;
            } else {
                message.subject = fitTextField(subjectFieldText(value));
                message.subjectTaken = true;
            }
            if (!diagnostics.isEmpty()) {
                if (options.diagnostic)
                    options.diagnostic(diagnostics);
                diagnostics.clear();
            }
        } else if (reader.isSeparator()) {
            onMessage(message.closeAt(lineStart));
            message = MessageInProgress();
            message.offset = lineStart;
        }

        if (lineEnd >= fileSize || headerRanToEnd) {
            onMessage(message.closeAt(lineEnd >= fileSize ? lineEnd : reader.consumed()));
            return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::Indexed;
        }
        if (options.progress
            && !options.progress(IndexProgress{reader.consumed(), fileSize, reader.lines()})) {
            onMessage(message.closeAt(reader.consumed()));
            return IndexStatus::Stopped;
        }
    }
}

IndexStatus collectMboxMessages(const QString &path, QVector<MboxMessage> &messages,
                                const IndexOptions &options)
{
    return indexMboxFile(
        path, [&messages](MboxMessage &&message) { messages.append(std::move(message)); }, options);
}

IndexStatus appendMboxToList(const QString &path, MboxMbx *&head, MboxMbx *&tail,
                             const IndexOptions &options)
{
    auto appendNode = [&head, &tail]() {
        auto *node = new MboxMbx;
        if (tail)
            tail->pNext = node;
        else
            head = node;
        tail = node;
        return node;
    };
    bool firstMessage = true;
    const IndexStatus status = indexMboxFile(
        path,
        [&](MboxMessage &&message) {
            MboxMbx *node = firstMessage && tail && isEmptyNode(*tail) ? tail : appendNode();
            firstMessage = false;
            node->llOffset = message.offset;
            node->llLength = message.length;
            node->szFrom = std::move(message.from);
            node->szSubject = std::move(message.subject);
            node->szFilePath = path;
        },
        options);
    // The empty end node that the next file's first message fills.
    if (!firstMessage)
        appendNode();
    return status;
}

} // namespace mboxindex

QDebug operator<<(QDebug debug, const mboxindex::MboxMessage &message)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MboxMessage(@" << message.offset << '+' << message.length << ", from "
                    << message.from << ", subject " << message.subject << ')';
    return debug;
}

void QMessageSavingThread::GetAllFieldsForTree(QString path)
{
    mboxindex::IndexOptions options;
    options.diagnostic = [](const QByteArray &lines) {
        std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    };
    mboxindex::appendMboxToList(path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, options);
}
