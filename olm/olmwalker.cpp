#include "olm/olmwalker.h"

#include "olm/olmsource.h"
#include "olm/opfmessage.h"

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
// The end record is looked for in this many bytes at the end of the file.
constexpr qint64 kEndRecordSearch = (qint64(64) << 10) + kEndRecordSize;
// A directory listing more entries is not used (24 bytes are kept for each).
constexpr quint64 kMostListedEntries = quint64(1) << 23;
constexpr quint16 kZip64Tag = 0x0001;
constexpr quint32 kSize32Marker = 0xFFFFFFFFu;
constexpr int kCentralHeadersAtEnd = 3;
constexpr qint64 kFastWindow = qint64(256) << 10;
// The fast walk looks at a closing tag or a local header within one window.
constexpr qint64 kSmallestFastWindow = 64;
// The stop flag is looked at no later than after this many bytes.
constexpr qint64 kStopCheckSpan = 64 * 1024;
// Of the name of an entry told as unreadable, no more is read: real entry
// names are far shorter, and a damaged header's length must not decide
// what telling costs.
constexpr qint64 kMostToldNameBytes = 1024;
// Lines told on standard error in one walk; the rest are summed up in one
// line at its end.
constexpr int kMostToldLines = 100;

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
    // Eight bytes at a time: names of damaged headers are read by the million.
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, text + i, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; i < size; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// The length of a name of size bytes up to its first NUL.
int lengthToNul(const char *name, qint64 size)
{
    return int(strnlen(name, std::size_t(size)));
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
    if (size <= 0)
        return false;
    const void *slash = memrchr(name, '/', std::size_t(size));
    const int last = slash ? int(static_cast<const char *>(slash) - name) + 1 : 0;
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

// An entry of the backup's own central directory.
struct ListedEntry {
    qint64 local;   // where its local header stands
    qint64 central; // where its central header stands
    bool empty;     // whether the directory gives its data a size of 0
};

// The backup's own central directory, found from its end record before the
// walk. An attachment that is itself a ZIP file carries local and central
// headers of its own; when its data is crawled (a streamed entry, or one
// behind a damaged length) they must not be taken for the backup's.
struct Directory {
    // Where the directory begins; -1 when no consistent end record was found.
    qint64 start = -1;
    // Every listed entry, in file order; empty when the listing cannot be
    // trusted.
    std::vector<ListedEntry> entries;

    // The listed entry whose local header is at p, or null.
    const ListedEntry *entryAt(qint64 p) const
    {
        const auto at = std::lower_bound(entries.begin(), entries.end(), p,
                                         [](const ListedEntry &e, qint64 offset) { return e.local < offset; });
        return at != entries.end() && at->local == p ? &*at : nullptr;
    }
    // Where the data of the listed entry at p ends at the latest: the next
    // listed entry, or the directory. p itself when p is not listed.
    qint64 dataLimitOf(qint64 p) const
    {
        if (!entryAt(p))
            return p;
        const auto next = std::upper_bound(entries.begin(), entries.end(), p,
                                           [](qint64 offset, const ListedEntry &e) { return offset < e.local; });
        return next != entries.end() ? next->local : start;
    }
};

// The entries listed in the directory [start, end) of count entries, or
// nothing when any header is malformed or the count disagrees. Whether a
// listed offset holds a local header is looked at only where the walk
// relies on it.
std::vector<ListedEntry> listedEntries(ByteSource &source, qint64 start, qint64 end, quint64 count)
{
    std::vector<ListedEntry> entries;
    if (count == 0 || count > kMostListedEntries)
        return entries;
    // The window moves along the directory: one read serves many headers.
    WindowReader reader(source, kFastWindow);
    qint64 position = start;
    quint64 listed = 0;
    while (position < end && listed < count) {
        qint64 got = 0;
        const char *header = reader.bytesAt(position, &got, kCentralHeaderSize);
        if (got < kCentralHeaderSize || littleEndian(header, 0, 4) != kCentralHeader)
            return {};
        const quint32 compressed32 = quint32(littleEndian(header, 20, 4));
        const quint32 uncompressed32 = quint32(littleEndian(header, 24, 4));
        const int nameLength = int(littleEndian(header, 28, 2));
        const int extraLength = int(littleEndian(header, 30, 2));
        const int commentLength = int(littleEndian(header, 32, 2));
        quint64 local = littleEndian(header, 42, 4);
        quint64 compressed = compressed32;
        bool sizeKnown = compressed32 != kSize32Marker;
        if (local == kSize32Marker || !sizeKnown) {
            // The ZIP64 block holds, in this order, each field whose 32-bit
            // value is the marker: uncompressed size, compressed size, offset.
            const char *extra = reader.bytesAt(position + kCentralHeaderSize + nameLength, &got, extraLength);
            const int available = extra ? int(qMin<qint64>(got, extraLength)) : 0;
            bool found = false;
            for (int at = 0; at + 4 <= available;) {
                const int length = int(littleEndian(extra, at + 2, 2));
                if (at + 4 + length > available)
                    break;
                if (littleEndian(extra, at, 2) == kZip64Tag) {
                    const int blockEnd = at + 4 + length;
                    int next = at + 4 + (uncompressed32 == kSize32Marker ? 8 : 0);
                    if (compressed32 == kSize32Marker) {
                        if (next + 8 <= blockEnd) {
                            compressed = littleEndian(extra, next, 8);
                            sizeKnown = true;
                        }
                        next += 8;
                    }
                    if (local == kSize32Marker && next + 8 <= blockEnd) {
                        local = littleEndian(extra, next, 8);
                        found = true;
                    }
                    break;
                }
                at += 4 + length;
            }
            if (local == kSize32Marker && !found)
                return {};
        }
        if (local >= quint64(start))
            return {};
        entries.push_back(ListedEntry{qint64(local), position, sizeKnown && compressed == 0});
        position += kCentralHeaderSize + nameLength + extraLength + commentLength;
        ++listed;
    }
    if (position != end || listed != count)
        return {};
    std::sort(entries.begin(), entries.end(), [](const ListedEntry &a, const ListedEntry &b) { return a.local < b.local; });
    return entries;
}

// Where the directory that the end record at recordOffset names begins
// and ends, and how many entries it lists; false when that does not check
// out. locator holds the 20 bytes before the record (zeros when the file
// has none).
bool directoryBounds(ByteSource &source, const char *record, qint64 recordOffset, const char *locator,
                     qint64 *start, qint64 *end, quint64 *count)
{
    quint64 entries = littleEndian(record, 10, 2);
    quint64 length = littleEndian(record, 12, 4);
    quint64 begin = littleEndian(record, 16, 4);
    qint64 stop = recordOffset;
    // A ZIP64 end record named by a locator just before the end record
    // holds the values, whatever the end record's own fields say.
    if (littleEndian(locator, 0, 4) == kZip64Locator) {
        const quint64 zip64At = littleEndian(locator, 8, 8);
        char zip64[kZip64EndRecordSize];
        if (recordOffset >= kZip64LocatorSize + kZip64EndRecordSize
            && zip64At <= quint64(recordOffset - kZip64LocatorSize - kZip64EndRecordSize)
            && source.readAt(qint64(zip64At), zip64, kZip64EndRecordSize) == kZip64EndRecordSize
            && littleEndian(zip64, 0, 4) == kZip64EndOfDirectory) {
            entries = littleEndian(zip64, 32, 8);
            length = littleEndian(zip64, 40, 8);
            begin = littleEndian(zip64, 48, 8);
            stop = qint64(zip64At);
        }
    }
    // The directory ends where the end records begin, and one that lists
    // entries begins with a central header.
    if (begin > quint64(stop) || length != quint64(stop) - begin)
        return false;
    char signature[4];
    if (entries > 0
        && (source.readAt(qint64(begin), signature, 4) != 4 || littleEndian(signature, 0, 4) != kCentralHeader))
        return false;
    *start = qint64(begin);
    *end = stop;
    *count = entries;
    return true;
}

// The directory of the last end record in the file's last 64 KiB and 22
// bytes whose directory checks out; bytes may follow the record.
Directory readDirectory(ByteSource &source)
{
    Directory directory;
    const qint64 size = source.size();
    const qint64 tailSize = qMin(size, kEndRecordSearch);
    if (tailSize < kEndRecordSize)
        return directory;
    QByteArray tail(int(tailSize), '\0');
    if (source.readAt(size - tailSize, tail.data(), tailSize) != tailSize)
        return directory;
    for (int at = int(tailSize) - kEndRecordSize; at >= 0; --at) {
        if (littleEndian(tail.constData(), at, 4) != kEndOfDirectory)
            continue;
        const qint64 recordOffset = size - tailSize + at;
        char locator[kZip64LocatorSize] = {};
        if (at >= kZip64LocatorSize)
            std::memcpy(locator, tail.constData() + at - kZip64LocatorSize, kZip64LocatorSize);
        else if (recordOffset >= kZip64LocatorSize)
            source.readAt(recordOffset - kZip64LocatorSize, locator, kZip64LocatorSize);
        qint64 start = 0;
        qint64 end = 0;
        quint64 count = 0;
        if (directoryBounds(source, tail.constData() + at, recordOffset, locator, &start, &end, &count)) {
            directory.start = start;
            directory.entries = listedEntries(source, start, end, count);
            return directory;
        }
    }
    return directory;
}

class Walker
{
public:
    Walker(ByteSource &source, WalkSink &sink, const std::atomic<bool> &stopFlag, WalkMode mode, qint64 window)
        : m_reader(source, mode == WalkMode::Fast ? (window > 0 ? qMax(window, kSmallestFastWindow) : kFastWindow) : 1)
        , m_nameReader(source, kSmallestFastWindow)
        , m_fieldReader(source, kFastWindow)
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
                //    and stepped over. It ends the data of a streamed entry.
                tellStreamedEntry();
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
                tellStreamedEntry();
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
        tellStreamedEntry();
        return WalkEnd::Finished;
    }

    // The line that sums up the unreadable entries not told one by one.
    void tellUntold()
    {
        if (m_untoldLines > 0)
            m_sink.diagnostic("Skipped " + QByteArray::number(m_untoldLines) + " more unreadable entries");
        m_untoldLines = 0;
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

    // The name of an entry as it stands in a header, up to its first NUL:
    // valid until the next read of a name or a field.
    struct NameBytes {
        const char *data = "";
        int size = 0;
        QString text() const { return QString::fromUtf8(data, size); }
    };

    // The name of the entry whose local header is at p: the directory's
    // name when it lists the entry (the local lengths may be damaged),
    // else the local header's own; no longer than kMostToldNameBytes.
    NameBytes entryNameAt(qint64 p)
    {
        qint64 got = 0;
        const char *name = nullptr;
        if (const ListedEntry *listed = m_directory.entryAt(p)) {
            const qint64 length = qint64(m_nameReader.readLittleEndian(listed->central + 28, 2));
            name = m_nameReader.fetch(listed->central + kCentralHeaderSize, qMin(length, kMostToldNameBytes),
                                      m_nameScratch, &got);
        } else if (m_size - p >= kLocalHeaderSize) {
            const qint64 length = qint64(m_reader.readLittleEndian(p + 26, 2));
            name = fieldBytes(p + kLocalHeaderSize, qMin(length, kMostToldNameBytes), &got);
        }
        NameBytes bytes;
        if (name) {
            bytes.data = name;
            bytes.size = lengthToNul(name, got);
        }
        return bytes;
    }

    // Up to count bytes of a header's field at offset (*got tells how
    // many; "" for none): in the walk's window when they lie in it, else
    // from a second window that moves forward over the fields, so that a
    // run of damaged headers claiming long fields costs no read per header.
    const char *fieldBytes(qint64 offset, qint64 count, qint64 *got)
    {
        *got = 0;
        count = qMin(count, m_size - offset);
        if (count <= 0)
            return "";
        if (const char *bytes = m_reader.peek(offset, count)) {
            *got = count;
            return bytes;
        }
        if (!m_fast)
            return m_reader.fetch(offset, count, m_fieldScratch, got);
        const char *bytes = m_fieldReader.bytesAt(offset, got, count);
        *got = qMin(*got, count);
        return bytes ? bytes : "";
    }

    enum class EntryKind { Skipped, Message, Attachment };
    static EntryKind entryKind(const NameBytes &name)
    {
        // An ASCII name is read as bytes: the same answers as its text.
        if (isAscii(name.data, name.size)) {
            if (isSkippedAsciiEntry(name.data, name.size))
                return EntryKind::Skipped;
            return isMessageAsciiEntry(name.data, name.size) ? EntryKind::Message : EntryKind::Attachment;
        }
        const QStringList components = name.text().split(QLatin1Char('/'));
        if (isSkippedEntry(components))
            return EntryKind::Skipped;
        return isMessageEntry(components) ? EntryKind::Message : EntryKind::Attachment;
    }

    // A damaged header, or an entry cut by the end of the file, costs its
    // entry only: it is told once, and an attachment still answers its
    // message's list so the message keeps its other attachments.
    void tellDamaged(qint64 p)
    {
        const NameBytes name = entryNameAt(p);
        const EntryKind kind = entryKind(name);
        // A header cut by the end of the file has no name to answer a list.
        if (kind != EntryKind::Skipped)
            tellUnreadable("Skipped damaged entry at byte " + QByteArray::number(p) + ' ',
                           kind == EntryKind::Attachment && name.size > 0, [&name] { return name.text(); });
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

    // Tells an unreadable entry: on a line while lines are left, and to the
    // sink. An attachment answers its message's list only while the
    // pending list can still take it: past kMostOptionalPending optional
    // entries since the last payload the list would drop it, so neither its
    // name nor its text is made.
    template <typename NameText>
    void tellUnreadable(const QByteArray &what, bool isAttachment, NameText nameText)
    {
        const bool answersList = isAttachment && m_optionalSincePayload < opf::kMostOptionalPending;
        const bool line = m_toldLines < kMostToldLines;
        const QString name = line || answersList ? nameText() : QString();
        if (line) {
            ++m_toldLines;
            m_sink.diagnostic(what + name.toUtf8());
        } else {
            ++m_untoldLines;
        }
        if (answersList)
            ++m_optionalSincePayload;
        m_sink.unreadableEntry(name, answersList);
    }

    void handOnPayload(const QString &folderPath, const QByteArray &bytes, qint64 offset)
    {
        m_optionalSincePayload = 0;
        m_sink.payload(folderPath, bytes, offset, offset + bytes.size());
    }

    // A streamed attachment whose data is crawled is told when the crawl
    // ends without handing on an emails element: then it was no message
    // document, and its data cannot be told from what follows it.
    void tellStreamedEntry()
    {
        if (m_streamedEntry < 0)
            return;
        const NameBytes name = entryNameAt(m_streamedEntry);
        m_streamedEntry = -1;
        tellUnreadable("Skipped streamed entry ", true, [&name] { return name.text(); });
    }

    // An entry whose data is empty: handed on unless it is a message, a
    // skipped entry or a folder, while the pending list can take it.
    void handOnEmptyEntry(qint64 p, qint64 dataStart)
    {
        const NameBytes name = entryNameAt(p);
        if (entryKind(name) != EntryKind::Attachment || (name.size > 0 && name.data[name.size - 1] == '/')
            || m_optionalSincePayload >= opf::kMostOptionalPending)
            return;
        ++m_optionalSincePayload;
        m_sink.emptyEntry(name.text(), dataStart);
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
            // An entry of 0 bytes has a CRC of 0 too. Its data is empty when
            // the directory lists it with size 0, or when a header of the
            // backup's stands at its data start: a local header (unless the
            // directory lists this entry and not that one: then the data is
            // a ZIP file), or the directory.
            const ListedEntry *listed = m_directory.entryAt(p);
            const quint32 atData = quint32(m_reader.readLittleEndian(dataStart, 4));
            if ((listed && listed->empty)
                || (atData == kLocalHeader && (!listed || m_directory.entryAt(dataStart)))
                || (atData == kCentralHeader && isDirectoryHeader(dataStart))) {
                handOnEmptyEntry(p, dataStart);
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
            // The data is crawled: an emails element found in it makes the
            // entry a message document; else it is told when the crawl ends.
            if (entryKind(entryNameAt(p)) == EntryKind::Attachment)
                m_streamedEntry = p;
            return HeaderStep::Entry;
        }

        // Sized entry: its sizes must lie inside the file.
        const char *extra = fieldBytes(p + kLocalHeaderSize + nameLength, extraLength, &got);
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
        const char *name = fieldBytes(p + kLocalHeaderSize, nameLength, &got);
        const int nameSize = lengthToNul(name, got);

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
            tellUnreadable("Skipped compressed entry ", !isMessage, entryName);
            *next = dataEnd;
            return HeaderStep::Entry;
        }
        if (uncompressed != compressed)
            return HeaderStep::Damaged; // stored data whose two sizes disagree
        *next = dataEnd;
        if (isMessage) {
            if (compressed > kMaxPayloadBytes) {
                tellUnreadable("Skipped oversized message entry ", false, entryName);
                return HeaderStep::Entry;
            }
            const QByteArray bytes = m_reader.view(dataStart, compressed);
            handOnPayload(ascii ? folderPathOfAsciiEntry(name, nameSize) : folderPathOfEntry(text), bytes, dataStart);
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
            m_streamedEntry = -1;
            const qint64 length = *end - q;
            if (length > kMaxPayloadBytes) {
                tellUnreadable("Skipped oversized emails element", false, [] { return QString(); });
            } else {
                const QByteArray bytes = m_reader.view(q, length);
                handOnPayload(QString(), bytes, q);
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
    WindowReader m_nameReader;  // names in the directory
    WindowReader m_fieldReader; // header fields beyond the walk's window
    const Directory m_directory;
    qint64 m_dataUntil = -1;     // headers before this are data of a crawled entry
    qint64 m_streamedEntry = -1; // the streamed attachment whose data is crawled
    int m_optionalSincePayload = 0; // unreadable and empty attachments handed on
    int m_toldLines = 0;
    qint64 m_untoldLines = 0;
    QByteArray m_headerScratch;
    QByteArray m_fieldScratch;
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
    const WalkEnd end = walker.run();
    walker.tellUntold();
    return end;
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
