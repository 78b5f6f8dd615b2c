#include "scan/mboxdiscovery.h"

#include "app/appglobals.h"
#include "platform/safefiles.h"
#include "scan/discoverycommon.h"
#include "scan/foldermodel.h"
#include "scan/mboxindexer.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace mboxdiscovery {

namespace {

using DirectoryKey = QPair<quint64, quint64>;

DirectoryKey keyOf(const struct stat &info)
{
    return qMakePair(quint64(info.st_dev), quint64(info.st_ino));
}

QString joinPath(const QString &directory, const QString &name)
{
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

// The entry names of a directory without "." and "..", in walk order.
bool readNamesInWalkOrder(const QString &directory, QStringList &names)
{
    DIR *handle = ::opendir(QFile::encodeName(directory).constData());
    if (!handle)
        return false;
    std::vector<std::pair<QString, QString>> keyed; // lower-cased name, name
    while (const dirent *entry = ::readdir(handle)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QString name = QFile::decodeName(raw);
        keyed.emplace_back(name.toLower(), name);
    }
    ::closedir(handle);
    std::sort(keyed.begin(), keyed.end());
    names.reserve(int(keyed.size()));
    for (auto &pair : keyed)
        names.append(std::move(pair.second));
    return true;
}

// One directory of the walk, its device and the position in its entries.
struct Frame {
    QString path;
    QStringList names;
    int next = 0;
    dev_t device = 0;
};

bool endsWithDirectoryMailbox(const QString &path)
{
    return path.endsWith(QLatin1String("/mbox"));
}

} // namespace

bool walkOrderLess(const QString &left, const QString &right)
{
    const QString lowerLeft = left.toLower();
    const QString lowerRight = right.toLower();
    if (lowerLeft != lowerRight)
        return lowerLeft < lowerRight;
    return left < right;
}

WalkResult walkTree(const QString &root)
{
    WalkResult result;
    // An empty QDir path is the working directory; a walk never starts there.
    if (root.isEmpty() || QDir::isRelativePath(root))
        return result;
    struct stat rootInfo;
    const QByteArray encodedRoot = QFile::encodeName(root);
    if (::stat(encodedRoot.constData(), &rootInfo) != 0 || !S_ISDIR(rootInfo.st_mode))
        return result;
    result.rootIsDirectory = true;
    if (platform::isOnPseudoFileSystem(encodedRoot, rootInfo))
        return result;

    QSet<DirectoryKey> entered{keyOf(rootInfo)};
    std::vector<Frame> stack(1);
    stack.back().path = root;
    stack.back().device = rootInfo.st_dev;
    if (!readNamesInWalkOrder(root, stack.back().names)) {
        ++result.unreadableDirectories;
        return result;
    }

    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next == top.names.size()) {
            stack.pop_back();
            continue;
        }
        const QString path = joinPath(top.path, top.names.at(top.next++));
        const QByteArray encoded = QFile::encodeName(path);
        struct stat info;
        // stat, not lstat: links to directories and files are followed.
        if (::stat(encoded.constData(), &info) != 0) {
            // A dangling link is passed over; any other entry that cannot be
            // looked at is counted, never silently dropped.
            struct stat linkInfo;
            if (::lstat(encoded.constData(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode))
                ++result.unreadableEntries;
            continue;
        }
        // A link may lead onto another file system: never into the kernel's,
        // whose files can block a read for ever or never end.
        if (info.st_dev != top.device && platform::isOnPseudoFileSystem(encoded, info))
            continue;
        if (S_ISREG(info.st_mode)) {
            result.entries.append(path);
            result.fileSizes.append(qint64(info.st_size));
            continue;
        }
        if (!S_ISDIR(info.st_mode) || entered.contains(keyOf(info)))
            continue;
        entered.insert(keyOf(info));
        result.entries.append(path);
        result.fileSizes.append(-1);
        Frame child;
        child.path = path;
        child.device = info.st_dev;
        if (!readNamesInWalkOrder(path, child.names)) {
            ++result.unreadableDirectories;
            continue;
        }
        stack.push_back(std::move(child));
    }
    return result;
}

bool passesPathTest(const QString &path)
{
    static const QLatin1String refused[] = {QLatin1String(".mbs"), QLatin1String(".emlx"),
                                            QLatin1String(".eml"), QLatin1String(".olm")};
    for (const QLatin1String &marker : refused) {
        if (path.contains(marker))
            return false;
    }
    return !path.endsWith(QLatin1String(".mbox"));
}

bool firstLineStartsWithFrom(const QString &path)
{
    QFile file;
    if (!platform::openRegularFile(file, path))
        return false;
    return file.read(5) == "From ";
}

QString treePathFor(const QString &path, const QString &selected)
{
    const QString mail = QStringLiteral("Mail");
    if (endsWithDirectoryMailbox(path)) {
        QString directory = path.left(path.lastIndexOf(QLatin1Char('/')));
        if (!selected.isEmpty())
            directory.remove(selected);
        return mail + directory + QLatin1String("/mbox");
    }
    const QLatin1String imapMarker("/ImapMail");
    const int imap = path.lastIndexOf(imapMarker);
    if (imap >= 0)
        return mail + path.mid(imap + imapMarker.size());
    const QLatin1String mailMarker("/Mail");
    const int plain = path.lastIndexOf(mailMarker);
    if (plain >= 0)
        return mail + path.mid(plain + mailMarker.size());

    // Mailbox files kept outside any mail-client profile: one folder per
    // directory below the source, so the tree mirrors the disk.
    QString below = !selected.isEmpty() && path.startsWith(selected) ? path.mid(selected.size()) : path;
    if (!below.startsWith(QLatin1Char('/')))
        below.prepend(QLatin1Char('/'));
    return mail + below;
}

double progressPercent(qint64 bytesRead, qint64 linesRead, qint64 fileSize)
{
    if (fileSize <= 0)
        return 100.0;
    // The count times 100 in 128 bits: counts near the top of qint64 do not
    // overflow, and every smaller count gives the double it always gave.
    const __int128 scaled = (__int128(bytesRead) + linesRead) * 100;
    return double(scaled) / double(fileSize);
}

qint64 countReachingPercent(qint64 whole, qint64 fileSize)
{
    if (whole <= 0 || fileSize <= 0)
        return 0;
    // Exact arithmetic gives the candidate; the double formula decides.
    // Beyond 2^53 bytes a double no longer tells counts apart: no shortcut.
    constexpr qint64 kExactDoubles = qint64(1) << 53;
    if (fileSize >= kExactDoubles / 1024 || whole >= 1024)
        return 0;
    qint64 count = (whole * fileSize + 99) / 100;
    const double target = double(whole);
    while (count > 0 && progressPercent(count - 1, 0, fileSize) >= target)
        --count;
    while (progressPercent(count, 0, fileSize) < target)
        ++count;
    return count;
}

qint64 nextProgressCount(qint64 count, qint64 fileSize, qint64 stopCheckEvery)
{
    const double percent = progressPercent(count, 0, fileSize);
    // From 1024 on countReachingPercent has no count to give; the bound also
    // keeps the conversion to qint64 in range.
    const qint64 whole = percent < 1024.0 ? qint64(std::floor(percent)) + 1 : 1024;
    constexpr qint64 kLargest = std::numeric_limits<qint64>::max();
    const qint64 stopCheck = count > kLargest - stopCheckEvery ? kLargest : count + stopCheckEvery;
    return qMin(countReachingPercent(whole, fileSize), stopCheck);
}

namespace {
std::atomic<qint64> parallelFileBytesLimit{1 << 20};
} // namespace

void setParallelFileBytes(qint64 bytes)
{
    parallelFileBytesLimit = bytes;
}

qint64 parallelFileBytes()
{
    return parallelFileBytesLimit;
}

} // namespace mboxdiscovery

// ---- The routine on the scanning thread ----

namespace {

// Bytes of a mailbox file read at most between two looks at the stop flag.
constexpr qint64 kStopCheckBytes = 4 << 20;

// Where the progress of a mailbox file is next worth a look: only the steps
// where the whole percentage moves can send a value; the others are
// stepped over, bar a look at the stop flag now and then.
qint64 mailboxProgressDue(const mboxindex::IndexProgress &read)
{
    return mboxdiscovery::nextProgressCount(read.bytesRead + read.linesRead, read.fileSize, kStopCheckBytes);
}

// Indexes the large files of the walk list on worker threads, in list
// order and a few files ahead of the scan; the scan replays each file's
// reading when it gets to it (see IndexedFile), so the list, the signals
// and their order are those of one file after the other. Page faults and
// copies of the files' bytes then spread over several cores.
class ParallelIndexing
{
public:
    ParallelIndexing(const QStringList &entries, const QVector<qint64> &fileSizes)
    {
        const qint64 threshold = mboxdiscovery::parallelFileBytes();
        for (int entry = 0; entry < entries.size(); ++entry) {
            const qint64 size = fileSizes.value(entry, -1);
            if (size < 0 || size < threshold)
                continue;
            const QString &path = entries.at(entry);
            m_jobOfEntry.insert(entry, int(m_jobs.size()));
            m_jobs.push_back(Job{std::make_unique<mboxindex::IndexedFile>(
                                     path, mboxdiscovery::passesPathTest(path), mailboxProgressDue),
                                 size, false, false});
        }
        if (m_jobs.empty())
            return;
        // Leave a core to the scan and one to the rest of the program. A
        // worker's own read-ahead thread pays where cores are spare, and
        // for a file larger than a worker's share of the whole, which
        // would otherwise keep the scan waiting after the others are done.
        const int cores = QThread::idealThreadCount();
        const int workers = qBound(1, cores - 2, kMaxWorkers);
        qint64 total = 0;
        for (const Job &job : m_jobs)
            total += job.size;
        for (Job &job : m_jobs)
            job.readAhead = 2 * workers <= cores || job.size >= total / workers;
        m_window = size_t(4 * workers);
        try {
            for (int i = 0; i < workers && size_t(i) < m_jobs.size(); ++i)
                m_workers.emplace_back([this]() { work(); });
        } catch (const std::system_error &) {
            // Fewer threads than asked for; with none at all the scan reads every file itself.
            if (m_workers.empty())
                m_jobOfEntry.clear();
        }
    }

    ~ParallelIndexing()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        for (const Job &job : m_jobs)
            job.file->cancel();
        m_changed.notify_all();
        for (std::thread &worker : m_workers)
            worker.join();
    }

    ParallelIndexing(const ParallelIndexing &) = delete;
    ParallelIndexing &operator=(const ParallelIndexing &) = delete;

    // The worker's reading of entry, or null when the scan reads it itself.
    mboxindex::IndexedFile *take(int entry)
    {
        const auto found = m_jobOfEntry.constFind(entry);
        if (found == m_jobOfEntry.constEnd())
            return nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_taken = qMax(m_taken, size_t(found.value()) + 1);
        }
        m_changed.notify_all();
        return m_jobs[size_t(found.value())].file.get();
    }

private:
    struct Job {
        std::unique_ptr<mboxindex::IndexedFile> file;
        qint64 size = 0;
        bool claimed = false;
        bool readAhead = false;
    };

    // The largest file not yet claimed within the window, if any: the
    // scan waits for the slowest file, so the big ones start first. The
    // file the scan waits for always lies within the window, so a worker
    // takes it up once it is free.
    Job *claimable()
    {
        while (m_firstUnclaimed < m_jobs.size() && m_jobs[m_firstUnclaimed].claimed)
            ++m_firstUnclaimed;
        const size_t end = qMin(m_jobs.size(), m_taken + m_window);
        Job *largest = nullptr;
        for (size_t i = m_firstUnclaimed; i < end; ++i) {
            Job &job = m_jobs[i];
            if (!job.claimed && (!largest || job.size > largest->size))
                largest = &job;
        }
        return largest;
    }

    void work()
    {
        for (;;) {
            Job *job = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this, &job]() {
                    if (m_quit)
                        return true;
                    job = claimable();
                    return job != nullptr || m_firstUnclaimed == m_jobs.size();
                });
                if (m_quit || !job)
                    return;
                job->claimed = true;
            }
            mboxindex::IndexOptions limits;
            limits.readAhead = job->readAhead;
            job->file->index(limits);
        }
    }

    static constexpr int kMaxWorkers = 6;

    std::vector<Job> m_jobs;
    QHash<int, int> m_jobOfEntry;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_window = 0;         // jobs ahead of the scan that workers may read
    size_t m_firstUnclaimed = 0; // no job before it is left for a worker
    size_t m_taken = 0;          // jobs the scan has got to
    bool m_quit = false;
};

// Whether the walked entry at path is a mailbox file; indexes its messages
// in the same pass and sends its reading progress when it is one.
class MailboxReading
{
public:
    // indexed: the entry's reading on a worker thread, if it has one.
    MailboxReading(QMessageSavingThread &thread, discovery::ProgressGate &gate, const QString &path,
                   mboxindex::IndexedFile *indexed)
        : m_thread(thread), m_gate(gate), m_path(path), m_indexed(indexed)
    {
    }

    // Indexes the entry and applies the mailbox test; true for a mailbox file.
    bool run()
    {
        const bool candidate = mboxdiscovery::passesPathTest(m_path);
        mboxindex::IndexOptions options;
        options.diagnostic = mboxindex::logDiagnostic;
        if (candidate) {
            options.progress = [this](const mboxindex::IndexProgress &read) { return progress(read); };
            options.progressDue = mailboxProgressDue;
        }
        const mboxindex::IndexStatus status = m_indexed
            ? m_indexed->replayInto(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, options)
            : mboxindex::appendMboxToList(m_path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, options);
        if (!candidate)
            return false;

        bool accepted = false;
        switch (status) {
        case mboxindex::IndexStatus::Indexed:
        case mboxindex::IndexStatus::Stopped:
            accepted = true;
            break;
        case mboxindex::IndexStatus::ReadFailed:
            // Filed with the messages read up to the break, and counted.
            ++m_thread.nSkippedFiles;
            accepted = m_announced || mboxdiscovery::firstLineStartsWithFrom(m_path);
            break;
        case mboxindex::IndexStatus::NotMbox:
            // A mailbox of its "From " line alone has no message to index.
            accepted = mboxdiscovery::firstLineStartsWithFrom(m_path);
            break;
        case mboxindex::IndexStatus::OpenFailed:
            ++m_thread.nSkippedFiles;
            break;
        case mboxindex::IndexStatus::NotAFile:
            break;
        }
        if (accepted)
            announce();
        return accepted;
    }

private:
    // The file is a mailbox: register it before its first progress value.
    void announce()
    {
        if (m_announced)
            return;
        m_announced = true;
        foldermodel::registerTreePath(m_path);
        emit m_thread.OnSubProgressvalue(0.0);
    }

    bool progress(const mboxindex::IndexProgress &read)
    {
        announce();
        const double percent = mboxdiscovery::progressPercent(read.bytesRead, read.linesRead, read.fileSize);
        if (m_gate.pass(percent))
            emit m_thread.OnIndivisibleProgressvalue(percent);
        return !bStopFlag;
    }

    QMessageSavingThread &m_thread;
    discovery::ProgressGate &m_gate;
    const QString m_path;
    mboxindex::IndexedFile *const m_indexed;
    bool m_announced = false;
};

// Takes a walk into the walk list; false when its root was no directory.
bool applyWalk(QMessageSavingThread &thread, const mboxdiscovery::WalkResult &walk)
{
    if (!walk.rootIsDirectory)
        return false;
    bCheckFucntion = true;
    AllFilePathInStrList.append(walk.entries);
    thread.nSkippedFiles += walk.unreadableDirectories + walk.unreadableEntries;
    return true;
}

} // namespace

void QMessageSavingThread::OnGetAllFileAndDir(const QString &path)
{
    applyWalk(*this, mboxdiscovery::walkTree(path));
}

void QMessageSavingThread::PostBoxFileSearch()
{
    nSkippedFiles = 0;
    const discovery::SkippedFilesReport report(nSkippedFiles);
    discovery::ProgressGate gate;
    auto progress = [this, &gate](double percent) {
        if (gate.pass(percent))
            emit OnIndivisibleProgressvalue(percent);
    };

    // 1. Progress dialog up
    emit OnShowProgressDlg();
    progress(0.0);

    // 2. Walk the source directory
    AllFilePathInStrList.clear();
    nextItr = 0;
    bCheckFucntion = false;
    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(m_selectedFile);
    applyWalk(*this, walk);

    // 3. The source is no directory
    if (!bCheckFucntion) {
        progress(100.0);
        emit NoDataIntoFile();
        return;
    }

    // 4. Every walked entry: index it, and file it when it is a mailbox
    ParallelIndexing parallel(walk.entries, walk.fileSizes);
    bool acceptedAny = false;
    for (;;) {
        if (bStopFlag)
            return;
        if (nextItr == AllFilePathInStrList.size())
            break;
        GetAllFilePathInStrList = AllFilePathInStrList.at(nextItr);
        const QString path = GetAllFilePathInStrList;
        if (MailboxReading(*this, gate, path, parallel.take(nextItr)).run()) {
            acceptedAny = true;
            treeCreator(mboxdiscovery::treePathFor(path, m_selectedFile), path, QString());
            appendMailItem(path, llParentIdRunning);
        }
        ++nextItr;
    }

    // 5. The end
    if (!acceptedAny) {
        emit NoDataIntoFile();
        return;
    }
    progress(100.0);
    emit OnSubProgressHide();
    emit ProgressDailogHide();
    emit FinishScaning();
}
