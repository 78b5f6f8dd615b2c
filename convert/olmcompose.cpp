#include "convert/olmcompose.h"

#include "convert/mimeencode.h"
#include "olm/mailmlrc.h"
#include "olm/olmbody.h"
#include "olm/olmsource.h"

#include <QDate>
#include <QLocale>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace olmcompose {

namespace {

// Data read from the backup per call: a whole number of Base64 lines.
constexpr qint64 kReadChunk = qint64(mimeencode::kBase64LineBytes) * 16384;
// Composed bytes gathered before they go to the sink.
constexpr int kFlushSize = 1 << 20;
// Longest content id written into a Content-ID line.
constexpr int kMaxContentId = 500;

const char kUserAgentLine[] = "User-Agent: Microsoft-MacOutlook/14.0.0.100825\n";
const char kUnknownName[] = "Unknown Name";

const char *const kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Gathers the composed bytes and hands them to the sink in large blocks. The
// buffer is kept per thread between messages, so that composing a message
// does not grow a fresh one.
class MessageWriter
{
public:
    explicit MessageWriter(MessageSink &sink) : m_sink(sink), m_direct(sink.array())
    {
        if (m_direct)
            return;
        m_buffer.swap(spareBuffer());
        if (m_buffer.capacity() < kFlushSize)
            m_buffer.reserve(kFlushSize + kFlushSize / 4);
        m_buffer.resize(0);
    }
    ~MessageWriter()
    {
        if (m_direct)
            return;
        flush();
        m_buffer.resize(0);
        spareBuffer().swap(m_buffer);
    }

    QByteArray &buffer() { return m_direct ? *m_direct : m_buffer; }
    void append(const QByteArray &bytes)
    {
        buffer() += bytes;
        flushWhenFull();
    }
    void flushWhenFull()
    {
        if (!m_direct && m_buffer.size() >= kFlushSize)
            flush();
    }
    void flush()
    {
        if (m_direct || m_buffer.isEmpty())
            return;
        if (!m_sink.take(m_buffer))
            m_ok = false;
        m_buffer.resize(0);
    }
    bool ok() const { return m_ok; }

private:
    static QByteArray &spareBuffer()
    {
        static thread_local QByteArray spare;
        return spare;
    }

    MessageSink &m_sink;
    QByteArray *m_direct;
    QByteArray m_buffer;
    bool m_ok = true;
};

int nameIndex(const QByteArray &name, const char *const *names, int count)
{
    for (int i = 0; i < count; ++i) {
        if (name == names[i])
            return i;
    }
    return -1;
}

bool digitsAt(const QByteArray &text, int pos, int count, int *value)
{
    int result = 0;
    for (int i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
    }
    *value = result;
    return true;
}

QByteArray zoneText(int offsetSeconds)
{
    const char sign = offsetSeconds < 0 ? '-' : '+';
    const int minutes = qAbs(offsetSeconds) / 60;
    return sign + QByteArray::number(minutes / 60 * 100 + minutes % 60).rightJustified(4, '0');
}

// The unsigned decimal number of text, or 0 for anything else.
quint64 decimalOrZero(const QByteArray &text)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 10);
    return ok && !text.startsWith('+') && !text.startsWith('-') ? value : 0;
}

// Splits a stored list at every ";", keeping empty pieces (the piece after
// the last ";" included), as the attachment lists are read.
QList<QByteArray> attachmentPieces(const QByteArray &list)
{
    return list.split(';');
}

bool isTokenChar(uchar c)
{
    return c > 0x20 && c < 0x7F && std::strchr("()<>@,;:\\\"/[]?=", c) == nullptr;
}

bool isToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (!isTokenChar(uchar(c)))
            return false;
    }
    return true;
}

// A content type of the form token "/" token, or application/octet-stream.
// A multipart or message type becomes application/octet-stream as well: the
// data goes out in Base64, which MIME allows for neither (RFC 2045 6.4), and
// readers take such a body for parts or a message, never decoding it.
QByteArray contentType(const QByteArray &stored)
{
    const QByteArray type = stored.trimmed();
    const int slash = type.indexOf('/');
    if (type.size() <= mimeencode::kMaxPlainValue && slash > 0 && isToken(type.left(slash))
        && isToken(type.mid(slash + 1))) {
        const QByteArray major = type.left(slash).toLower();
        if (major != "multipart" && major != "message")
            return type;
    }
    return QByteArrayLiteral("application/octet-stream");
}

// An address as it stands between "<" and ">": cleaned, without angle brackets.
QByteArray addressText(const QByteArray &address)
{
    QByteArray cleaned = mimeencode::cleanHeaderValue(address);
    cleaned.replace('<', QByteArray()).replace('>', QByteArray());
    return cleaned.trimmed();
}

// "<" address ">" for a line that holds column bytes before it. When the
// line would grow too long the address starts a line of its own, and when it
// is still too long it is folded after a "." or "@", where the obsolete
// syntax of RFC 5322 (4.4) lets white space stand and readers accept it.
// Empty when a piece between two such places does not fit on a line.
QByteArray angleAddress(const QByteArray &address, int column)
{
    // Room kept for the "," that may follow an item.
    constexpr int kComma = 1;
    const int limit = mimeencode::kMaxHeaderLine - kComma;
    const QByteArray whole = '<' + address + '>';
    if (column + whole.size() <= limit)
        return whole;
    QByteArray out = column > 1 ? QByteArrayLiteral("\n\t") : QByteArray();
    if (1 + whole.size() <= limit)
        return out + whole;
    out += '<';
    int length = 2;
    int start = 0;
    while (start < address.size()) {
        int end = start;
        while (end < address.size() && address[end] != '.' && address[end] != '@')
            ++end;
        end = qMin(end + 1, address.size());
        const int piece = end - start;
        // One byte more for the ">" after the last piece.
        if (length + piece + 1 > limit && length > 2) {
            out += "\n\t";
            length = 1;
        }
        if (length + piece + 1 > limit)
            return QByteArray();
        out += address.mid(start, piece);
        length += piece;
        start = end;
    }
    return out + '>';
}

// "name <address>", or "<address>" without a name, for a line that holds
// column bytes before it; empty when the address does not fit (angleAddress).
QByteArray mailbox(const QByteArray &display, const QByteArray &address, int column)
{
    const QByteArray name = mimeencode::displayName(display);
    if (name.trimmed().isEmpty())
        return angleAddress(address, column);
    const int lastBreak = name.lastIndexOf('\n');
    const int nameEnd = lastBreak < 0 ? column + name.size() : name.size() - lastBreak - 1;
    const QByteArray angle = angleAddress(address, nameEnd + 1);
    if (angle.isEmpty())
        return QByteArray();
    return name + (angle.startsWith('\n') ? QByteArray() : QByteArrayLiteral(" ")) + angle;
}

void reportAddressLeftOut(int size)
{
    std::fprintf(stderr, "an address of %d bytes does not fit on a header line and is left out\n", size);
}

void reportShortRead(const char *what, qint64 wanted, qint64 got)
{
    std::fprintf(stderr, "backup holds %lld of %lld bytes of %s\n", static_cast<long long>(got),
                 static_cast<long long>(wanted), what);
}

// Streams the clamped range [offset, offset + length) of the backup to
// consume in chunks; returns whether the whole stored range was read.
bool readRange(BackupReader &backup, qint64 offset, qint64 length, const char *what,
               const std::function<void(const char *, qint64)> &consume)
{
    const qint64 fileSize = backup.size();
    qint64 available = 0;
    if (offset >= 0 && length > 0 && offset < fileSize)
        available = qMin(length, fileSize - offset);
    if (available > 0) {
        if (const char *held = backup.bytesAt(offset, available)) {
            for (qint64 done = 0; done < available; done += kReadChunk)
                consume(held + done, qMin(kReadChunk, available - done));
            if (available < length) {
                reportShortRead(what, length, available);
                return false;
            }
            return true;
        }
    }
    // One read buffer per thread, kept between ranges. A consumer never
    // reads a range itself, so the buffer is free whenever this starts.
    static thread_local std::unique_ptr<char[]> chunk;
    if (available > 0 && !chunk)
        chunk.reset(new char[size_t(kReadChunk)]);
    qint64 done = 0;
    while (done < available) {
        const qint64 want = qMin(kReadChunk, available - done);
        const qint64 got = backup.readAt(offset + done, chunk.get(), want);
        if (got <= 0)
            break;
        consume(chunk.get(), got);
        done += got;
        if (got < want)
            break;
    }
    if (length > 0 && done < length) {
        reportShortRead(what, length, done);
        return false;
    }
    return true;
}

const QByteArray &storedField(const MailMLRC &record, TimeSource source)
{
    return source == TimeSource::Sent ? record.szSentTime : record.szReceivedTime;
}

} // namespace

BackupReader::~BackupReader() = default;
MessageSink::~MessageSink() = default;

FileBackupReader::FileBackupReader(const QString &path)
    : m_file(path)
{
    // Opened as the scan opens it: a FIFO or device put in the backup's
    // place since the scan is refused, not waited on.
    const int descriptor = olm::openBackupFile(path, &m_size);
    if (descriptor >= 0 && !m_file.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered,
                                        QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        m_size = 0;
    }
}

qint64 FileBackupReader::size() const
{
    return m_size;
}

qint64 FileBackupReader::readAt(qint64 offset, char *data, qint64 maxSize)
{
    if (!m_file.isOpen() || offset < 0)
        return -1;
    // One positioned read per call: no seek, no buffering by QFile.
    qint64 done = 0;
    while (done < maxSize) {
        const ssize_t got = ::pread(m_file.handle(), data + done, size_t(maxSize - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return done > 0 ? done : -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 BufferBackupReader::readAt(qint64 offset, char *data, qint64 maxSize)
{
    if (offset < 0 || offset > m_bytes.size())
        return -1;
    const qint64 count = qMin(maxSize, qint64(m_bytes.size()) - offset);
    std::memcpy(data, m_bytes.constData() + offset, size_t(count));
    return count;
}

bool MessageSink::take(QByteArray &bytes)
{
    const bool ok = write(bytes.constData(), bytes.size());
    bytes.resize(0);
    return ok;
}

const char *BackupReader::bytesAt(qint64, qint64)
{
    return nullptr;
}

const char *BufferBackupReader::bytesAt(qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || offset > m_bytes.size() || size > m_bytes.size() - offset)
        return nullptr;
    return m_bytes.constData() + offset;
}

RangeBackupReader::RangeBackupReader(BackupReader &backup, qint64 offset, qint64 size)
    : m_backup(backup), m_offset(offset)
{
    size = qBound<qint64>(0, size, qMax<qint64>(0, backup.size() - offset));
    if (offset < 0 || size <= 0)
        return;
    m_bytes.resize(int(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 got = backup.readAt(offset + done, m_bytes.data() + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    m_bytes.resize(int(done));
}

qint64 RangeBackupReader::readAt(qint64 offset, char *data, qint64 maxSize)
{
    const qint64 heldEnd = m_offset + m_bytes.size();
    if (offset < m_offset || offset >= heldEnd || maxSize <= 0)
        return m_backup.readAt(offset, data, maxSize);
    const qint64 count = qMin(maxSize, heldEnd - offset);
    std::memcpy(data, m_bytes.constData() + (offset - m_offset), size_t(count));
    if (count == maxSize)
        return count;
    // The rest lies beyond the held range.
    const qint64 more = m_backup.readAt(heldEnd, data + count, maxSize - count);
    return count + qMax<qint64>(0, more);
}

const char *RangeBackupReader::bytesAt(qint64 offset, qint64 size)
{
    if (!m_bytes.isEmpty() && offset >= m_offset && size >= 0 && offset - m_offset <= m_bytes.size()
        && size <= m_bytes.size() - (offset - m_offset))
        return m_bytes.constData() + (offset - m_offset);
    return m_backup.bytesAt(offset, size);
}

bool DeviceSink::write(const char *data, qint64 size)
{
    return m_device->write(data, size) == size;
}

bool ByteArraySink::write(const char *data, qint64 size)
{
    bytes.append(data, int(size));
    return true;
}

Sources Sources::system()
{
    Sources sources;
    sources.now = [] { return QDateTime::currentDateTime(); };
    sources.random = [] { return QRandomGenerator::global()->generate() & 0x7FFFFFFF; };
    sources.uuid = [] { return QUuid::createUuid(); };
    return sources;
}

// --- Times ---

bool isStoredTime(const QByteArray &text)
{
    if (text.size() != 31 || text[3] != ',' || text[4] != ' ' || text[7] != ' ' || text[11] != ' '
        || text[16] != ' ' || text[19] != ':' || text[22] != ':' || text[25] != ' '
        || (text[26] != '+' && text[26] != '-'))
        return false;
    if (nameIndex(text.mid(0, 3), kWeekdays, 7) < 0)
        return false;
    const int month = nameIndex(text.mid(8, 3), kMonths, 12) + 1;
    int day, year, hour, minute, second, zone;
    if (month < 1 || !digitsAt(text, 5, 2, &day) || !digitsAt(text, 12, 4, &year)
        || !digitsAt(text, 17, 2, &hour) || !digitsAt(text, 20, 2, &minute)
        || !digitsAt(text, 23, 2, &second) || !digitsAt(text, 27, 4, &zone))
        return false;
    return QDate::isValid(year, month, day) && year >= 1900 && hour < 24 && minute < 60 && second < 60
           && zone / 100 < 24 && zone % 100 < 60;
}

TimeSource chooseTime(const MailMLRC &record)
{
    // The folder name and the outgoing flag say which stored time belongs to
    // the message; a message of no known kind is taken as received.
    const QByteArray &path = record.szFolderPath;
    const qint32 outgoing = record.nIsOutgoing;
    TimeSource preferred = TimeSource::Received;
    if (path.contains("Sent Items"))
        preferred = TimeSource::Sent;
    else if (path.contains("Inbox"))
        preferred = TimeSource::Received;
    else if (path.contains("Deleted Items") && (outgoing == 1 || outgoing == 0))
        preferred = outgoing == 1 ? TimeSource::Sent : TimeSource::Received;
    else if (path.contains("Drafts"))
        preferred = TimeSource::Sent;
    else if (outgoing == 1)
        preferred = TimeSource::Sent;

    const TimeSource other = preferred == TimeSource::Sent ? TimeSource::Received : TimeSource::Sent;
    if (isStoredTime(storedField(record, preferred)))
        return preferred;
    if (isStoredTime(storedField(record, other)))
        return other;
    return TimeSource::Current;
}

namespace {

QByteArray separatorLinesFor(const MailMLRC &record, TimeSource source, const QDateTime &now)
{
    QByteArray line("From ???@??? ");
    if (source == TimeSource::Current) {
        line += QLocale::c().toString(now, QStringLiteral("ddd MMM d HH:mm:ss yyyy")).toLatin1();
        return line + '\n';
    }
    const QByteArray &time = storedField(record, source);
    line += time.mid(0, 3) + ' ' + time.mid(8, 3) + ' ' + time.mid(5, 2) + ' ' + time.mid(17, 8)
            + ' ' + time.mid(12, 4) + '\n';
    return line + kUserAgentLine;
}

QByteArray dateLineFor(const MailMLRC &record, TimeSource source, const QDateTime &now)
{
    if (source == TimeSource::Current) {
        return "Date: " + QLocale::c().toString(now, QStringLiteral("ddd, d MMM yyyy HH:mm:ss")).toLatin1()
               + ' ' + zoneText(now.offsetFromUtc()) + '\n';
    }
    return "Date: " + storedField(record, source) + '\n';
}

} // namespace

QByteArray separatorLines(const MailMLRC &record, const QDateTime &now)
{
    return separatorLinesFor(record, chooseTime(record), now);
}

QByteArray dateLine(const MailMLRC &record, const QDateTime &now)
{
    return dateLineFor(record, chooseTime(record), now);
}

// --- Subject and originator ---

QByteArray subjectHeader(const QByteArray &subject)
{
    if (subject.isEmpty())
        return QByteArray();
    const QList<QByteArray> words = mimeencode::encodedWords(mimeencode::cleanHeaderValue(subject));
    return "Subject: " + words.join("\n\t") + '\n';
}

QByteArray fromHeader(const QByteArray &names, const QByteArray &addresses)
{
    const QByteArray label = QByteArrayLiteral("From: ");
    const QList<QByteArray> addressList = storedListElements(addresses);
    if (addressList.isEmpty())
        return QByteArray();
    const QByteArray address = addressText(addressList.last());
    if (address.isEmpty())
        return QByteArray();
    const QList<QByteArray> nameList = listElements(names);
    const QByteArray display = nameList.isEmpty() ? address : nameList.last();
    const QByteArray item = mailbox(display, address, label.size());
    if (item.isEmpty()) {
        reportAddressLeftOut(address.size());
        return QByteArray();
    }
    return label + item + '\n';
}

QByteArray recipientHeader(const QByteArray &label, const QByteArray &addresses,
                           const QByteArray &names)
{
    const QList<QByteArray> addressList = storedListElements(addresses);
    const QList<QByteArray> nameList = listElements(names);
    // Names only help when they pair with the addresses one to one.
    const bool paired = nameList.size() == addressList.size();
    QList<QByteArray> items;
    for (int i = 0; i < addressList.size(); ++i) {
        const QByteArray address = addressText(addressList[i]);
        if (address.isEmpty())
            continue;
        QByteArray display;
        if (paired)
            display = nameList[i] == kUnknownName ? address : nameList[i];
        const QByteArray item = mailbox(display, address, items.isEmpty() ? label.size() : 1);
        if (item.isEmpty()) {
            reportAddressLeftOut(address.size());
            continue;
        }
        items.append(item);
    }
    if (items.isEmpty())
        return QByteArray();
    return label + items.join(",\n\t") + '\n';
}

QList<QByteArray> listElements(const QByteArray &list)
{
    QList<QByteArray> elements = storedListElements(list);
    for (QByteArray &element : elements)
        element = decodeEntities(element);
    return elements;
}

QList<QByteArray> storedListElements(const QByteArray &list)
{
    // Entities whose ";" is part of the element, not a separator.
    static const char *const kNamedEntities[] = {"lt", "gt", "amp", "quot", "apos", "nbsp"};
    QList<QByteArray> elements;
    int start = 0;
    for (int pos = 0; pos < list.size(); ++pos) {
        if (list[pos] != ';')
            continue;
        const int amp = list.lastIndexOf('&', pos);
        if (amp >= start && pos - amp <= 10) {
            const QByteArray name = list.mid(amp + 1, pos - amp - 1);
            bool entity = nameIndex(name, kNamedEntities, 6) >= 0;
            if (!entity && name.size() >= 2 && name[0] == '#') {
                bool ok = false;
                if (name[1] == 'x' || name[1] == 'X')
                    name.mid(2).toUInt(&ok, 16);
                else
                    name.mid(1).toUInt(&ok, 10);
                entity = ok && !name.contains('+') && !name.contains('-');
            }
            if (entity)
                continue;
        }
        elements.append(list.mid(start, pos - start));
        start = pos + 1;
    }
    if (start < list.size())
        elements.append(list.mid(start));
    return elements;
}

QByteArray decodeEntities(const QByteArray &element)
{
    struct Entity {
        const char *text;
        const char *value;
    };
    // "&amp;nbsp;" is a blank, as in the body text.
    static const Entity kEntities[] = {{"&amp;nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"},
                                       {"&amp;", "&"},      {"&quot;", "\""}, {"&apos;", "'"},
                                       {"&nbsp;", " "}};
    QByteArray out;
    int pos = 0;
    while (pos < element.size()) {
        const int amp = element.indexOf('&', pos);
        if (amp < 0) {
            out += element.mid(pos);
            break;
        }
        out += element.mid(pos, amp - pos);
        pos = amp;
        bool done = false;
        for (const Entity &entity : kEntities) {
            const int length = int(std::strlen(entity.text));
            if (element.mid(amp, length) == entity.text) {
                out += entity.value;
                pos = amp + length;
                done = true;
                break;
            }
        }
        if (!done && element.mid(amp + 1, 1) == "#") {
            const int semicolon = element.indexOf(';', amp);
            if (semicolon > amp + 2 && semicolon - amp <= 10) {
                QByteArray digits = element.mid(amp + 2, semicolon - amp - 2);
                const bool hex = digits.startsWith('x') || digits.startsWith('X');
                bool ok = false;
                const uint code = (hex ? digits.mid(1) : digits).toUInt(&ok, hex ? 16 : 10);
                if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)
                    && !digits.contains('+') && !digits.contains('-')) {
                    const char32_t character = code;
                    out += QString::fromUcs4(&character, 1).toUtf8();
                    pos = semicolon + 1;
                    done = true;
                }
            }
        }
        if (!done) {
            out += '&';
            ++pos;
        }
    }
    return out;
}

// --- Boundaries ---

bool isValidBoundary(const QByteArray &boundary)
{
    if (boundary.isEmpty() || boundary.size() > 70 || boundary.endsWith(' '))
        return false;
    for (const char c : boundary) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7E || c == '"' || c == '\\')
            return false;
    }
    return true;
}

Boundaries makeBoundaries(const QByteArray &messageId, bool withInner, quint32 number,
                          const std::function<QUuid()> &uuid)
{
    auto related = [](const QByteArray &a, const QByteArray &b) {
        return a.startsWith(b) || b.startsWith(a);
    };
    auto generated = [&uuid](const char *prefix) {
        return prefix + uuid().toRfc4122().toHex().toUpper();
    };
    // The parameter value is quoted where the Message-ID had angle brackets
    // and wherever the text is no token; the inner boundary takes the number
    // after the first nine characters of that value, quotes dropped.
    auto build = [&](const QByteArray &outer, bool bracketed) {
        Boundaries result;
        result.outer = outer;
        const bool quoted = bracketed || !isToken(outer);
        const QByteArray value = quoted ? '"' + outer + '"' : outer;
        result.outerParameter = "boundary=" + value;
        if (withInner) {
            QByteArray inner = value.leftJustified(9, ' ');
            inner.insert(9, QByteArray::number(number));
            inner.replace('"', QByteArray());
            result.inner = inner;
            result.innerParameter = "boundary=" + (quoted ? '"' + inner + '"' : inner);
        }
        return result;
    };
    auto acceptable = [&](const Boundaries &b) {
        return isValidBoundary(b.outer)
               && (!withInner || (isValidBoundary(b.inner) && !related(b.inner, b.outer)));
    };

    QByteArray derived(messageId.constData(), messageId.size());
    derived.replace('<', QByteArray()).replace('>', QByteArray());
    Boundaries boundaries = build(derived, messageId.contains('<') || messageId.contains('>'));
    if (acceptable(boundaries))
        return boundaries;
    boundaries = build(generated("=_"), true);
    if (withInner && !acceptable(boundaries)) {
        // "l" is no hexadecimal digit: never related to a generated outer boundary.
        boundaries.inner = generated("=_alt_");
        boundaries.innerParameter = "boundary=\"" + boundaries.inner + '"';
    }
    return boundaries;
}

// --- Body ---

void BodyUnescaper::add(const char *data, qint64 size, QByteArray &out)
{
    m_pending.append(data, int(size));
    // An "&" among the last bytes may begin an entity that the next piece ends.
    constexpr int kLongestEntity = 10; // "&amp;nbsp;"
    int keep = 0;
    const int amp = m_pending.lastIndexOf('&');
    if (amp >= 0 && m_pending.size() - amp < kLongestEntity)
        keep = m_pending.size() - amp;
    const QByteArray ready = m_pending.left(m_pending.size() - keep);
    m_pending.remove(0, ready.size());
    finishText(ready, out);
}

void BodyUnescaper::finish(QByteArray &out)
{
    finishText(m_pending, out);
    m_pending.clear();
}

void BodyUnescaper::finishText(const QByteArray &text, QByteArray &out)
{
    struct Entity {
        const char *text;
        int length;
        char value;
    };
    // Applying the six replacements one after the other gives the same as
    // this one pass, "&amp;" followed by "nbsp;" ending as a blank.
    static const Entity kEntities[] = {{"&amp;gt;", 8, '>'}, {"&amp;lt;", 8, '<'},
                                       {"&gt;", 4, '>'},     {"&lt;", 4, '<'},
                                       {"&amp;nbsp;", 10, ' '}, {"&amp;", 5, '&'},
                                       {"&nbsp;", 6, ' '}};
    const char *p = text.constData();
    const int n = text.size();
    int pos = 0;
    while (pos < n) {
        const char *amp = static_cast<const char *>(std::memchr(p + pos, '&', size_t(n - pos)));
        if (!amp) {
            out.append(p + pos, n - pos);
            break;
        }
        const int at = int(amp - p);
        out.append(p + pos, at - pos);
        pos = at + 1;
        char value = '&';
        for (const Entity &entity : kEntities) {
            if (n - at >= entity.length && std::memcmp(amp, entity.text, size_t(entity.length)) == 0) {
                value = entity.value;
                pos = at + entity.length;
                break;
            }
        }
        out += value;
    }
}

namespace {

using Consumer = std::function<void(const char *, qint64)>;

// The stored body text, handed to a consumer in pieces. A body that fits
// one read is read once and kept, for the html test and the encoding both;
// a longer one is read from the backup on every pass.
class BodyText
{
public:
    BodyText(const MailMLRC &record, BackupReader &backup)
        : m_backup(backup), m_offset(record.llBodyOffset), m_length(record.llBodyLength)
    {
        if (m_length <= kReadChunk) {
            m_whole = readRange(m_backup, m_offset, m_length, "a message body",
                                [this](const char *data, qint64 size) { m_held.append(data, int(size)); });
            m_isHeld = true;
        }
    }

    // Passes the body to consume; false when the backup did not hold it whole.
    bool pass(const Consumer &consume)
    {
        if (!m_isHeld)
            return readRange(m_backup, m_offset, m_length, "a message body", consume);
        if (!m_held.isEmpty())
            consume(m_held.constData(), m_held.size());
        return m_whole;
    }

private:
    BackupReader &m_backup;
    qint64 m_offset;
    qint64 m_length;
    QByteArray m_held;
    bool m_isHeld = false;
    bool m_whole = true;
};

// Whether the restored body is an HTML document.
bool bodyIsHtml(BodyText &body)
{
    olmbody::HtmlDocumentTest test;
    BodyUnescaper unescaper;
    QByteArray restored;
    body.pass([&](const char *data, qint64 size) {
        restored.clear();
        unescaper.add(data, size, restored);
        test.add(restored);
    });
    restored.clear();
    unescaper.finish(restored);
    test.add(restored);
    return test.isHtml();
}

// The body part: a multipart/alternative part holding the text/html part,
// its content quoted-printable. A body that is no HTML document goes in as
// the HTML that shows its text, lines and markup characters as they are.
bool WriteBodyParts(MessageWriter &out, const MailMLRC &record, BackupReader &backup,
                    const Boundaries &boundaries)
{
    BodyText body(record, backup);
    const bool html = bodyIsHtml(body);
    out.append("Content-type: multipart/alternative;\n\t" + boundaries.innerParameter + "\n\n--"
               + boundaries.inner + "\nContent-type: text/html;charset=\"UTF-8\"\n"
               + "Content-transfer-encoding: quoted-printable\n\n");

    mimeencode::QuotedPrintableEncoder encoder;
    BodyUnescaper unescaper;
    QByteArray restored;
    auto encode = [&](const QByteArray &text) {
        encoder.add(text, out.buffer());
        out.flushWhenFull();
    };
    // A CR that ends a piece of plain text waits for the next piece, which
    // may begin with its LF: CR LF is one line end.
    bool heldCr = false;
    auto encodeRestored = [&](bool last) {
        if (html) {
            encode(restored);
            return;
        }
        if (heldCr)
            restored.prepend('\r');
        heldCr = !last && restored.endsWith('\r');
        if (heldCr)
            restored.chop(1);
        encode(olmbody::plainTextHtml(restored));
    };
    if (!html)
        encode(QByteArray(olmbody::kTextBodyStart));
    const bool whole = body.pass([&](const char *data, qint64 size) {
        restored.clear();
        unescaper.add(data, size, restored);
        encodeRestored(false);
    });
    restored.clear();
    unescaper.finish(restored);
    encodeRestored(true);
    if (!html)
        encode(QByteArray(olmbody::kTextBodyEnd));
    encoder.finish(out.buffer());
    out.append("\n\n--" + boundaries.inner + "--\n\n");
    return whole;
}

// One part per attachment, its data in Base64 lines.
int WriteAttachmentParts(MessageWriter &out, const MailMLRC &record, BackupReader &backup,
                         const Boundaries &boundaries, int count)
{
    const QList<QByteArray> names = attachmentPieces(record.pAttachNames);
    const QList<QByteArray> types = attachmentPieces(record.pAttachContentTypes);
    const QList<QByteArray> ids = attachmentPieces(record.pAttachContentIDs);
    const QList<QByteArray> offsets = attachmentPieces(record.pAttachOffsets);
    const QList<QByteArray> sizes = attachmentPieces(record.pAttachSizes);
    auto piece = [](const QList<QByteArray> &list, int i) { return i < list.size() ? list[i] : QByteArray(); };

    int shortReads = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = piece(names, i);
        QByteArray head = "--" + boundaries.outer + "\nContent-type: " + contentType(piece(types, i));
        const QList<QByteArray> nameParameter = mimeencode::fileNameParameters("name", name, false);
        head += nameParameter.isEmpty() ? QByteArray("\n") : "; " + nameParameter.first() + '\n';
        head += "Content-Description: " + mimeencode::unstructuredValue(name) + '\n';
        head += "Content-Disposition: attachment; "
                + mimeencode::fileNameParameters("filename", name, true).join(";\n\t") + ";\n";
        head += "Content-Transfer-Encoding: base64\n";
        const QByteArray id = addressText(piece(ids, i));
        if (!id.isEmpty() && id != "no" && id.size() <= kMaxContentId)
            head += "Content-ID: <" + id + ">\n";
        out.append(head + '\n');

        qint64 written = 0;
        const bool whole = readRange(backup, qint64(qMin<quint64>(decimalOrZero(piece(offsets, i)),
                                                                   quint64(LLONG_MAX))),
                                     qint64(qMin<quint64>(decimalOrZero(piece(sizes, i)), quint64(LLONG_MAX))),
                                     "an attachment", [&](const char *data, qint64 size) {
                                         mimeencode::appendBase64Lines(data, size, out.buffer());
                                         written += size;
                                         out.flushWhenFull();
                                     });
        if (!whole)
            ++shortReads;
        out.append(written == 0 ? QByteArrayLiteral("\n\n") : QByteArrayLiteral("\n"));
    }
    return shortReads;
}

// Number of attachments: the elements of the names list.
int attachmentCount(const MailMLRC &record)
{
    if (!record.hasAttachments())
        return 0;
    return int(record.pAttachNames.count(';')
               + (!record.pAttachNames.isEmpty() && !record.pAttachNames.endsWith(';') ? 1 : 0));
}

} // namespace

ComposeResult composeMessage(const MailMLRC &record, BackupReader &backup, const Sources &sources,
                             MessageSink &sink)
{
    ComposeResult result;
    MessageWriter out(sink);
    const bool hasBody = record.llBodyLength > 0;
    const int attachments = attachmentCount(record);
    const bool multipart = hasBody || attachments > 0;

    // 1. Separator and header lines.
    // The clock is read only for a message without a usable stored time.
    const TimeSource time = chooseTime(record);
    const QDateTime now = time == TimeSource::Current ? sources.now() : QDateTime();
    out.append(separatorLinesFor(record, time, now));
    out.append(subjectHeader(record.szSubject));
    out.append(fromHeader(record.szFromName, record.szFromAddress));
    out.append(recipientHeader("To: ", record.szToAddress, record.szToName));
    out.append(recipientHeader("Cc: ", record.szCcAddress, record.szCcName));
    out.append(dateLineFor(record, time, now));

    // 2. Identification and MIME envelope.
    if (!record.szThreadTopic.isEmpty())
        out.append("Thread-Topic: " + mimeencode::unstructuredValue(record.szThreadTopic) + '\n');
    if (!record.szPriority.isEmpty()) {
        const QByteArray &priority = record.szPriority;
        out.append("X-Priority: " + (priority == "4" || priority == "2" ? priority : QByteArray()) + '\n');
    }
    if (!record.szMessageID.isEmpty())
        out.append("Message-ID: " + sources.uuid().toRfc4122().toHex().toUpper() + '\n');
    out.append(record.hasAttachments() ? QByteArrayLiteral("X-MS-Has-Attach: yes\n")
                                       : QByteArrayLiteral("X-MS-Has-Attach: \n"));
    out.append(QByteArrayLiteral("MIME-Version: 1.0\n"));
    Boundaries boundaries;
    if (multipart) {
        boundaries = makeBoundaries(record.szMessageID, hasBody, hasBody ? sources.random() : 0,
                                    sources.uuid);
        out.append("Content-type: multipart/mixed;\n\t" + boundaries.outerParameter + "\n\n");
    }

    // 3. Body and attachments.
    if (hasBody) {
        out.append("--" + boundaries.outer + '\n');
        if (!WriteBodyParts(out, record, backup, boundaries))
            ++result.shortReads;
    }
    result.shortReads += WriteAttachmentParts(out, record, backup, boundaries, attachments);
    if (multipart)
        out.append("--" + boundaries.outer + "--\n");

    // 4. The empty line that ends the message in its mbox file; a message
    // without body text also ends its header section with it.
    out.append(hasBody ? QByteArrayLiteral("\n") : QByteArrayLiteral("\n\n"));
    out.flush();
    result.written = out.ok();
    return result;
}

} // namespace olmcompose
