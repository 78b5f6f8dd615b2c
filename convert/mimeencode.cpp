#include "convert/mimeencode.h"

#include <array>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define MIMEENCODE_SSSE3
#include <immintrin.h>
#endif

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

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two Base64 characters of every 12-bit value, so that three bytes take
// two look-ups.
const char *base64Pairs()
{
    static const std::array<char, 8192> pairs = [] {
        std::array<char, 8192> table{};
        for (int value = 0; value < 4096; ++value) {
            table[size_t(2 * value)] = kBase64Alphabet[value >> 6];
            table[size_t(2 * value + 1)] = kBase64Alphabet[value & 0x3F];
        }
        return table;
    }();
    return pairs.data();
}

// Writes groups times four characters for groups times three bytes.
inline char *writeBase64Groups(const uchar *in, int groups, char *out, const char *pairs)
{
    for (int group = 0; group < groups; ++group, in += 3, out += 4) {
        const quint32 value = (quint32(in[0]) << 16) | (quint32(in[1]) << 8) | in[2];
        std::memcpy(out, pairs + 2 * (value >> 12), 2);
        std::memcpy(out + 2, pairs + 2 * (value & 0xFFF), 2);
    }
    return out;
}

#ifdef MIMEENCODE_SSSE3
bool hasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Twelve bytes at the start of input as sixteen Base64 characters: the bytes
// spread into 6-bit indices, then each index moved into its alphabet range
// by one table shuffle (W. Mula and D. Lemire, "Faster Base64 encoding and
// decoding using AVX2 instructions", 2018).
__attribute__((target("ssse3"))) inline __m128i base64Ssse3(__m128i input)
{
    input = _mm_shuffle_epi8(input, _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1));
    const __m128i high = _mm_mulhi_epu16(_mm_and_si128(input, _mm_set1_epi32(0x0FC0FC00)),
                                         _mm_set1_epi32(0x04000040));
    const __m128i low = _mm_mullo_epi16(_mm_and_si128(input, _mm_set1_epi32(0x003F03F0)),
                                        _mm_set1_epi32(0x01000010));
    const __m128i indices = _mm_or_si128(high, low);
    // 0..25 -> 13 ('A'), 26..51 -> 0 ('a' - 26), 52..61 -> 1..10 ('0' - 52),
    // 62 -> 11 ('+' - 62), 63 -> 12 ('/' - 63).
    __m128i range = _mm_subs_epu8(indices, _mm_set1_epi8(51));
    const __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(26), indices);
    range = _mm_or_si128(range, _mm_and_si128(upper, _mm_set1_epi8(13)));
    const __m128i shift = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                        '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    return _mm_add_epi8(_mm_shuffle_epi8(shift, range), indices);
}

// Whole lines of 57 bytes: four blocks of twelve (the last load ends within
// the line, at byte 52), then the three groups left.
__attribute__((target("ssse3"))) char *writeBase64LinesSsse3(const uchar *in, qint64 lines, char *out,
                                                              const char *pairs)
{
    for (; lines > 0; --lines, in += kBase64LineBytes) {
        for (int block = 0; block < 4; ++block) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 12 * block));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16 * block), base64Ssse3(bytes));
        }
        out = writeBase64Groups(in + 48, 3, out + 64, pairs);
        *out++ = '\n';
    }
    return out;
}
#endif

} // namespace

QByteArray cleanHeaderValue(const QByteArray &value)
{
    // A copy of the bytes, not a shared reference: the records the values
    // come from are only read, never written (not even a reference count).
    QByteArray cleaned(value.constData(), value.size());
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

bool looksLikeEncodedWord(const QByteArray &value)
{
    const int open = value.indexOf("=?");
    return open >= 0 && value.indexOf("?=", open + 2) >= 0;
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
    if (isPlainAscii(cleaned) && cleaned.size() <= kMaxPlainValue && !looksLikeEncodedWord(cleaned))
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
    if (!isPlainAscii(cleaned) || cleaned.size() > kMaxPlainValue || looksLikeEncodedWord(cleaned))
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
    if (isPlainAscii(cleaned) && cleaned.size() <= kMaxPlainValue && !looksLikeEncodedWord(cleaned))
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

qint64 base64LinesSize(qint64 size)
{
    const qint64 lines = size / kBase64LineBytes;
    const qint64 rest = size % kBase64LineBytes;
    return lines * 77 + (rest > 0 ? (rest + 2) / 3 * 4 + 1 : 0);
}

char *writeBase64Lines(const char *data, qint64 size, char *out, bool withVector)
{
    const auto *in = reinterpret_cast<const uchar *>(data);
    const char *pairs = base64Pairs();
    qint64 lines = size / kBase64LineBytes;
    const qint64 rest = size % kBase64LineBytes;
#ifdef MIMEENCODE_SSSE3
    if (withVector && hasSsse3()) {
        out = writeBase64LinesSsse3(in, lines, out, pairs);
        in += lines * kBase64LineBytes;
        lines = 0;
    }
#else
    Q_UNUSED(withVector)
#endif
    for (; lines > 0; --lines, in += kBase64LineBytes) {
        out = writeBase64Groups(in, kBase64LineBytes / 3, out, pairs);
        *out++ = '\n';
    }
    if (rest > 0) {
        out = writeBase64Groups(in, int(rest / 3), out, pairs);
        in += rest / 3 * 3;
        if (rest % 3 == 1) {
            out[0] = kBase64Alphabet[in[0] >> 2];
            out[1] = kBase64Alphabet[(in[0] & 0x03) << 4];
            out[2] = '=';
            out[3] = '=';
            out += 4;
        } else if (rest % 3 == 2) {
            out[0] = kBase64Alphabet[in[0] >> 2];
            out[1] = kBase64Alphabet[((in[0] & 0x03) << 4) | (in[1] >> 4)];
            out[2] = kBase64Alphabet[(in[1] & 0x0F) << 2];
            out[3] = '=';
            out += 4;
        }
        *out++ = '\n';
    }
    return out;
}

void appendBase64Lines(const char *data, qint64 size, QByteArray &out)
{
    const int start = out.size();
    out.resize(start + int(base64LinesSize(size)));
    writeBase64Lines(data, size, out.data() + start);
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
    // Most characters one input byte can give: a soft break and an escape.
    constexpr int kMostPerByte = 5;
    const char *p = m_pending.constData();
    const int n = m_pending.size();
    // The output is written through a pointer into room made in advance
    // (three characters per byte and the soft breaks, made larger when an
    // unusual text needs more), then cut to what was written.
    int written = out.size();
    out.resize(written + n * 3 + n / 16 + 16);
    char *w = out.data() + written;
    char *end = out.data() + out.size();
    int i = 0;
    while (i < n) {
        if (!atEnd && n - i <= kLookahead)
            break;
        if (end - w < kMostPerByte) {
            written = int(w - out.constData());
            out.resize(out.size() * 2);
            w = out.data() + written;
            end = out.data() + out.size();
        }
        const auto c = uchar(p[i]);
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n') {
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            *w++ = '\n';
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
            *w++ = '=';
            *w++ = '\n';
            m_column = 0;
            escape = needsEscape(0);
        }
        if (escape) {
            *w++ = '=';
            *w++ = kHexDigits[c >> 4];
            *w++ = kHexDigits[c & 0x0F];
            m_column += 3;
        } else {
            *w++ = char(c);
            m_column += 1;
        }
        ++i;
    }
    out.resize(int(w - out.constData()));
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
