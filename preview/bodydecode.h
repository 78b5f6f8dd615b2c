#pragma once
// The body of a previewed message: the chosen part cut before its first
// attachment-like part, its transfer encoding and charset undone, and the
// page the web view shows (html as html, plain text escaped in a block that
// keeps its line breaks).

#include "preview/headerscan.h"
#include "preview/previewkind.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QTextCodec;

namespace preview {

// How much of the part text goes on to the decoding.
struct BodyExtent {
    // Leading bytes of the part text before the first stop line.
    qint64 keptLength = 0;
    // For the html way: bytes up to the last end sequence of the kept part.
    qint64 htmlLength = 0;

    bool operator==(const BodyExtent &other) const;
};

// True for a line (as read back in text mode) that opens an attachment-like
// part, so the body ends before it.
bool isStopLine(const QString &line, PreviewKind kind);

// Position of the last html end sequence in kept at or after position 1
// (the sequences differ by kind); kept's size when there is none.
qint64 htmlEndOf(const QByteArray &kept, PreviewKind kind);

// Kept length (and html length) of a part text: up to the first stop line
// or, in a whole file, the line that opens an .emlx property-list trailer.
BodyExtent measureBody(const QByteArray &partText, bool htmlWay, PreviewKind kind);

enum class TransferEncoding { None, Base64, QuotedPrintable };

// The transfer encoding a Content-Transfer-Encoding value names, in either
// letter case; Base64 wins when both names appear.
TransferEncoding transferEncodingOf(const QString &value);

// The charset value as a codec name: line ends, blanks and quotes removed,
// cut at a ";" that starts the next parameter.
QByteArray cleanCharsetValue(const QString &charset);

// Body bytes as text: through the codec of the declared charset, or, when
// none is declared, through fallback (Latin-1 or UTF-8) up to the first zero byte.
enum class CharsetFallback { Latin1, Utf8 };
QString decodeBodyBytes(const QByteArray &bytes, const QString &charset, CharsetFallback fallback);

// bytes up to the first line that begins with "--".
QByteArray cutAtBoundaryLine(const QByteArray &bytes);

// Lines of the part text read back in text mode until their raw byte count
// reaches bound (the line that reaches it taken whole), read as Latin-1 with
// zero bytes dropped; "=" before a line end joins the next line. Hard line
// ends are dropped too, unless keepLineBreaks.
QString joinQuotedPrintableLines(const QByteArray &partText, qint64 bound, bool keepLineBreaks);

// The decoded body text, or nothing when the message has no part to show.
std::optional<QString> decodeBody(const RawHeader &header, PreviewKind kind);

// The page for the web view: html text as it is, plain text escaped inside
// a block that keeps line breaks.
QString pageHtml(const QString &bodyText, bool isHtml);

} // namespace preview
