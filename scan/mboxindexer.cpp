#include "scan/mboxindexer.h"

#include "platform/charset.h"
#include "platform/safefiles.h"
#include "scan/encodedwords.h"
#include "scan/headerfields.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFile>
#include <QLoggingCategory>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mboxindex {

namespace {

// One debug line per sender written as a Q encoded word: off unless
// QT_LOGGING_RULES turns on "converter.scan.index.debug", so a large
// store does not flood the terminal.
Q_LOGGING_CATEGORY(lcScanIndex, "converter.scan.index", QtInfoMsg)

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
};

// Where the vector part of a run stopped: at is the first byte it did not
// look at, hit the start of a line that starts matches (-1 for none).
struct WideScan {
    int at = 0;
    qint64 lines = 0;
    int hit = -1;
};

// The vector kernels look at the line ends among a stretch of bytes and at
// the bytes one place further on, the first bytes of the lines that follow
// them; line ends are counted in byte-wide counters that are summed before
// they can overflow.
#if defined(__SSE2__)
WideScan scanSse2(const char *data, int at, int end, const LineStarts &starts)
{
    WideScan scan;
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i capitalF = _mm_set1_epi8('F');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i lowerF = _mm_set1_epi8(starts.sender ? 'f' : 0);
    const __m128i lowerS = _mm_set1_epi8(starts.subject ? 's' : 0);
    __m128i counts = _mm_setzero_si128();
    int counted = 0;
    auto drain = [&counts, &counted, &scan]() {
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        scan.lines += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
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
        const unsigned hits = unsigned(_mm_movemask_epi8(_mm_and_si128(ends, wanted)));
        if (hits) {
            const int bit = __builtin_ctz(hits);
            const unsigned before = unsigned(_mm_movemask_epi8(ends)) & ((2u << bit) - 1);
            scan.lines += __builtin_popcount(before);
            scan.hit = at + bit + 1;
            break;
        }
        counts = _mm_sub_epi8(counts, ends);
        if (++counted == 255)
            drain();
    }
    drain();
    scan.at = at;
    return scan;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define MBOXINDEX_HAVE_AVX2 1
__attribute__((target("avx2"))) WideScan scanAvx2(const char *data, int at, int end,
                                                  const LineStarts &starts)
{
    WideScan scan;
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const __m256i capitalF = _mm256_set1_epi8('F');
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i lowerF = _mm256_set1_epi8(starts.sender ? 'f' : 0);
    const __m256i lowerS = _mm256_set1_epi8(starts.subject ? 's' : 0);
    const __m256i zero = _mm256_setzero_si256();
    __m256i counts = zero;
    __m256i sums = zero;
    int counted = 0;
    for (; end - at >= 32; at += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + at));
        const __m256i following = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + at + 1));
        const __m256i ends = _mm256_cmpeq_epi8(bytes, lineFeed);
        const __m256i folded = _mm256_or_si256(following, caseBit);
        const __m256i wanted = _mm256_or_si256(_mm256_cmpeq_epi8(following, capitalF),
                                               _mm256_or_si256(_mm256_cmpeq_epi8(folded, lowerF),
                                                               _mm256_cmpeq_epi8(folded, lowerS)));
        const unsigned hits = unsigned(_mm256_movemask_epi8(_mm256_and_si256(ends, wanted)));
        if (hits) {
            const int bit = __builtin_ctz(hits);
            const unsigned endBits = unsigned(_mm256_movemask_epi8(ends));
            const unsigned before = bit == 31 ? endBits : endBits & ((2u << bit) - 1);
            scan.lines += __builtin_popcount(before);
            scan.hit = at + bit + 1;
            break;
        }
        counts = _mm256_sub_epi8(counts, ends);
        if (++counted == 255) {
            sums = _mm256_add_epi64(sums, _mm256_sad_epu8(counts, zero));
            counts = zero;
            counted = 0;
        }
    }
    sums = _mm256_add_epi64(sums, _mm256_sad_epu8(counts, zero));
    const __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    scan.lines += _mm_cvtsi128_si64(pairs) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(pairs, pairs));
    scan.at = at;
    return scan;
}
#endif

// Passes over the bytes data[begin, end) looking for a line end followed by
// a byte that starts matches. data[end] must be readable. Stops right after
// the first such line end; otherwise runs to end and reports the line after
// the last line end it passed.
PlainRun runOverPlainLines(const char *data, int begin, int end, const LineStarts &starts)
{
    PlainRun run;
    run.next = begin;
    WideScan wide;
    wide.at = begin;
#if defined(MBOXINDEX_HAVE_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        wide = scanAvx2(data, begin, end, starts);
    else
#endif
#if defined(__SSE2__)
        wide = scanSse2(data, begin, end, starts);
#endif
    run.lines = wide.lines;
    if (wide.hit >= 0) {
        run.next = wide.hit;
        return run;
    }
    for (int at = wide.at; at < end; ++at) {
        if (data[at] != '\n')
            continue;
        ++run.lines;
        if (starts.matches(data[at + 1])) {
            run.next = at + 1;
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

// Reads whole blocks of an open file. Once read-ahead is on, a helper
// thread reads the next block while the caller works on the current one,
// so that copying the bytes out of the page cache overlaps the scan.
class BlockSource
{
public:
    BlockSource(int fd, int blockSize) : m_fd(fd), m_blockSize(qMax(blockSize, 1))
    {
        m_storage[0] = QByteArray(m_blockSize, Qt::Uninitialized);
        m_slots[0].data = m_storage[0].data();
    }

    ~BlockSource()
    {
        if (!m_helper.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_helper.join();
    }

    BlockSource(const BlockSource &) = delete;
    BlockSource &operator=(const BlockSource &) = delete;

    // Reads ahead from the next block on.
    void startReadAhead()
    {
        if (m_helper.joinable())
            return;
        m_storage[1] = QByteArray(m_blockSize, Qt::Uninitialized);
        m_slots[1].data = m_storage[1].data();
        // Block k goes into slot k % 2 from here on; the first block read
        // ahead into the slot the caller is not using.
        if (m_consumed % 2 == 0) {
            std::swap(m_slots[0], m_slots[1]);
            if (m_current)
                m_current = &m_slots[1];
        }
        m_produced = m_consumed;
        m_allowed = m_consumed + 1;
        try {
            m_helper = std::thread([this]() { readAhead(); });
        } catch (const std::system_error &) {
            // No thread to spare: the blocks are read in turn, as before.
        }
    }

    // The next block: its bytes stay valid until the next call. Returns
    // the number of bytes, 0 at the end of the file, -1 when a read failed.
    qint64 next(const char *&data)
    {
        if (!m_helper.joinable()) {
            ++m_consumed;
            m_current = &m_slots[0];
            m_current->size = readFully(m_current->data, m_blockSize);
            data = m_current->data;
            return m_current->size;
        }
        // Block k may be read once the caller is done with block k - 2,
        // whose slot it then takes.
        const qint64 wanted = m_consumed++;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_allowed = wanted + 2;
            m_wake.notify_all();
            m_wake.wait(lock, [this, wanted]() { return m_produced > wanted; });
        }
        m_current = &m_slots[wanted % 2];
        data = m_current->data;
        return m_current->size;
    }

private:
    struct Slot {
        char *data = nullptr;
        qint64 size = 0;
    };

    qint64 readFully(char *buffer, int size)
    {
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, size_t(size));
            if (got >= 0)
                return got;
            if (errno != EINTR)
                return -1;
        }
    }

    void readAhead()
    {
        for (;;) {
            Slot *slot = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this]() { return m_quit || m_produced < m_allowed; });
                if (m_quit)
                    return;
                slot = &m_slots[m_produced % 2];
            }
            // At the end of the file this goes on reading nothing, so that
            // any later call of next() gets its answer.
            slot->size = readFully(slot->data, m_blockSize);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_produced;
            }
            m_wake.notify_all();
        }
    }

    const int m_fd;
    const int m_blockSize;
    QByteArray m_storage[2];
    Slot m_slots[2];
    Slot *m_current = nullptr;
    qint64 m_consumed = 0; // blocks handed to the caller

    std::thread m_helper;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    qint64 m_allowed = 0;  // blocks the helper may have read
    qint64 m_produced = 0; // blocks the helper has read
    bool m_quit = false;
};

// Reads a file line by line in large blocks. A line is handed out as a view
// into the block, or, when it crosses a block boundary, as a copy of its
// first keepLimit bytes; its byte range always covers the whole line.
class LineReader
{
public:
    LineReader(BlockSource &source, int keepLimit) : m_source(source), m_keepLimit(qMax(keepLimit, 8)) {}

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
            const char *begin = m_data + m_pos;
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
            const char *data = m_data;
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
        const char *data = keptData();
        int size = keptSize();
        const bool crLf = !m_cut && size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n';
        if (crLf)
            --size;
        QByteArray bytes(data, size);
        if (crLf)
            bytes[size - 1] = '\n';
        if (std::memchr(data, '\0', size_t(size)))
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
        const qint64 got = m_source.next(m_data);
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

    BlockSource &m_source;
    const char *m_data = nullptr; // the current block
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

// The unfolded value of a header whose first line is first (the name
// ends before valueStart) and whose folded lines are folded.
QByteArray unfoldedValue(const QByteArray &first, int valueStart, const QList<QByteArray> &folded)
{
    QByteArray raw = first.mid(valueStart);
    for (const QByteArray &line : folded)
        raw += line;
    return headerfields::unfold(raw);
}

// The diagnostic line of a sender that opens with a Q word of a known
// charset and goes on after it: "lines - " and the rest with its word
// markers removed. Empty for any other sender.
QByteArray senderDiagnostic(const QByteArray &value)
{
    if (!value.startsWith("=?"))
        return QByteArray();
    const int letterMark = value.indexOf('?', 2);
    if (letterMark < 0 || letterMark + 2 >= value.size() || value.at(letterMark + 2) != '?'
        || (value.at(letterMark + 1) | 0x20) != 'q' || !platform::isKnownCharset(value.mid(2, letterMark - 2)))
        return QByteArray();
    QByteArray rest = value.mid(letterMark + 3);
    const int wordEnd = rest.indexOf("?=");
    if (wordEnd < 0 || wordEnd + 2 == rest.size())
        return QByteArray();
    rest.remove(wordEnd, 2);
    return QByteArrayLiteral("lines - ") + rest;
}

// Sender and subject of the message being read.
struct MessageInProgress {
    qint64 offset = 0;
    QString from;
    QString subject;
    bool senderTaken = false;
    bool subjectTaken = false;
    // Until the first empty line: only there do From and Subject count.
    bool inHeader = true;

    MboxMessage closeAt(qint64 end) const { return MboxMessage{offset, end - offset, from, subject}; }
};

// Text kept for the whole session, once per message: a copy without spare
// capacity when the text has some.
QString exactCopy(QString text)
{
    if (text.capacity() <= text.size())
        return text;
    return QString(text.constData(), text.size());
}

// The few senders of a mailbox recur in message after message: a text
// equal to one seen a short while before shares it. The texts stay in the
// list for the whole session, so this saves most of their memory. One slot
// per hash value, the last text wins: the table stays small whatever the
// file holds.
class SharedTexts
{
public:
    SharedTexts() : m_slots(kSlots) {}

    QString shared(QString text)
    {
        if (text.isEmpty())
            return text;
        QString &slot = m_slots[int(qHash(text) & (kSlots - 1))];
        if (slot == text)
            return slot;
        slot = exactCopy(std::move(text));
        return slot;
    }

private:
    static constexpr uint kSlots = 4096;
    QVector<QString> m_slots;
};

void fillNode(MboxMbx *node, MboxMessage &&message, const QString &path)
{
    node->llOffset = message.offset;
    node->llLength = message.length;
    node->szFrom = std::move(message.from);
    node->szSubject = std::move(message.subject);
    node->szFilePath = path;
}

// Appends the messages of one file to the MboxMbx list: the first one
// fills the empty end node an earlier file left, if the list ends with
// one; after the file, one empty end node follows its messages.
class ListAppender
{
public:
    ListAppender(MboxMbx *&head, MboxMbx *&tail) : m_head(head), m_tail(tail) {}

    // The node for the next message.
    MboxMbx *nextNode()
    {
        if (m_first && m_tail && isEmptyNode(*m_tail)) {
            m_first = false;
            return m_tail;
        }
        m_first = false;
        auto *node = new MboxMbx;
        link(node);
        return node;
    }

    // Adds filled nodes of their own, linked from first to last, for the
    // next messages.
    void takeChain(MboxMbx *first, MboxMbx *last)
    {
        if (!first)
            return;
        if (m_first && m_tail && isEmptyNode(*m_tail)) {
            m_tail->llOffset = first->llOffset;
            m_tail->llLength = first->llLength;
            m_tail->szFrom = std::move(first->szFrom);
            m_tail->szSubject = std::move(first->szSubject);
            m_tail->szFilePath = std::move(first->szFilePath);
            m_tail->szLocation = std::move(first->szLocation);
            MboxMbx *const rest = first->pNext;
            delete first;
            m_first = false;
            if (!rest)
                return;
            first = rest;
        }
        m_first = false;
        link(first);
        m_tail = last;
    }

    // The empty end node that the next file's first message fills.
    void finish()
    {
        if (!m_first)
            link(new MboxMbx);
    }

private:
    void link(MboxMbx *node)
    {
        if (m_tail)
            m_tail->pNext = node;
        else
            m_head = node;
        m_tail = node;
    }

    MboxMbx *&m_head;
    MboxMbx *&m_tail;
    bool m_first = true;
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

QString senderFieldText(QString headerValue)
{
    if (headerValue.isEmpty() || !headerValue.contains(QLatin1Char('\n')))
        return headerValue;
    // The first part of a split at line feeds that is not empty.
    const int size = headerValue.size();
    for (int start = 0; start < size;) {
        int end = headerValue.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = size;
        if (end > start) {
            if (start > 0)
                return headerValue.mid(start, end - start);
            headerValue.truncate(end);
            return headerValue;
        }
        start = end + 1;
    }
    return QString();
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
    QFile file;
    if (!platform::openRegularFile(file, path, QIODevice::ReadOnly | QIODevice::Unbuffered))
        return IndexStatus::OpenFailed;
#if defined(POSIX_FADV_SEQUENTIAL)
    // One pass from start to end: let the kernel read ahead generously.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    const qint64 fileSize = file.size();
    // A small file needs no block of full size (one byte more lets the
    // reader see the end of the file in its first read).
    const int blockSize = int(qBound(qint64(1), fileSize + 1, qint64(qMax(options.blockSize, 1))));
    BlockSource source(file.handle(), blockSize);
    LineReader reader(source, options.headerByteLimit);
    if (!reader.next())
        return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::NotMbox;
    if (!reader.startsWith("From ") || reader.end() >= fileSize)
        return IndexStatus::NotMbox;
    if (options.readAhead && fileSize > 2 * qint64(blockSize))
        source.startReadAhead();

    // 2. One pass per line: headers, separators, the end of the file. Lines
    // that no rule takes are stepped over in bulk between progress calls.
    MessageInProgress message;
    QByteArray diagnostics;
    SharedTexts senders;
    qint64 delivered = 0;
    auto deliver = [&](MboxMessage &&done) {
        ++delivered;
        onMessage(std::move(done));
    };
    qint64 progressDue = options.progress ? 0 : std::numeric_limits<qint64>::max();
    // Calls the progress hook when it is due; false when it asks to stop.
    auto stepDone = [&]() {
        if (reader.consumed() + reader.lines() < progressDue)
            return true;
        const IndexProgress read{reader.consumed(), fileSize, reader.lines(), delivered,
                                 message.closeAt(reader.consumed())};
        if (!options.progress(read))
            return false;
        if (options.progressDue)
            progressDue = options.progressDue(read);
        return true;
    };
    for (;;) {
        // Every line of a header block is looked at (its empty line ends it);
        // in a body only separator lines matter.
        const LineStarts starts{false, false};
        if (!message.inHeader && reader.skipPlainLines(starts, fileSize, progressDue)) {
            if (!stepDone()) {
                deliver(message.closeAt(reader.consumed()));
                return IndexStatus::Stopped;
            }
            continue;
        }
        if (!reader.next()) {
            // The file ended short of the size it had when it was opened.
            deliver(message.closeAt(reader.consumed()));
            return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::Indexed;
        }
        const qint64 lineStart = reader.start();
        const qint64 lineEnd = reader.end();
        bool headerRanToEnd = false;

        QByteArray first;
        int valueStart = -1;
        bool senderLine = false;
        if (message.inHeader && (reader.startsWith("From", true) || reader.startsWith("Subject", true))) {
            first = reader.headerBytes();
            if (!message.senderTaken)
                valueStart = headerfields::valueStartOf(first, QByteArrayLiteral("From"));
            senderLine = valueStart >= 0;
            if (!senderLine && !message.subjectTaken)
                valueStart = headerfields::valueStartOf(first, QByteArrayLiteral("Subject"));
        }
        if (valueStart >= 0) {
            const QList<QByteArray> folded =
                readContinuationLines(reader, options.headerByteLimit, first.size(), headerRanToEnd);
            const QByteArray raw = unfoldedValue(first, valueStart, folded);
            QString value = encodedwords::decodeHeaderValue(raw);
            if (senderLine) {
                message.from = senders.shared(fitTextField(senderFieldText(std::move(value))));
                message.senderTaken = true;
                diagnostics = senderDiagnostic(raw);
            } else {
                message.subject = exactCopy(fitTextField(std::move(value)));
                message.subjectTaken = true;
            }
            if (!diagnostics.isEmpty()) {
                if (options.diagnostic)
                    options.diagnostic(diagnostics);
                diagnostics.clear();
            }
        } else if (reader.isSeparator()) {
            deliver(message.closeAt(lineStart));
            message = MessageInProgress();
            message.offset = lineStart;
        } else if (message.inHeader && (reader.startsWith("\n") || reader.startsWith("\r\n"))) {
            message.inHeader = false;
        }

        if (lineEnd >= fileSize || headerRanToEnd) {
            deliver(message.closeAt(lineEnd >= fileSize ? lineEnd : reader.consumed()));
            return reader.failed() ? IndexStatus::ReadFailed : IndexStatus::Indexed;
        }
        if (!stepDone()) {
            deliver(message.closeAt(reader.consumed()));
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
    ListAppender list(head, tail);
    const IndexStatus status = indexMboxFile(
        path, [&](MboxMessage &&message) { fillNode(list.nextNode(), std::move(message), path); }, options);
    list.finish();
    return status;
}

// ---- A file indexed on a worker thread ----

struct IndexedFile::Event {
    bool isStep = false;
    IndexProgress step;    // a step at which the reading reported progress
    QByteArray diagnostic; // or a diagnostic line
};

// What the worker and the owner share, under the mutex.
struct IndexedFile::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> events;
    bool started = false;
    bool done = false;
    bool ownerWaits = false;
    IndexStatus status = IndexStatus::NotMbox;
    std::atomic<bool> cancelled{false};
};

IndexedFile::IndexedFile(const QString &path, bool withProgress,
                         std::function<qint64(const IndexProgress &)> progressDue)
    : m_path(path), m_withProgress(withProgress), m_progressDue(std::move(progressDue)),
      m_shared(new Shared)
{
}

IndexedFile::~IndexedFile()
{
    truncateNodes(0);
}

void IndexedFile::cancel()
{
    m_shared->cancelled = true;
}

void IndexedFile::index(const IndexOptions &limits)
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->started)
            return;
        m_shared->started = true;
    }
    IndexStatus status = IndexStatus::Stopped;
    if (!m_shared->cancelled) {
        IndexOptions options;
        options.blockSize = limits.blockSize;
        options.headerByteLimit = limits.headerByteLimit;
        options.readAhead = limits.readAhead;
        // Without progress for the owner the steps are not recorded, but
        // the reading still looks at the cancel flag now and then.
        options.progress = [this](const IndexProgress &read) {
            if (m_shared->cancelled)
                return false;
            if (m_withProgress)
                publish(Event{true, read, QByteArray()});
            return true;
        };
        if (m_withProgress && m_progressDue)
            options.progressDue = m_progressDue;
        else if (!m_withProgress)
            options.progressDue = [](const IndexProgress &read) {
                return read.bytesRead + read.linesRead + (qint64(4) << 20);
            };
        // A copy of its own: the reader reuses its buffer for the next line.
        options.diagnostic = [this](const QByteArray &lines) {
            publish(Event{false, IndexProgress(), QByteArray(lines.constData(), lines.size())});
        };
        status = indexMboxFile(m_path, [this](MboxMessage &&message) { appendNode(std::move(message)); },
                               options);
    }
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->status = status;
    m_shared->done = true;
    m_shared->changed.notify_all();
}

void IndexedFile::publish(Event &&event)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->events.push_back(std::move(event));
    if (m_shared->ownerWaits)
        m_shared->changed.notify_all();
}

void IndexedFile::waitUntilIndexed()
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->ownerWaits = true;
    m_shared->changed.wait(lock, [this]() { return m_shared->done; });
    m_shared->ownerWaits = false;
}

void IndexedFile::appendNode(MboxMessage &&message)
{
    auto *node = new MboxMbx;
    fillNode(node, std::move(message), m_path);
    if (m_tail)
        m_tail->pNext = node;
    else
        m_head = node;
    m_tail = node;
}

void IndexedFile::truncateNodes(qint64 keep)
{
    MboxMbx *last = nullptr;
    MboxMbx *node = m_head;
    for (qint64 i = 0; i < keep && node; ++i) {
        last = node;
        node = node->pNext;
    }
    while (node) {
        MboxMbx *next = node->pNext;
        delete node;
        node = next;
    }
    if (last)
        last->pNext = nullptr;
    else
        m_head = nullptr;
    m_tail = last;
}

IndexStatus IndexedFile::replayInto(MboxMbx *&head, MboxMbx *&tail, const IndexOptions &options)
{
    // 1. The steps and diagnostic lines, as the worker gets to them.
    size_t next = 0;
    bool stopped = false;
    IndexProgress stopAt;
    for (;;) {
        std::vector<Event> batch;
        bool done = false;
        {
            std::unique_lock<std::mutex> lock(m_shared->mutex);
            m_shared->ownerWaits = true;
            m_shared->changed.wait(lock, [this, next]() {
                return next < m_shared->events.size() || m_shared->done;
            });
            m_shared->ownerWaits = false;
            batch.assign(std::make_move_iterator(m_shared->events.begin() + long(next)),
                         std::make_move_iterator(m_shared->events.end()));
            next = m_shared->events.size();
            done = m_shared->done;
        }
        for (Event &event : batch) {
            if (!event.isStep) {
                if (options.diagnostic)
                    options.diagnostic(event.diagnostic);
                continue;
            }
            if (options.progress && !options.progress(event.step)) {
                stopped = true;
                stopAt = std::move(event.step);
                break;
            }
        }
        if (stopped || done)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->events.clear();
        m_shared->events.shrink_to_fit();
    }

    // 2. A stop ends the file where the owner stopped, not where the worker got to.
    IndexStatus status = IndexStatus::Stopped;
    if (stopped) {
        cancel();
        waitUntilIndexed();
        truncateNodes(stopAt.messagesDone);
        appendNode(std::move(stopAt.current));
    } else {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        status = m_shared->status;
    }

    // 3. The nodes join the list as appendMboxToList would have added them.
    ListAppender list(head, tail);
    list.takeChain(m_head, m_tail);
    m_head = m_tail = nullptr;
    list.finish();
    return status;
}

void logDiagnostic(const QByteArray &line)
{
    // Through the locale codec, which gives back every byte as it was read.
    qCDebug(lcScanIndex).noquote() << QString::fromLocal8Bit(line);
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
    options.diagnostic = mboxindex::logDiagnostic;
    mboxindex::appendMboxToList(path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, options);
}
