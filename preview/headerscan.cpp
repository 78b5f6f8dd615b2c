#include "preview/headerscan.h"

#include "preview/bodydecode.h"
#include "scan/encodedwords.h"
#include "scan/headerfields.h"

#include <cstring>

namespace preview {

namespace {

// Bytes kept of one header field; the rest of a longer one is read past.
constexpr int kFieldByteLimit = 64 * 1024;
// Bytes kept of the shown part's body.
constexpr int kMaxPartTextBytes = kMaxDecodedInputBytes;

// One line of the message: [start, end) without its line end, next after it.
struct Line {
    int start = 0;
    int end = 0;
    int next = 0;
};

Line lineAt(const char *data, int pos, int limit)
{
    Line line;
    line.start = pos;
    const void *lineFeed = std::memchr(data + pos, '\n', size_t(limit - pos));
    if (!lineFeed) {
        line.end = line.next = limit;
        return line;
    }
    line.end = int(static_cast<const char *>(lineFeed) - data);
    line.next = line.end + 1;
    if (line.end > pos && data[line.end - 1] == '\r')
        --line.end;
    return line;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QByteArray trimmed(const QByteArray &bytes)
{
    int begin = 0;
    int end = bytes.size();
    while (begin < end && isBlank(bytes.at(begin)))
        ++begin;
    while (end > begin && isBlank(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

// The fields of one part header.
enum PartField { ContentType, TransferEncoding, Disposition, PartFieldCount };
// The fields the top-level header adds.
enum TopField { From = PartFieldCount, To, Subject, Cc, Bcc, Date };

QList<QByteArray> partFieldNames(bool topLevel)
{
    QList<QByteArray> names{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("Content-Transfer-Encoding"),
                            QByteArrayLiteral("Content-Disposition")};
    if (topLevel)
        names << QByteArrayLiteral("From") << QByteArrayLiteral("To") << QByteArrayLiteral("Subject")
              << QByteArrayLiteral("Cc") << QByteArrayLiteral("Bcc") << QByteArrayLiteral("Date");
    return names;
}

// RFC 2231 value "charset'language'text" with %XX escapes.
QString decodeExtendedValue(const QByteArray &value, bool withCharset)
{
    QByteArray charset;
    QByteArray text = value;
    if (withCharset) {
        const int first = value.indexOf('\'');
        const int second = first < 0 ? -1 : value.indexOf('\'', first + 1);
        if (second >= 0) {
            charset = value.left(first);
            text = value.mid(second + 1);
        }
    }
    return encodedwords::decodeCharsetBytes(QByteArray::fromPercentEncoding(text), charset);
}

QByteArray boundaryOf(const QByteArray &contentType);

class Scanner
{
public:
    explicit Scanner(const QByteArray &message)
        : m_message(message), m_data(message.constData()), m_size(message.size())
    {
    }

    RawHeader run()
    {
        // Nothing read is no message, not an empty text.
        if (m_size == 0)
            return m_header;
        walkPart(0, m_size, 0, false);
        const Candidate *shown = nullptr;
        for (const Candidate *candidate : {&m_html, &m_plain, &m_namedHtml, &m_namedPlain}) {
            if (candidate->found) {
                shown = candidate;
                break;
            }
        }
        if (shown) {
            m_header.partIsHtml = shown == &m_html || shown == &m_namedHtml;
            // No decoding takes more (one byte more tells that there was more).
            const bool encoded = transferEncodingOf(QString::fromLatin1(shown->transferEncoding)) != TransferEncoding::None;
            const int kept = encoded ? kMaxPartTextBytes : kMaxShownBodyBytes;
            const int length = qMin(shown->bodyEnd - shown->bodyStart, kept + 1);
            m_header.partText = m_message.mid(shown->bodyStart, length);
            m_header.transferEncoding = QString::fromLatin1(shown->transferEncoding);
            m_header.charset = parameterValue(shown->contentType, QByteArrayLiteral("charset"));
        }
        return m_header;
    }

private:
    struct Candidate {
        bool found = false;
        int bodyStart = 0;
        int bodyEnd = 0;
        QByteArray contentType;
        QByteArray transferEncoding;
    };

    // Reads the header block at start (bounded by limit) into fields; returns
    // where its body starts (limit when the header never ends).
    int readHeader(int start, int limit, headerfields::FieldCollector &fields)
    {
        int pos = start;
        while (pos < limit) {
            const Line line = lineAt(m_data, pos, limit);
            const int length = qMin(line.next - line.start, kFieldByteLimit + 2);
            if (!fields.take(QByteArray::fromRawData(m_data + line.start, length)))
                return line.next;
            pos = line.next;
        }
        return limit;
    }

    void keepTopField(headerfields::FieldCollector &fields, int field, std::optional<QByteArray> &target)
    {
        if (fields.found(field))
            target = fields.value(field);
    }

    void walkPart(int start, int limit, int depth, bool inDigest)
    {
        const bool topLevel = depth == 0;
        headerfields::FieldCollector fields(partFieldNames(topLevel), kFieldByteLimit);
        const int bodyStart = readHeader(start, limit, fields);
        if (topLevel) {
            keepTopField(fields, From, m_header.from);
            keepTopField(fields, To, m_header.to);
            keepTopField(fields, Subject, m_header.subject);
            keepTopField(fields, Cc, m_header.cc);
            keepTopField(fields, Bcc, m_header.bcc);
            keepTopField(fields, Date, m_header.date);
        }

        const QByteArray contentType = fields.value(ContentType);
        QByteArray type = mediaTypeOf(contentType);
        if (type.isEmpty())
            type = inDigest ? QByteArrayLiteral("message/rfc822") : QByteArrayLiteral("text/plain");
        if (type.startsWith("multipart/")) {
            if (depth < kMaxPartDepth)
                walkMultipart(contentType, type == "multipart/digest", bodyStart, limit, depth);
            return;
        }

        const QByteArray disposition = fields.value(Disposition);
        QString name = parameterValue(disposition, QByteArrayLiteral("filename"));
        if (name.isEmpty())
            name = parameterValue(contentType, QByteArrayLiteral("name"));
        if (!name.isEmpty())
            m_header.attachmentNames.append(name);
        if (mediaTypeOf(disposition) == "attachment")
            return;
        const bool html = type == "text/html";
        if (!html && type != "text/plain")
            return;
        Candidate &candidate = name.isEmpty() ? (html ? m_html : m_plain) : (html ? m_namedHtml : m_namedPlain);
        if (candidate.found)
            return;
        candidate.found = true;
        candidate.bodyStart = qMin(bodyStart, limit);
        candidate.bodyEnd = limit;
        candidate.contentType = contentType;
        candidate.transferEncoding = fields.value(TransferEncoding);
    }

    // The parts of a multipart body between its delimiter lines (RFC 2046,
    // 5.1.1): the line end before a delimiter belongs to the delimiter.
    void walkMultipart(const QByteArray &contentType, bool digest, int bodyStart, int limit, int depth)
    {
        const QByteArray boundary = boundaryOf(contentType);
        if (boundary.isEmpty())
            return;
        const QByteArray delimiter = QByteArrayLiteral("--") + boundary;
        int partStart = -1;
        int pos = bodyStart;
        while (pos < limit) {
            const Line line = lineAt(m_data, pos, limit);
            pos = line.next;
            const int length = line.end - line.start;
            if (length < delimiter.size() || std::memcmp(m_data + line.start, delimiter.constData(), size_t(delimiter.size())) != 0)
                continue;
            int after = line.start + delimiter.size();
            const bool closing = line.end - after >= 2 && m_data[after] == '-' && m_data[after + 1] == '-';
            if (closing)
                after += 2;
            while (after < line.end && (m_data[after] == ' ' || m_data[after] == '\t'))
                ++after;
            if (after != line.end)
                continue;
            if (partStart >= 0)
                walkPart(partStart, lineEndBefore(partStart, line.start), depth + 1, digest);
            partStart = closing ? -1 : line.next;
            if (closing)
                return;
        }
        if (partStart >= 0)
            walkPart(partStart, limit, depth + 1, digest);
    }

    // Where the content before the line at lineStart ends: before its line end.
    int lineEndBefore(int partStart, int lineStart) const
    {
        int end = lineStart;
        if (end > partStart && m_data[end - 1] == '\n')
            --end;
        if (end > partStart && m_data[end - 1] == '\r')
            --end;
        return end;
    }

    const QByteArray &m_message;
    const char *m_data;
    const int m_size;
    RawHeader m_header;
    Candidate m_html;
    Candidate m_plain;
    Candidate m_namedHtml;
    Candidate m_namedPlain;
};

} // namespace

bool RawHeader::operator==(const RawHeader &other) const
{
    return from == other.from && to == other.to && subject == other.subject && cc == other.cc
        && bcc == other.bcc && date == other.date && attachmentNames == other.attachmentNames
        && transferEncoding == other.transferEncoding && charset == other.charset
        && partIsHtml == other.partIsHtml && partText == other.partText;
}

RawHeader scanRawHeader(const QByteArray &message, PreviewKind)
{
    return Scanner(message).run();
}

QByteArray mediaTypeOf(const QByteArray &fieldValue)
{
    int end = 0;
    while (end < fieldValue.size() && fieldValue.at(end) != ';' && fieldValue.at(end) != '('
           && !isBlank(fieldValue.at(end)))
        ++end;
    return fieldValue.left(end).toLower();
}

namespace {

// parameterValue, or with decodeWords false the plain value's bytes as written.
QString parameter(const QByteArray &fieldValue, const QByteArray &name, bool decodeWords)
{
    const int size = fieldValue.size();
    const char *data = fieldValue.constData();
    QByteArray plain;
    QByteArray extended;
    bool plainFound = false;
    bool extendedFound = false;
    bool extendedHasCharset = false;
    int pos = fieldValue.indexOf(';');
    while (pos >= 0 && pos < size) {
        ++pos; // past the ";"
        const int nameStart = pos;
        while (pos < size && data[pos] != '=' && data[pos] != ';')
            ++pos;
        const QByteArray key = trimmed(fieldValue.mid(nameStart, pos - nameStart)).toLower();
        if (pos >= size || data[pos] == ';')
            continue;
        ++pos; // past the "="
        while (pos < size && isBlank(data[pos]))
            ++pos;
        QByteArray value;
        if (pos < size && data[pos] == '"') {
            for (++pos; pos < size && data[pos] != '"'; ++pos) {
                if (data[pos] == '\\' && pos + 1 < size)
                    ++pos;
                value.append(data[pos]);
            }
            if (pos < size)
                ++pos; // past the closing quote
            while (pos < size && data[pos] != ';')
                ++pos;
        } else {
            const int valueStart = pos;
            while (pos < size && data[pos] != ';')
                ++pos;
            value = trimmed(fieldValue.mid(valueStart, pos - valueStart));
        }
        // name, name*, and the pieces name*0, name*1*, ... of RFC 2231
        const QByteArray lowerName = name.toLower();
        if (key == lowerName) {
            if (!plainFound)
                plain = value;
            plainFound = true;
        } else if (key.startsWith(lowerName + '*')) {
            const QByteArray suffix = key.mid(lowerName.size() + 1);
            const bool encoded = suffix.isEmpty() || suffix.endsWith('*');
            if (!extendedFound)
                extendedHasCharset = encoded && (suffix.isEmpty() || suffix == "0*");
            extendedFound = true;
            extended += encoded ? value : value.toPercentEncoding();
        }
    }
    if (extendedFound)
        return decodeExtendedValue(extended, extendedHasCharset);
    return decodeWords ? encodedwords::decodeHeaderValue(plain) : QString::fromLatin1(plain);
}

} // namespace

QString parameterValue(const QByteArray &fieldValue, const QByteArray &name)
{
    return parameter(fieldValue, name, true);
}

namespace {

QByteArray boundaryOf(const QByteArray &contentType)
{
    return parameter(contentType, QByteArrayLiteral("boundary"), false).toLatin1();
}

} // namespace

} // namespace preview

QDebug operator<<(QDebug debug, const preview::RawHeader &header)
{
    QDebugStateSaver saver(debug);
    auto value = [](const std::optional<QByteArray> &field) {
        return field ? *field : QByteArray("<absent>");
    };
    debug.nospace() << "RawHeader(from " << value(header.from) << ", to " << value(header.to)
                    << ", subject " << value(header.subject) << ", cc " << value(header.cc)
                    << ", bcc " << value(header.bcc) << ", date " << value(header.date) << ", names "
                    << header.attachmentNames << ", encoding " << header.transferEncoding
                    << ", charset " << header.charset << ", html " << header.partIsHtml << ", part "
                    << value(header.partText) << ')';
    return debug;
}
