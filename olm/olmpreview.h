#pragma once
// Preview of an Outlook 2011 backup message: header lines from its record,
// and its body read from the backup file. The body is stored in the backup
// with its markup entity-escaped; restoring five entities gives its text,
// shown as it is when it is an HTML document and as plain text otherwise.
// Like the other sources' preview, at most the first 4 MiB of a body are
// shown, followed by a note when there is more.

#include "preview/bodydecode.h"

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

// The most bytes of a stored body read for one preview. Restoring the
// entities only shortens the text; three stored bytes per shown byte leave
// room for bodies full of escaped markup.
constexpr qint64 kMaxStoredBodyBytes = preview::kMaxDecodedInputBytes;

// length bytes at offset of the backup file at path, at most
// kMaxStoredBodyBytes of them. The file is opened as the scan opens it (a
// regular file only, never waited on) and the range is checked against it:
// a negative offset or length, or an offset at or past the end, gives
// nothing; a length past the end is cut to what the file holds. ok is false
// when nothing could be read; cut is true when the range held more than was
// read.
QByteArray readBodyRange(const QString &path, qint64 offset, qint64 length, bool *ok = nullptr,
                         bool *cut = nullptr);

// The page of a stored body: "&lt;", "&amp;", "&nbsp;", "&amp;lt;" and
// "&gt;" replaced in this order, at most preview::kMaxShownBodyBytes of it
// (cut at a character boundary), read as UTF-8. Text that is no HTML
// document (nor, from a cut stored body, the start of one) shows as plain
// text, as olmbody::plainTextHtml writes it. A page cut here, or from a
// stored body that was cut (storedBodyCut), ends with the note the other
// sources' preview shows after a cut body.
QString bodyPage(QByteArray storedBody, bool storedBodyCut = false);

// The page for the body range of the backup file at path: read, restored
// and bounded as above. read is false when no byte could be read.
QString bodyPreviewPage(const QString &path, qint64 offset, qint64 length, bool *read);

} // namespace olmpreview
