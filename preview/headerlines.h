#pragma once
// The header box's lines of one previewed message, built from the unfolded
// header values: encoded words decoded (scan/encodedwords.h), the date
// normalised, the labels the box shows. Each line becomes one paragraph (a line feed inside a line
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

// The sender's line (shown bold, without label): the value decoded.
QString fromLine(const QByteArray &value);
// A recipients' line: name is "To" or "Cc"; the label stays in front.
QString recipientLine(const QString &name, const QByteArray &value);
// The subject decoded, without label.
QString subjectLine(const QByteArray &value);
// "Date: " and the normalised date; an empty text when the value is empty.
QString dateLine(const QByteArray &value, PreviewKind kind);
// "\nBcc: " and the value decoded.
QString bccLine(const QByteArray &value);
// "\nAttachments: " and the names, ", " between them in an mbox message and
// a line feed in a whole file.
QString attachmentsLine(const QStringList &names, PreviewKind kind);

// Every line the header box shows for a scanned message, in order.
QList<HeaderLine> headerLines(const RawHeader &header, PreviewKind kind);

} // namespace preview

QDebug operator<<(QDebug debug, const preview::HeaderLine &line);
