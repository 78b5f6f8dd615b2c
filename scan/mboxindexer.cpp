#include "scan/mboxindexer.h"

#include "scan/encodedwords.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFile>

#include <cstdio>
#include <cstring>

#include <sys/stat.h>

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
