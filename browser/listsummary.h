#pragma once
// Summary lines of the message list for sources that keep one file per
// message: the sender text from the file's first "From:" line and the
// subject text from its first "Subject:" line, each with the lines folded
// onto it, encoded words decoded through scan/encodedwords.h.
//
// These are list summaries, not the preview: an encoded word counts only at
// the start of the header value or right after the blank or tab that opens
// a folded line, and the rest of the line keeps its shape (line feeds
// included), as the list has always shown it.
//
// Lines come in as bytes with "\n" line ends (a CR before the LF already
// dropped), each cut at its first zero byte.

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

namespace listsummary {

// Sender text of a From header. fromLine is the header's first line
// ("From:" in any case, with its line end), continuationLines the lines
// folded onto it. Diagnostic lines ("lines - " and a word) are appended to
// diagnostics when it is given.
QString decodeSender(const QByteArray &fromLine, const QList<QByteArray> &continuationLines,
                     QByteArray *diagnostics = nullptr);

// Subject text of a Subject header, with the same arguments.
QString decodeSubject(const QByteArray &subjectLine, const QList<QByteArray> &continuationLines,
                      QByteArray *diagnostics = nullptr);

// What the list shows of one message file.
struct MessageSummary {
    QString sender;
    QString subject;
    bool fromFound = false;
    bool subjectFound = false;

    // True when the file gets a row: it has a From or a Subject line.
    bool hasRow() const { return fromFound || subjectFound; }
    // The row text: sender, line feed, subject.
    QString displayText() const;
    bool operator==(const MessageSummary &other) const;
};

// Reads device (open for reading) to the first From and the first Subject
// header, wherever they stand, header block or body; lines that begin with
// a blank or a tab after either header are folded onto it.
MessageSummary summarizeMessage(QIODevice &device, QByteArray *diagnostics = nullptr);

// summarizeMessage of the file at path; false when the file does not open.
bool summarizeMessageFile(const QString &path, MessageSummary *summary,
                          QByteArray *diagnostics = nullptr);

// Reads the next line of device into line: its bytes with the "\n" (a CR
// before it dropped), cut at the first zero byte. False at the end of the
// device, with line empty.
bool readHeaderLine(QIODevice &device, QByteArray *line);

} // namespace listsummary

QDebug operator<<(QDebug debug, const listsummary::MessageSummary &summary);
