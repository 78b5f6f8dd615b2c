#pragma once
// What the preview needs of a message's raw bytes: the header fields the
// header box shows, the attachment names, and the text part whose body the
// web view shows, with that part's own transfer encoding and charset.
//
// Header fields come from the message's header block only (see
// scan/headerfields.h); the parts from the MIME structure: a message
// without Content-Type is text/plain (RFC 2045), and so is a part without
// one inside a multipart (RFC 2046). Names, media types and parameters are
// matched in any letter case; CR LF and LF line ends read alike. Every step
// is linear in the size of the message (nesting is bounded).

#include "preview/previewkind.h"

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <QStringList>

#include <optional>

namespace preview {

// Deepest nesting of multiparts that is looked into.
constexpr int kMaxPartDepth = 16;

// What the scan found. A header value is unfolded and trimmed; it is absent
// when the header block has no such field.
struct RawHeader {
    std::optional<QByteArray> from;
    std::optional<QByteArray> to;
    std::optional<QByteArray> subject;
    std::optional<QByteArray> cc;
    std::optional<QByteArray> bcc;
    std::optional<QByteArray> date;

    // Names of the attached files, in message order.
    QStringList attachmentNames;

    // The shown part's Content-Transfer-Encoding value.
    QString transferEncoding;
    // The shown part's charset parameter.
    QString charset;
    // The shown part is text/html (else text/plain).
    bool partIsHtml = false;
    // The shown part's body: from after the empty line that ends its header
    // to the line end before its closing delimiter line (or the end of the
    // message), no more of it than its decoding takes and one byte (see
    // bodydecode.h); absent when the message has no text part to show.
    std::optional<QByteArray> partText;

    bool operator==(const RawHeader &other) const;
};

// Scans message (the bytes of one message, zero bytes included).
RawHeader scanRawHeader(const QByteArray &message, PreviewKind kind);

// The value of parameter name (any case) of a header value such as
// "text/plain; charset=\"utf-8\"": unquoted; an RFC 2231 "name*=" value
// percent-decoded and read in its charset; an encoded word decoded; empty
// when the parameter is absent.
QString parameterValue(const QByteArray &fieldValue, const QByteArray &name);

// The media type of a Content-Type value, lower case ("text/plain"); empty
// when there is none.
QByteArray mediaTypeOf(const QByteArray &fieldValue);

} // namespace preview

QDebug operator<<(QDebug debug, const preview::RawHeader &header);
