// The mbox indexer over one file: the messages tile the file from offset 0
// without gaps, the fields keep their limits, the progress moves forward
// and stays inside the file, and every block size (with or without the
// read-ahead thread) gives the same messages.

#include "fuzzcheck.h"
#include "scan/mboxdiscovery.h"
#include "scan/mboxindexer.h"

#include <QVector>

using namespace mboxindex;

namespace {

IndexStatus collect(const QString &path, int blockSize, bool readAhead, QVector<MboxMessage> &messages,
                    const std::function<bool(const IndexProgress &)> &progress = {})
{
    IndexOptions options;
    options.blockSize = blockSize;
    options.readAhead = readAhead;
    options.progress = progress;
    return collectMboxMessages(path, messages, options);
}

void checkTiling(const QVector<MboxMessage> &messages, IndexStatus status, qint64 size)
{
    qint64 next = 0;
    for (const MboxMessage &message : messages) {
        FUZZ_CHECK(message.offset == next);
        FUZZ_CHECK(message.length > 0);
        FUZZ_CHECK(message.offset + message.length <= size);
        FUZZ_CHECK(message.from.size() <= kTextFieldUnits);
        FUZZ_CHECK(message.subject.size() <= kTextFieldUnits);
        FUZZ_CHECK(!message.from.contains(QChar(0)) && !message.subject.contains(QChar(0)));
        next = message.offset + message.length;
    }
    if (status == IndexStatus::Indexed)
        FUZZ_CHECK(!messages.isEmpty() && next == size);
    else
        FUZZ_CHECK(status == IndexStatus::NotMbox && messages.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MemoryFile file(data, size);
    const qint64 fileSize = qint64(size);

    // The reference reading, with a progress hook called at every step.
    QVector<MboxMessage> reference;
    qint64 lastCount = -1;
    const IndexStatus status = collect(file.path(), kDefaultBlockSize, false, reference,
                                       [&](const IndexProgress &read) {
                                           FUZZ_CHECK(read.fileSize == fileSize);
                                           FUZZ_CHECK(read.bytesRead >= 0 && read.bytesRead <= fileSize);
                                           FUZZ_CHECK(read.linesRead >= 1);
                                           const qint64 count = read.bytesRead + read.linesRead;
                                           FUZZ_CHECK(count > lastCount);
                                           lastCount = count;
                                           const double percent = mboxdiscovery::progressPercent(
                                               read.bytesRead, read.linesRead, read.fileSize);
                                           FUZZ_CHECK(percent >= 0.0 && percent <= 200.0);
                                           return true;
                                       });
    checkTiling(reference, status, fileSize);

    // The same messages at every block size, read ahead or not.
    static const int blockSizes[] = {1, 2, 3, 5, 16, 63, 4096};
    for (const int blockSize : blockSizes) {
        for (const bool readAhead : {false, true}) {
            QVector<MboxMessage> messages;
            FUZZ_CHECK(collect(file.path(), blockSize, readAhead, messages) == status);
            FUZZ_CHECK(messages == reference);
        }
    }

    // A stop at the first progress call hands over the message read so far.
    QVector<MboxMessage> stopped;
    const IndexStatus stoppedStatus =
        collect(file.path(), 7, false, stopped, [](const IndexProgress &) { return false; });
    if (stoppedStatus == IndexStatus::Indexed)
        FUZZ_CHECK(stopped == reference);
    else if (status == IndexStatus::Indexed) {
        FUZZ_CHECK(stoppedStatus == IndexStatus::Stopped);
        FUZZ_CHECK(stopped.size() >= 1 && stopped.size() <= reference.size());
        for (int i = 0; i + 1 < stopped.size(); ++i)
            FUZZ_CHECK(stopped.at(i) == reference.at(i));
        FUZZ_CHECK(stopped.constLast().offset == reference.at(stopped.size() - 1).offset);
    }
    return 0;
}
