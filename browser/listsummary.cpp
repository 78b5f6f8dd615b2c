#include "browser/listsummary.h"

#include "platform/charset.h"
#include "scan/encodedwords.h"

#include <QDebug>
#include <QFile>
#include <QIODevice>

namespace listsummary {

namespace {

using encodedwords::decodeWordText;

const QByteArray kWordEnd = QByteArrayLiteral("?=");
const QByteArray kWordEndAtLineEnd = QByteArrayLiteral("?=\n");
// Marker of a UTF-8 Q word, matched in any letter case: writers differ in
// how they spell the charset and the letter.
const QByteArray kUtf8QMarker = QByteArrayLiteral("=?utf-8?q?");

bool startsWithNoCase(const QByteArray &text, const char *prefix)
{
    const int length = int(qstrlen(prefix));
    return text.size() >= length && qstrnicmp(text.constData(), prefix, length) == 0;
}

bool containsNoCase(const QByteArray &text, const QByteArray &lowerMarker)
{
    return text.toLower().contains(lowerMarker);
}

// text without any occurrence of the (lower-case) marker in any letter case,
// found left to right without rescanning what the removal joins.
QByteArray removedNoCase(const QByteArray &text, const QByteArray &lowerMarker)
{
    // toLower() keeps every byte at its index, so positions carry over.
    const QByteArray lower = text.toLower();
    QByteArray result;
    int from = 0;
    for (int at = lower.indexOf(lowerMarker); at >= 0; at = lower.indexOf(lowerMarker, from)) {
        result += text.mid(from, at - from);
        from = at + lowerMarker.size();
    }
    result += text.mid(from);
    return result;
}

QByteArray withoutWordEnds(QByteArray text)
{
    return text.replace(kWordEnd, QByteArray());
}

bool isQLetter(const QByteArray &letter)
{
    return letter == "Q" || letter == "q";
}

bool isBLetter(const QByteArray &letter)
{
    return letter == "B" || letter == "b";
}

// text cut at every "?=", empty pieces kept.
QList<QByteArray> splitAtWordEnds(const QByteArray &text)
{
    QList<QByteArray> pieces;
    int from = 0;
    for (int at = text.indexOf(kWordEnd); at >= 0; at = text.indexOf(kWordEnd, from)) {
        pieces.append(text.mid(from, at - from));
        from = at + kWordEnd.size();
    }
    pieces.append(text.mid(from));
    return pieces;
}

void noteDiagnostic(QByteArray *diagnostics, const QByteArray &text)
{
    if (diagnostics)
        diagnostics->append(QByteArrayLiteral("lines - ") + text + '\n');
}

// A line folded onto a From or Subject header. Only a word right after the
// one leading blank or tab is decoded, with that word's own fields.
QString decodeContinuationLine(const QByteArray &line)
{
    QByteArray charset;
    QByteArray letter;
    QByteArray text = line;
    if (line.startsWith(" =?") || line.startsWith("\t=?")) {
        const encodedwords::WordParts parts = encodedwords::splitWord(line.mid(3));
        charset = parts.charset;
        letter = parts.letter;
        text = parts.text;
    }
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        return decodeWordText(charset, letter, text);
    }
    const QList<QByteArray> pieces = splitAtWordEnds(text);
    if (pieces.size() >= 2 && encodedwords::isEncodingLetter(letter))
        return decodeWordText(charset, letter, pieces.at(0)) + QString::fromUtf8(pieces.at(1));
    // A plain folded line that happens to hold "?=" stays as it is.
    return QString::fromUtf8(text);
}

// The first line of an encoded From header, less its "From: =?" or
// "From: \"=" (eight characters either way).
QString decodeEncodedFromLine(const QByteArray &rest, bool quoted, QByteArray *diagnostics)
{
    const encodedwords::WordParts parts = encodedwords::splitWord(rest);
    const QByteArray &charset = parts.charset;
    const QByteArray &letter = parts.letter;
    QByteArray text = parts.text;
    // The quoted form loses one character too few, so its charset name lands
    // in the letter field and its letter starts the text.
    const QByteArray &wordCharset = quoted ? letter : charset;

    // 1. The word ends the line.
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        return decodeWordText(charset, letter, text);
    }

    // 2. A letter marker in the text (the quoted form), or a word followed by
    //    more text that is not Base64.
    if (containsNoCase(text, "q?") || (text.contains(kWordEnd) && !isBLetter(letter))) {
        text = removedNoCase(text, "q?");
        if (startsWithNoCase(text, "b?")) {
            text = removedNoCase(text, "b?");
            const int address = text.indexOf('<');
            if (address >= 0)
                text.truncate(address);
            return decodeWordText(wordCharset, QByteArrayLiteral("B"), text);
        }
        text = withoutWordEnds(text);
        if (!charset.isEmpty() && platform::isKnownCharset(charset))
            noteDiagnostic(diagnostics, text);
        return decodeWordText(charset, QByteArrayLiteral("Q"), text);
    }

    // 3. A B word followed by more text: the word, then the piece after it
    //    less its last character.
    if (text.contains(kWordEnd)) {
        const QList<QByteArray> pieces = splitAtWordEnds(text);
        QByteArray tail = pieces.at(1);
        tail.chop(1);
        return decodeWordText(charset, letter, pieces.at(0)) + QString::fromUtf8(tail);
    }

    // 4. Anything else stays.
    return QString::fromUtf8(text);
}

// The first line of an encoded Subject header, less its "Subject: =?".
QString decodeEncodedSubjectLine(const QByteArray &rest)
{
    const encodedwords::WordParts parts = encodedwords::splitWord(rest);
    QByteArray text = parts.text;
    if (text.endsWith(kWordEndAtLineEnd)) {
        text.chop(kWordEndAtLineEnd.size());
        if (isQLetter(parts.letter))
            text = withoutWordEnds(removedNoCase(text, kUtf8QMarker));
        return decodeWordText(parts.charset, parts.letter, text);
    }
    if (containsNoCase(text, kUtf8QMarker) || text.contains(kWordEnd))
        return decodeWordText(parts.charset, parts.letter, withoutWordEnds(removedNoCase(text, kUtf8QMarker)));
    return QString::fromUtf8(text);
}

// The first line of a plain Subject header, less its "Subject: ". Only a
// UTF-8 Q word leads to decoding; the text before it stays.
QString decodePlainSubjectLine(QByteArray rest, QByteArray *diagnostics)
{
    const int mark = rest.indexOf('?');
    const QByteArray charset = mark < 0 ? rest : rest.left(mark);
    QByteArray letter = charset;
    if (containsNoCase(rest, kUtf8QMarker))
        letter = QByteArrayLiteral("Q");

    if (rest.endsWith(kWordEndAtLineEnd)) {
        rest.chop(kWordEndAtLineEnd.size());
        if (isQLetter(letter))
            rest = withoutWordEnds(removedNoCase(rest, kUtf8QMarker));
        return decodeWordText(charset, letter, rest);
    }
    if (containsNoCase(rest, QByteArrayLiteral(" ") + kUtf8QMarker) || rest.contains(kWordEnd)) {
        rest = withoutWordEnds(removedNoCase(rest, kUtf8QMarker));
        if (isQLetter(letter) && platform::isKnownCharset(charset))
            noteDiagnostic(diagnostics, rest);
        return decodeWordText(charset, letter, rest);
    }
    return QString::fromUtf8(rest);
}

// Collects one header (From or Subject) while the lines of a file go by:
// its first line, then the lines folded onto it.
class HeaderCollector
{
public:
    explicit HeaderCollector(const char *prefix) : m_prefix(prefix) {}

    bool isDone() const { return m_phase == Phase::Done; }

    // Takes one line; true when the header is complete with it.
    bool take(const QByteArray &line)
    {
        switch (m_phase) {
        case Phase::Searching:
            if (startsWithNoCase(line, m_prefix)) {
                m_first = line;
                m_phase = Phase::Folding;
            }
            return false;
        case Phase::Folding:
            if (line.startsWith(' ') || line.startsWith('\t')) {
                m_folded.append(line);
                return false;
            }
            m_phase = Phase::Done;
            return true;
        case Phase::Done:
            break;
        }
        return false;
    }

    // Ends the header at the end of the file; true when one was being read.
    bool finish()
    {
        if (m_phase != Phase::Folding)
            return false;
        m_phase = Phase::Done;
        return true;
    }

    const QByteArray &firstLine() const { return m_first; }
    const QList<QByteArray> &foldedLines() const { return m_folded; }

private:
    enum class Phase { Searching, Folding, Done };
    const char *m_prefix;
    Phase m_phase = Phase::Searching;
    QByteArray m_first;
    QList<QByteArray> m_folded;
};

} // namespace

QString decodeSender(const QByteArray &fromLine, const QList<QByteArray> &continuationLines,
                     QByteArray *diagnostics)
{
    QString header;
    const bool quoted = startsWithNoCase(fromLine, "From: \"=?");
    if (quoted || startsWithNoCase(fromLine, "From: =?"))
        header = decodeEncodedFromLine(fromLine.mid(8), quoted, diagnostics);
    else
        header = QString::fromUtf8(fromLine);
    for (const QByteArray &line : continuationLines)
        header += decodeContinuationLine(line);
    return header.remove(QStringLiteral("From: "));
}

QString decodeSubject(const QByteArray &subjectLine, const QList<QByteArray> &continuationLines,
                      QByteArray *diagnostics)
{
    QString header;
    if (startsWithNoCase(subjectLine, "Subject: =?"))
        header = decodeEncodedSubjectLine(subjectLine.mid(11));
    else if (startsWithNoCase(subjectLine, "Subject: "))
        header = decodePlainSubjectLine(subjectLine.mid(9), diagnostics);
    else
        header = QString::fromUtf8(subjectLine);
    for (const QByteArray &line : continuationLines)
        header += decodeContinuationLine(line);
    return header.remove(QStringLiteral("Subject: "));
}

QString MessageSummary::displayText() const
{
    return sender + QLatin1Char('\n') + subject;
}

bool MessageSummary::operator==(const MessageSummary &other) const
{
    return sender == other.sender && subject == other.subject && fromFound == other.fromFound
           && subjectFound == other.subjectFound;
}

bool readHeaderLine(QIODevice &device, QByteArray *line)
{
    *line = device.readLine();
    if (line->isEmpty())
        return false;
    if (line->endsWith("\r\n")) {
        line->chop(2);
        line->append('\n');
    }
    const int zero = line->indexOf('\0');
    if (zero >= 0)
        line->truncate(zero);
    return true;
}

MessageSummary summarizeMessage(QIODevice &device, QByteArray *diagnostics)
{
    MessageSummary summary;
    HeaderCollector from("From:");
    HeaderCollector subject("Subject:");
    auto complete = [&](HeaderCollector &header) {
        if (&header == &from) {
            summary.sender = decodeSender(header.firstLine(), header.foldedLines(), diagnostics);
            summary.fromFound = true;
        } else {
            summary.subject = decodeSubject(header.firstLine(), header.foldedLines(), diagnostics);
            summary.subjectFound = true;
        }
    };

    // Both headers are looked for in the same pass; what follows them has
    // no effect, so the read stops once both are complete.
    QByteArray line;
    while (!(from.isDone() && subject.isDone())) {
        if (!readHeaderLine(device, &line)) {
            for (HeaderCollector *header : {&from, &subject}) {
                if (header->finish())
                    complete(*header);
            }
            break;
        }
        for (HeaderCollector *header : {&from, &subject}) {
            if (header->take(line))
                complete(*header);
        }
    }
    return summary;
}

bool summarizeMessageFile(const QString &path, MessageSummary *summary, QByteArray *diagnostics)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *summary = summarizeMessage(file, diagnostics);
    return true;
}

} // namespace listsummary

QDebug operator<<(QDebug debug, const listsummary::MessageSummary &summary)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MessageSummary(" << summary.sender << ", " << summary.subject
                    << ", from " << summary.fromFound << ", subject " << summary.subjectFound << ')';
    return debug;
}
