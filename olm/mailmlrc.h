#pragma once
// Message records of an Outlook 2011 backup: one MailMLRC per message, in
// one process-wide list in the order the backup holds the messages.
//
// Text fields are fixed-width byte arrays holding zero-terminated UTF-8;
// each has a byte limit at least one below its width. A value is stored
// whole or not at all (see storeText), so a reader never sees a cut value.

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// One message of an Outlook 2011 backup.
struct MailMLRC {
    char szFromName[355];        // From display names, each followed by ";"
    char szFromAddress[100];     // From addresses, each followed by ";"
    char szToAddress[3001];      // To addresses, each followed by ";"
    char szCcAddress[3001];      // Cc addresses, each followed by ";"
    char szCcName[3001];         // Cc display names, each followed by ";"
    char szBccAddress[2050];     // Bcc addresses, each followed by ";"
    char szReceivedTime[132];    // received time, at most 31 bytes used
    char szInReplyTo[100];       // In-Reply-To text
    char szReferences[100];      // References text
    char szMessageID[255];       // Message-ID text, or a generated id
    char szToName[3001];         // To display names, each followed by ";"
    char szThreadTopic[100];     // Thread-Topic text
    char szSubject[1024];        // Subject text
    char szSentTime[32];         // sent time, at most 31 bytes used
    char *pAttachContentIDs;     // attachment content ids, each followed by ";"
    char *pAttachContentTypes;   // attachment content types, each followed by ";"
    char *pAttachNames;          // attachment names, each followed by ";"
    char *pAttachURLs;           // attachment entry names in the archive, each followed by ";"
    char *pAttachOffsets;        // decimal archive offsets of the attachment data
    char *pAttachSizes;          // decimal attachment sizes in bytes
    qint64 llBodyLength;         // length of the body text in the archive; 0 without a body
    qint64 llBodyOffset;         // archive offset of the body text; 0 without a body
    char szFolderPath[1024];     // folder path of the payload the message came from
    quint64 llFolderId;          // folder of the message; kNoFolderId without a folder path
    qint32 nIsOutgoing;          // the message's outgoing flag, 0 when absent
    char szPriority[4];          // priority text
    MailMLRC *pNext;             // next record; null at the tail

    // Value-initialising (MailMLRC()) gives an all-zero record.
    MailMLRC() = default;
    MailMLRC(const MailMLRC &) = delete;
    MailMLRC &operator=(const MailMLRC &) = delete;

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

// Appends one all-zero record at the tail of the list and returns it.
MailMLRC *appendMailMLRC();
// Releases every record with its six attachment strings; head and tail end null.
void releaseMailMLRCs();

// Copies value and a zero byte into field when value is not empty and has at
// most limit bytes (limit < width); otherwise leaves the field untouched.
// Returns whether the value was stored.
bool storeText(char *field, std::size_t width, int limit, const QByteArray &value);
template <std::size_t N>
bool storeText(char (&field)[N], int limit, const QByteArray &value)
{
    return storeText(field, N, limit, value);
}

// The text of a field: its bytes up to the first zero byte (never past the
// field's width), read as UTF-8.
QString fieldText(const char *field, std::size_t width);
template <std::size_t N>
QString fieldText(const char (&field)[N])
{
    return fieldText(field, N);
}

// A zero-terminated heap copy of text for an attachment list, or null for an
// empty text. Released with free().
char *makeAttachmentString(const QByteArray &text);

// Fills szFolderPath and llFolderId of record from the payload's folder path
// and the folder id resolved for it.
void stampFolder(MailMLRC *record, const QString &folderPath, quint64 folderId);

QDebug operator<<(QDebug debug, const MailMLRC &record);
