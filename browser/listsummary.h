#pragma once
// Summary lines of the message list for sources that keep one file per
// message: the sender text from the file's From header and the subject text
// from its Subject header, both read from the header block only (see
// scan/headerfields.h), unfolded and with encoded words decoded (see
// scan/encodedwords.h).

#include <QByteArray>
#include <QDebug>
#include <QString>

class QIODevice;

namespace listsummary {

// Bytes kept of one line; the rest of a longer line is read past.
constexpr int kLineByteLimit = 64 * 1024;

// What the list shows of one message file.
struct MessageSummary {
    QString sender;
    QString subject;
    bool fromFound = false;
    bool subjectFound = false;

    // True when the file gets a row: it has a From or a Subject header.
    bool hasRow() const { return fromFound || subjectFound; }
    // The row text: sender, line feed, subject.
    QString displayText() const;
    bool operator==(const MessageSummary &other) const;
};

// Reads the header block of the message in device (open for reading) and
// summarises its From and Subject headers. A missing header gives an empty
// text, never a line of the body.
MessageSummary summarizeMessage(QIODevice &device);

// summarizeMessage of the file at path; false when the file does not open.
bool summarizeMessageFile(const QString &path, MessageSummary *summary);

// Reads the next line of device into line: at most kLineByteLimit bytes of
// it, then its "\n" when it had one (the rest of a longer line is read
// past), all of it cut at its first zero byte. False at the end of the
// device, with line empty.
bool readHeaderLine(QIODevice &device, QByteArray *line);

} // namespace listsummary

QDebug operator<<(QDebug debug, const listsummary::MessageSummary &summary);
