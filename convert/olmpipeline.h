#pragma once
// Composition of backup records on worker threads: the messages are composed
// side by side and appended, in the order the records were queued, by one
// writing thread through one appender. The messages in flight stay within a
// fixed memory budget; a message too large for it is composed by the writing
// thread itself when its turn comes, straight into its file.

#include "convert/mboxappender.h"
#include "convert/olmcompose.h"
#include "convert/outputpaths.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct MailMLRC;

namespace olmsaving {

// What a pipeline did with the records queued since it started.
struct PipelineCounts {
    qint64 written = 0;    // records whose whole message was appended
    qint64 notWritten = 0; // records the target or the file refused
    qint64 shortReads = 0; // body or attachment ranges the backup did not hold whole
    qint64 incomplete = 0; // of the written records, those with a range the backup did not hold whole
};

// Bytes the message of record is expected to take, from its body length and
// attachment sizes (each clamped to backupSize): the measure of the budget.
qint64 estimatedMessageSize(const MailMLRC &record, qint64 backupSize);

class ComposePipeline
{
public:
    // Estimated bytes of the messages composed in one go by one worker.
    static constexpr qint64 kBatchBytes = 512 << 10;
    // Batches queued, composed or not, before add() waits.
    static constexpr int kMaxBatches = 8;
    // Messages estimated larger than this are streamed by the writing thread.
    static constexpr qint64 kLargestComposedAhead = 1 << 20;

    // workers: threads that compose ahead (0: the writing thread composes
    // every message itself).
    ComposePipeline(MboxAppender &appender, olmcompose::BackupReader &backup, const olmcompose::Sources &sources,
                    int workers);
    ~ComposePipeline();
    ComposePipeline(const ComposePipeline &) = delete;
    ComposePipeline &operator=(const ComposePipeline &) = delete;

    // Queues record's message for target; waits while kMaxBatches wait. The
    // record must stay valid until finish() returns.
    void add(const MailMLRC &record, const outputpaths::OutputTarget &target);
    // Waits until every queued message is appended.
    PipelineCounts finish();

private:
    struct Message {
        const MailMLRC *record = nullptr;
        outputpaths::OutputTarget target;
        qint64 end = 0; // end of its bytes in the batch
        olmcompose::ComposeResult result;
    };
    // Consecutive messages composed by one worker into one array, or one
    // large message streamed by the writing thread.
    struct Batch {
        std::vector<Message> messages;
        qint64 estimate = 0;
        bool streamed = false;
        bool composed = false;
        QByteArray bytes;
    };

    void composeAhead();
    void composeBatch(Batch &batch);
    void writeInOrder();
    void writeBatch(Batch &batch);
    // Hands the open batch to the workers; called with the lock held.
    void queueOpenBatch(std::unique_lock<std::mutex> &lock);
    // The next batch a worker may compose, or null; called with the lock held.
    Batch *nextToCompose();

    MboxAppender &m_appender;
    olmcompose::BackupReader &m_backup;
    const olmcompose::Sources m_sources;
    const qint64 m_backupSize;
    const bool m_composeAhead;

    Batch m_open; // filled by add(), on the thread that calls it

    std::mutex m_mutex;
    std::condition_variable m_forWorkers; // a batch to compose, or closing
    std::condition_variable m_forWriter;  // the front batch composed, or closing
    std::condition_variable m_forCaller;  // room for a batch, or everything written
    std::deque<Batch> m_batches;          // front: the next batch to append
    qint64 m_frontSequence = 0;           // sequence number of m_batches.front()
    qint64 m_composeSequence = 0;         // sequence number of the next batch to compose ahead
    std::vector<QByteArray> m_spareArrays; // arrays of appended batches, for reuse
    bool m_closing = false;
    PipelineCounts m_counts;

    std::vector<std::thread> m_threads;
};

} // namespace olmsaving
