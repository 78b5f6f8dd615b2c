#pragma once
// Preview of an Outlook 2011 backup message: header lines from its record,
// and its body read from the backup file. The body is stored in the backup
// with its markup entity-escaped; restoring five entities gives the page.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct MailMLRC;

namespace olmpreview {

// The header lines of a record, in the order shown: sender (bold, no
// label), "To: ", "Cc: ", subject (no label), "Date: ", Bcc (no label),
// "Attachments: " with one name per line. Absent fields add no line.
QStringList headerLines(const MailMLRC &record);

// A stored sent time as the header box shows it ("19 Dec 2014 10:37:38 AM"),
// empty when no date form reads it.
QString normalisedDate(const QString &sentTime);

// The sender of a record's address list: "a;b;" gives "b", "a;" gives "a".
QString senderOfList(const QString &addresses);

// length bytes at offset of the file at path. The range is checked against
// the file first: a negative offset or length, or an offset at or past the
// end, gives nothing; a length past the end is cut to what the file holds.
// ok is false when nothing could be read.
QByteArray readBodyRange(const QString &path, qint64 offset, qint64 length, bool *ok = nullptr);

// The page of a stored body: "&lt;", "&amp;", "&nbsp;", "&amp;lt;" and
// "&gt;" replaced in this order, then read as UTF-8.
QString bodyPage(const QByteArray &storedBody);

} // namespace olmpreview
