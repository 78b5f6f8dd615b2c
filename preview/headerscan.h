#pragma once
// The one pass over a message's raw bytes that finds the header fields the
// preview shows, the attachment names, and the text part whose body the web
// view shows with its transfer encoding and charset.
//
// Keywords are compared as bytes, by length and with their exact letter
// case; a header name counts only at the start of a line (the message's
// first line included).

#include "preview/previewkind.h"

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <QStringList>

#include <optional>

namespace preview {

// What the scan found. A header value is the raw bytes after its colon
// through the line end of its last continuation line; it is absent when the
// message has no such header and empty when it cannot be measured (a zero
// byte stands before it).
struct RawHeader {
    std::optional<QByteArray> from;
    std::optional<QByteArray> to;
    std::optional<QByteArray> subject;
    std::optional<QByteArray> cc;
    // A header spelled "CC:" (whole-file messages only).
    std::optional<QByteArray> ccCapitals;
    std::optional<QByteArray> bcc;
    std::optional<QByteArray> date;

    // Attachment names in the order found.
    QStringList attachmentNames;
    // A file-name parameter was met: quoted (in a whole file: any form)...
    bool quotedNameSeen = false;
    // ...and, in an mbox message, unquoted.
    bool unquotedNameSeen = false;

    // Text after the colon of the transfer-encoding line taken, line end included.
    QString transferEncoding;
    // The charset parameter as written, possibly with its line end.
    QString charset;
    // The body goes the html way: an html part was chosen, or a whole file
    // met an application part or a second plain part.
    bool htmlFound = false;
    // The chosen part was declared as html (not plain text).
    bool partIsHtml = false;
    // The chosen part from the blank line that ends its header to the end
    // of the message; absent when no part was chosen or its header never ended.
    std::optional<QByteArray> partText;

    bool operator==(const RawHeader &other) const;
};

// Scans message (the bytes of one message, zero bytes included).
RawHeader scanRawHeader(const QByteArray &message, PreviewKind kind);

} // namespace preview

QDebug operator<<(QDebug debug, const preview::RawHeader &header);
