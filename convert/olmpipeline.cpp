#include "convert/olmpipeline.h"

#include "olm/mailmlrc.h"
#include "platform/finderinfo.h"

namespace olmsaving {

namespace {

// Room for the separator, header lines and part headers of one message.
constexpr qint64 kHeaderAllowance = 4096;
// Room for the part headers of one attachment.
constexpr qint64 kPartAllowance = 1024;

// Hands the composed bytes to the appender as the pieces of one record; the
// last piece closes the record, its final line feed written by the appender.
class AppenderSink : public olmcompose::MessageSink
{
public:
    AppenderSink(MboxAppender &appender, const outputpaths::OutputTarget &target)
        : m_appender(appender), m_target(target)
    {
    }

    bool write(const char *data, qint64 size) override
    {
        const bool ok = m_pending.isEmpty() || append(m_pending, false);
        m_pending = QByteArray(data, int(size));
        return ok;
    }

    // Keeps the given array as the held-back piece instead of copying it.
    bool take(QByteArray &bytes) override
    {
        const bool ok = m_pending.isEmpty() || append(m_pending, false);
        m_pending.swap(bytes);
        bytes.resize(0);
        return ok;
    }

    // Ends the record, of a message saved incompletely when incomplete is
    // set; false when any piece was not written.
    bool finish(bool incomplete)
    {
        if (m_pending.endsWith('\n'))
            m_pending.chop(1);
        return append(m_pending, true, incomplete) && m_ok;
    }

private:
    bool append(const QByteArray &piece, bool end, bool incomplete = false)
    {
        if (!m_appender.appendPiece(m_target, platform::kFourCharMBOX, platform::kFourCharOPIM, piece, end,
                                    QString(), 1, incomplete ? 1 : 0))
            m_ok = false;
        return m_ok;
    }

    MboxAppender &m_appender;
    outputpaths::OutputTarget m_target;
    QByteArray m_pending;
    bool m_ok = true;
};

} // namespace

qint64 estimatedMessageSize(const MailMLRC &record, qint64 backupSize)
{
    // Quoted-printable takes at most three characters per byte, Base64 four
    // per three bytes and a line feed per 76 characters.
    qint64 estimate = kHeaderAllowance + qBound<qint64>(0, record.llBodyLength, backupSize) * 3;
    if (record.hasAttachments()) {
        for (const QByteArray &size : record.pAttachSizes.split(';')) {
            bool ok = false;
            const qint64 bytes = qBound<qint64>(0, size.toLongLong(&ok), backupSize);
            estimate += kPartAllowance + (ok ? bytes / 57 * 78 + 78 : 0);
        }
    }
    return estimate;
}

// Appends every piece to one array: a batch's messages one after the other.
class ArraySink : public olmcompose::MessageSink
{
public:
    explicit ArraySink(QByteArray &bytes) : m_bytes(bytes) {}
    bool write(const char *data, qint64 size) override
    {
        m_bytes.append(data, int(size));
        return true;
    }
    QByteArray *array() override { return &m_bytes; }

private:
    QByteArray &m_bytes;
};

// The range of the backup that holds a record's body and attachment data.
struct Span {
    qint64 offset = 0;
    qint64 size = 0;
};

// The record's span when reading it whole at once is worth it (one read in
// place of one per part): at most limit bytes, at least half of them the
// record's own. Empty otherwise.
Span compactSpan(const MailMLRC &record, qint64 backupSize, qint64 limit)
{
    qint64 first = backupSize;
    qint64 end = 0;
    qint64 own = 0;
    auto include = [&](qint64 offset, qint64 size) {
        if (offset < 0 || offset >= backupSize || size <= 0)
            return;
        size = qMin(size, backupSize - offset);
        first = qMin(first, offset);
        end = qMax(end, offset + size);
        own += size;
    };
    include(record.llBodyOffset, record.llBodyLength);
    if (record.hasAttachments()) {
        const QList<QByteArray> offsets = record.pAttachOffsets.split(';');
        const QList<QByteArray> sizes = record.pAttachSizes.split(';');
        for (int i = 0; i < offsets.size() && i < sizes.size(); ++i)
            include(offsets[i].toLongLong(), sizes[i].toLongLong());
    }
    if (own == 0 || end - first > limit || end - first > 2 * own)
        return {};
    return {first, end - first};
}

bool endsWithLineFeed(const QByteArray &bytes, qint64 end)
{
    return end > 0 && bytes.at(int(end - 1)) == '\n';
}

ComposePipeline::ComposePipeline(MboxAppender &appender, olmcompose::BackupReader &backup,
                                 const olmcompose::Sources &sources, int workers)
    : m_appender(appender),
      m_backup(backup),
      m_sources(sources),
      m_backupSize(backup.size()),
      m_composeAhead(workers > 0)
{
    m_threads.emplace_back([this] { writeInOrder(); });
    for (int i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { composeAhead(); });
}

ComposePipeline::~ComposePipeline()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_forWorkers.notify_all();
    m_forWriter.notify_all();
    m_forCaller.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void ComposePipeline::add(const MailMLRC &record, const outputpaths::OutputTarget &target)
{
    Message message;
    message.record = &record;
    message.target = target;
    const qint64 estimate = estimatedMessageSize(record, m_backupSize);
    if (!m_composeAhead || estimate > kLargestComposedAhead) {
        // A batch of its own, after the messages gathered before it.
        std::unique_lock<std::mutex> lock(m_mutex);
        queueOpenBatch(lock);
        m_open.streamed = true;
        m_open.messages.push_back(message);
        queueOpenBatch(lock);
        return;
    }
    m_open.messages.push_back(message);
    m_open.estimate += estimate;
    if (m_open.estimate >= kBatchBytes) {
        std::unique_lock<std::mutex> lock(m_mutex);
        queueOpenBatch(lock);
    }
}

void ComposePipeline::queueOpenBatch(std::unique_lock<std::mutex> &lock)
{
    if (m_open.messages.empty())
        return;
    m_forCaller.wait(lock, [&] { return m_batches.size() < size_t(kMaxBatches); });
    if (!m_open.streamed && !m_spareArrays.empty()) {
        m_open.bytes = std::move(m_spareArrays.back());
        m_spareArrays.pop_back();
    }
    const bool streamed = m_open.streamed;
    m_batches.push_back(std::move(m_open));
    m_open = Batch();
    if (streamed)
        m_forWriter.notify_one();
    else
        m_forWorkers.notify_one();
}

PipelineCounts ComposePipeline::finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    queueOpenBatch(lock);
    m_forCaller.wait(lock, [&] { return m_batches.empty(); });
    const PipelineCounts counts = m_counts;
    m_counts = PipelineCounts();
    return counts;
}

ComposePipeline::Batch *ComposePipeline::nextToCompose()
{
    // Streamed batches before the front were appended without a worker.
    m_composeSequence = qMax(m_composeSequence, m_frontSequence);
    while (m_composeSequence < m_frontSequence + qint64(m_batches.size())) {
        Batch &batch = m_batches[size_t(m_composeSequence - m_frontSequence)];
        ++m_composeSequence;
        if (!batch.streamed)
            return &batch;
    }
    return nullptr;
}

void ComposePipeline::composeAhead()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Batch *batch = nullptr;
        m_forWorkers.wait(lock, [&] { return (batch = nextToCompose()) != nullptr || m_closing; });
        if (!batch)
            return;
        // The deque keeps the batch in place while others are added or
        // appended: only the writing thread removes it, once it is composed.
        lock.unlock();
        composeBatch(*batch);
        lock.lock();
        batch->composed = true;
        m_forWriter.notify_one();
    }
}

void ComposePipeline::composeBatch(Batch &batch)
{
    batch.bytes.resize(0);
    ArraySink sink(batch.bytes);
    for (Message &message : batch.messages) {
        const Span span = compactSpan(*message.record, m_backupSize, kLargestComposedAhead);
        if (span.size > 0) {
            olmcompose::RangeBackupReader range(m_backup, span.offset, span.size);
            message.result = olmcompose::composeMessage(*message.record, range, m_sources, sink);
        } else {
            message.result = olmcompose::composeMessage(*message.record, m_backup, m_sources, sink);
        }
        message.end = batch.bytes.size();
    }
}

void ComposePipeline::writeInOrder()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_forWriter.wait(lock, [&] {
            return (!m_batches.empty() && (m_batches.front().streamed || m_batches.front().composed))
                   || (m_batches.empty() && m_closing);
        });
        if (m_batches.empty())
            return;
        Batch &batch = m_batches.front();
        lock.unlock();
        writeBatch(batch);
        lock.lock();
        if (!batch.streamed && m_spareArrays.size() < size_t(kMaxBatches)) {
            // Kept with its room: resize(0) then leaves the allocation alone.
            batch.bytes.reserve(batch.bytes.capacity());
            batch.bytes.resize(0);
            m_spareArrays.push_back(std::move(batch.bytes));
        }
        m_batches.pop_front();
        ++m_frontSequence;
        m_forCaller.notify_one();
    }
}

void ComposePipeline::writeBatch(Batch &batch)
{
    PipelineCounts counts;
    auto count = [&counts](const Message &message, bool written) {
        counts.shortReads += message.result.shortReads;
        if (written && message.result.written && !message.target.isSkip()) {
            ++counts.written;
            if (message.result.shortReads > 0)
                ++counts.incomplete;
        } else {
            ++counts.notWritten;
        }
    };
    if (batch.streamed) {
        Message &message = batch.messages.front();
        AppenderSink sink(m_appender, message.target);
        message.result = olmcompose::composeMessage(*message.record, m_backup, m_sources, sink);
        count(message, sink.finish(message.result.shortReads > 0));
    } else {
        // A run of messages for one file is appended in one write: each
        // message ends with a line feed, so the run's bytes are those of its
        // records one after the other. When the write fails (and is cut
        // back), the run's records are appended one by one instead, so that
        // each is counted as the file takes it or not.
        const std::vector<Message> &messages = batch.messages;
        size_t first = 0;
        qint64 start = 0;
        while (first < messages.size()) {
            size_t last = first;
            while (last + 1 < messages.size() && messages[last + 1].target == messages[first].target
                   && endsWithLineFeed(batch.bytes, messages[last].end))
                ++last;
            const qint64 runEnd = messages[last].end;
            qint64 incomplete = 0;
            for (size_t i = first; i <= last; ++i)
                incomplete += messages[i].result.shortReads > 0 ? 1 : 0;
            bool whole = last > first && endsWithLineFeed(batch.bytes, runEnd)
                         && m_appender.appendRecord(messages[first].target, platform::kFourCharMBOX,
                                                    platform::kFourCharOPIM,
                                                    {QByteArray::fromRawData(batch.bytes.constData() + start,
                                                                             int(runEnd - start))},
                                                    qint64(last - first + 1), incomplete);
            for (size_t i = first; i <= last; ++i) {
                const Message &message = messages[i];
                if (!whole) {
                    // The message up to its last line feed, and the line feed
                    // the appender puts after a record, as the streaming sink.
                    qint64 length = message.end - start;
                    if (endsWithLineFeed(batch.bytes, message.end))
                        --length;
                    const QByteArray text = QByteArray::fromRawData(batch.bytes.constData() + start, int(length));
                    count(message, m_appender.appendRecord(message.target, platform::kFourCharMBOX,
                                                           platform::kFourCharOPIM, {text, QByteArrayLiteral("\n")},
                                                           1, message.result.shortReads > 0 ? 1 : 0));
                } else {
                    count(message, true);
                }
                start = message.end;
            }
            first = last + 1;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts.written += counts.written;
    m_counts.notWritten += counts.notWritten;
    m_counts.shortReads += counts.shortReads;
    m_counts.incomplete += counts.incomplete;
}

} // namespace olmsaving
