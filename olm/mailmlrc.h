#pragma once
// Message records of an Outlook 2011 backup: one MailMLRC per message, in
// one process-wide list in the order the backup holds the messages.
//
// Text fields hold the UTF-8 bytes of their values. Each has a byte limit;
// a value is stored whole or not at all (see storeText), so a reader never
// sees a cut value. An empty field means absent. The six attachment lists
// are empty when the message has no accepted attachments.

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <QtGlobal>

// One message of an Outlook 2011 backup.
struct MailMLRC {
    QByteArray szFromName;          // From display names, each followed by ";" (at most 99 bytes)
    QByteArray szFromAddress;       // From addresses, each followed by ";" (99)
    QByteArray szToAddress;         // To addresses, each followed by ";" (2999)
    QByteArray szCcAddress;         // Cc addresses, each followed by ";" (3000)
    QByteArray szCcName;            // Cc display names, each followed by ";" (3000)
    QByteArray szBccAddress;        // Bcc addresses, each followed by ";" (2049)
    QByteArray szReceivedTime;      // received time as mail date text (31)
    QByteArray szInReplyTo;         // In-Reply-To text (99)
    QByteArray szReferences;        // References text (99)
    QByteArray szMessageID;         // Message-ID text, or a generated id (254)
    QByteArray szToName;            // To display names, each followed by ";" (2999)
    QByteArray szThreadTopic;       // Thread-Topic text (99)
    QByteArray szSubject;           // Subject text (1023)
    QByteArray szSentTime;          // sent time as mail date text (31)
    QByteArray pAttachContentIDs;   // attachment content ids, each followed by ";" ("no" for none)
    QByteArray pAttachContentTypes; // attachment content types, each followed by ";"
    QByteArray pAttachNames;        // attachment names, each followed by ";"
    QByteArray pAttachURLs;         // attachment entry names in the archive, each followed by ";"
    QByteArray pAttachOffsets;      // decimal archive offsets of the attachment data, each followed by ";"
    QByteArray pAttachSizes;        // decimal attachment sizes in bytes, each followed by ";"
    qint64 llBodyLength = 0;        // length of the body text in the archive; 0 without a body
    qint64 llBodyOffset = 0;        // archive offset of the body text; 0 without a body
    QByteArray szFolderPath;        // folder path of the payload the message came from (1023)
    quint64 llFolderId = 0;         // folder of the message; kNoFolderId without a folder path
    qint32 nIsOutgoing = 0;         // the message's outgoing flag, 0 when absent
    QByteArray szPriority;          // priority text (3)
    MailMLRC *pNext = nullptr;      // next record; null at the tail

    MailMLRC() = default;
    MailMLRC(const MailMLRC &) = delete;
    MailMLRC &operator=(const MailMLRC &) = delete;

    // Whether the six attachment lists are set (they are set all or none).
    bool hasAttachments() const { return !pAttachContentIDs.isEmpty(); }

    bool operator==(const MailMLRC &other) const;
};

// Byte limits of the text fields (the value's UTF-8 length).
namespace mlrclimits {
constexpr int kFromName = 99;
constexpr int kFromAddress = 99;
constexpr int kToAddress = 2999;
constexpr int kCcAddress = 3000;
constexpr int kCcName = 3000;
constexpr int kBccAddress = 2049;
constexpr int kTimeText = 31;
constexpr int kInReplyTo = 99;
constexpr int kReferences = 99;
constexpr int kMessageID = 254;
constexpr int kToName = 2999;
constexpr int kThreadTopic = 99;
constexpr int kSubject = 1023;
constexpr int kFolderPath = 1023;
constexpr int kPriority = 3;
} // namespace mlrclimits

// Folder id of a message whose payload has no folder path; no folder item carries it.
constexpr quint64 kNoFolderId = 4294967294ULL;

extern MailMLRC *TmpMlrcPtrStart;
extern MailMLRC *TmpMlrcPtrEnd;

// A number that changes whenever a record is appended or the list released,
// so an index built over the list can tell that it is stale.
quint64 mailMLRCListGeneration();

// Appends one empty record at the tail of the list and returns it.
MailMLRC *appendMailMLRC();
// Releases every record; head and tail end null.
void releaseMailMLRCs();

// Stores value into field when it is not empty and has at most limit bytes;
// otherwise leaves the field untouched. Returns whether the value was stored.
bool storeText(QByteArray &field, int limit, const QByteArray &value);
// Stores a converted time text, cut to its first 31 bytes.
bool storeTimeText(QByteArray &field, const QByteArray &converted);

// The text of a field: its bytes up to the first zero byte, read as UTF-8.
QString fieldText(const QByteArray &field);

// Fills szFolderPath and llFolderId of record from the payload's folder path
// and the folder id resolved for it.
void stampFolder(MailMLRC *record, const QString &folderPath, quint64 folderId);
// The same with the folder path as UTF-8 bytes, which the record shares.
void stampFolder(MailMLRC *record, const QByteArray &folderPath, quint64 folderId);

QDebug operator<<(QDebug debug, const MailMLRC &record);
