// Backup record fields and backup bytes -> composed message. Checks that
// every line of the message has at most 998 bytes, that no carriage return
// is written, that only its first line can pass for an mbox separator, and
// that the same message comes out whether the backup bytes are read from
// memory, read like a file, or partly held in a range read ahead.

#include "convert/olmcompose.h"
#include "olm/mailmlrc.h"

#include <QList>

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Fields are separated by 0x1E; the last piece is the backup file.
    const QList<QByteArray> f = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\x1e');
    auto field = [&f](int i) { return i < f.size() ? f[i] : QByteArray(); };
    MailMLRC record;
    record.szSubject = field(0);
    record.szFromName = field(1);
    record.szFromAddress = field(2);
    record.szToName = field(3);
    record.szToAddress = field(4);
    record.szCcName = field(5);
    record.szCcAddress = field(6);
    record.szThreadTopic = field(7);
    record.szPriority = field(8);
    record.szMessageID = field(9);
    record.szSentTime = field(10);
    record.szReceivedTime = field(11);
    record.szFolderPath = field(12);
    record.pAttachNames = field(13);
    record.pAttachContentTypes = field(14);
    record.pAttachContentIDs = field(15);
    record.pAttachURLs = field(13);
    record.pAttachOffsets = field(16);
    record.pAttachSizes = field(17);
    const QByteArray numbers = field(18);
    record.llBodyOffset = numbers.size() > 0 ? qint64(uchar(numbers[0])) - 8 : 0;
    record.llBodyLength = numbers.size() > 1 ? qint64(uchar(numbers[1])) * 64 - 64 : 0;
    record.nIsOutgoing = numbers.size() > 2 ? qint32(uchar(numbers[2]) % 3) : 0;
    const QByteArray backupBytes = f.size() > 19 ? f.mid(19).join('\x1e') : QByteArray();
    olmcompose::BufferBackupReader backup(backupBytes);

    uint counter = 0;
    auto compose = [&](olmcompose::BackupReader &reader) {
        olmcompose::Sources sources;
        sources.now = [] { return QDateTime(QDate(2014, 12, 5), QTime(10, 37, 38), Qt::OffsetFromUTC, 3600); };
        sources.random = [] { return 4711u; };
        counter = 0;
        sources.uuid = [&counter] { return QUuid(++counter, 0, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 0); };
        olmcompose::ByteArraySink sink;
        olmcompose::composeMessage(record, reader, sources, sink);
        return sink.bytes;
    };
    const QByteArray message = compose(backup);

    // The bytes read like a file, in no memory the composition may point into.
    struct FileLike : olmcompose::BufferBackupReader {
        using BufferBackupReader::BufferBackupReader;
        const char *bytesAt(qint64, qint64) override { return nullptr; }
    };
    FileLike file(backupBytes);
    check(compose(file) == message);
    const qint64 rangeOffset = numbers.size() > 3 ? qint64(uchar(numbers[3])) * 4 - 16 : 0;
    const qint64 rangeSize = numbers.size() > 4 ? qint64(uchar(numbers[4])) * 4 : 0;
    olmcompose::RangeBackupReader range(file, rangeOffset, rangeSize);
    check(compose(range) == message);

    check(message.startsWith("From ???@??? "));
    check(message.endsWith("\n\n"));
    check(!message.contains('\r'));
    int lineStart = 0;
    bool first = true;
    while (lineStart < message.size()) {
        int end = message.indexOf('\n', lineStart);
        if (end < 0)
            end = message.size();
        check(end - lineStart <= 998);
        if (!first)
            check(message.mid(lineStart, 5) != "From ");
        first = false;
        lineStart = end + 1;
    }
    return 0;
}
