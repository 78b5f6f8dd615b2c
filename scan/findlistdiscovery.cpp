#include "scan/findlistdiscovery.h"

#include "app/appglobals.h"
#include "scan/discoverycommon.h"
#include "scan/filelister.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

namespace findlist {

namespace {

const QLatin1String kMailboxSuffix(".mailbox");

// Sends the progress values of one routine through the gate, and reports
// the skipped files however the routine ends.
class FrameRun
{
public:
    explicit FrameRun(QMessageSavingThread &thread) : m_thread(thread), m_report(thread.nSkippedFiles) {}

    void progress(double value)
    {
        if (m_gate.pass(value))
            emit m_thread.OnIndivisibleProgressvalue(value);
    }

    // The source gave nothing to file.
    void noData()
    {
        emit m_thread.NoDataIntoFile();
        progress(100.0);
        bStopFlag = true;
    }

    void finished()
    {
        emit m_thread.OnSubProgressHide();
        emit m_thread.ProgressDailogHide();
        emit m_thread.FinishScaning();
    }

private:
    QMessageSavingThread &m_thread;
    discovery::SkippedFilesReport m_report;
    discovery::ProgressGate m_gate;
};

} // namespace

QStringList listByName(const QString &root, const QString &pattern, int &skipped)
{
    filelister::ListOptions options;
    options.stopFlag = &bStopFlag;
    filelister::ListResult found = filelister::findByName(root, pattern, options);
    skipped += found.unreadableDirectories;
    return std::move(found.paths);
}

void runFindList(QMessageSavingThread &thread, const Routine &routine)
{
    // 1. A stop requested before the start: nothing at all
    if (bStopFlag)
        return;
    thread.nSkippedFiles = 0;
    FrameRun run(thread);

    // 2. Progress dialog up
    emit thread.OnShowProgressDlg();
    run.progress(0.0);

    // 3. The message files below the source
    int skipped = 0;
    *routine.pathList = listByName(m_selectedFile, routine.pattern, skipped);
    thread.nSkippedFiles += skipped;
    if (bStopFlag)
        return;
    if (routine.afterListing && !routine.afterListing())
        return;

    // 4. Nothing found
    const int count = routine.pathList->size();
    if (count == 0) {
        run.noData();
        return;
    }

    // 5. Each file in list order
    int filed = 0;
    for (int i = 0; i < count; ++i) {
        run.progress(double(i) * 100.0 / double(count));
        if (bStopFlag)
            return;
        const QString path = routine.pathList->at(i);
        if (routine.pathStep && routine.pathStep(path) == PathStep::Refuse) {
            run.noData();
            return;
        }
        if (path.contains(discovery::kNewsFeedMarker))
            continue;
        if (routine.handOver(path) == Outcome::Filed)
            ++filed;
    }

    // 6. The end: a scan in which no file reached a builder found nothing
    if (filed == 0)
        run.noData();
    else
        run.finished();
}

PathStep mailMatePathStep(const QString &path)
{
    return path.contains(kMailboxSuffix) ? PathStep::Take : PathStep::Refuse;
}

PathStep outspringPathStep(const QString &path)
{
    return path.contains(kMailboxSuffix) ? PathStep::Refuse : PathStep::Take;
}

} // namespace findlist

// ---- The routines on the scanning thread ----

namespace {

// The open test of a listed message file, then its tree builder.
findlist::Outcome openAndFile(QMessageSavingThread &thread, const QString &path,
                              void (QMessageSavingThread::*builder)(QString, QString, QString))
{
    if (!discovery::opensForReading(path)) {
        ++thread.nSkippedFiles;
        return findlist::Outcome::Skipped;
    }
    (thread.*builder)(QString(), QString(), path);
    return findlist::Outcome::Filed;
}

} // namespace

void QMessageSavingThread::FileSearchForEml()
{
    findlist::Routine routine;
    routine.pathList = &listOfPathOfOnlyEml;
    routine.pattern = QStringLiteral("*.eml");
    routine.pathStep = findlist::mailMatePathStep;
    routine.handOver = [this](const QString &path) {
        return openAndFile(*this, path, &QMessageSavingThread::TreeCreatorForMailMate);
    };
    findlist::runFindList(*this, routine);
}

void QMessageSavingThread::FileSearchForEmlandfEml()
{
    findlist::Routine routine;
    routine.pathList = &listOfPathOfOnlyEml;
    routine.pattern = QStringLiteral("*.eml");
    routine.pathStep = findlist::outspringPathStep;
    routine.handOver = [this](const QString &path) {
        return openAndFile(*this, path, &QMessageSavingThread::TreeCreatorForOutSpring);
    };
    findlist::runFindList(*this, routine);
}
