#include "scan/encodedwords.h"

#include "platform/charset.h"
#include "scan/qpdecode.h"

#include <QTextCodec>

#include <algorithm>

namespace encodedwords {

namespace {

const QByteArray kWordEnd = QByteArrayLiteral("?=");
const QByteArray kWordEndAtLineEnd = QByteArrayLiteral("?=\n");

bool startsWithNoCase(const QByteArray &text, const char *prefix)
{
    const int length = int(qstrlen(prefix));
    return text.size() >= length && qstrnicmp(text.constData(), prefix, length) == 0;
}

QByteArray upTo(const QByteArray &bytes, char stop)
{
    const int index = bytes.indexOf(stop);
    return index < 0 ? bytes : bytes.left(index);
}

bool isBLetter(const QByteArray &letter)
{
    return letter == "B" || letter == "b";
}

// A word followed by more text on its line: the text up to the first "?="
// is the word, the piece after it stays as it is, and whatever follows a
// second "?=" is dropped. Without a "?=" or a known letter the text stays.
QString decodeWordAndTail(const QByteArray &charset, const QByteArray &letter,
                          const QByteArray &text)
{
    const int end = text.indexOf(kWordEnd);
    if (end < 0 || !isEncodingLetter(letter))
        return QString::fromUtf8(text);
    const int tailStart = end + kWordEnd.size();
    const int nextEnd = text.indexOf(kWordEnd, tailStart);
    const QByteArray tail = nextEnd < 0 ? text.mid(tailStart) : text.mid(tailStart, nextEnd - tailStart);
    return decodeWordText(charset, letter, text.left(end)) + QString::fromUtf8(tail);
}

// The first line of a From or Subject header. Leaves the charset of its
// encoded word (empty for a plain line) in charset.
QString decodeFirstLine(IndexedField field, const QByteArray &line, QByteArray &charset,
                        QByteArray *diagnostics)
{
    const bool sender = field == IndexedField::Sender;
    QByteArray rest;
    if (sender && (startsWithNoCase(line, "From: =?") || startsWithNoCase(line, "From: \"=?"))) {
        // The quoted form loses eight characters too, so its charset comes
        // out empty and its letter holds the charset name.
        rest = line.mid(8);
    } else if (!sender && startsWithNoCase(line, "Subject: =?")) {
        rest = line.mid(11);
    } else {
        return QString::fromUtf8(line);
    }

    WordParts parts = splitWord(rest);
    charset = parts.charset;
    QByteArray &text = parts.text;
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        return decodeWordText(charset, parts.letter, text);
    }

    const QByteArray preTest = sender ? QByteArrayLiteral("Q?") : QByteArrayLiteral("=?UTF-8?Q?");
    if (!text.contains(preTest) && !text.contains(kWordEnd))
        return QString::fromUtf8(text);
    // Base64 text ends at its "?="; what follows it is no Base64.
    if (isBLetter(parts.letter))
        return decodeWordAndTail(charset, parts.letter, text);
    // QByteArray::replace builds a search table even when nothing matches.
    if (text.contains(preTest))
        text.replace(preTest, QByteArray());
    if (text.contains(kWordEnd))
        text.replace(kWordEnd, QByteArray());
    if (!sender)
        return decodeWordText(charset, parts.letter, text);
    if (!charset.isEmpty() && platform::isKnownCharset(charset) && diagnostics)
        diagnostics->append(QByteArrayLiteral("lines - ") + text + '\n');
    return decodeWordText(charset, QByteArrayLiteral("Q"), text);
}

// One continuation line; an encoded word right after its blank or tab
// replaces charset.
QString decodeContinuationLine(const QByteArray &line, QByteArray &charset)
{
    QByteArray letter;
    QByteArray text = line;
    if (startsWithNoCase(line, " =?") || startsWithNoCase(line, "\t=?")) {
        WordParts parts = splitWord(line.mid(3));
        charset = parts.charset;
        letter = parts.letter;
        text = parts.text;
    }
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        return decodeWordText(charset, letter, text);
    }
    return decodeWordAndTail(charset, letter, text);
}

// The name that is removed from the decoded text of field.
QLatin1String headerName(IndexedField field)
{
    return field == IndexedField::Sender ? QLatin1String("From: ") : QLatin1String("Subject: ");
}

// True when no line of the header holds an encoded word that the decoding
// below would take: each line then reads as UTF-8 as it stands. Reading
// lines that end with a line feed one by one or all in one piece gives the
// same text, since a line feed ends any broken UTF-8 sequence before it;
// only a byte order mark that opens a later line would read otherwise
// (QString::fromUtf8 drops it at the start of a text).
bool isPlainHeader(IndexedField field, const QByteArray &firstLine,
                   const QList<QByteArray> &continuationLines)
{
    const bool encodedFirstLine = field == IndexedField::Sender
        ? startsWithNoCase(firstLine, "From: =?") || startsWithNoCase(firstLine, "From: \"=?")
        : startsWithNoCase(firstLine, "Subject: =?");
    if (encodedFirstLine)
        return false;
    if (continuationLines.isEmpty())
        return true;
    if (!firstLine.endsWith('\n'))
        return false;
    for (int i = 0; i < continuationLines.size(); ++i) {
        const QByteArray &line = continuationLines.at(i);
        if (startsWithNoCase(line, " =?") || startsWithNoCase(line, "\t=?") || line.endsWith(kWordEndAtLineEnd)
            || line.startsWith("\xEF\xBB\xBF"))
            return false;
        if (i + 1 < continuationLines.size() && !line.endsWith('\n'))
            return false;
    }
    return true;
}

} // namespace

bool WordParts::operator==(const WordParts &other) const
{
    return charset == other.charset && letter == other.letter && text == other.text;
}

WordParts splitWord(const QByteArray &afterOpener)
{
    WordParts parts;
    QByteArray rest = afterOpener;
    for (QByteArray *field : {&parts.charset, &parts.letter}) {
        const int mark = rest.indexOf('?');
        if (mark < 0) {
            *field = rest;
            return parts;
        }
        *field = rest.left(mark);
        rest = rest.mid(mark + 1);
    }
    parts.text = rest;
    return parts;
}

bool isEncodingLetter(const QByteArray &letter)
{
    return letter == "Q" || letter == "q" || isBLetter(letter);
}

QString decodeCharsetBytes(const QByteArray &bytes, const QByteArray &charset)
{
    if (platform::isKnownCharset(charset))
        return platform::codecForCharset(charset)->toUnicode(bytes);
    return QString::fromUtf8(upTo(bytes, '\0'));
}

QString decodeWordText(const QByteArray &charset, const QByteArray &letter, const QByteArray &text)
{
    if (letter == "Q" || letter == "q")
        return decodeCharsetBytes(qDecodeBytes(text), charset);
    if (isBLetter(letter))
        return decodeCharsetBytes(QByteArray::fromBase64(text), charset);
    return QString::fromUtf8(text);
}

QString decodeWord(const QByteArray &word)
{
    if (word.size() < 4 || !word.startsWith("=?") || !word.endsWith(kWordEnd))
        return QString::fromUtf8(word);
    const WordParts parts = splitWord(word.mid(2, word.size() - 4));
    // Exactly the four "?" of opener, two separators and closer.
    const bool wellFormed =
        word.count('?') == 4 && !parts.charset.isEmpty() && isEncodingLetter(parts.letter);
    if (!wellFormed)
        return QString::fromUtf8(word);
    return decodeWordText(parts.charset, parts.letter, parts.text);
}

void removeHeaderName(QString &text, QLatin1String name)
{
    // Every occurrence holds the one colon of name: look only around the
    // colons of text. Occurrences cannot overlap, so the first one found
    // is the first one a plain search finds.
    const int colonAt = int(std::find(name.begin(), name.end(), ':') - name.begin());
    Q_ASSERT(colonAt < name.size());
    int found = -1;
    for (int colon = text.indexOf(QLatin1Char(':')); colon >= 0;
         colon = text.indexOf(QLatin1Char(':'), colon + 1)) {
        const int start = colon - colonAt;
        if (start < 0 || text.midRef(start, name.size()) != name)
            continue;
        if (found >= 0) {
            text.remove(QString(name));
            return;
        }
        found = start;
    }
    if (found >= 0)
        text.remove(found, name.size());
}

QString decodeIndexedHeader(IndexedField field, const QByteArray &firstLine,
                            const QList<QByteArray> &continuationLines, QByteArray *diagnostics)
{
    if (isPlainHeader(field, firstLine, continuationLines)) {
        QString text;
        if (continuationLines.isEmpty()) {
            text = QString::fromUtf8(firstLine);
        } else {
            int size = firstLine.size();
            for (const QByteArray &line : continuationLines)
                size += line.size();
            QByteArray bytes;
            bytes.reserve(size);
            bytes += firstLine;
            for (const QByteArray &line : continuationLines)
                bytes += line;
            text = QString::fromUtf8(bytes);
        }
        removeHeaderName(text, headerName(field));
        return text;
    }

    QByteArray charset;
    QString text = decodeFirstLine(field, firstLine, charset, diagnostics);
    for (const QByteArray &line : continuationLines)
        text += decodeContinuationLine(line, charset);
    removeHeaderName(text, headerName(field));
    return text;
}

} // namespace encodedwords

QDebug operator<<(QDebug debug, const encodedwords::WordParts &parts)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "WordParts(" << parts.charset << ", " << parts.letter << ", " << parts.text
                    << ')';
    return debug;
}
