#include "preview/headerlines.h"

#include "preview/datenormaliser.h"
#include "scan/encodedwords.h"

namespace preview {

bool HeaderLine::operator==(const HeaderLine &other) const
{
    return text == other.text && bold == other.bold;
}

QString fromLine(const QByteArray &value)
{
    return encodedwords::decodeHeaderValue(value);
}

QString recipientLine(const QString &name, const QByteArray &value)
{
    return name + QStringLiteral(": ") + encodedwords::decodeHeaderValue(value);
}

QString subjectLine(const QByteArray &value)
{
    return encodedwords::decodeHeaderValue(value);
}

QString dateLine(const QByteArray &value, PreviewKind kind)
{
    const QString text = QString::fromUtf8(value).simplified();
    if (text.isEmpty())
        return QString();
    return QStringLiteral("Date: ") + normaliseDate(cleanDateText(text, kind));
}

QString bccLine(const QByteArray &value)
{
    return QStringLiteral("\nBcc: ") + encodedwords::decodeHeaderValue(value);
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
        add(fromLine(*header.from), true);
    if (header.to)
        add(recipientLine(QStringLiteral("To"), *header.to));
    if (header.cc)
        add(recipientLine(QStringLiteral("Cc"), *header.cc));
    if (header.subject)
        add(subjectLine(*header.subject));
    if (header.date)
        add(dateLine(*header.date, kind));
    if (header.bcc)
        add(bccLine(*header.bcc));
    if (!header.attachmentNames.isEmpty())
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
