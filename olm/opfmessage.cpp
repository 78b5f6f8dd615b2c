#include "olm/opfmessage.h"

#include "olm/mailmlrc.h"

#include <QDate>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstring>
#include <ctime>
#include <locale.h>

namespace opf {

namespace {

// The start tag is taken to run 22 bytes past its name text (its attributes
// and ">"), as the backup writes them.
constexpr int kStartTagTail = 22;

const QByteArray kMessageEnd = QByteArrayLiteral("</email>");
const QByteArray kAddressItemEnd = QByteArrayLiteral("</emailAddress>");
const QByteArray kAttachmentItemEnd = QByteArrayLiteral("</messageAttachment>");
const QString kUnknownName = QStringLiteral("Unknown Name");

enum Element {
    Body,
    AttachmentList,
    FromAddresses,
    ToAddresses,
    SentTime,
    Subject,
    ThreadTopic,
    MessageID,
    References,
    InReplyTo,
    CCAddresses,
    BCCAddresses,
    ReceivedTime,
    IsOutgoing,
    Priority,
    ElementCount
};

// The fifteen elements of a message, in the order they are worked.
const char *const kElementNames[ElementCount] = {
    "OPFMessageCopyBody",        "OPFMessageCopyAttachmentList", "OPFMessageCopyFromAddresses",
    "OPFMessageCopyToAddresses", "OPFMessageCopySentTime",       "OPFMessageCopySubject",
    "OPFMessageCopyThreadTopic", "OPFMessageCopyMessageID",      "OPFMessageCopyReferences",
    "OPFMessageCopyInReplyTo",   "OPFMessageCopyCCAddresses",    "OPFMessageCopyBCCAddresses",
    "OPFMessageCopyReceivedTime", "OPFMessageIsOutgoing",        "OPFMessageGetPriority",
};

struct TagPositions {
    int start[ElementCount];
    int end[ElementCount];
};

// First occurrence of every start-tag text and end tag, in one pass over the
// '<' of the message; the same positions as fifteen pairs of searches from
// the first byte.
TagPositions findTags(const QByteArray &message)
{
    static const QByteArray kCommon = QByteArrayLiteral("OPFMessage");
    TagPositions tags;
    std::fill(std::begin(tags.start), std::end(tags.start), -1);
    std::fill(std::begin(tags.end), std::end(tags.end), -1);
    const char *data = message.constData();
    const int size = message.size();
    int pos = 0;
    while (pos < size) {
        const void *hit = std::memchr(data + pos, '<', std::size_t(size - pos));
        if (!hit)
            break;
        const int at = int(static_cast<const char *>(hit) - data);
        pos = at + 1;
        const bool closing = at + 1 < size && data[at + 1] == '/';
        const int nameAt = at + (closing ? 2 : 1);
        if (size - nameAt < kCommon.size() || std::memcmp(data + nameAt, kCommon.constData(), 10) != 0)
            continue;
        for (int e = 0; e < ElementCount; ++e) {
            int &slot = closing ? tags.end[e] : tags.start[e];
            if (slot >= 0)
                continue;
            const std::size_t length = std::strlen(kElementNames[e]);
            if (std::size_t(size - nameAt) < length + (closing ? 1 : 0)
                || std::memcmp(data + nameAt, kElementNames[e], length) != 0)
                continue;
            if (closing && data[nameAt + int(length)] != '>')
                continue;
            slot = at;
        }
    }
    return tags;
}

ContentRange contentOf(const TagPositions &tags, int element)
{
    ContentRange range;
    const int start = tags.start[element];
    const int end = tags.end[element];
    if (start < 0 || end < 0)
        return range;
    const qint64 begin = qint64(start) + 1 + qint64(std::strlen(kElementNames[element])) + kStartTagTail;
    if (end < begin)
        return range;
    range.begin = int(begin);
    range.end = end;
    return range;
}

QByteArray bytesOf(const QByteArray &message, const ContentRange &range)
{
    return message.mid(range.begin, range.end - range.begin);
}

// Bytes up to a NUL, read as UTF-8 (invalid sequences become U+FFFD).
QString decodeValue(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size()))));
}

// The stored form of a value: its bytes brought to valid UTF-8.
QByteArray storedForm(const QByteArray &bytes)
{
    return decodeValue(bytes).toUtf8();
}

QByteArray scalarValue(const QByteArray &content)
{
    return decodeValue(content).trimmed().toUtf8();
}

// Every run of four line feeds becomes one blank (left to right, no overlap).
QByteArray joinParagraphs(QByteArray value)
{
    return value.replace("\n\n\n\n", " ");
}

QList<QByteArray> itemsOf(const QByteArray &content, const QByteArray &itemEnd)
{
    QList<QByteArray> items;
    int from = 0;
    for (;;) {
        const int at = content.indexOf(itemEnd, from);
        if (at < 0)
            break;
        items.append(content.mid(from, at - from));
        from = at + itemEnd.size();
    }
    return items;
}

bool appendUtf8CodePoint(QByteArray &out, uint codePoint)
{
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    const char32_t text[1] = {char32_t(codePoint)};
    out += QString::fromUcs4(reinterpret_cast<const uint *>(text), 1).toUtf8();
    return true;
}

// The numeric reference at text[at] ("&#...;"); its length, or 0.
int numericReference(const QByteArray &text, int at, QByteArray &out)
{
    const int semicolon = text.indexOf(';', at + 2);
    if (semicolon < 0 || semicolon - at > 12)
        return 0;
    QByteArray digits = text.mid(at + 2, semicolon - at - 2);
    int base = 10;
    if (digits.startsWith('x') || digits.startsWith('X')) {
        base = 16;
        digits.remove(0, 1);
    }
    if (digits.isEmpty())
        return 0;
    for (char c : digits) {
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return 0;
    }
    bool ok = false;
    const uint codePoint = digits.toUInt(&ok, base);
    if (!ok || !appendUtf8CodePoint(out, codePoint))
        return 0;
    return semicolon - at + 1;
}

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

int numberField(const QStringList &fields, int index)
{
    bool ok = false;
    const int value = fields.value(index).toInt(&ok, 10);
    return ok ? value : 0;
}

void storeTime(QByteArray &field, const QByteArray &value)
{
    const QString text = QString::fromUtf8(xmlUnescape(value));
    if (text.isEmpty() || text.size() > mlrclimits::kTimeText)
        return;
    storeTimeText(field, timeconverter1(text));
}

QByteArray generatedMessageId()
{
    return QUuid::createUuid().toString().remove(QLatin1Char('{')).remove(QLatin1Char('}'))
        .remove(QLatin1Char('-')).toLatin1();
}

} // namespace

ContentRange elementContent(const QByteArray &message, const QByteArray &startTag, const QByteArray &endTag)
{
    ContentRange range;
    const int start = message.indexOf(startTag);
    const int end = message.indexOf(endTag);
    if (start < 0 || end < 0)
        return range;
    const qint64 begin = qint64(start) + startTag.size() + kStartTagTail;
    if (end < begin)
        return range;
    range.begin = int(begin);
    range.end = end;
    return range;
}

QByteArray xmlUnescape(const QByteArray &text)
{
    static const struct {
        const char *entity;
        const char *replacement;
    } kEntities[] = {{"&lt;", "<"},    {"&gt;", ">"},     {"&amp;", "&"},
                     {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", " "}};
    if (!text.contains('&'))
        return text;
    QByteArray out;
    out.reserve(text.size());
    int pos = 0;
    while (pos < text.size()) {
        const int amp = text.indexOf('&', pos);
        if (amp < 0) {
            out.append(text.constData() + pos, text.size() - pos);
            break;
        }
        out.append(text.constData() + pos, amp - pos);
        int consumed = 0;
        if (amp + 1 < text.size() && text.at(amp + 1) == '#') {
            consumed = numericReference(text, amp, out);
        } else {
            for (const auto &entry : kEntities) {
                const int length = int(std::strlen(entry.entity));
                if (text.size() - amp >= length && std::memcmp(text.constData() + amp, entry.entity, length) == 0) {
                    out.append(entry.replacement);
                    consumed = length;
                    break;
                }
            }
        }
        if (consumed == 0) {
            out.append('&');
            consumed = 1;
        }
        pos = amp + consumed;
    }
    return out;
}

QByteArray attributeValue(const QByteArray &item, const QByteArray &name, bool *found)
{
    const int at = item.indexOf(name);
    if (found)
        *found = at >= 0;
    if (at < 0)
        return QByteArray();
    const int begin = at + name.size();
    const int quote = item.indexOf('"', begin);
    return item.mid(begin, quote < 0 ? -1 : quote - begin);
}

QByteArray timeconverter1(const QString &opfTime)
{
    // 1. Date and time of day, each field a decimal number or 0
    const QStringList parts = opfTime.split(QLatin1Char('T'));
    const QStringList date = parts.value(0).split(QLatin1Char('-'));
    const QStringList clock = parts.value(1).split(QLatin1Char(':'));
    const QDate day(numberField(date, 0), numberField(date, 1), numberField(date, 2));
    const qint64 days = day.isValid() ? QDate(1970, 1, 1).daysTo(day) : 0;
    const int hours = numberField(clock, 0);
    const int minutes = numberField(clock, 1);
    const int seconds = numberField(clock, 2);
    const bool validClock = hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0
                            && seconds <= 59;
    const qint64 moment = days * 86400 + (validClock ? hours * 3600 + minutes * 60 + seconds : 0);

    // 2. Local time of the machine, English names
    const time_t t = time_t(moment);
    struct tm local;
    std::memset(&local, 0, sizeof local);
    if (qint64(t) != moment || !localtime_r(&t, &local))
        return QByteArray();
    char buffer[64] = {};
    const std::size_t length = strftime_l(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S %z", &local, cLocale());
    return QByteArray(buffer, int(length));
}

void PendingAttachments::clear()
{
    names.clear();
    offsets.clear();
    sizes.clear();
}

void PendingAttachments::append(const QString &name, qint64 offset, qint64 size)
{
    names += name + QLatin1Char(';');
    offsets += QString::number(offset, 10) + QLatin1Char(';');
    sizes += QString::number(size, 10) + QLatin1Char(';');
}

void fillAddresses(MailMLRC &record, const QByteArray &startTag, const QByteArray &content)
{
    static const QByteArray kAddress = QByteArrayLiteral("OPFContactEmailAddressAddress=\"");
    static const QByteArray kName = QByteArrayLiteral("OPFContactEmailAddressName=\"");
    const bool from = startTag == "<OPFMessageCopyFromAddresses";
    const bool bcc = startTag == "<OPFMessageCopyBCCAddresses";
    const bool to = startTag == "<OPFMessageCopyToAddresses";

    QByteArray addresses;
    QByteArray names;
    for (const QByteArray &item : itemsOf(content, kAddressItemEnd)) {
        bool hasAddress = false;
        const QByteArray address = attributeValue(item, kAddress, &hasAddress);
        if (!hasAddress)
            continue; // keeps the names and addresses of a list paired
        bool hasName = false;
        const QByteArray name = attributeValue(item, kName, &hasName);
        addresses += storedForm(xmlUnescape(address)) + ';';
        if (bcc)
            continue;
        if (hasName)
            names += storedForm(name) + ';';
        else if (!from)
            names += kUnknownName.toUtf8() + ';';
    }

    if (from) {
        storeText(record.szFromAddress, mlrclimits::kFromAddress, addresses);
        storeText(record.szFromName, mlrclimits::kFromName, names);
    } else if (to) {
        storeText(record.szToAddress, mlrclimits::kToAddress, addresses);
        storeText(record.szToName, mlrclimits::kToName, names);
    } else if (bcc) {
        storeText(record.szBccAddress, mlrclimits::kBccAddress, addresses);
    } else {
        storeText(record.szCcAddress, mlrclimits::kCcAddress, addresses);
        storeText(record.szCcName, mlrclimits::kCcName, names);
    }
}

void fillAttachments(MailMLRC &record, const QByteArray &content, PendingAttachments &pending)
{
    static const QByteArray kContentID = QByteArrayLiteral("OPFAttachmentContentID=\"");
    static const QByteArray kContentType = QByteArrayLiteral("OPFAttachmentContentType=\"");
    static const QByteArray kName = QByteArrayLiteral("OPFAttachmentName=\"");
    static const QByteArray kURL = QByteArrayLiteral("OPFAttachmentURL=\"");

    // 1. The working lists of the element's items
    QString ids, types, names, urls;
    for (const QByteArray &item : itemsOf(content, kAttachmentItemEnd)) {
        bool hasId = false;
        const QByteArray id = attributeValue(item, kContentID, &hasId);
        ids += (hasId ? decodeValue(xmlUnescape(id)) : QStringLiteral("no")) + QLatin1Char(';');
        types += decodeValue(xmlUnescape(attributeValue(item, kContentType))) + QLatin1Char(';');
        names += decodeValue(xmlUnescape(attributeValue(item, kName))) + QLatin1Char(';');
        urls += decodeValue(xmlUnescape(attributeValue(item, kURL))).remove(QLatin1Char('"'))
                + QLatin1Char(';');
    }

    // 2. All or nothing: the URLs name exactly the pending entries, in order
    const int count = pending.names.count(QLatin1Char(';'));
    const bool accepted = !urls.isEmpty() && urls == pending.names && ids.count(QLatin1Char(';')) == count
                          && types.count(QLatin1Char(';')) == count && names.count(QLatin1Char(';')) == count
                          && urls.count(QLatin1Char(';')) == count
                          && pending.offsets.count(QLatin1Char(';')) == count
                          && pending.sizes.count(QLatin1Char(';')) == count;
    if (accepted) {
        record.pAttachContentIDs = ids.toUtf8();
        record.pAttachContentTypes = types.toUtf8();
        record.pAttachNames = names.toUtf8();
        record.pAttachURLs = urls.toUtf8();
        record.pAttachOffsets = pending.offsets.toUtf8();
        record.pAttachSizes = pending.sizes.toUtf8();
    }
    pending.clear();
}

void fillMessage(MailMLRC &record, const QByteArray &message, qint64 messageStart, PendingAttachments &pending)
{
    const TagPositions tags = findTags(message);
    for (int element = 0; element < ElementCount; ++element) {
        const ContentRange range = contentOf(tags, element);
        if (!range.isPresent())
            continue;
        const QByteArray content = bytesOf(message, range);
        const QByteArray startTag = QByteArray("<") + kElementNames[element];
        switch (Element(element)) {
        case Body:
            record.llBodyOffset = messageStart + range.begin;
            record.llBodyLength = range.end - range.begin;
            break;
        case AttachmentList:
            fillAttachments(record, content, pending);
            break;
        case FromAddresses:
        case ToAddresses:
        case CCAddresses:
        case BCCAddresses:
            fillAddresses(record, startTag, content);
            break;
        case SentTime:
            storeTime(record.szSentTime, scalarValue(content));
            break;
        case ReceivedTime:
            storeTime(record.szReceivedTime, scalarValue(content));
            break;
        case Subject:
            storeText(record.szSubject, mlrclimits::kSubject,
                      storedForm(xmlUnescape(joinParagraphs(scalarValue(content)))));
            break;
        case ThreadTopic:
            storeText(record.szThreadTopic, mlrclimits::kThreadTopic,
                      storedForm(xmlUnescape(joinParagraphs(scalarValue(content)))));
            break;
        case MessageID:
            storeText(record.szMessageID, mlrclimits::kMessageID, storedForm(xmlUnescape(scalarValue(content))));
            break;
        case References:
            storeText(record.szReferences, mlrclimits::kReferences, storedForm(xmlUnescape(scalarValue(content))));
            break;
        case InReplyTo:
            storeText(record.szInReplyTo, mlrclimits::kInReplyTo, storedForm(xmlUnescape(scalarValue(content))));
            break;
        case IsOutgoing: {
            bool ok = false;
            const int flag = QString::fromUtf8(xmlUnescape(scalarValue(content))).toInt(&ok, 10);
            record.nIsOutgoing = ok ? flag : 0;
            break;
        }
        case Priority:
            storeText(record.szPriority, mlrclimits::kPriority, storedForm(xmlUnescape(scalarValue(content))));
            break;
        case ElementCount:
            break;
        }
    }
    if (record.szMessageID.isEmpty())
        record.szMessageID = generatedMessageId();
}

int buildRecords(const QByteArray &payload, qint64 payloadOffset, const QString &folderPath, quint64 folderId,
                 PendingAttachments &pending)
{
    int made = 0;
    int from = 0;
    for (;;) {
        const int at = payload.indexOf(kMessageEnd, from);
        if (at < 0)
            break;
        MailMLRC *record = appendMailMLRC();
        stampFolder(record, folderPath, folderId);
        fillMessage(*record, payload.mid(from, at - from), payloadOffset + from, pending);
        ++made;
        from = at + kMessageEnd.size();
    }
    return made;
}

} // namespace opf
