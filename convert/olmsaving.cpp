// The Outlook 2011 backup (.olm) to Apple Mail driver: composes every record
// of the ticked folders into the mbox file its folder path names, through
// the writers' appender, so that a record that cannot be written whole
// leaves nothing behind.

#include "convert/mailsaving.h"

#include "app/appglobals.h"
#include "convert/convertglobals.h"
#include "convert/olmcompose.h"
#include "convert/olmsaving.h"
#include "convert/outputpaths.h"
#include "olm/mailmlrc.h"
#include "platform/finderinfo.h"

#include <QHash>

namespace {

// Hands the composed bytes to the appender as the pieces of one record; the
// last piece closes the record, its final line feed written by the appender.
// One sink serves the records of a save in turn (begin() starts each), so
// the array it holds back is reused rather than allocated per record.
class AppenderSink : public olmcompose::MessageSink
{
public:
    explicit AppenderSink(MboxAppender &appender) : m_appender(appender) {}

    void begin(const outputpaths::OutputTarget &target)
    {
        m_target = target;
        m_pending.resize(0);
        m_ok = true;
    }

    bool write(const char *data, qint64 size) override
    {
        const bool ok = m_pending.isEmpty() || append(m_pending, false);
        m_pending.resize(0);
        m_pending.append(data, int(size));
        return ok;
    }

    // Keeps the given array as the held-back piece, and hands back the
    // previous one emptied.
    bool take(QByteArray &bytes) override
    {
        const bool ok = m_pending.isEmpty() || append(m_pending, false);
        m_pending.swap(bytes);
        bytes.resize(0);
        return ok;
    }

    // Ends the record; false when any piece was not written.
    bool finish()
    {
        if (m_pending.endsWith('\n'))
            m_pending.chop(1);
        const bool ok = append(m_pending, true) && m_ok;
        m_pending.resize(0);
        return ok;
    }

private:
    bool append(const QByteArray &piece, bool end)
    {
        if (!m_appender.appendPiece(m_target, platform::kFourCharMBOX, platform::kFourCharOPIM, piece, end))
            m_ok = false;
        return m_ok;
    }

    MboxAppender &m_appender;
    outputpaths::OutputTarget m_target;
    QByteArray m_pending;
    bool m_ok = true;
};

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
        ++m_outcome.unreadable;
        emit OnSubProgressHide();
        emit ProgressDailogHide();
        emit NoDataIntoFile();
        return;
    }
    reportProgress(0, qint64(total));

    // 3. The walk: every record composed into its folder's mbox file.
    const olmcompose::Sources sources = olmcompose::Sources::system();
    AppenderSink sink(m_writerOutput);
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
                m_outcome.stopped = true;
                return;
            }
            ++done;
            if (!hasTarget || record->szFolderPath != targetPath) {
                targetPath = record->szFolderPath;
                target = olmsaving::recordTarget(m_snapshot.saveDir, targetPath);
                hasTarget = true;
            }
            sink.begin(target);
            const olmcompose::ComposeResult result = olmcompose::composeMessage(*record, backup, sources, sink);
            m_outcome.unreadable += result.shortReads;
            if (sink.finish() && result.written && !target.isSkip()) {
                ++m_outcome.written;
                FileSavingIdentification = true;
            } else {
                ++m_outcome.notWritten;
            }
        }
    }

    // 4. End signals, once, after the walk.
    finishRun();
}
