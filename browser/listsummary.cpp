#include "browser/listsummary.h"

#include "scan/encodedwords.h"
#include "scan/headerfields.h"

#include <QFile>
#include <QIODevice>

namespace listsummary {

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
    line->clear();
    bool any = false;
    bool ended = false;
    // A piece at a time, so that a line without end never fills memory.
    while (!ended) {
        const QByteArray piece = device.readLine(kLineByteLimit);
        if (piece.isEmpty())
            break;
        any = true;
        ended = piece.endsWith('\n');
        const int content = piece.size() - (ended ? 1 : 0);
        line->append(piece.constData(), qMin(content, kLineByteLimit - line->size()));
    }
    if (ended)
        line->append('\n');
    // A zero byte ends the text of its line: what follows it, the line end
    // included, is never read as header text.
    const int zero = line->indexOf('\0');
    if (zero >= 0)
        line->truncate(zero);
    return any;
}

MessageSummary summarizeMessage(QIODevice &device)
{
    enum { From, Subject };
    headerfields::FieldCollector fields({QByteArrayLiteral("From"), QByteArrayLiteral("Subject")});
    QByteArray line;
    // Nothing after both headers matters once the last of them is complete.
    auto complete = [&fields]() {
        return fields.isDone() || (fields.found(From) && fields.found(Subject) && !fields.isFolding());
    };
    while (!complete() && readHeaderLine(device, &line)) {
        // A line that begins with a zero byte has no text; it is not the
        // empty line that ends the header block.
        if (!line.isEmpty())
            fields.take(line);
    }

    MessageSummary summary;
    summary.fromFound = fields.found(From);
    summary.subjectFound = fields.found(Subject);
    summary.sender = encodedwords::decodeHeaderValue(fields.value(From));
    summary.subject = encodedwords::decodeHeaderValue(fields.value(Subject));
    return summary;
}

bool summarizeMessageFile(const QString &path, MessageSummary *summary)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *summary = summarizeMessage(file);
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
