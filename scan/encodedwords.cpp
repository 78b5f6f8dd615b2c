#include "scan/encodedwords.h"

#include "platform/charset.h"
#include "scan/qpdecode.h"

#include <QTextCodec>

namespace encodedwords {

namespace {

// Longest charset name (with its language suffix) taken in a word; a longer
// one makes the word malformed, which also bounds the work per "=?".
constexpr int kMaxCharsetLength = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The charset without its RFC 2231 language suffix.
QByteArray charsetName(const QByteArray &charset)
{
    const int star = charset.indexOf('*');
    return star < 0 ? charset : charset.left(star);
}

// An encoded word found in a value.
struct FoundWord {
    int end = -1; // index after its "?="
    QString text;
};

// Parses the word whose "=?" stands at start. Returns end -1 when no word
// stands there; *noMoreWords tells that no later "=?" can start one either.
FoundWord parseWordAt(const QByteArray &value, int start, bool *noMoreWords)
{
    FoundWord found;
    const int size = value.size();
    const char *data = value.constData();
    // charset: no blank, no "?", not empty
    int at = start + 2;
    const int charsetStart = at;
    while (at < size && data[at] != '?' && !isBlank(data[at]) && at - charsetStart <= kMaxCharsetLength)
        ++at;
    if (at >= size || data[at] != '?' || at == charsetStart || at - charsetStart > kMaxCharsetLength)
        return found;
    const QByteArray charset = value.mid(charsetStart, at - charsetStart);
    // letter
    if (at + 2 >= size || !isEncodingLetter(QByteArray(1, data[at + 1])) || data[at + 2] != '?')
        return found;
    const char letter = data[at + 1];
    // text, up to the first "?", which must open "?="
    const int textStart = at + 3;
    const int mark = value.indexOf('?', textStart);
    if (mark < 0) {
        *noMoreWords = true;
        return found;
    }
    if (mark + 1 >= size || data[mark + 1] != '=')
        return found;
    found.text = decodeWordText(charset, QByteArray(1, letter), value.mid(textStart, mark - textStart));
    found.end = mark + 2;
    return found;
}

bool isAllBlank(const QByteArray &value, int from, int to)
{
    for (int i = from; i < to; ++i) {
        if (!isBlank(value.at(i)))
            return false;
    }
    return true;
}

} // namespace

QString decodeCharsetBytes(const QByteArray &bytes, const QByteArray &charset)
{
    const QByteArray name = charsetName(charset);
    if (platform::isKnownCharset(name))
        return platform::codecForCharset(name)->toUnicode(bytes);
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), zero < 0 ? bytes.size() : zero);
}

QByteArray decodeQText(const QByteArray &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const char c = text.at(i);
        if (c == '_') {
            bytes.append(' ');
        } else if (c == '=' && i + 2 < size && hexDigitValue(text.at(i + 1)) >= 0
                   && hexDigitValue(text.at(i + 2)) >= 0) {
            bytes.append(char(hexDigitValue(text.at(i + 1)) * 16 + hexDigitValue(text.at(i + 2))));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return bytes;
}

bool isEncodingLetter(const QByteArray &letter)
{
    return letter == "Q" || letter == "q" || letter == "B" || letter == "b";
}

QString decodeWordText(const QByteArray &charset, const QByteArray &letter, const QByteArray &text)
{
    if (letter == "Q" || letter == "q")
        return decodeCharsetBytes(decodeQText(text), charset);
    if (letter == "B" || letter == "b")
        return decodeCharsetBytes(QByteArray::fromBase64(text), charset);
    return QString::fromUtf8(text);
}

QString decodeWord(const QByteArray &word)
{
    bool noMoreWords = false;
    if (word.startsWith("=?")) {
        const FoundWord found = parseWordAt(word, 0, &noMoreWords);
        if (found.end == word.size())
            return found.text;
    }
    return QString::fromUtf8(word);
}

QString decodeHeaderValue(const QByteArray &value)
{
    QString decoded;
    int plainFrom = 0;
    bool afterWord = false;
    bool noMoreWords = false;
    for (int opener = value.indexOf("=?"); opener >= 0 && !noMoreWords;
         opener = value.indexOf("=?", opener + 1)) {
        const FoundWord found = parseWordAt(value, opener, &noMoreWords);
        if (found.end < 0)
            continue;
        // Blanks between two adjacent words are folding, not text (RFC 2047, 6.2).
        if (!(afterWord && isAllBlank(value, plainFrom, opener)))
            decoded += QString::fromUtf8(value.constData() + plainFrom, opener - plainFrom);
        decoded += found.text;
        afterWord = true;
        plainFrom = found.end;
        opener = found.end - 1;
    }
    decoded += QString::fromUtf8(value.constData() + plainFrom, value.size() - plainFrom);
    return decoded;
}

} // namespace encodedwords
