#include "preview/bodydecode.h"

#include "platform/charset.h"
#include "scan/qpdecode.h"

#include <QTextCodec>

#include <algorithm>

namespace preview {

const QString kBodyCutNote = QStringLiteral("The rest of this message is not shown in the preview.");

namespace {

QByteArray upToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

// An .emlx file's property-list trailer begins with this line. The body ends
// before it: decoded with the body, it would show as text or as Base64 and
// quoted-printable garbage.
const char kPropertyListStart[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The bytes of a body after its transfer decoding, and whether the input
// was longer than what was decoded or the result longer than what is shown.
QByteArray transferDecoded(const QByteArray &part, TransferEncoding encoding, bool *cut)
{
    QByteArray decoded;
    switch (encoding) {
    case TransferEncoding::None:
        decoded = part.left(kMaxShownBodyBytes + 1);
        break;
    case TransferEncoding::Base64:
        decoded = QByteArray::fromBase64(part.left(kMaxDecodedInputBytes));
        *cut = part.size() > kMaxDecodedInputBytes;
        break;
    case TransferEncoding::QuotedPrintable:
        decoded = decodeQuotedPrintable(part.left(kMaxDecodedInputBytes));
        *cut = part.size() > kMaxDecodedInputBytes;
        break;
    }
    if (decoded.size() > kMaxShownBodyBytes) {
        decoded.truncate(kMaxShownBodyBytes);
        *cut = true;
    }
    return decoded;
}

// prefix, text with &, <, > and " written as entities, then suffix: one
// pass into a string of the final size. A body of several megabytes is
// copied as few times as possible (QString::toHtmlEscaped appends piece by
// piece and every further + copies it again).
QString wrapEscaped(const QString &prefix, const QString &text, const QString &suffix)
{
    int extra = 0;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            extra += 4;
            break;
        case '<':
        case '>':
            extra += 3;
            break;
        case '"':
            extra += 5;
            break;
        default:
            break;
        }
    }
    QString page(prefix.size() + text.size() + extra + suffix.size(), Qt::Uninitialized);
    QChar *out = page.data();
    auto put = [&out](const char *entity) {
        while (*entity)
            *out++ = QLatin1Char(*entity++);
    };
    out = std::copy(prefix.constBegin(), prefix.constEnd(), out);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            put("&amp;");
            break;
        case '<':
            put("&lt;");
            break;
        case '>':
            put("&gt;");
            break;
        case '"':
            put("&quot;");
            break;
        default:
            *out++ = c;
        }
    }
    std::copy(suffix.constBegin(), suffix.constEnd(), out);
    return page;
}

} // namespace

TransferEncoding transferEncodingOf(const QString &value)
{
    if (value.contains(QLatin1String("base64"), Qt::CaseInsensitive))
        return TransferEncoding::Base64;
    if (value.contains(QLatin1String("quoted-printable"), Qt::CaseInsensitive))
        return TransferEncoding::QuotedPrintable;
    return TransferEncoding::None;
}

QByteArray cleanCharsetValue(const QString &charset)
{
    QByteArray name = charset.toLatin1();
    const int parameterEnd = name.indexOf(';');
    if (parameterEnd >= 0)
        name.truncate(parameterEnd);
    QByteArray cleaned;
    for (char c : qAsConst(name)) {
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t' && c != '"' && c != '\'')
            cleaned.append(c);
    }
    return cleaned;
}

QString decodeBodyBytes(const QByteArray &bytes, const QString &charset, CharsetFallback fallback)
{
    const QByteArray name = cleanCharsetValue(charset);
    if (!name.isEmpty())
        return platform::codecForCharset(name)->toUnicode(bytes);
    const QByteArray text = upToZero(bytes);
    return fallback == CharsetFallback::Latin1 ? QString::fromLatin1(text) : QString::fromUtf8(text);
}

QByteArray decodeQuotedPrintable(const QByteArray &encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    const char *data = encoded.constData();
    const int size = encoded.size();
    for (int i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '=') {
            bytes.append(c);
            continue;
        }
        // A soft line break: "=", maybe blanks some writers leave, a line end.
        int after = i + 1;
        while (after < size && (data[after] == ' ' || data[after] == '\t'))
            ++after;
        if (after < size && data[after] == '\n') {
            i = after;
            continue;
        }
        if (after + 1 < size && data[after] == '\r' && data[after + 1] == '\n') {
            i = after + 1;
            continue;
        }
        if (i + 2 < size && hexDigitValue(data[i + 1]) >= 0 && hexDigitValue(data[i + 2]) >= 0) {
            bytes.append(char(hexDigitValue(data[i + 1]) * 16 + hexDigitValue(data[i + 2])));
            i += 2;
            continue;
        }
        bytes.append(c);
    }
    return bytes;
}

QString withLineFeeds(QString text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    // Every CR right before a LF goes (a file converted twice has CR CR LF).
    QString result;
    result.reserve(text.size());
    int pendingCarriageReturns = 0;
    for (const QChar c : qAsConst(text)) {
        if (c == QLatin1Char('\r')) {
            ++pendingCarriageReturns;
            continue;
        }
        if (c != QLatin1Char('\n'))
            result.append(QString(pendingCarriageReturns, QLatin1Char('\r')));
        pendingCarriageReturns = 0;
        result.append(c);
    }
    result.append(QString(pendingCarriageReturns, QLatin1Char('\r')));
    return result;
}

QByteArray withoutPropertyList(const QByteArray &partText, PreviewKind kind)
{
    if (kind != PreviewKind::WholeFile)
        return partText;
    const int trailer = partText.indexOf(kPropertyListStart);
    if (trailer < 0)
        return partText;
    const int lineStart = partText.lastIndexOf('\n', trailer) + 1;
    return partText.left(lineStart);
}

std::optional<DecodedBody> decodeBody(const RawHeader &header, PreviewKind kind)
{
    if (!header.partText)
        return std::nullopt;
    const QByteArray part = withoutPropertyList(*header.partText, kind);
    const TransferEncoding encoding = transferEncodingOf(header.transferEncoding);
    DecodedBody body;
    const QByteArray bytes = transferDecoded(part, encoding, &body.cut);
    const CharsetFallback fallback =
        encoding == TransferEncoding::QuotedPrintable ? CharsetFallback::Utf8 : CharsetFallback::Latin1;
    body.text = withLineFeeds(decodeBodyBytes(bytes, header.charset, fallback));
    return body;
}

QString pageHtml(const QString &bodyText, bool isHtml, bool cut)
{
    const QString note = QStringLiteral("<p><i>") + kBodyCutNote.toHtmlEscaped() + QStringLiteral("</i></p>");
    if (isHtml)
        return cut ? bodyText + note : bodyText;
    return wrapEscaped(QStringLiteral("<html><body><pre style=\"white-space: pre-wrap; word-wrap: break-word; "
                                      "font-family: sans-serif; margin: 0\">"),
                       bodyText, QStringLiteral("</pre>") + (cut ? note : QString()) + QStringLiteral("</body></html>"));
}

} // namespace preview
