#pragma once
// The header box's lines of one previewed message, built from the raw
// header values: encoded words decoded, the date normalised, the labels the
// box shows. Each line becomes one paragraph (a line feed inside a line
// starts a further one); the sender's line is bold.

#include "preview/headerscan.h"
#include "preview/previewkind.h"

#include <QByteArray>
#include <QDebug>
#include <QList>
#include <QString>
#include <QStringList>

namespace preview {

struct HeaderLine {
    QString text;
    bool bold = false;

    bool operator==(const HeaderLine &other) const;
};

// Text of one encoded word's encoded text: letter "Q" or "B" exactly
// (through the program's encoded-word helper, with the word's charset);
// any other letter leaves the text as it is.
QString decodeEncodedText(const QString &charset, const QString &letter, const QString &text);

// The sender's line (shown bold, without label).
QString fromLine(const QByteArray &value, PreviewKind kind);
// A recipients' line: name is "To", "Cc" or "CC"; the label stays in front.
QString recipientLine(const QString &name, const QByteArray &value);
// The subject with its folded lines joined, without label.
QString subjectLine(const QByteArray &value, PreviewKind kind);
// "Date: " and the normalised date; an empty text when the value holds
// nothing after its first character.
QString dateLine(const QByteArray &value, PreviewKind kind);
// "\nBcc: " and the value as stored.
QString bccLine(const QByteArray &value);
// "\nAttachments: " and the names, ", " between them in an mbox message and
// a line feed in a whole file.
QString attachmentsLine(const QStringList &names, PreviewKind kind);

// Every line the header box shows for a scanned message, in order.
QList<HeaderLine> headerLines(const RawHeader &header, PreviewKind kind);

} // namespace preview

QDebug operator<<(QDebug debug, const preview::HeaderLine &line);
