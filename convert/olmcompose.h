#pragma once
// Composition of one Outlook 2011 backup record into an mbox message: the
// separator line, the header block, the multipart/mixed envelope, the HTML
// body (quoted-printable) and the attachments (Base64), in one forward pass.
//
// The composition is a pure function of the record, the backup bytes (read
// through BackupReader, by clamped byte range, in chunks) and three injected
// sources (clock, random numbers, UUIDs); its bytes go to a MessageSink, so
// attachments of any size pass through a bounded buffer.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QUuid>

#include <functional>

struct MailMLRC;

namespace olmcompose {

// Byte ranges of the backup file.
class BackupReader
{
public:
    virtual ~BackupReader();
    // Size of the backup in bytes; 0 when it is not readable.
    virtual qint64 size() const = 0;
    // Reads up to maxSize bytes at offset into data; returns the count read,
    // or -1 on failure.
    virtual qint64 readAt(qint64 offset, char *data, qint64 maxSize) = 0;
    // The bytes [offset, offset + size) where the reader holds them in
    // memory, so that they need no copy; null otherwise (the default).
    virtual const char *bytesAt(qint64 offset, qint64 size);
};

// The backup file on disk, opened read-only by the constructor.
class FileBackupReader : public BackupReader
{
public:
    // The size is taken once, here: the ranges of one save are clamped to it.
    explicit FileBackupReader(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    qint64 size() const override;
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override;

private:
    QFile m_file;
    qint64 m_size = 0;
};

// Backup bytes held in memory (tests, fuzzing).
class BufferBackupReader : public BackupReader
{
public:
    explicit BufferBackupReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    qint64 size() const override { return m_bytes.size(); }
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override;
    const char *bytesAt(qint64 offset, qint64 size) override;

private:
    QByteArray m_bytes;
};

// One range of another reader, read once by the constructor and then served
// from memory; reads outside it go to the other reader.
class RangeBackupReader : public BackupReader
{
public:
    RangeBackupReader(BackupReader &backup, qint64 offset, qint64 size);
    qint64 size() const override { return m_backup.size(); }
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override;
    const char *bytesAt(qint64 offset, qint64 size) override;

private:
    BackupReader &m_backup;
    qint64 m_offset;
    QByteArray m_bytes;
};

// Where the composed bytes go.
class MessageSink
{
public:
    virtual ~MessageSink();
    // Appends size bytes; false when they were not all written.
    virtual bool write(const char *data, qint64 size) = 0;
    // An array the composition may append to directly instead of handing
    // over pieces (it then grows by the whole message); null by default.
    virtual QByteArray *array() { return nullptr; }
    // Appends bytes and leaves bytes empty. A sink that keeps what it is
    // given may exchange the arrays instead of copying (the array it leaves
    // may have capacity reserved, for the caller to fill again).
    virtual bool take(QByteArray &bytes);
};

// Appends to an open QIODevice.
class DeviceSink : public MessageSink
{
public:
    explicit DeviceSink(QIODevice *device) : m_device(device) {}
    bool write(const char *data, qint64 size) override;

private:
    QIODevice *m_device;
};

// Appends to a byte array.
class ByteArraySink : public MessageSink
{
public:
    bool write(const char *data, qint64 size) override;
    QByteArray *array() override { return &bytes; }
    QByteArray bytes;
};

// The clock, random and UUID sources of a composition.
struct Sources {
    std::function<QDateTime()> now;      // current local date and time
    std::function<quint32()> random;     // number inserted into the inner boundary
    std::function<QUuid()> uuid;         // Message-ID values and generated boundaries
    // The real clock, QRandomGenerator and QUuid::createUuid.
    static Sources system();
};

// What one composition did.
struct ComposeResult {
    bool written = true;   // every write to the sink succeeded
    int shortReads = 0;    // body or attachment ranges the backup did not hold whole
};

// Composes record into sink: the whole message, ended by the empty line
// that parts it from the next message of the mbox file.
ComposeResult composeMessage(const MailMLRC &record, BackupReader &backup, const Sources &sources,
                             MessageSink &sink);

// --- Steps of the composition, each testable on its own ---

// Which time a line carries.
enum class TimeSource { Sent, Received, Current };

// True when text has the 31-character layout "Www, DD Mmm YYYY HH:MM:SS
// +HHMM" with English names and a valid date, time and zone.
bool isStoredTime(const QByteArray &text);

// The time the separator and Date lines carry: the field the folder name and
// outgoing flag prefer when it is a stored time, else the other field when it
// is one, else the current time.
TimeSource chooseTime(const MailMLRC &record);

// The separator line, followed by the User-Agent line in the stored form.
QByteArray separatorLines(const MailMLRC &record, const QDateTime &now);
// The "Date: " line.
QByteArray dateLine(const MailMLRC &record, const QDateTime &now);

// "Subject: " with the subject as encoded words (folded when long); empty
// without a subject.
QByteArray subjectHeader(const QByteArray &subject);
// "From: " with the last name and last address of the two lists; empty
// without an address. An address too long for its line starts a line of its
// own, folded after its dots where it needs more than one.
QByteArray fromHeader(const QByteArray &names, const QByteArray &addresses);
// A To or Cc line (label "To: " or "Cc: "), one recipient per line, long
// addresses folded as in fromHeader; empty without any address.
QByteArray recipientHeader(const QByteArray &label, const QByteArray &addresses,
                           const QByteArray &names);

// The elements of a stored list: split at ";" except where it ends an
// entity ("&quot;", "&#39;", ...), a trailing empty element dropped, then
// each element's entities decoded. For name lists, which the backup reader
// stores with their entities.
QList<QByteArray> listElements(const QByteArray &list);
// The same elements as they are stored, entities kept. For address lists,
// whose entities the backup reader has decoded already.
QList<QByteArray> storedListElements(const QByteArray &list);
// element with its XML entities ("&lt;", "&gt;", "&amp;", "&quot;",
// "&apos;", "&nbsp;", numeric) decoded once.
QByteArray decodeEntities(const QByteArray &element);

// The boundaries of a message.
struct Boundaries {
    QByteArray outer;           // of the multipart/mixed content
    QByteArray outerParameter;  // "boundary=..." declaring it
    QByteArray inner;           // of the multipart/alternative body part
    QByteArray innerParameter;
};

// True for a boundary of 1 to 70 printable ASCII characters without double
// quote or backslash, not ending in a blank.
bool isValidBoundary(const QByteArray &boundary);

// The boundaries of a record: the Message-ID without angle brackets, and the
// same with number inserted, when both are valid and neither is a prefix of
// the other; otherwise "=_" and 32 hexadecimal digits of uuid() (drawn only
// then). withInner: the message has a body part.
Boundaries makeBoundaries(const QByteArray &messageId, bool withInner, quint32 number,
                          const std::function<QUuid()> &uuid);

// The body's stored text with its entities restored, for text fed in pieces:
// "&amp;gt;", "&amp;lt;", "&gt;", "&lt;", "&amp;" and "&nbsp;" in this order
// of precedence, each occurrence once ("&amp;nbsp;" gives a blank).
class BodyUnescaper
{
public:
    void add(const char *data, qint64 size, QByteArray &out);
    void finish(QByteArray &out);

private:
    static void finishText(const QByteArray &text, QByteArray &out);

    QByteArray m_pending;
};

} // namespace olmcompose
