#include "convert/savesnapshot.h"

#include "app/appglobals.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "browser/messagelists.h"
#include "scan/scanglobals.h"

#include <QHash>

qint64 SaveSnapshot::fileCount() const
{
    qint64 n = 0;
    for (const Folder &folder : folders)
        n += folder.files.size();
    return n;
}

SaveSource sourceFromFlags(bool outspring, bool mailMate, bool emlx, bool mbox, bool opera, bool olm)
{
    if (outspring)
        return SaveSource::Outspring;
    if (mailMate)
        return SaveSource::MailMate;
    if (emlx)
        return SaveSource::Emlx;
    if (mbox)
        return SaveSource::Mbox;
    if (opera)
        return SaveSource::Opera;
    if (olm)
        return SaveSource::Olm;
    return SaveSource::None;
}

SaveSource currentSaveSource()
{
    return sourceFromFlags(bemlandfemlfileFound, bEmlFileFound, bEmlxFileFound, bMboxFileFound,
                           bMbsFileFound, bOlmFileFound);
}

QVector<SaveSnapshot::Folder> tickedFolders(const FldrAtrib *records, const MailItem *items)
{
    QHash<qint64, int> slotById;
    QVector<SaveSnapshot::Folder> folders;
    for (const FldrAtrib *record = records; record; record = record->pNext) {
        // A folder id that comes twice keeps its first record's place.
        if (record->chState.load() != FolderChecked || slotById.contains(record->llFolderId))
            continue;
        slotById.insert(record->llFolderId, folders.size());
        folders.append(SaveSnapshot::Folder{record->llFolderId, {}});
    }
    for (const MailItem *item = items; item; item = item->pNext) {
        const auto slot = slotById.constFind(item->llFolderId);
        if (slot != slotById.constEnd())
            folders[*slot].files.append(item->pPath);
    }
    return folders;
}

SaveSnapshot takeSaveSnapshot(SaveTarget target)
{
    SaveSnapshot snapshot;
    snapshot.source = currentSaveSource();
    snapshot.target = target;
    snapshot.selectedRoot = m_selectedFile;
    snapshot.saveDir = saveDir;
    snapshot.folders = tickedFolders(StartFldrAtrib, StartMailItem);
    snapshot.registered = QSet<QString>(listOfPathOfOnlyForTree.begin(), listOfPathOfOnlyForTree.end());
    if (snapshot.source == SaveSource::Mbox) {
        for (const SaveSnapshot::Folder &folder : qAsConst(snapshot.folders)) {
            for (const QString &file : folder.files)
                snapshot.indexedMessages.insert(file, messagelists::mboxNodesOfFile(file).size());
        }
    }
    return snapshot;
}

bool hasDriver(SaveSource source, SaveTarget target)
{
    switch (source) {
    case SaveSource::Mbox:
    case SaveSource::MailMate:
    case SaveSource::Outspring:
    case SaveSource::Opera:
        return target != SaveTarget::None;
    case SaveSource::Emlx:
        return target == SaveTarget::Outlook;
    case SaveSource::Olm:
        return target == SaveTarget::AppleMail;
    case SaveSource::None:
        break;
    }
    return false;
}

bool SaveOutcome::isCompleteSuccess() const
{
    return written > 0 && incomplete == 0 && unreadable == 0 && notWritten == 0 && unreadableFiles == 0;
}

bool SaveOutcome::operator==(const SaveOutcome &other) const
{
    return written == other.written && incomplete == other.incomplete && unreadable == other.unreadable
        && notWritten == other.notWritten && unreadableFiles == other.unreadableFiles && stopped == other.stopped;
}

QString saveOutcomeText(const QString &fileSavingPath, const SaveOutcome &outcome)
{
    if (outcome.isCompleteSuccess()) {
        return windowrules::saveCompletedText(fileSavingPath)
            + QStringLiteral("\n%1 message(s) were saved.").arg(outcome.written);
    }
    QString text = outcome.written > 0
        ? QStringLiteral("\nFile saved at location %1, with problems.").arg(fileSavingPath)
        : QStringLiteral("\nNothing was saved at location %1.").arg(fileSavingPath);
    if (outcome.total() > 0)
        text += QStringLiteral("\n%1 of %2 message(s) were saved.").arg(outcome.written).arg(outcome.total());
    if (outcome.incomplete > 0)
        text += QStringLiteral("\n%1 message(s) could not be read whole and were saved incompletely.")
                    .arg(outcome.incomplete);
    if (outcome.unreadable > 0)
        text += QStringLiteral("\n%1 message(s) could not be read and were skipped.").arg(outcome.unreadable);
    if (outcome.notWritten > 0)
        text += QStringLiteral("\n%1 message(s) could not be written.").arg(outcome.notWritten);
    if (outcome.unreadableFiles > 0)
        text += QStringLiteral("\n%1 file(s) could not be read.").arg(outcome.unreadableFiles);
    return text;
}
