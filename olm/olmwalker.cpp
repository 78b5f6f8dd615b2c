#include "olm/olmwalker.h"

#include "olm/olmsource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace olm {

namespace {

constexpr quint32 kLocalHeader = 0x04034b50;
constexpr quint32 kCentralHeader = 0x02014b50;
constexpr quint32 kDataDescriptor = 0x08074b50;
constexpr quint32 kEndOfDirectory = 0x06054b50;
constexpr quint32 kZip64EndOfDirectory = 0x06064b50;
constexpr quint32 kZip64Locator = 0x07064b50;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;
constexpr int kZip64LocatorSize = 20;
constexpr int kZip64EndRecordSize = 56;
constexpr qint64 kLargestComment = 0xFFFF;
// A directory listing more entries is not used (16 bytes are kept for each).
constexpr quint64 kMostListedEntries = quint64(1) << 23;
constexpr quint16 kZip64Tag = 0x0001;
constexpr quint32 kSize32Marker = 0xFFFFFFFFu;
constexpr int kCentralHeadersAtEnd = 3;
constexpr qint64 kFastWindow = qint64(256) << 10;
// The fast walk looks at a closing tag or a local header within one window.
constexpr qint64 kSmallestFastWindow = 64;
// The stop flag is looked at no later than after this many bytes.
constexpr qint64 kStopCheckSpan = 64 * 1024;

struct ElementKind {
    const char *open;
    int openLength;
    const char *close;
    int closeLength;
    bool isEmails;
};

// Told apart by their second byte.
const ElementKind kElementKinds[] = {
    {"<emails ", 8, "</emails>", 9, true},
    {"<notes ", 7, "</notes>", 8, false},
    {"<tasks ", 7, "</tasks>", 8, false},
    {"<contacts ", 10, "</contacts>", 11, false},
    {"<appointments ", 14, "</appointments>", 15, false},
};

const QStringList &skippedNames()
{
    static const QStringList names{QStringLiteral("Categories.xml"), QStringLiteral("Contacts.xml"),
                                   QStringLiteral("Calendar.xml"), QStringLiteral("Tasks.xml"),
                                   QStringLiteral("Notes.xml")};
    return names;
}

quint64 littleEndian(const char *bytes, int at, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint64(static_cast<unsigned char>(bytes[at + i]));
    return value;
}

bool isAscii(const char *text, int size)
{
    for (int i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// The byte-level readings of an ASCII entry name (no NUL in it): the same
// answers that the QString functions give for its text, without building
// the text and its list of components for every entry.
bool isSkippedAsciiEntry(const char *name, int size)
{
    static const struct {
        const char *text;
        int size;
    } kSkipped[] = {{"Categories.xml", 14}, {"Contacts.xml", 12}, {"Calendar.xml", 12}, {"Tasks.xml", 9},
                    {"Notes.xml", 9}};
    int begin = 0;
    while (begin <= size) {
        const void *slash = std::memchr(name + begin, '/', std::size_t(size - begin));
        const int end = slash ? int(static_cast<const char *>(slash) - name) : size;
        for (const auto &skipped : kSkipped) {
            if (end - begin == skipped.size && std::memcmp(name + begin, skipped.text, std::size_t(skipped.size)) == 0)
                return true;
        }
        begin = end + 1;
    }
    return false;
}

bool isMessageAsciiEntry(const char *name, int size)
{
    int last = 0;
    for (int i = 0; i < size; ++i) {
        if (name[i] == '/')
            last = i + 1;
    }
    if (last >= size)
        return false; // an empty last component
    const std::size_t length = std::size_t(size - last);
    return memmem(name + last, length, "__message_attachment__", 22) && memmem(name + last, length, ".xml", 4);
}

QString folderPathOfAsciiEntry(const char *name, int size)
{
    int prefix = 0;
    const int firstEnd = [&] {
        const void *slash = std::memchr(name, '/', std::size_t(size));
        return slash ? int(static_cast<const char *>(slash) - name) : size;
    }();
    if (firstEnd == 8 && std::memcmp(name, "Accounts", 8) == 0)
        prefix = 3;
    else if (firstEnd == 5 && std::memcmp(name, "Local", 5) == 0)
        prefix = 2;
    if (prefix == 0)
        return QString();
    // The rest begins after the prefix's last slash and runs to the name's
    // last slash, or to its end when it is one component.
    int slashes = 0;
    int restBegin = -1;
    int lastSlash = -1;
    for (int i = 0; i < size; ++i) {
        if (name[i] != '/')
            continue;
        if (++slashes == prefix)
            restBegin = i + 1;
        lastSlash = i;
    }
    if (restBegin < 0)
        return QString();
    const int restEnd = lastSlash >= restBegin ? lastSlash : size;
    return QString::fromLatin1(name + restBegin, restEnd - restBegin);
}

// The sizes of a sized entry: the ZIP64 block among the extra blocks when
// there is one, else the 32-bit header fields. False for a damaged entry.
bool entrySizes(const char *extra, int extraSize, quint32 uncompressed32, quint32 compressed32,
                qint64 *uncompressed, qint64 *compressed)
{
    quint64 a = uncompressed32;
    quint64 b = compressed32;
    bool haveA = uncompressed32 != kSize32Marker;
    bool haveB = compressed32 != kSize32Marker;
    for (int at = 0; at + 4 <= extraSize;) {
        const quint16 tag = quint16(littleEndian(extra, at, 2));
        const int length = int(littleEndian(extra, at + 2, 2));
        if (at + 4 + length > extraSize)
            break; // a block longer than the field: none further can be trusted
        if (tag == kZip64Tag) {
            const int data = at + 4;
            if (length >= 16) {
                a = littleEndian(extra, data, 8);
                b = littleEndian(extra, data + 8, 8);
                haveA = haveB = true;
            } else {
                int next = data;
                if (!haveA && next + 8 <= data + length) {
                    a = littleEndian(extra, next, 8);
                    haveA = true;
                    next += 8;
                }
                if (!haveB && next + 8 <= data + length) {
                    b = littleEndian(extra, next, 8);
                    haveB = true;
                }
            }
            break;
        }
        at += 4 + length;
    }
    constexpr quint64 kMax = quint64(std::numeric_limits<qint64>::max());
    if (!haveA || !haveB || a > kMax || b > kMax)
        return false;
    *uncompressed = qint64(a);
    *compressed = qint64(b);
    return true;
}

// The backup's own central directory, found from its end record before the
// walk. An attachment that is itself a ZIP file carries local and central
// headers of its own; when its data is crawled (a streamed entry, or one
// behind a damaged length) they must not be taken for the backup's.
struct Directory {
    // Where the directory begins; -1 when no consistent end record was found.
    qint64 start = -1;
    // The local-header offset of every listed entry with the offset of its
    // central header, in file order; empty when the listing cannot be trusted.
    std::vector<std::pair<qint64, qint64>> entries;

    // The central header of the entry whose local header is at p, or -1.
    qint64 centralHeaderOf(qint64 p) const
    {
        const auto at = std::lower_bound(entries.begin(), entries.end(), std::make_pair(p, qint64(-1)));
        return at != entries.end() && at->first == p ? at->second : -1;
    }
    // Where the data of the listed entry at p ends at the latest: the next
    // listed entry, or the directory. p itself when p is not listed.
    qint64 dataLimitOf(qint64 p) const
    {
        if (centralHeaderOf(p) < 0)
            return p;
        const auto next = std::upper_bound(entries.begin(), entries.end(), std::make_pair(p, qint64(-1)),
                                           [](const auto &a, const auto &b) { return a.first < b.first; });
        return next != entries.end() ? next->first : start;
    }
};

// The offsets of the local headers listed in the directory [start, end)
// of count entries, or nothing when any header is malformed or the count
// disagrees. Whether a listed offset holds a local header is looked at
// only where the walk relies on it.
std::vector<std::pair<qint64, qint64>> listedEntries(ByteSource &source, qint64 start, qint64 end, quint64 count)
{
    std::vector<std::pair<qint64, qint64>> entries;
    if (count == 0 || count > kMostListedEntries)
        return entries;
    WindowReader reader(source, kFastWindow);
    QByteArray scratch;
    qint64 position = start;
    quint64 listed = 0;
    while (position < end && listed < count) {
        qint64 got = 0;
        const char *header = reader.fetch(position, kCentralHeaderSize, scratch, &got);
        if (got < kCentralHeaderSize || littleEndian(header, 0, 4) != kCentralHeader)
            return {};
        const quint32 compressed32 = quint32(littleEndian(header, 20, 4));
        const quint32 uncompressed32 = quint32(littleEndian(header, 24, 4));
        const qint64 nameLength = qint64(littleEndian(header, 28, 2));
        const qint64 extraLength = qint64(littleEndian(header, 30, 2));
        const qint64 commentLength = qint64(littleEndian(header, 32, 2));
        quint64 local = littleEndian(header, 42, 4);
        if (local == kSize32Marker) {
            // The ZIP64 block holds, in this order, each field whose 32-bit
            // value is the marker.
            const char *extra = reader.fetch(position + kCentralHeaderSize + nameLength, extraLength, scratch, &got);
            bool found = false;
            for (int at = 0; extra && at + 4 <= got;) {
                const int length = int(littleEndian(extra, at + 2, 2));
                if (at + 4 + length > got)
                    break;
                if (littleEndian(extra, at, 2) == kZip64Tag) {
                    const int skip = 8 * ((uncompressed32 == kSize32Marker) + (compressed32 == kSize32Marker));
                    if (skip + 8 <= length) {
                        local = littleEndian(extra, at + 4 + skip, 8);
                        found = true;
                    }
                    break;
                }
                at += 4 + length;
            }
            if (!found)
                return {};
        }
        if (local >= quint64(start))
            return {};
        entries.emplace_back(qint64(local), position);
        position += kCentralHeaderSize + nameLength + extraLength + commentLength;
        ++listed;
    }
    if (position != end || listed != count)
        return {};
    std::sort(entries.begin(), entries.end());
    return entries;
}

Directory readDirectory(ByteSource &source)
{
    Directory directory;
    const qint64 size = source.size();
    const qint64 tailSize = qMin(size, kEndRecordSize + kLargestComment);
    if (tailSize < kEndRecordSize)
        return directory;
    QByteArray tail(int(tailSize), '\0');
    if (source.readAt(size - tailSize, tail.data(), tailSize) != tailSize)
        return directory;

    // 1. The last end record whose comment runs to the end of the file
    int at = int(tailSize) - kEndRecordSize;
    while (at >= 0
           && (littleEndian(tail.constData(), at, 4) != kEndOfDirectory
               || at + kEndRecordSize + int(littleEndian(tail.constData(), at + 20, 2)) != tailSize))
        --at;
    if (at < 0)
        return directory;
    const char *record = tail.constData() + at;
    const qint64 recordOffset = size - tailSize + at;
    quint64 count = littleEndian(record, 10, 2);
    quint64 length = littleEndian(record, 12, 4);
    quint64 start = littleEndian(record, 16, 4);
    qint64 end = recordOffset;

    // 2. ZIP64: the locator before the end record names the larger record
    if (count == 0xFFFF || length == kSize32Marker || start == kSize32Marker) {
        char locator[kZip64LocatorSize];
        char zip64[kZip64EndRecordSize];
        if (recordOffset < kZip64LocatorSize + kZip64EndRecordSize
            || source.readAt(recordOffset - kZip64LocatorSize, locator, kZip64LocatorSize) != kZip64LocatorSize
            || littleEndian(locator, 0, 4) != kZip64Locator)
            return directory;
        const quint64 zip64At = littleEndian(locator, 8, 8);
        if (zip64At > quint64(recordOffset - kZip64LocatorSize - kZip64EndRecordSize)
            || source.readAt(qint64(zip64At), zip64, kZip64EndRecordSize) != kZip64EndRecordSize
            || littleEndian(zip64, 0, 4) != kZip64EndOfDirectory)
            return directory;
        count = littleEndian(zip64, 32, 8);
        length = littleEndian(zip64, 40, 8);
        start = littleEndian(zip64, 48, 8);
        end = qint64(zip64At);
    }

    // 3. The directory must end where the end records begin
    if (start > quint64(end) || length != quint64(end) - start)
        return directory;
    directory.start = qint64(start);
    directory.entries = listedEntries(source, qint64(start), end, count);
    return directory;
}

class Walker
{
public:
    Walker(ByteSource &source, WalkSink &sink, const std::atomic<bool> &stopFlag, WalkMode mode, qint64 window)
        : m_reader(source, mode == WalkMode::Fast ? (window > 0 ? qMax(window, kSmallestFastWindow) : kFastWindow) : 1)
        , m_nameReader(source, kSmallestFastWindow)
        , m_directory(readDirectory(source))
        , m_sink(sink)
        , m_stop(stopFlag)
        , m_fast(mode == WalkMode::Fast)
        , m_size(source.size())
    {
    }

    WalkEnd run()
    {
        qint64 position = 0;
        int centralHeaders = 0;
        while (position < m_size) {
            // 1. Stop, progress, and what stands at the position
            if (stopRequested())
                return WalkEnd::Stopped;
            reportProgress(position);
            const quint32 signature = quint32(m_reader.readLittleEndian(position, 4));
            qint64 next = position + 1;
            if (signature == kLocalHeader && position >= m_dataUntil) {
                // 2. A local header, passed as a whole; a damaged one is told
                //    and stepped over
                const HeaderStep step = localHeaderStep(position, &next);
                if (step == HeaderStep::Stopped)
                    return WalkEnd::Stopped;
                if (step == HeaderStep::Entry)
                    centralHeaders = 0;
                else
                    tellDamaged(position);
                // The data of an entry that is crawled holds no headers of
                // the backup's own up to the next entry the directory lists.
                if (next == position + 1)
                    enterEntryData(position);
            } else if (signature == kCentralHeader && position >= m_dataUntil && isDirectoryHeader(position)) {
                // 3. The central directory: the third header ends the walk
                if (++centralHeaders == kCentralHeadersAtEnd)
                    next = m_size;
            } else {
                // 4. A crawl step: an element, or on to the next candidate
                qint64 end = 0;
                const Probe probe = probeElement(position, &end);
                if (probe == Probe::Stopped)
                    return WalkEnd::Stopped;
                if (probe == Probe::Found) {
                    next = end;
                    centralHeaders = 0;
                } else if (m_fast) {
                    next = nextCandidate(position + 1);
                }
            }
            position = next;
        }
        return WalkEnd::Finished;
    }

private:
    enum class Probe { Found, NotFound, Stopped };
    enum class HeaderStep {
        Entry,   // an entry was read or passed over
        Damaged, // the header cannot be trusted; the walk goes on just past its signature
        Stopped, // the stop flag ended an element search
    };

    bool stopRequested() const { return m_stop.load(std::memory_order_relaxed); }

    // Takes the headers up to the next listed entry as data of the entry at
    // p, when that entry's header (or the directory) stands where listed.
    void enterEntryData(qint64 p)
    {
        const qint64 limit = m_directory.dataLimitOf(p);
        const quint32 expected = limit == m_directory.start ? kCentralHeader : kLocalHeader;
        if (limit > p && quint32(m_nameReader.readLittleEndian(limit, 4)) == expected)
            m_dataUntil = limit;
    }

    // Whether a central header at position belongs to the backup's own
    // directory rather than to a ZIP file stored in an entry.
    bool isDirectoryHeader(qint64 position) const
    {
        return m_directory.start < 0 || position >= m_directory.start;
    }

    // The name of the entry whose local header is at p: the directory's
    // name when it lists the entry (the local lengths may be damaged),
    // else the local header's own, up to its first NUL.
    QString entryNameAt(qint64 p)
    {
        qint64 nameAt = p + kLocalHeaderSize;
        qint64 nameLength = 0;
        const qint64 central = m_directory.centralHeaderOf(p);
        if (central >= 0) {
            nameAt = central + kCentralHeaderSize;
            nameLength = qint64(m_nameReader.readLittleEndian(central + 28, 2));
        } else if (m_size - p >= kLocalHeaderSize) {
            nameLength = qint64(m_nameReader.readLittleEndian(p + 26, 2));
        }
        const QByteArray name = m_nameReader.read(nameAt, nameLength);
        return QString::fromUtf8(name.constData(), int(qstrnlen(name.constData(), uint(name.size()))));
    }

    enum class EntryKind { Skipped, Message, Attachment };
    static EntryKind entryKind(const QString &name)
    {
        const QStringList components = name.split(QLatin1Char('/'));
        if (isSkippedEntry(components))
            return EntryKind::Skipped;
        return isMessageEntry(components) ? EntryKind::Message : EntryKind::Attachment;
    }

    // A damaged header, or an entry cut by the end of the file, costs its
    // entry only: it is told once, and an attachment still answers its
    // message's list so the message keeps its other attachments.
    void tellDamaged(qint64 p)
    {
        const QString name = entryNameAt(p);
        const EntryKind kind = entryKind(name);
        // A header cut by the end of the file has no name to answer a list.
        if (kind != EntryKind::Skipped)
            tellUnreadable("Skipped damaged entry at byte " + QByteArray::number(p) + ' ', name,
                           kind == EntryKind::Attachment && !name.isEmpty());
    }

    void reportProgress(qint64 position)
    {
        const int percent = int(double(position) * 100.0 / double(m_size));
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_sink.progress(percent);
        }
    }

    // Whether an entry ending at position is followed by a record the walk
    // knows, or by the end of the file.
    bool endsAtRecord(qint64 position)
    {
        if (position == m_size)
            return true;
        const quint32 signature = quint32(m_reader.readLittleEndian(position, 4));
        return signature == kLocalHeader || signature == kDataDescriptor || signature == kCentralHeader;
    }

    void tellUnreadable(const QByteArray &what, const QString &name, bool isAttachment)
    {
        m_sink.diagnostic(what + name.toUtf8());
        m_sink.unreadableEntry(name, isAttachment);
    }

    // The local header at p; *next is where the walk goes on (p + 1 for a
    // damaged entry).
    HeaderStep localHeaderStep(qint64 p, qint64 *next)
    {
        *next = p + 1;
        if (m_size - p < kLocalHeaderSize)
            return HeaderStep::Damaged;
        qint64 got = 0;
        const char *header = m_reader.fetch(p, kLocalHeaderSize, m_headerScratch, &got);
        if (got < kLocalHeaderSize)
            return HeaderStep::Damaged;
        const quint16 method = quint16(littleEndian(header, 8, 2));
        const quint32 crc = quint32(littleEndian(header, 14, 4));
        const quint32 compressed32 = quint32(littleEndian(header, 18, 4));
        const quint32 uncompressed32 = quint32(littleEndian(header, 22, 4));
        const qint64 nameLength = qint64(littleEndian(header, 26, 2));
        const qint64 extraLength = qint64(littleEndian(header, 28, 2));
        const qint64 dataStart = p + kLocalHeaderSize + nameLength + extraLength;
        if (dataStart > m_size)
            return HeaderStep::Damaged;

        // Streamed entry: its data is probed for an element, then crawled.
        // The crawl starts just past the signature, not at the data: a
        // damaged name or extra-field length would otherwise hide what lies
        // between the true data and the claimed one.
        if (crc == 0) {
            // A local header at the data start is the next entry, unless the
            // directory lists this entry and not that one: then the data is
            // a ZIP file.
            const bool listed = m_directory.centralHeaderOf(p) >= 0;
            if (quint32(m_reader.readLittleEndian(dataStart, 4)) == kLocalHeader
                && (!listed || m_directory.centralHeaderOf(dataStart) >= 0)) {
                *next = dataStart;
                return HeaderStep::Entry;
            }
            qint64 end = 0;
            const Probe probe = probeElement(dataStart, &end);
            if (probe == Probe::Stopped)
                return HeaderStep::Stopped;
            if (probe == Probe::Found) {
                *next = end;
                return HeaderStep::Entry;
            }
            // Without its size the data of an attachment cannot be told
            // from what follows it: the attachment is not kept.
            const QString name = entryNameAt(p);
            if (entryKind(name) == EntryKind::Attachment)
                tellUnreadable("Skipped streamed entry ", name, true);
            return HeaderStep::Entry;
        }

        // Sized entry: its sizes must lie inside the file.
        const char *extra = m_reader.fetch(p + kLocalHeaderSize + nameLength, extraLength, m_extraScratch, &got);
        qint64 uncompressed = 0;
        qint64 compressed = 0;
        if (got != extraLength
            || !entrySizes(extra, int(extraLength), uncompressed32, compressed32, &uncompressed, &compressed)
            || compressed > m_size - dataStart)
            return HeaderStep::Damaged;
        const qint64 dataEnd = dataStart + compressed;
        // A name or extra-field length that is wrong but inside the file
        // moves the data and its end: an end on no record gives it away, and
        // trusting it would jump over the entries that follow.
        if (!endsAtRecord(dataEnd))
            return HeaderStep::Damaged;
        const char *name = m_reader.fetch(p + kLocalHeaderSize, nameLength, m_nameScratch, &got);
        if (!name)
            name = ""; // a name of length 0
        const int nameSize = int(qstrnlen(name, uint(got)));

        // The name read as bytes when it is ASCII, else as text.
        const bool ascii = m_fast && isAscii(name, nameSize);
        QString text;
        QStringList components;
        if (!ascii) {
            text = QString::fromUtf8(name, nameSize);
            components = text.split(QLatin1Char('/'));
        }
        if (ascii ? isSkippedAsciiEntry(name, nameSize) : isSkippedEntry(components)) {
            *next = dataEnd;
            return HeaderStep::Entry;
        }
        const bool isMessage = ascii ? isMessageAsciiEntry(name, nameSize) : isMessageEntry(components);
        const auto entryName = [&] { return ascii ? QString::fromLatin1(name, nameSize) : text; };
        if (method != 0) {
            tellUnreadable("Skipped compressed entry ", entryName(), !isMessage);
            *next = dataEnd;
            return HeaderStep::Entry;
        }
        if (uncompressed != compressed)
            return HeaderStep::Damaged; // stored data whose two sizes disagree
        *next = dataEnd;
        if (isMessage) {
            if (compressed > kMaxPayloadBytes) {
                tellUnreadable("Skipped oversized message entry ", entryName(), false);
                return HeaderStep::Entry;
            }
            const QByteArray bytes = m_reader.view(dataStart, compressed);
            m_sink.payload(ascii ? folderPathOfAsciiEntry(name, nameSize) : folderPathOfEntry(text), bytes, dataStart,
                           dataStart + bytes.size());
        } else {
            m_sink.attachmentEntry(entryName(), dataStart, compressed);
        }
        return HeaderStep::Entry;
    }

    // An element whose opening tag stands at q; *end is just past its closing
    // tag, or the end of the file when it is never closed.
    Probe probeElement(qint64 q, qint64 *end)
    {
        if (m_reader.byteAt(q) != '<')
            return Probe::NotFound;
        const int second = m_reader.byteAt(q + 1);
        const ElementKind *kind = nullptr;
        for (const ElementKind &candidate : kElementKinds) {
            if (second == candidate.open[1])
                kind = &candidate;
        }
        if (!kind || !m_reader.matches(q + 2, kind->open + 2, kind->openLength - 2))
            return Probe::NotFound;

        bool stopped = false;
        const qint64 closing = findClosing(q + kind->openLength, *kind, &stopped);
        if (stopped)
            return Probe::Stopped;
        *end = closing < 0 ? m_size : closing + kind->closeLength;
        if (kind->isEmails) {
            const qint64 length = *end - q;
            if (length > kMaxPayloadBytes) {
                tellUnreadable("Skipped oversized emails element", QString(), false);
            } else {
                const QByteArray bytes = m_reader.view(q, length);
                m_sink.payload(QString(), bytes, q, q + bytes.size());
            }
        }
        return Probe::Found;
    }

    // The first position at or after from where kind's closing tag stands,
    // or -1 when the file holds none.
    qint64 findClosing(qint64 from, const ElementKind &kind, bool *stopped)
    {
        const qint64 tagLength = kind.closeLength;
        if (!m_fast) {
            for (qint64 k = from; k + tagLength <= m_size; ++k) {
                if ((k - from) % kStopCheckSpan == 0 && stopRequested()) {
                    *stopped = true;
                    return -1;
                }
                if (m_reader.matches(k, kind.close, kind.closeLength))
                    return k;
            }
            return -1;
        }
        qint64 position = from;
        while (m_size - position >= tagLength) {
            if (stopRequested()) {
                *stopped = true;
                return -1;
            }
            qint64 available = 0;
            const char *bytes = m_reader.bytesAt(position, &available, tagLength);
            if (!bytes || available < tagLength)
                return -1;
            const qint64 span = qMin(available, kStopCheckSpan + tagLength - 1);
            const void *hit = memmem(bytes, std::size_t(span), kind.close, std::size_t(tagLength));
            if (hit)
                return position + (static_cast<const char *>(hit) - bytes);
            position += span - (tagLength - 1);
        }
        return -1;
    }

    // The first position in [from, limit) holding ch, or limit.
    qint64 findByte(char ch, qint64 from, qint64 limit)
    {
        qint64 position = from;
        while (position < limit) {
            qint64 available = 0;
            const char *bytes = m_reader.bytesAt(position, &available);
            if (!bytes)
                return limit;
            const std::size_t span = std::size_t(qMin(available, limit - position));
            if (const void *hit = std::memchr(bytes, ch, span))
                return position + (static_cast<const char *>(hit) - bytes);
            position += qint64(span);
        }
        return limit;
    }

    // The next position from which a step can find something: a 'P' (a
    // signature) or a '<' (an element), never more than the stop-check span
    // ahead. Any position in between would only step on by one byte.
    qint64 nextCandidate(qint64 from)
    {
        const qint64 limit = qMin(m_size, from + kStopCheckSpan);
        // The next '<' is remembered, so text with many 'P' and few '<' is
        // not searched again for every 'P'.
        if (from < m_ltFrom || from > m_ltAt) {
            m_ltFrom = from;
            m_ltAt = findByte('<', from, limit);
        }
        const qint64 lt = qMin(m_ltAt, limit);
        return findByte('P', from, lt);
    }

    WindowReader m_reader;
    WindowReader m_nameReader; // names of damaged and streamed entries
    const Directory m_directory;
    qint64 m_dataUntil = -1; // headers before this are data of a crawled entry
    QByteArray m_headerScratch;
    QByteArray m_extraScratch;
    QByteArray m_nameScratch;
    WalkSink &m_sink;
    const std::atomic<bool> &m_stop;
    const bool m_fast;
    const qint64 m_size;
    int m_lastPercent = -1;
    qint64 m_ltFrom = -1;
    qint64 m_ltAt = -1;
};

} // namespace

WalkSink::~WalkSink() = default;

void WalkSink::progress(int)
{
}

void WalkSink::diagnostic(const QByteArray &line)
{
    const QByteArray text = line + '\n';
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
}

WalkEnd walkOlm(ByteSource &source, WalkSink &sink, const std::atomic<bool> &stopFlag, WalkMode mode,
                qint64 fastWindow)
{
    Walker walker(source, sink, stopFlag, mode, fastWindow);
    return walker.run();
}

QString folderPathOfEntry(const QString &entryName)
{
    const QStringList components = entryName.split(QLatin1Char('/'));
    int prefix = 0;
    if (components.first() == QLatin1String("Accounts"))
        prefix = 3;
    else if (components.first() == QLatin1String("Local"))
        prefix = 2;
    if (prefix == 0 || components.size() <= prefix)
        return QString();
    const QStringList rest = components.mid(prefix);
    if (rest.size() == 1)
        return rest.first();
    return QStringList(rest.mid(0, rest.size() - 1)).join(QLatin1Char('/'));
}

bool isSkippedEntry(const QStringList &components)
{
    for (const QString &component : components) {
        if (skippedNames().contains(component))
            return true;
    }
    return false;
}

bool isMessageEntry(const QStringList &components)
{
    const QString &last = components.last();
    return last.contains(QLatin1String("__message_attachment__")) && last.contains(QLatin1String(".xml"));
}

} // namespace olm
