#include "preview/headerlines.h"

#include "preview/datenormaliser.h"
#include "preview/fieldmeasure.h"
#include "scan/encodedwords.h"

namespace preview {

namespace {

const QString kWordEnd = QStringLiteral("?=");
const QString kWordEndAtLineEnd = QStringLiteral("?=\n");
const QString kUtf8QOpener = QStringLiteral("=?UTF-8?Q?");

QString utf8UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), zero < 0 ? bytes.size() : zero);
}

bool isEncodingLetter(const QString &letter)
{
    return letter == QLatin1String("Q") || letter == QLatin1String("B");
}

// Charset, letter and encoded text cut from the text after an opener.
struct SplitWord {
    QString charset;
    QString letter;
    QString text;
};

SplitWord splitEncoded(const QString &afterOpener)
{
    const encodedwords::WordParts parts = encodedwords::splitWord(afterOpener.toUtf8());
    return {QString::fromUtf8(parts.charset), QString::fromUtf8(parts.letter), QString::fromUtf8(parts.text)};
}

QString withoutLastCharacter(QString text)
{
    text.chop(1);
    return text;
}

// Every "=?UTF-8?Q?" and then every "?=" removed.
QString withoutMarkers(QString text)
{
    text.remove(kUtf8QOpener);
    text.remove(kWordEnd);
    return text;
}

} // namespace

bool HeaderLine::operator==(const HeaderLine &other) const
{
    return text == other.text && bold == other.bold;
}

QString decodeEncodedText(const QString &charset, const QString &letter, const QString &text)
{
    if (!isEncodingLetter(letter))
        return text;
    return encodedwords::decodeWordText(charset.toLatin1(), letter.toLatin1(), text.toUtf8());
}

QString fromLine(const QByteArray &value, PreviewKind kind)
{
    static const QString label = QStringLiteral("From: ");
    QString line = QStringLiteral("From:") + utf8UpToZero(value);
    const bool quoted = line.startsWith(QLatin1String("From: \"=?"));
    if (line.startsWith(QLatin1String("From: =?")) || quoted) {
        // The quoted form's prefix is one longer; cutting eight characters
        // leaves its charset name in the letter field and the letter in the text.
        SplitWord word = splitEncoded(line.mid(8));
        QString &text = word.text;
        if (text.endsWith(kWordEndAtLineEnd)) {
            // A single word
            text.chop(kWordEndAtLineEnd.size());
            line = isEncodingLetter(word.letter) ? label + decodeEncodedText(word.charset, word.letter, text)
                                                 : text;
        } else if (text.contains(QLatin1String("Q?"))
                   || (text.contains(kWordEnd) && word.letter != QLatin1String("B"))) {
            // Words run together: decoded as one text
            text.remove(QStringLiteral("Q?"));
            QString charset = word.charset;
            QString letter;
            if (text.startsWith(QLatin1String("B?"))) {
                text.remove(QStringLiteral("B?"));
                text.remove(QStringLiteral("=?=\""));
                const int address = text.indexOf(QLatin1Char('<'));
                if (address >= 0)
                    text.truncate(address);
                if (quoted)
                    charset = word.letter;
                letter = QStringLiteral("B");
            } else {
                text.remove(kWordEnd);
                letter = QStringLiteral("Q");
            }
            line = decodeEncodedText(charset, letter, text);
        } else {
            // A word and the text after it
            const QStringList parts = text.split(kWordEnd);
            if (parts.size() < 2)
                line = text;
            else if (isEncodingLetter(word.letter))
                line = label + decodeEncodedText(word.charset, word.letter, parts.at(0))
                    + withoutLastCharacter(parts.at(1));
            else
                line = text + withoutLastCharacter(parts.at(1));
        }
    }
    if (kind == PreviewKind::ByteRange && line.contains(QLatin1Char('\n'))) {
        const QStringList pieces = line.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        line = pieces.isEmpty() ? QString() : pieces.first();
    }
    if (line.startsWith(label))
        line.remove(label);
    return line;
}

QString recipientLine(const QString &name, const QByteArray &value)
{
    const QString label = name + QStringLiteral(": ");
    const QString line = name + QLatin1Char(':') + utf8UpToZero(value);
    const QString prefix = label + QStringLiteral("=?");
    if (!line.startsWith(prefix))
        return line;
    SplitWord word = splitEncoded(line.mid(prefix.size()));
    QString &text = word.text;
    const bool decoded = isEncodingLetter(word.letter);
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        return decoded ? label + decodeEncodedText(word.charset, word.letter, text) : text;
    }
    const QStringList parts = text.split(kWordEnd);
    if (parts.size() < 2)
        return text;
    if (!decoded)
        return text + withoutLastCharacter(parts.at(1));
    // Recipients after the first word stay, undecoded, less the line end.
    const QString rest = withoutLastCharacter(parts.mid(1).join(kWordEnd));
    return label + decodeEncodedText(word.charset, word.letter, parts.at(0)) + rest;
}

namespace {

// The first line of a subject, "Subject:" and the value's first line;
// leaves the charset of its encoded word in charset.
QString decodeSubjectFirstLine(const QString &work, PreviewKind kind, QString &charset)
{
    const bool wholeFile = kind == PreviewKind::WholeFile;
    if (work.startsWith(QLatin1String("Subject: =?"), Qt::CaseInsensitive)) {
        // An encoded start
        SplitWord word = splitEncoded(work.mid(11));
        charset = word.charset;
        const QString &letter = word.letter;
        QString &text = word.text;
        if (text.endsWith(kWordEndAtLineEnd)) {
            text.chop(kWordEndAtLineEnd.size());
            if (wholeFile && letter == QLatin1String("Q")
                && (text.contains(kUtf8QOpener) || text.contains(kWordEnd)))
                text = withoutMarkers(text);
            return decodeEncodedText(charset, letter, text);
        }
        const bool markers = wholeFile
            ? (text.contains(QLatin1String(" =?UTF-8?Q?"))
               || (text.contains(kWordEnd) && letter != QLatin1String("B")))
            : (text.contains(kUtf8QOpener) || text.contains(kWordEnd));
        if (markers)
            return decodeEncodedText(charset, letter, withoutMarkers(text));
        if (!wholeFile)
            return text;
        const QStringList parts = text.split(kWordEnd);
        if (parts.size() < 2)
            return text;
        return decodeEncodedText(charset, letter, parts.at(0)) + withoutLastCharacter(parts.at(1));
    }
    if (wholeFile && work.startsWith(QLatin1String("Subject: "), Qt::CaseInsensitive)) {
        // Plain text first, maybe followed by UTF-8 Q words
        QString text = work.mid(9);
        const int mark = text.indexOf(QLatin1Char('?'));
        charset = mark < 0 ? text : text.left(mark);
        QString letter = charset;
        if (text.contains(kUtf8QOpener))
            letter = QStringLiteral("Q");
        if (text.endsWith(kWordEndAtLineEnd)) {
            text.chop(kWordEndAtLineEnd.size());
            if (letter == QLatin1String("Q") && (text.contains(kUtf8QOpener) || text.contains(kWordEnd)))
                text = withoutMarkers(text);
            return decodeEncodedText(charset, letter, text);
        }
        if (text.contains(QLatin1String(" =?UTF-8?Q?")) || text.contains(kWordEnd))
            return decodeEncodedText(charset, letter, withoutMarkers(text));
        return text;
    }
    return work;
}

// One continuation line; an encoded word right after its blank or tab
// replaces charset.
QString decodeSubjectContinuation(QString next, PreviewKind kind, QString &charset)
{
    QString letter;
    if (next.startsWith(QLatin1String(" =?")) || next.startsWith(QLatin1String("\t=?"))) {
        const SplitWord word = splitEncoded(next.mid(3));
        charset = word.charset;
        letter = word.letter;
        next = word.text;
    }
    if (next.endsWith(kWordEndAtLineEnd)) {
        next.chop(kWordEndAtLineEnd.size());
        return decodeEncodedText(charset, letter, next);
    }
    if (kind == PreviewKind::ByteRange) {
        const QStringList parts = next.split(kWordEnd);
        if (parts.size() < 2)
            return next;
        if (isEncodingLetter(letter))
            return decodeEncodedText(charset, letter, parts.at(0)) + parts.at(1);
        return next + parts.at(1);
    }
    if (next.contains(kUtf8QOpener) || next.contains(kWordEnd))
        return decodeEncodedText(charset, letter, withoutMarkers(next));
    return next;
}

bool isContinuationLine(const QString &line)
{
    return line.startsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('\t'));
}

} // namespace

QString subjectLine(const QByteArray &value, PreviewKind kind)
{
    const QList<QByteArray> lines = textLines(value.left(textLength(value)));
    QString work = QStringLiteral("Subject:");
    QString shown;
    QString charset;
    int index = 0;
    while (index < lines.size()) {
        work += QString::fromUtf8(lines.at(index++));
        if (!work.startsWith(QLatin1String("Subject:"), Qt::CaseInsensitive))
            continue;
        work = decodeSubjectFirstLine(work, kind, charset);
        while (index < lines.size()) {
            const QString next = QString::fromUtf8(lines.at(index));
            if (!isContinuationLine(next))
                break;
            ++index;
            work += decodeSubjectContinuation(next, kind, charset);
        }
        shown = work;
        shown.remove(QStringLiteral("Subject: "));
        shown.remove(QStringLiteral("Subject:\n"));
        work.clear();
    }
    return shown;
}

QString dateLine(const QByteArray &value, PreviewKind kind)
{
    const QString text = utf8UpToZero(value).mid(1);
    if (text.isEmpty())
        return QString();
    return QStringLiteral("Date: ") + normaliseDate(cleanDateText(text, kind));
}

QString bccLine(const QByteArray &value)
{
    return QStringLiteral("\nBcc: ") + utf8UpToZero(value);
}

QString attachmentsLine(const QStringList &names, PreviewKind kind)
{
    const QString separator = kind == PreviewKind::ByteRange ? QStringLiteral(", ") : QStringLiteral("\n");
    return QStringLiteral("\nAttachments: ") + names.join(separator);
}

QList<HeaderLine> headerLines(const RawHeader &header, PreviewKind kind)
{
    QList<HeaderLine> lines;
    auto add = [&lines](const QString &text, bool bold = false) { lines.append({text, bold}); };
    if (header.from)
        add(fromLine(*header.from, kind), true);
    if (header.to)
        add(recipientLine(QStringLiteral("To"), *header.to));
    if (header.cc)
        add(recipientLine(QStringLiteral("Cc"), *header.cc));
    if (kind == PreviewKind::WholeFile && header.ccCapitals)
        add(recipientLine(QStringLiteral("CC"), *header.ccCapitals));
    if (header.subject)
        add(subjectLine(*header.subject, kind));
    if (header.date)
        add(dateLine(*header.date, kind));
    if (header.bcc)
        add(bccLine(*header.bcc));
    const bool names = kind == PreviewKind::ByteRange ? header.quotedNameSeen || header.unquotedNameSeen
                                                      : header.quotedNameSeen;
    if (names)
        add(attachmentsLine(header.attachmentNames, kind));
    return lines;
}

} // namespace preview

QDebug operator<<(QDebug debug, const preview::HeaderLine &line)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "HeaderLine(" << line.text << (line.bold ? ", bold)" : ")");
    return debug;
}
