#include "preview/bodydecode.h"

#include "platform/charset.h"
#include "preview/fieldmeasure.h"
#include "scan/qpdecode.h"

#include <QTextCodec>

namespace preview {

namespace {

QString utf8UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), zero < 0 ? bytes.size() : zero);
}

QByteArray upToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

// An .emlx file's property-list trailer begins with this line. The body ends
// before it: decoded with the body, it would show as text or as Base64 and
// quoted-printable garbage.
const char kPropertyListStart[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// Sequences whose position ends the html text.
const char *const kHtmlEndsRange[] = {"\r\n\r\n", "\n\n--", "\r\n--"};
const char *const kHtmlEndsWhole[] = {"\r\n\r\n", "\n\n--"};

bool bytesAt(const QByteArray &bytes, qint64 pos, const char *sequence)
{
    const int length = int(qstrlen(sequence));
    return pos >= 0 && pos + length <= bytes.size() && qstrncmp(bytes.constData() + pos, sequence, length) == 0;
}

// Where the Base64 text of a whole file's html part ends: the last boundary
// start within the html text, else the kept part's end.
qint64 wholeFileBase64End(const QByteArray &kept, qint64 htmlLength)
{
    for (qint64 q = qMin(htmlLength, qint64(kept.size()) - 4); q >= 1; --q) {
        if (bytesAt(kept, q, "\n\n--") || bytesAt(kept, q, "\r\n--"))
            return q;
    }
    return kept.size();
}

} // namespace

bool BodyExtent::operator==(const BodyExtent &other) const
{
    return keptLength == other.keptLength && htmlLength == other.htmlLength;
}

bool isStopLine(const QString &line, PreviewKind kind)
{
    static const QString contentType = QStringLiteral("Content-Type: ");
    static const QString disposition = QStringLiteral("Content-Disposition: ");
    if (line.startsWith(QLatin1String("Content-Type: text/x-vcard;"))
        || line.startsWith(QLatin1String("Content-Type: application/")))
        return true;
    if (line.startsWith(disposition)) {
        const QString rest = line.mid(disposition.size());
        if (rest.compare(QLatin1String("attachment;\n"), Qt::CaseInsensitive) == 0
            || rest.compare(QLatin1String("inline;\n"), Qt::CaseInsensitive) == 0)
            return true;
    }
    if (line.startsWith(contentType)
        && (line.contains(QLatin1String("name=\"")) || line.contains(QLatin1String("image/"))))
        return true;
    if (line.startsWith(QLatin1String("content-type: ")) && line.contains(QLatin1String("text/placeholder;")))
        return true;
    return kind == PreviewKind::WholeFile && line.startsWith(contentType)
        && line.contains(QLatin1String("message/"));
}

qint64 htmlEndOf(const QByteArray &kept, PreviewKind kind)
{
    const bool wholeFile = kind == PreviewKind::WholeFile;
    const char *const *ends = wholeFile ? kHtmlEndsWhole : kHtmlEndsRange;
    const int endCount = wholeFile ? 2 : 3;
    for (qint64 p = qint64(kept.size()) - 4; p >= 1; --p) {
        for (int e = 0; e < endCount; ++e) {
            if (bytesAt(kept, p, ends[e]))
                return p;
        }
    }
    return kept.size();
}

BodyExtent measureBody(const QByteArray &partText, bool htmlWay, PreviewKind kind)
{
    BodyExtent extent;
    const bool wholeFile = kind == PreviewKind::WholeFile;
    int pos = 0;
    extent.keptLength = partText.size();
    while (pos < partText.size()) {
        const int lineStart = pos;
        const QString line = utf8UpToZero(readTextLine(partText, partText.size(), pos));
        if (wholeFile && line.isEmpty())
            continue;
        if (isStopLine(line, kind) || (wholeFile && line.contains(QLatin1String(kPropertyListStart)))) {
            extent.keptLength = lineStart;
            break;
        }
    }
    if (htmlWay)
        extent.htmlLength = htmlEndOf(partText.left(int(extent.keptLength)), kind);
    return extent;
}

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

QByteArray cutAtBoundaryLine(const QByteArray &bytes)
{
    if (bytes.startsWith("--"))
        return QByteArray();
    const int boundary = bytes.indexOf("\n--");
    return boundary < 0 ? bytes : bytes.left(boundary + 1);
}

QString joinQuotedPrintableLines(const QByteArray &partText, qint64 bound, bool keepLineBreaks)
{
    QString joined;
    int pos = 0;
    while (pos < partText.size()) {
        QByteArray line = readTextLine(partText, partText.size(), pos);
        line.replace('\0', QByteArray());
        if (line.endsWith("=\n"))
            line.chop(2);
        else if (line.endsWith('\n') && !keepLineBreaks)
            line.chop(1);
        joined += QString::fromLatin1(line);
        if (pos >= bound)
            break;
    }
    return joined;
}

std::optional<QString> decodeBody(const RawHeader &header, PreviewKind kind)
{
    if (!header.partText)
        return std::nullopt;
    const QByteArray &part = *header.partText;
    const bool htmlWay = header.htmlFound;
    const BodyExtent extent = measureBody(part, htmlWay, kind);
    const qint64 shownLength = htmlWay ? extent.htmlLength : extent.keptLength;

    switch (transferEncodingOf(header.transferEncoding)) {
    case TransferEncoding::None:
        return decodeBodyBytes(part.left(int(shownLength)), header.charset, CharsetFallback::Latin1);
    case TransferEncoding::Base64: {
        qint64 length = shownLength;
        if (htmlWay && kind == PreviewKind::WholeFile)
            length = wholeFileBase64End(part.left(int(extent.keptLength)), extent.htmlLength);
        const QByteArray text = cutAtBoundaryLine(part.left(int(length)));
        return decodeBodyBytes(QByteArray::fromBase64(text), header.charset, CharsetFallback::Latin1);
    }
    case TransferEncoding::QuotedPrintable: {
        const QString joined = joinQuotedPrintableLines(part, shownLength, !header.partIsHtml);
        return decodeBodyBytes(qDecode(joined), header.charset, CharsetFallback::Utf8);
    }
    }
    return std::nullopt;
}

QString pageHtml(const QString &bodyText, bool isHtml)
{
    if (isHtml)
        return bodyText;
    // The blank line that ended the part header is no part of the text.
    int start = 0;
    while (start < bodyText.size() && (bodyText.at(start) == QLatin1Char('\r') || bodyText.at(start) == QLatin1Char('\n')))
        ++start;
    return QStringLiteral("<html><body><pre style=\"white-space: pre-wrap; word-wrap: break-word; "
                          "font-family: sans-serif; margin: 0\">")
        + bodyText.mid(start).toHtmlEscaped() + QStringLiteral("</pre></body></html>");
}

} // namespace preview
