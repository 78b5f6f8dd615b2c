#include "preview/messagepreview.h"

#include "preview/bodydecode.h"
#include "preview/headerscan.h"

#include <QFile>

#include <cstdio>
#include <new>

namespace preview {

// Enough for the most a body decoding takes (kMaxDecodedInputBytes) behind
// the header and the parts before it.
const qint64 kMaxPreviewBytes = kMaxDecodedInputBytes + 4 * 1024 * 1024;

namespace {

void reportIfEmpty(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        std::fputs("Error reading file", stderr);
}

qint64 decimalOrZero(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? value : 0;
}

// Reads count bytes at offset of an open file; a failed allocation reads nothing.
QByteArray readAt(QFile &file, qint64 offset, qint64 count)
{
    if (count <= 0 || !file.seek(offset))
        return QByteArray();
    try {
        return file.read(count);
    } catch (const std::bad_alloc &) {
        return QByteArray();
    }
}

} // namespace

QByteArray readMessageRange(const QString &path, const QString &offset, const QString &length)
{
    const qint64 start = decimalOrZero(offset);
    const qint64 requested = decimalOrZero(length);
    QByteArray message;
    QFile file(path);
    if (start >= 0 && requested >= 0 && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const qint64 size = file.size();
        const qint64 available = start < size ? size - start : 0;
        message = readAt(file, start, qMin(qMin(requested, available), kMaxPreviewBytes));
    }
    reportIfEmpty(message);
    return message;
}

QByteArray readMessageFile(const QString &path)
{
    QByteArray message;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        message = readAt(file, 0, qMin(file.size(), kMaxPreviewBytes));
    reportIfEmpty(message);
    return message;
}

MessagePreview buildPreview(const QByteArray &message, PreviewKind kind)
{
    const RawHeader header = scanRawHeader(message, kind);
    MessagePreview preview;
    preview.headerLines = headerLines(header, kind);
    if (const std::optional<DecodedBody> body = decodeBody(header, kind))
        preview.page = pageHtml(body->text, header.partIsHtml, body->cut);
    return preview;
}

} // namespace preview
