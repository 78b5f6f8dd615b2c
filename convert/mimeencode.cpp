#include "convert/mimeencode.h"

#include <cstring>

namespace mimeencode {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void appendHexEscape(QByteArray &out, char escape, uchar byte)
{
    out += escape;
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

// Length of the UTF-8 sequence that starts at data[pos], or 1 for a byte
// that starts none (so that invalid bytes travel one by one).
int utf8SequenceLength(const QByteArray &data, int pos)
{
    const auto lead = uchar(data[pos]);
    int length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (pos + length > data.size())
        return 1;
    for (int k = 1; k < length; ++k) {
        if ((uchar(data[pos + k]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

// Splits data at UTF-8 sequence boundaries into pieces of at most maxBytes.
QList<QByteArray> splitAtCharacters(const QByteArray &data, int maxBytes)
{
    QList<QByteArray> pieces;
    int start = 0;
    int pos = 0;
    while (pos < data.size()) {
        const int length = utf8SequenceLength(data, pos);
        if (pos + length - start > maxBytes && pos > start) {
            pieces.append(data.mid(start, pos - start));
            start = pos;
        }
        pos += length;
    }
    if (pos > start)
        pieces.append(data.mid(start, pos - start));
    return pieces;
}

bool isSpecial(char c)
{
    return std::strchr("()<>[]:;@\\,.\"", c) != nullptr && c != '\0';
}

// RFC 2231 attribute-char: ASCII letters, digits and a few marks.
bool isAttributeChar(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
           || (c != '\0' && std::strchr("!#$&+-.^_`|~", c) != nullptr);
}

QByteArray percentEncoded(const QByteArray &data)
{
    QByteArray out;
    for (const char c : data) {
        if (isAttributeChar(uchar(c)))
            out += c;
        else
            appendHexEscape(out, '%', uchar(c));
    }
    return out;
}

} // namespace

QByteArray cleanHeaderValue(const QByteArray &value)
{
    QByteArray cleaned = value;
    for (char &c : cleaned) {
        const auto byte = uchar(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            c = ' ';
    }
    return cleaned;
}

bool isPlainAscii(const QByteArray &value)
{
    for (const char c : value) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7E)
            return false;
    }
    return true;
}

QList<QByteArray> encodedWords(const QByteArray &utf8, int maxChars)
{
    static const QByteArray opener("=?UTF-8?B?");
    static const QByteArray closer("?=");
    const int maxBytes = (maxChars - opener.size() - closer.size()) / 4 * 3;
    QList<QByteArray> words;
    for (const QByteArray &piece : splitAtCharacters(utf8, maxBytes))
        words.append(opener + piece.toBase64() + closer);
    return words;
}

QByteArray foldedEncodedWords(const QByteArray &utf8)
{
    QByteArray out;
    for (const QByteArray &word : encodedWords(utf8)) {
        if (!out.isEmpty())
            out += "\n\t";
        out += word;
    }
    return out;
}

QByteArray unstructuredValue(const QByteArray &utf8)
{
    const QByteArray cleaned = cleanHeaderValue(utf8);
    if (isPlainAscii(cleaned) && cleaned.size() <= kMaxPlainValue)
        return cleaned;
    return foldedEncodedWords(cleaned);
}

QByteArray quotedString(const QByteArray &text)
{
    QByteArray out("\"");
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

QByteArray displayName(const QByteArray &utf8)
{
    const QByteArray cleaned = cleanHeaderValue(utf8);
    if (!isPlainAscii(cleaned) || cleaned.size() > kMaxPlainValue)
        return foldedEncodedWords(cleaned);
    for (const char c : cleaned) {
        if (isSpecial(c))
            return quotedString(cleaned);
    }
    return cleaned;
}

QList<QByteArray> fileNameParameters(const QByteArray &paramName, const QByteArray &utf8,
                                     bool withExtended)
{
    // Longest encoded-word value kept beside the RFC 2231 form, and the
    // length of one RFC 2231 continuation.
    constexpr int kMaxWordsValue = 700;
    constexpr int kMaxSegment = 60;

    const QByteArray cleaned = cleanHeaderValue(utf8);
    if (isPlainAscii(cleaned) && cleaned.size() <= kMaxPlainValue)
        return {paramName + '=' + quotedString(cleaned)};

    QList<QByteArray> parameters;
    const QByteArray words = encodedWords(cleaned).join(' ');
    if (words.size() <= kMaxWordsValue)
        parameters.append(paramName + "=\"" + words + '"');
    if (!withExtended)
        return parameters;

    // RFC 2231 keeps the exact bytes (control bytes included) in UTF-8.
    const QByteArray whole = percentEncoded(utf8);
    if (whole.size() <= kMaxSegment) {
        parameters.append(paramName + "*=UTF-8''" + whole);
        return parameters;
    }
    int index = 0;
    QByteArray segment;
    auto flushSegment = [&]() {
        const QByteArray head = paramName + '*' + QByteArray::number(index) + "*=";
        parameters.append(head + (index == 0 ? QByteArray("UTF-8''") : QByteArray()) + segment);
        ++index;
        segment.clear();
    };
    int pos = 0;
    while (pos < utf8.size()) {
        const int length = utf8SequenceLength(utf8, pos);
        const QByteArray encoded = percentEncoded(utf8.mid(pos, length));
        if (!segment.isEmpty() && segment.size() + encoded.size() > kMaxSegment)
            flushSegment();
        segment += encoded;
        pos += length;
    }
    if (!segment.isEmpty())
        flushSegment();
    return parameters;
}

void appendBase64Lines(const char *data, qint64 size, QByteArray &out)
{
    constexpr int kLinesPerBlock = 1024;
    constexpr qint64 kBlock = qint64(kBase64LineBytes) * kLinesPerBlock;
    for (qint64 done = 0; done < size; done += kBlock) {
        const int blockSize = int(qMin(kBlock, size - done));
        const QByteArray encoded = QByteArray::fromRawData(data + done, blockSize).toBase64();
        for (int pos = 0; pos < encoded.size(); pos += 76) {
            out.append(encoded.constData() + pos, qMin(76, encoded.size() - pos));
            out += '\n';
        }
    }
}

void QuotedPrintableEncoder::add(const char *data, qint64 size, QByteArray &out)
{
    m_pending.append(data, int(size));
    encode(false, out);
}

void QuotedPrintableEncoder::finish(QByteArray &out)
{
    encode(true, out);
    m_pending.clear();
    m_column = 0;
}

void QuotedPrintableEncoder::encode(bool atEnd, QByteArray &out)
{
    // Every decision looks at most five bytes ahead ("F" and "rom "); until
    // the text ends, that many bytes stay pending.
    constexpr int kLookahead = 5;
    const char *p = m_pending.constData();
    const int n = m_pending.size();
    int i = 0;
    while (i < n) {
        if (!atEnd && n - i <= kLookahead)
            break;
        const auto c = uchar(p[i]);
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n') {
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            out += '\n';
            m_column = 0;
            ++i;
            continue;
        }
        const bool lineEnds = i + 1 >= n || p[i + 1] == '\n' || p[i + 1] == '\r';
        auto needsEscape = [&](int column) {
            if (c == ' ' || c == '\t')
                return lineEnds;
            if (c == '=' || c < 0x20 || c >= 0x7F)
                return true;
            if (column == 0 && c == 'F')
                return i + 4 < n && std::memcmp(p + i + 1, "rom ", 4) == 0;
            if (column == 0 && c == '-')
                return i + 1 < n && p[i + 1] == '-';
            return false;
        };
        bool escape = needsEscape(m_column);
        // The last character of a line may use column 76; any other leaves
        // room for the "=" of a soft line break.
        const int limit = lineEnds ? 76 : 75;
        if (m_column + (escape ? 3 : 1) > limit) {
            out += "=\n";
            m_column = 0;
            escape = needsEscape(0);
        }
        if (escape) {
            appendHexEscape(out, '=', c);
            m_column += 3;
        } else {
            out += char(c);
            m_column += 1;
        }
        ++i;
    }
    m_pending.remove(0, i);
}

QByteArray quotedPrintable(const QByteArray &text)
{
    QByteArray out;
    QuotedPrintableEncoder encoder;
    encoder.add(text, out);
    encoder.finish(out);
    return out;
}

} // namespace mimeencode
