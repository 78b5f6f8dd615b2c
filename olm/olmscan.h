#pragma once
// The scan of an Outlook 2011 backup file: the walker's state and the sink
// that turns what the walk hands on into MailMLRC records and folders.

#include "olm/olmwalker.h"
#include "olm/opfmessage.h"

#include <QByteArray>
#include <QString>

// Walker state of the latest backup scan.
extern int fileDescriptor;  // the backup file while it is walked, else -1
extern qint64 lSize;        // size of the backup file
extern QByteArray pBuff;    // the payload being handed to InitializeMLRC
// Attachment entries noted since the last message with an attachment list.
extern opf::PendingAttachments olmPendingAttachments;
// The same lists under their long-standing names.
extern QString &tmpstrOrigPath;
extern QString &tmpdoffset_NoteText;
extern QString &tmpdsizeofattch;

namespace olm {

// The records and folders of a backup: each payload's folder is resolved,
// its messages become records; attachment entries wait for the next
// message with an attachment list.
class RecordSink : public WalkSink
{
public:
    void attachmentEntry(const QString &name, qint64 offset, qint64 size) override;
    void emptyEntry(const QString &name, qint64 offset) override;
    void payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64 endOffset) override;
    void unreadableEntry(const QString &name, bool isAttachment) override;
    // Records made so far by this sink.
    int recordCount() const { return m_records; }
    // Entries that could not be read so far.
    int unreadableCount() const { return m_unreadable; }

private:
    int m_records = 0;
    int m_unreadable = 0;
};

// The top-level folder of the messages whose payload names no folder (an
// emails element found by crawling, a message entry outside the folders).
extern const QString kUnfiledFolderName;

// Resolves a folder path ("Inbox/Projects") from the root, making the
// folders that are missing; leaves the deepest id in llParentIdRunning.
void resolveFolderPath(const QString &folderPath);

// The records of one payload found at payloadOffset, with its folder; a
// payload without a folder path goes to kUnfiledFolderName.
int recordPayload(const QString &folderPath, const QByteArray &payload, qint64 payloadOffset);

} // namespace olm

// Puts the walker state back to its program-start value.
void resetOlmGlobalsForTest();
