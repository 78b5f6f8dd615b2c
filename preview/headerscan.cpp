#include "preview/headerscan.h"

#include "preview/fieldmeasure.h"

#include <cstring>

namespace preview {

namespace {

// The scan looks at a position only while this many bytes remain.
const int kScanWindow = 24;

enum class Field { From, To, Subject, Cc, CcCapitals, Bcc, Date };

struct FieldKey {
    Field field;
    const char *keyword; // with the line feed that must stand before the name
};

const FieldKey kFieldKeys[] = {
    {Field::From, "\nFrom:"}, {Field::To, "\nTo:"},   {Field::Subject, "\nSubject:"},
    {Field::Cc, "\nCc:"},     {Field::CcCapitals, "\nCC:"}, {Field::Bcc, "\nBcc:"},
    {Field::Date, "\nDate:"},
};

const char kTransferEncoding[] = "Content-Transfer-Encoding:";
const char kTransferEncodingCapitalQp[] = "Content-Transfer-Encoding: QUOTED-PRINTABLE";
const char kCharset[] = "charset";
const char kFileName[] = "filename=";
const char kQuotedFileName[] = "filename=\"";
const char kApplicationPart[] = "Content-Type: application/";

QString utf8UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), zero < 0 ? bytes.size() : zero);
}

// Second piece of text split at separator, when there is one.
bool secondPiece(const QString &text, const QString &separator, QString &piece)
{
    const QStringList pieces = text.split(separator);
    if (pieces.size() < 2)
        return false;
    piece = pieces.at(1);
    return true;
}

class Scanner
{
public:
    Scanner(const QByteArray &message, PreviewKind kind)
        : m_message(message), m_data(message.constData()), m_size(message.size()),
          m_textEnd(textLength(message)), m_kind(kind)
    {
    }

    RawHeader run()
    {
        int i = 0;
        while (i + kScanWindow <= m_size) {
            if (!mayStartKeyword(i)) {
                ++i;
                continue;
            }
            // 1. Transfer encoding (and, in a whole file, charset) outside a part header
            if (wholeFile() && !m_partFound)
                takeCharset(i);
            if (topLevelTransferEncodingOpen() && matchAt(i, kTransferEncoding))
                takeTransferEncoding(i);
            // 2. Header fields, first occurrence only
            for (const FieldKey &key : kFieldKeys) {
                if (key.field != Field::CcCapitals || wholeFile())
                    takeField(key, i);
            }
            // 3. The transfer encoding written in capitals
            if (wholeFile() && !m_capitalQpTaken && matchAt(i, kTransferEncodingCapitalQp)) {
                m_capitalQpTaken = true;
                takeTransferEncoding(i);
            }
            // 4. Attachment names, every occurrence
            takeAttachmentName(i);
            // 5. The text part to show
            const PartForm form = partFormAt(i);
            if (form == PartForm::Html) {
                m_header.htmlFound = true;
                m_header.partIsHtml = true;
                const int next = scanPartHeader(i, false);
                if (next < 0)
                    break;
                i = next;
                continue;
            }
            if (form == PartForm::Plain && m_plainParts > 0) {
                // The first plain part is the body; in a whole file a second
                // one is an attachment that ends the scan.
                if (wholeFile()) {
                    m_header.htmlFound = true;
                    scanAttachmentNamesOnly(i);
                    break;
                }
            } else if (form == PartForm::Plain) {
                ++m_plainParts;
                const int next = scanPartHeader(i, true);
                if (next < 0)
                    break;
                i = next;
                continue;
            }
            // 6. An application part ends a whole file's scan
            if (wholeFile() && matchAt(i, kApplicationPart)) {
                m_header.htmlFound = true;
                scanAttachmentNamesOnly(i);
                break;
            }
            ++i;
        }
        return m_header;
    }

private:
    enum class PartForm { None, Html, Plain };

    bool wholeFile() const { return m_kind == PreviewKind::WholeFile; }

    bool matchAt(int pos, const char *keyword) const
    {
        const int length = int(std::strlen(keyword));
        return pos >= 0 && length <= m_size - pos && std::memcmp(m_data + pos, keyword, length) == 0;
    }

    // Every keyword begins with one of these bytes (a header name on the
    // first line with any letter); the rest are skipped fast.
    bool mayStartKeyword(int pos) const
    {
        switch (m_data[pos]) {
        case '\n':
        case 'C':
        case 'c':
        case 'f':
            return true;
        default:
            return pos == 0;
        }
    }

    // Once the header of the part to show has been read, a transfer encoding
    // or charset further on belongs to another part (an attached image, a
    // text attachment) and must not decode the one shown.
    bool topLevelTransferEncodingOpen() const { return !m_partFound; }

    // The single line at pos, measured like a parameter: up to and
    // including its line feed, short of the message's last byte.
    QString singleLineAt(int pos) const
    {
        const quint64 count = measureToLineEnd(m_message, quint64(pos), quint64(m_size));
        if (quint64(pos) + count > quint64(m_size))
            return QString();
        return utf8UpToZero(m_message.mid(pos, int(count) + 1));
    }

    void takeTransferEncoding(int pos)
    {
        QString value;
        if (secondPiece(singleLineAt(pos), QStringLiteral(":"), value))
            m_header.transferEncoding = value;
    }

    void takeCharset(int pos)
    {
        if (!matchAt(pos, kCharset))
            return;
        const QString line = singleLineAt(pos);
        const QString separator = line.contains(QLatin1Char('"')) ? QStringLiteral("\"") : QStringLiteral("=");
        QString value;
        if (secondPiece(line, separator, value))
            m_header.charset = value;
    }

    std::optional<QByteArray> &target(Field field)
    {
        switch (field) {
        case Field::From:
            return m_header.from;
        case Field::To:
            return m_header.to;
        case Field::Subject:
            return m_header.subject;
        case Field::Cc:
            return m_header.cc;
        case Field::CcCapitals:
            return m_header.ccCapitals;
        case Field::Bcc:
            return m_header.bcc;
        case Field::Date:
            break;
        }
        return m_header.date;
    }

    // Index of the header name's first letter when key's name starts a line
    // at pos; the message's first line counts as if a line feed stood before it.
    int fieldNameStart(const FieldKey &key, int pos) const
    {
        if (matchAt(pos, key.keyword))
            return pos + 1;
        if (pos == 0 && matchAt(0, key.keyword + 1))
            return 0;
        return -1;
    }

    void takeField(const FieldKey &key, int pos)
    {
        std::optional<QByteArray> &value = target(key.field);
        if (value)
            return;
        const int nameStart = fieldNameStart(key, pos);
        if (nameStart < 0)
            return;
        const quint64 nameLength = std::strlen(key.keyword) - 1;
        const quint64 count = measureFoldedField(m_message, m_textEnd, quint64(nameStart));
        value = QByteArray("");
        if (quint64(nameStart) + count <= quint64(m_size) && count > nameLength)
            value = m_message.mid(int(nameStart + nameLength), int(count - nameLength));
    }

    void takeAttachmentName(int pos)
    {
        if (wholeFile()) {
            takeWholeFileAttachmentName(pos);
            return;
        }
        if (matchAt(pos, kQuotedFileName)) {
            m_header.quotedNameSeen = true;
            const quint64 count = measureQuotedName(m_message, quint64(pos), quint64(m_size));
            if (quint64(pos) + count > quint64(m_size))
                return;
            // The name runs from the opening quote to the next quote, the end
            // of the measured span or a zero byte, whichever comes first.
            const int nameStart = pos + int(std::strlen(kQuotedFileName));
            int nameEnd = pos + int(count) + 1;
            if (nameEnd < nameStart)
                return;
            for (char stop : {'"', '\0'}) {
                const int found = m_message.indexOf(stop, nameStart);
                if (found >= 0 && found < nameEnd)
                    nameEnd = found;
            }
            m_header.attachmentNames.append(QString::fromUtf8(m_data + nameStart, qMax(0, nameEnd - nameStart)));
        } else if (matchAt(pos, kFileName)) {
            m_header.unquotedNameSeen = true;
            QString name;
            if (secondPiece(singleLineAt(pos), QStringLiteral("="), name))
                m_header.attachmentNames.append(name);
        }
    }

    void takeWholeFileAttachmentName(int pos)
    {
        if (!matchAt(pos, kFileName))
            return;
        m_header.quotedNameSeen = true;
        // The parameter may be folded: measure it like a header field whose
        // name begins one byte further on.
        const quint64 count = measureFoldedField(m_message, m_textEnd, quint64(pos) + 1);
        QString text;
        if (quint64(pos) + count <= quint64(m_size))
            text = utf8UpToZero(m_message.mid(pos, int(count)));
        QString name;
        if (text.contains(QLatin1Char('"')))
            secondPiece(text, QStringLiteral("\""), name);
        else
            secondPiece(singleLineAt(pos), QLatin1String(kFileName), name);
        if (!name.isEmpty())
            m_header.attachmentNames.append(name);
    }

    void scanAttachmentNamesOnly(int from)
    {
        for (int pos = from; pos + kScanWindow <= m_size; ++pos)
            takeWholeFileAttachmentName(pos);
    }

    PartForm partFormAt(int pos) const
    {
        if (m_data[pos] != 'C')
            return PartForm::None;
        const bool html = wholeFile()
            ? (matchAt(pos, "Content-Type: text/html") || matchAt(pos, "Content-type: text/html;")
               || matchAt(pos, "Content-Type: TEXT/HTML;") || matchAt(pos, "Content-Type: TEXT/HTML\n")
               || (!m_header.htmlFound && matchAt(pos, "Content-Type: text\r\n")))
            : (matchAt(pos, "Content-Type: text/html") || matchAt(pos, "Content-type: text/html;")
               || (!m_header.htmlFound && matchAt(pos, "Content-Type: TEXT/HTML;")));
        if (html)
            return PartForm::Html;
        if (m_header.htmlFound)
            return PartForm::None;
        const bool plain = matchAt(pos, "Content-Type: text/plain;") || matchAt(pos, "Content-Type: TEXT/PLAIN;")
            || (wholeFile()
                && (matchAt(pos, "Content-type: text/plain;") || matchAt(pos, "Content-Type: Text/Plain;")));
        return plain ? PartForm::Plain : PartForm::None;
    }

    bool partTransferEncodingAt(int pos, bool plainPart) const
    {
        if (matchAt(pos, kTransferEncoding))
            return true;
        if (wholeFile())
            return matchAt(pos, "Content-transfer-encoding:");
        return plainPart && matchAt(pos, "content-transfer-encoding");
    }

    // Scans the header of the part whose Content-Type stands at from. Returns
    // the position at which the outer scan goes on, or -1 when the part
    // header never ends.
    int scanPartHeader(int from, bool plainPart)
    {
        m_partFound = true;
        bool transferEncodingTaken = false;
        for (int j = from; j < m_size; ++j) {
            // 1. Charset, every occurrence
            takeCharset(j);
            // 2. The part's first transfer-encoding line
            if (!transferEncodingTaken && partTransferEncodingAt(j, plainPart)) {
                transferEncodingTaken = true;
                takeTransferEncoding(j);
            }
            // 3. Header fields not found yet
            for (const FieldKey &key : kFieldKeys) {
                const bool tested = wholeFile() ? (key.field != Field::To && key.field != Field::Cc)
                                                : key.field != Field::CcCapitals;
                if (tested)
                    takeField(key, j);
            }
            // 4. The blank line that ends the part header
            if (matchAt(j, "\n\n") || matchAt(j, "\r\n\r\n")) {
                m_header.partText = m_message.mid(j);
                return j + 1;
            }
        }
        return -1;
    }

    const QByteArray &m_message;
    const char *m_data;
    const int m_size;
    // End of the text the measurements see: the first zero byte.
    const int m_textEnd;
    const PreviewKind m_kind;
    RawHeader m_header;
    bool m_partFound = false;
    bool m_capitalQpTaken = false;
    int m_plainParts = 0;
};

} // namespace

bool RawHeader::operator==(const RawHeader &other) const
{
    return from == other.from && to == other.to && subject == other.subject && cc == other.cc
        && ccCapitals == other.ccCapitals && bcc == other.bcc && date == other.date
        && attachmentNames == other.attachmentNames && quotedNameSeen == other.quotedNameSeen
        && unquotedNameSeen == other.unquotedNameSeen && transferEncoding == other.transferEncoding
        && charset == other.charset && htmlFound == other.htmlFound && partIsHtml == other.partIsHtml
        && partText == other.partText;
}

RawHeader scanRawHeader(const QByteArray &message, PreviewKind kind)
{
    return Scanner(message, kind).run();
}

} // namespace preview

QDebug operator<<(QDebug debug, const preview::RawHeader &header)
{
    QDebugStateSaver saver(debug);
    auto value = [](const std::optional<QByteArray> &field) {
        return field ? *field : QByteArray("<absent>");
    };
    debug.nospace() << "RawHeader(from " << value(header.from) << ", to " << value(header.to)
                    << ", subject " << value(header.subject) << ", cc " << value(header.cc) << ", CC "
                    << value(header.ccCapitals) << ", bcc " << value(header.bcc) << ", date "
                    << value(header.date) << ", names " << header.attachmentNames << ", encoding "
                    << header.transferEncoding << ", charset " << header.charset << ", html "
                    << header.htmlFound << '/' << header.partIsHtml << ", part "
                    << value(header.partText) << ')';
    return debug;
}
