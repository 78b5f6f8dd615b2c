#include "olm/olmscan.h"

#include "app/appglobals.h"
#include "olm/mailmlrc.h"
#include "olm/olmsource.h"
#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int fileDescriptor = -1;
qint64 lSize = 0;
QByteArray pBuff;
opf::PendingAttachments olmPendingAttachments;
QString &tmpstrOrigPath = olmPendingAttachments.names;
QString &tmpdoffset_NoteText = olmPendingAttachments.offsets;
QString &tmpdsizeofattch = olmPendingAttachments.sizes;

void resetOlmGlobalsForTest()
{
    if (fileDescriptor >= 0)
        ::close(fileDescriptor);
    fileDescriptor = -1;
    lSize = 0;
    pBuff.clear();
    olmPendingAttachments.clear();
}

namespace olm {

const QString kUnfiledFolderName = QStringLiteral("Unfiled");

void resolveFolderPath(const QString &folderPath)
{
    if (folderPath.isEmpty())
        return;
    qint64 parent = llRootId;
    for (const QString &name : folderPath.split(QLatin1Char('/'))) {
        qint64 id = 0;
        if (foldermodel::findFolder(name, parent, &id))
            llParentIdRunning = id;
        else
            foldermodel::createFolder(name, parent);
        parent = llParentIdRunning;
    }
}

int recordPayload(const QString &folderPath, const QByteArray &payload, qint64 payloadOffset)
{
    // Messages in no folder would reach neither the tree nor a save. The
    // folder is made only for a payload that holds a message.
    if (folderPath.isEmpty() && !payload.contains("</email>"))
        return 0;
    const QString &folder = folderPath.isEmpty() ? kUnfiledFolderName : folderPath;
    resolveFolderPath(folder);
    const int made = opf::buildRecords(payload, payloadOffset, folder, quint64(llParentIdRunning),
                                       olmPendingAttachments);
    if (made > 0)
        llParentIdRunning = 0;
    return made;
}

void RecordSink::attachmentEntry(const QString &name, qint64 offset, qint64 size)
{
    olmPendingAttachments.append(name, offset, size);
}

void RecordSink::emptyEntry(const QString &name, qint64 offset)
{
    olmPendingAttachments.appendEmpty(name, offset);
}

void RecordSink::payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64)
{
    m_records += recordPayload(folderPath, bytes, offset);
}

void RecordSink::unreadableEntry(const QString &name, bool isAttachment)
{
    ++m_unreadable;
    if (isAttachment)
        olmPendingAttachments.appendUnreadable(name);
}

} // namespace olm

namespace {

// The walk's hand-overs: progress becomes the scanning thread's signal;
// attachment entries and payloads go, in the walk's order, to a second
// thread that makes the records through the thread's long-standing members,
// so that reading the file and making records overlap. Hand-overs travel in
// batches, so the two threads rarely wait for each other.
class PipelineSink : public olm::WalkSink
{
public:
    explicit PipelineSink(QMessageSavingThread *thread)
        : m_thread(thread)
        , m_worker([this] { work(); })
    {
    }

    ~PipelineSink() override { finish(); }

    PipelineSink(const PipelineSink &) = delete;
    PipelineSink &operator=(const PipelineSink &) = delete;

    void attachmentEntry(const QString &name, qint64 offset, qint64 size) override
    {
        m_batch.push_back(Item{name, QByteArray(), offset, size, ItemKind::Attachment});
        handOn(false);
    }

    void emptyEntry(const QString &name, qint64 offset) override
    {
        m_batch.push_back(Item{name, QByteArray(), offset, 0, ItemKind::EmptyAttachment});
        handOn(false);
    }

    void payload(const QString &folderPath, const QByteArray &bytes, qint64, qint64 endOffset) override
    {
        // The walk's bytes live only during this call.
        m_batchBytes += bytes.size();
        m_batch.push_back(Item{folderPath, QByteArray(bytes.constData(), bytes.size()), endOffset, 0, ItemKind::Payload});
        handOn(false);
    }

    void unreadableEntry(const QString &name, bool isAttachment) override
    {
        ++m_thread->nSkippedFiles;
        // An attachment entry still answers its message's list, in walk order.
        if (isAttachment) {
            m_batch.push_back(Item{name, QByteArray(), 0, 0, ItemKind::UnreadableAttachment});
            handOn(false);
        }
    }

    void progress(int percent) override { emit m_thread->OnIndivisibleProgressvalue(double(percent)); }

    // Hands on the last batch and waits until every record is made (or the
    // stop flag dropped the rest). Returns whether records were made.
    bool finish()
    {
        if (m_worker.joinable()) {
            handOn(true);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_closed = true;
            }
            m_wake.notify_all();
            m_worker.join();
        }
        return m_madeRecords;
    }

private:
    enum class ItemKind { Attachment, EmptyAttachment, UnreadableAttachment, Payload };
    struct Item {
        QString text;     // entry name or folder path
        QByteArray bytes; // payload
        qint64 first;     // data offset, or the payload's end offset
        qint64 second;    // data size
        ItemKind kind;
    };

    // At most this much waits between the threads.
    static constexpr std::size_t kBatchItems = 256;
    static constexpr qint64 kBatchBytes = qint64(256) << 10;
    static constexpr std::size_t kQueuedBatches = 4;

    void handOn(bool force)
    {
        if (m_batch.empty() || (!force && m_batch.size() < kBatchItems && m_batchBytes < kBatchBytes))
            return;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_spaceFreed.wait(lock, [this] { return m_queue.size() < kQueuedBatches; });
        m_queue.push_back(std::move(m_batch));
        m_batch.clear();
        m_batchBytes = 0;
        lock.unlock();
        m_wake.notify_one();
    }

    void work()
    {
        for (;;) {
            std::vector<Item> batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_queue.empty() || m_closed; });
                if (m_queue.empty())
                    return;
                batch = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_spaceFreed.notify_one();
            for (const Item &item : batch) {
                if (bStopFlag)
                    break;
                if (m_failed) {
                    // The payloads dropped after memory ran out are told.
                    if (item.kind == ItemKind::Payload)
                        ++m_thread->nSkippedFiles;
                    continue;
                }
                make(item);
            }
        }
    }

    void make(const Item &item)
    {
        try {
            if (item.kind == ItemKind::Attachment) {
                m_thread->InitializeAttachment(item.text, item.first, item.second);
                return;
            }
            if (item.kind == ItemKind::EmptyAttachment) {
                olmPendingAttachments.appendEmpty(item.text, item.first);
                return;
            }
            if (item.kind == ItemKind::UnreadableAttachment) {
                olmPendingAttachments.appendUnreadable(item.text);
                return;
            }
            const MailMLRC *tail = TmpMlrcPtrEnd;
            pBuff = item.bytes;
            m_thread->InitializeMLRC(item.text, item.first);
            pBuff.clear();
            m_madeRecords = m_madeRecords || TmpMlrcPtrEnd != tail;
        } catch (...) {
            // Out of memory: the records made so far stay, the rest is
            // dropped and told as unreadable, this payload included.
            pBuff.clear();
            m_failed = true;
            if (item.kind == ItemKind::Payload)
                ++m_thread->nSkippedFiles;
        }
    }

    QMessageSavingThread *m_thread;
    std::vector<Item> m_batch;
    qint64 m_batchBytes = 0;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_spaceFreed;
    std::deque<std::vector<Item>> m_queue;
    bool m_closed = false;
    bool m_madeRecords = false; // written by the worker, read after the join
    bool m_failed = false;      // the same
    std::thread m_worker;
};

// Closes fileDescriptor and drops the payload when the walk ends, also by
// an exception.
struct DescriptorGuard {
    DescriptorGuard() = default;
    DescriptorGuard(const DescriptorGuard &) = delete;
    DescriptorGuard &operator=(const DescriptorGuard &) = delete;
    ~DescriptorGuard()
    {
        if (fileDescriptor >= 0)
            ::close(fileDescriptor);
        fileDescriptor = -1;
        pBuff.clear();
    }
};

} // namespace

void QMessageSavingThread::CleanListAndHash()
{
    releaseMailMLRCs();
}

void QMessageSavingThread::treeCreatorforOlm(QString folderPath)
{
    olm::resolveFolderPath(folderPath);
}

void QMessageSavingThread::InitializeAttachment(QString name, qint64 offset, qint64 size)
{
    olmPendingAttachments.append(name, offset, size);
}

void QMessageSavingThread::InitializeMLRC(QString folderPath, long long endOffset)
{
    // The payload's bytes end at endOffset; message positions count forward
    // from its first byte.
    olm::recordPayload(folderPath, pBuff, endOffset - pBuff.size());
}

int QMessageSavingThread::OpenDevice()
{
    fileDescriptor = olm::openBackupFile(m_selectedFile, &lSize);
    return fileDescriptor;
}

void QMessageSavingThread::CreateFile()
{
    // 1. A fresh walk: the records were released on the GUI thread before
    //    the scan; attachment entries of an earlier scan are dropped.
    bStopFlag = false;
    nSkippedFiles = 0;
    olmPendingAttachments.clear();
    pBuff.clear();

    // 2. The file, and the progress dialog
    const int descriptor = OpenDevice();
    emit OnShowProgressDlg();
    if (descriptor < 0) {
        emit OnSubProgressHide();
        emit ProgressDailogHide();
        emit NoDataIntoFile();
        bStopFlag = true;
        return;
    }

    // 3. The walk; the descriptor is closed however it ends
    olm::WalkEnd end = olm::WalkEnd::Stopped;
    bool madeRecords = false;
    {
        DescriptorGuard guard;
        PipelineSink sink(this);
        olm::FileSource source(descriptor, lSize);
        end = olm::walkOlm(source, sink, bStopFlag);
        madeRecords = sink.finish();
    }
    if (end == olm::WalkEnd::Stopped || bStopFlag)
        return;

    // 4. The end of the scan
    emit OnSubProgressHide();
    emit ProgressDailogHide();
    if (madeRecords) {
        emit FinishScaning();
    } else {
        emit NoDataIntoFile();
        bStopFlag = true;
    }
}
