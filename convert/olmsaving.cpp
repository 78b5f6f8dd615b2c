// The Outlook 2011 backup (.olm) to Apple Mail driver: composes every record
// of the ticked folders into the mbox file its folder path names, through
// the writers' appender, so that a record that cannot be written whole
// leaves nothing behind.

#include "convert/mailsaving.h"

#include "app/appglobals.h"
#include "convert/convertglobals.h"
#include "convert/olmcompose.h"
#include "convert/olmpipeline.h"
#include "convert/olmsaving.h"
#include "convert/outputpaths.h"
#include "olm/mailmlrc.h"
#include "platform/finderinfo.h"

#include <QHash>
#include <QThread>

namespace {

// Threads that compose messages ahead of the one that appends them.
constexpr int kMaxComposeWorkers = 5;

} // namespace

namespace olmsaving {

QStringList folderComponents(const QByteArray &folderPath)
{
    QStringList components;
    for (const QString &piece : QString::fromUtf8(folderPath).split(QLatin1Char('/'))) {
        if (!piece.isEmpty() && piece != QLatin1String(".") && piece != QLatin1String(".."))
            components.append(piece);
    }
    if (components.isEmpty())
        components.append(QStringLiteral("Folder1"));
    return components;
}

outputpaths::OutputTarget recordTarget(const QString &saveDirectory, const QByteArray &folderPath)
{
    const QStringList components = folderComponents(folderPath);
    return outputpaths::placeInMailTree(saveDirectory + QLatin1String("/Main Identity.mbox"),
                                        components.join(QLatin1Char('/')), components.last());
}

QVector<QVector<const MailMLRC *>> recordsOfFolders(const QVector<qint64> &folderIds, const MailMLRC *records)
{
    QHash<quint64, int> slotById;
    for (int i = 0; i < folderIds.size(); ++i)
        slotById.insert(quint64(folderIds[i]), i);
    QVector<QVector<const MailMLRC *>> result(folderIds.size());
    for (const MailMLRC *record = records; record; record = record->pNext) {
        const auto slot = slotById.constFind(record->llFolderId);
        if (slot != slotById.constEnd())
            result[*slot].append(record);
    }
    return result;
}

} // namespace olmsaving

void QMailSaving::OnMailSaving()
{
    // 1. Start: the ticked folders of the snapshot and their records.
    emit OnShowProgressDlg();
    m_lastPercent = -1;
    QVector<qint64> folderIds;
    for (const SaveSnapshot::Folder &folder : qAsConst(m_snapshot.folders))
        folderIds.append(folder.id);
    const QVector<QVector<const MailMLRC *>> folders = olmsaving::recordsOfFolders(folderIds, TmpMlrcPtrStart);
    quint64 total = 0;
    for (const auto &records : folders)
        total += quint64(records.size());
    ulCount = total;
    emit ShowProgressLabel();

    // 2. The backup file; without it nothing can be written.
    olmcompose::FileBackupReader backup(m_snapshot.selectedRoot);
    if (!backup.isOpen()) {
        m_outcome.unreadable += qint64(total);
        emit OnSubProgressHide();
        emit ProgressDailogHide();
        emit NoDataIntoFile();
        return;
    }
    reportProgress(0, qint64(total));

    // 3. The walk: every record composed into its folder's mbox file, on
    // worker threads, appended in walk order. The pipeline's threads end
    // with this block, before the appender's file is closed on this thread.
    {
        const int workers = qBound(0, QThread::idealThreadCount() - 2, kMaxComposeWorkers);
        olmsaving::ComposePipeline pipeline(m_writerOutput, backup, olmcompose::Sources::system(), workers);
        auto collect = [this, &pipeline] {
            const olmsaving::PipelineCounts counts = pipeline.finish();
            // A short read leaves the message written with what the backup held.
            m_outcome.incomplete += counts.incomplete;
            m_outcome.written += counts.written;
            m_outcome.notWritten += counts.notWritten;
            if (counts.written > 0)
                FileSavingIdentification = true;
        };
        // Records of one folder mostly follow each other: the target of the
        // previous record's folder path serves again.
        QByteArray targetPath;
        outputpaths::OutputTarget target;
        bool hasTarget = false;
        qint64 done = 0;
        for (const auto &records : folders) {
            for (const MailMLRC *record : records) {
                reportProgress(done, qint64(total));
                if (bStopFlag) {
                    // What was queued before the stop is still written whole.
                    collect();
                    m_outcome.stopped = true;
                    return;
                }
                ++done;
                if (!hasTarget || record->szFolderPath != targetPath) {
                    targetPath = record->szFolderPath;
                    target = olmsaving::recordTarget(m_snapshot.saveDir, targetPath);
                    hasTarget = true;
                }
                pipeline.add(*record, target);
            }
        }
        collect();
    }

    // 4. End signals, once, after the walk.
    finishRun();
}
