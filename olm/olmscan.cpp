#include "olm/olmscan.h"

#include "app/appglobals.h"
#include "olm/mailmlrc.h"
#include "olm/olmsource.h"
#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFile>

#include <cerrno>
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
    resolveFolderPath(folderPath);
    const int made = opf::buildRecords(payload, payloadOffset, folderPath, quint64(llParentIdRunning),
                                       olmPendingAttachments);
    if (made > 0)
        llParentIdRunning = 0;
    return made;
}

void RecordSink::attachmentEntry(const QString &name, qint64 offset, qint64 size)
{
    olmPendingAttachments.append(name, offset, size);
}

void RecordSink::payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64)
{
    m_records += recordPayload(folderPath, bytes, offset);
}

} // namespace olm

namespace {

// The walk's hand-overs on the scanning thread: progress becomes the
// thread's signal, attachment entries and payloads go through the thread's
// long-standing members.
class ThreadSink : public olm::WalkSink
{
public:
    explicit ThreadSink(QMessageSavingThread *thread) : m_thread(thread) {}

    void attachmentEntry(const QString &name, qint64 offset, qint64 size) override
    {
        m_thread->InitializeAttachment(name, offset, size);
    }

    void payload(const QString &folderPath, const QByteArray &bytes, qint64, qint64 endOffset) override
    {
        const MailMLRC *tail = TmpMlrcPtrEnd;
        pBuff = bytes;
        m_thread->InitializeMLRC(folderPath, endOffset);
        pBuff.clear();
        m_madeRecords = m_madeRecords || TmpMlrcPtrEnd != tail;
    }

    void progress(int percent) override { emit m_thread->OnIndivisibleProgressvalue(double(percent)); }

    bool madeRecords() const { return m_madeRecords; }

private:
    QMessageSavingThread *m_thread;
    bool m_madeRecords = false;
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
    // Non-blocking, so a FIFO chosen as the source cannot hang the open.
    fileDescriptor = ::open(QFile::encodeName(m_selectedFile).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    lSize = 0;
    if (fileDescriptor < 0)
        return -1;
    struct stat info;
    if (::fstat(fileDescriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fileDescriptor);
        fileDescriptor = -1;
        return -1;
    }
    lSize = qint64(info.st_size);
    return fileDescriptor;
}

void QMessageSavingThread::CreateFile()
{
    // 1. A fresh walk: the records were released on the GUI thread before
    //    the scan; attachment entries of an earlier scan are dropped.
    bStopFlag = false;
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
    ThreadSink sink(this);
    {
        DescriptorGuard guard;
        olm::FileSource source(descriptor, lSize);
        end = olm::walkOlm(source, sink, bStopFlag);
    }
    if (end == olm::WalkEnd::Stopped)
        return;

    // 4. The end of the scan
    emit OnSubProgressHide();
    emit ProgressDailogHide();
    if (sink.madeRecords()) {
        emit FinishScaning();
    } else {
        emit NoDataIntoFile();
        bStopFlag = true;
    }
}
