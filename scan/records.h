#pragma once
// Record lists built by a scan: one MailItem per registered message source
// file and one MboxMbx per indexed message.

#include <QDebug>
#include <QString>

// One message source file registered for the folder tree.
struct MailItem {
    QString pPath;            // the whole file path
    qint32 nPathBytes = 0;    // 2 x the path's length in UTF-16 units
    qint64 llFolderId = 0;    // folder the file belongs to
    MailItem *pNext = nullptr;

    MailItem() = default;
    MailItem(const MailItem &) = delete;
    MailItem &operator=(const MailItem &) = delete;
};

// One message of an mbox file, or one Opera Mail file.
struct MboxMbx {
    qint64 llLength = 0;      // byte length of the message from its "From " line
    qint64 llOffset = 0;      // byte offset of the message's "From " line
    QString szSubject;        // at most 254 UTF-16 units
    QString szFrom;           // at most 254 UTF-16 units
    QString szFilePath;       // the whole file path
    QString szLocation;       // the whole location text
    MboxMbx *pNext = nullptr;

    MboxMbx() = default;
    MboxMbx(const MboxMbx &) = delete;
    MboxMbx &operator=(const MboxMbx &) = delete;
};

QDebug operator<<(QDebug debug, const MailItem &item);
QDebug operator<<(QDebug debug, const MboxMbx &node);
