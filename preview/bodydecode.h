#pragma once
// The body of a previewed message: the shown part's transfer encoding and
// charset undone, at most kMaxShownBodyBytes of it kept, and the page the
// web view shows (html as html, plain text escaped in a block that keeps
// its line breaks). CR LF line ends read as LF.

#include "preview/headerscan.h"
#include "preview/previewkind.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace preview {

// The most bytes of a decoded body the web view is given.
constexpr int kMaxShownBodyBytes = 4 * 1024 * 1024;
// The most bytes of an encoded body that are decoded: enough for
// kMaxShownBodyBytes in any transfer encoding (quoted-printable takes at
// most three bytes per byte).
constexpr int kMaxDecodedInputBytes = 3 * kMaxShownBodyBytes;

// The line shown after a body cut to kMaxShownBodyBytes.
extern const QString kBodyCutNote;

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

// Quoted-printable body bytes decoded (RFC 2045, 6.7): "=" before a line
// end (LF or CR LF) joins the lines, "=" and two hexadecimal digits (either
// case) give one byte, any other "=" stays; hard line breaks stay.
QByteArray decodeQuotedPrintable(const QByteArray &encoded);

// Every line end of text made a LF: the CRs right before a LF dropped.
QString withLineFeeds(QString text);

// In a whole file, the part text up to the line that opens an .emlx
// property-list trailer.
QByteArray withoutPropertyList(const QByteArray &partText, PreviewKind kind);

// The decoded body, and whether it was cut at kMaxShownBodyBytes.
struct DecodedBody {
    QString text;
    bool cut = false;
};

// The decoded body, or nothing when the message has no part to show.
std::optional<DecodedBody> decodeBody(const RawHeader &header, PreviewKind kind);

// The page for the web view: html text as it is, plain text escaped inside
// a block that keeps line breaks; a cut body ends with kBodyCutNote.
QString pageHtml(const QString &bodyText, bool isHtml, bool cut = false);

} // namespace preview
