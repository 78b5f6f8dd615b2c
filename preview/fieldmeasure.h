#pragma once
// Header-field measurement over the bytes of one message.
//
// The counts are those a copy of the message in a scratch file, read back
// in text mode, would give: positions count raw bytes (a CR LF counts two),
// a line read back has only its final CR LF turned into LF, and the text
// ends at the message's first zero byte. No result ever makes a position
// plus the count run past the message.
//
// Cursor functions take (const QByteArray &data, int &pos) and move pos
// forward past what they read.

#include <QByteArray>
#include <QList>

namespace preview {

// Number of bytes before the first zero byte (the whole size without one).
int textLength(const QByteArray &message);

// Reads the line at pos, up to and including its line feed or up to end,
// and moves pos behind it; a final CR LF comes back as LF. Empty at end.
QByteArray readTextLine(const QByteArray &data, int end, int &pos);

// Every line of text as the text-mode reader gives them.
QList<QByteArray> textLines(const QByteArray &text);

// Bytes from fieldStart (the first letter of a header name or parameter
// key) through the line end of the field's last continuation line; 0 when
// fieldStart lies at or behind the end of the text.
quint64 measureFoldedField(const QByteArray &message, quint64 fieldStart);
// The same with the text's length (textLength of message) already known.
quint64 measureFoldedField(const QByteArray &message, int textEnd, quint64 fieldStart);

// Bytes from start up to, not including, the next line feed, looking only
// at indices below bufferLength - 1; 0 when nothing can be looked at.
quint64 measureToLineEnd(const QByteArray &message, quint64 start, quint64 bufferLength);

// Offset from start of the second pair of a quotation mark and a line feed,
// less one; searches stop before bufferLength - 2, and a search that runs
// out gives the offset it stopped at less two, never below 0.
quint64 measureQuotedName(const QByteArray &message, quint64 start, quint64 bufferLength);

} // namespace preview
