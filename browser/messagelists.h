#pragma once
// Rows of the message list: which messages a clicked folder lists for every
// source kind, what their rows show and carry, and the indexes that find a
// folder's messages without walking every message of the scan.

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class QTreeWidgetItem;
struct MailMLRC;
struct MboxMbx;

namespace messagelists {

// Columns of a message row; only the display column is shown.
constexpr int kDisplayColumn = 1;
constexpr int kPathColumn = 2;
constexpr int kOffsetColumn = 3;
constexpr int kLengthColumn = 4;

// Look of a row's display column.
extern const QString kMailIcon;
constexpr int kRowSize = 32; // width of a row's size hint, and its least height
constexpr int kRowFontPoints = 11;

// Second line of a backup row whose subject is empty.
extern const QString kNoSubject;

// The column texts of one row; an empty text leaves its column unset.
struct MessageRow {
    QString display; // sender, line feed, subject
    QString path;    // the file that holds the message
    QString offset;  // byte offset, decimal
    QString length;  // byte length, decimal
    int record = -1; // number of the backup record in its list, -1 for other rows

    bool operator==(const MessageRow &other) const;
};

// A parentless message-list item showing row.
QTreeWidgetItem *makeMessageItem(const MessageRow &row);

// Row of an mbox message: sender and subject as indexed, the mbox file, the
// offset of the message's "From " line and its length.
MessageRow mboxRow(const MboxMbx &node);
// Row of an Opera Mail file: its sender (see operaSender) and subject, the
// .mbs file; no offset and length, so the whole file is previewed.
MessageRow operaRow(const MboxMbx &node);
// Row of a backup message: the last sender name, the subject or "No
// Subject", no path, the body's offset and length in the backup file, and
// the record's number in its list (body-less records all share 0 and 0).
MessageRow olmRow(const MailMLRC &record, int number = -1);

// Item data role of a row's record number.
constexpr int kRecordRole = 0x0100 + 7;

// The sender name of a backup record's name list ("A;B;" gives "B", "A;"
// gives "A"): with two or more ";" the text after the last ";" once the
// final character is gone, otherwise the text without its ";".
QString olmSenderName(const QString &fromNames);
// An Opera Mail sender: without any line feed when it ends with one,
// otherwise unchanged.
QString operaSender(const QString &from);
// The Opera Mail account directory of a path: the first component after the
// last "/store" (the first component when there is none), trimmed.
QString accountDirectory(const QString &path);

// The path up to its last "/".
QString parentDirectory(const QString &path);
// The mailbox directory a message file lies in: the path up to the last
// occurrence of the first of ".imapmbox/", ".mailbox/" and ".mbox/" found
// in it, with the suffix less its "/"; empty when none occurs.
QString mailboxDirectory(const QString &path);
// True when a message file belongs to the folder whose directory is
// folderPath: its mailbox directory or its parent directory is that path.
bool belongsToFolder(const QString &path, const QString &folderPath);
// True for paths the list never shows (partial message parts, Finder and
// property-list files, data files, application bundles).
bool isSkippedPath(const QString &path);

// Every regular file below directory, depth first, each directory's entries
// in name order regardless of letter case; symbolic links below directory
// are not followed (as the conversion's file lister does not follow them),
// a directory reached a second time is passed over. Paths are kept exactly
// (a name may begin or end with a blank).
QStringList listFilesBelow(const QString &directory);

// Indexes of the scan's lists, built on first use after a scan and rebuilt
// whenever the list they index is no longer the one they were built from.
// The nodes of the mbox file at path, in list order.
QVector<const MboxMbx *> mboxNodesOfFile(const QString &path);
// The Opera Mail nodes under an account directory with a location, in list order.
QVector<const MboxMbx *> operaNodesOf(const QString &accountDir, const QString &location);
// The backup records of a folder, in list order.
QVector<const MailMLRC *> olmRecordsOfFolder(quint64 folderId);
// The numbers of the backup records of a folder, in list order.
QVector<int> olmRecordNumbersOfFolder(quint64 folderId);
// The backup record with that number, or null.
const MailMLRC *olmRecordNumbered(int number);
// The first backup record with that body offset and length, or null.
const MailMLRC *olmRecordAt(qint64 bodyOffset, quint64 bodyLength);
// Drops every index; call before the lists they index are released or rebuilt.
void forgetListIndexes();

} // namespace messagelists

QDebug operator<<(QDebug debug, const messagelists::MessageRow &row);
