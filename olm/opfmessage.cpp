#include "olm/opfmessage.h"

#include "olm/mailmlrc.h"

#include <QDate>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include <cctype>
#include <clocale>
#include <cstring>
#include <ctime>
#include <locale.h>

namespace opf {

namespace {

using View = std::string_view;

// The start tag is taken to run 22 bytes past its name text (its attributes
// and ">"), as the backup writes them.
constexpr int kStartTagTail = 22;


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

const std::size_t kElementNameLengths[ElementCount] = {
    18, 28, 27, 25, 22, 21, 25, 23, 24, 23, 25, 26, 26, 20, 21,
};

struct TagPositions {
    int start[ElementCount];
    int end[ElementCount];
};

// First occurrence of every start-tag text and end tag, in one pass over the
// '<' of the message; the same positions as fifteen pairs of searches from
// the first byte.
TagPositions findTags(View message)
{
    static const QByteArray kCommon = QByteArrayLiteral("OPFMessage");
    TagPositions tags;
    std::fill(std::begin(tags.start), std::end(tags.start), -1);
    std::fill(std::begin(tags.end), std::end(tags.end), -1);
    const char *data = message.data();
    const int size = int(message.size());
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
            const std::size_t length = kElementNameLengths[e];
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
    const qint64 begin = qint64(start) + 1 + qint64(kElementNameLengths[element]) + kStartTagTail;
    if (end < begin)
        return range;
    range.begin = int(begin);
    range.end = end;
    return range;
}

View viewOf(const QByteArray &bytes)
{
    return View(bytes.constData(), std::size_t(bytes.size()));
}

QByteArray bytesOf(View text)
{
    return QByteArray(text.data(), int(text.size()));
}

// The first position of needle in text, or npos. Needles here begin with a
// byte that is rare in the text ('<', '"', '\n'), so a memchr for it is
// quicker than a general substring search.
std::size_t find(View text, View needle)
{
    if (needle.empty() || needle.size() > text.size())
        return needle.empty() ? 0 : View::npos;
    const char first = needle.front();
    const std::size_t last = text.size() - needle.size();
    std::size_t at = 0;
    while (at <= last) {
        const void *hit = std::memchr(text.data() + at, first, last - at + 1);
        if (!hit)
            return View::npos;
        at = std::size_t(static_cast<const char *>(hit) - text.data());
        if (std::memcmp(text.data() + at + 1, needle.data() + 1, needle.size() - 1) == 0)
            return at;
        ++at;
    }
    return View::npos;
}

bool contains(View text, const char *needle, std::size_t length)
{
    return find(text, View(needle, length)) != View::npos;
}

// The bytes before the first NUL.
View beforeNul(View text)
{
    const void *nul = text.empty() ? nullptr : std::memchr(text.data(), '\0', text.size());
    return nul ? text.substr(0, std::size_t(static_cast<const char *>(nul) - text.data())) : text;
}

// Whether Qt's UTF-8 decoder reads text without a replacement and without
// dropping a byte order mark, so that decoding and encoding again gives the
// same bytes: well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF) that does not begin with EF BB BF.
bool isVerbatimUtf8(View text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    if (text.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += more + 1;
    }
    return true;
}

// The stored form of a value: its bytes up to a NUL brought to valid UTF-8,
// with no spare capacity.
QByteArray storedForm(View bytes)
{
    const View text = beforeNul(bytes);
    if (isVerbatimUtf8(text))
        return bytesOf(text);
    QByteArray stored = QString::fromUtf8(text.data(), int(text.size())).toUtf8();
    stored.squeeze();
    return stored;
}

void appendStoredForm(std::string &out, View bytes)
{
    const View text = beforeNul(bytes);
    if (isVerbatimUtf8(text)) {
        out.append(text.data(), text.size());
    } else {
        const QByteArray stored = QString::fromUtf8(text.data(), int(text.size())).toUtf8();
        out.append(stored.constData(), std::size_t(stored.size()));
    }
}

// Short values that many messages share (sender and recipient lists,
// content types, priorities) are kept once and shared by the records that
// hold them; the bytes of a record are the same either way. The pool holds
// a bounded number of values and starts afresh when full.
QByteArray pooled(View value)
{
    constexpr std::size_t kLongestPooled = 256;
    constexpr std::size_t kPoolLimit = 4096;
    // Keys are views of the bytes of their own values.
    thread_local std::unordered_map<View, QByteArray> pool;
    if (value.empty() || value.size() > kLongestPooled)
        return bytesOf(value);
    const auto it = pool.find(value);
    if (it != pool.end())
        return it->second;
    if (pool.size() >= kPoolLimit)
        pool.clear();
    const QByteArray stored = bytesOf(value);
    pool.emplace(viewOf(stored), stored);
    return stored;
}

// The stored form of a value, pooled.
QByteArray pooledStoredForm(View bytes)
{
    const View text = beforeNul(bytes);
    return isVerbatimUtf8(text) ? pooled(text) : storedForm(text);
}

// Reused buffers of the lists a message's elements are gathered into,
// emptied.
std::string *listBuffers()
{
    thread_local std::string buffers[4];
    for (std::string &buffer : buffers)
        buffer.clear();
    return buffers;
}

bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The value of an element: decoded, trimmed of white space and encoded
// again. Text whose ends are ASCII after trimming ASCII blanks is trimmed in
// place; other text (a Unicode blank may stand at an end) goes through the
// decoder, its result kept in storage.
View scalarValue(View content, QByteArray &storage)
{
    View text = beforeNul(content);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isAsciiSpace(text[begin]))
        ++begin;
    while (end > begin && isAsciiSpace(text[end - 1]))
        --end;
    const View trimmed = text.substr(begin, end - begin);
    const bool asciiEnds = trimmed.empty()
                           || (static_cast<unsigned char>(trimmed.front()) < 0x80
                               && static_cast<unsigned char>(trimmed.back()) < 0x80);
    if (asciiEnds && isVerbatimUtf8(text))
        return trimmed;
    storage = QString::fromUtf8(text.data(), int(text.size())).trimmed().toUtf8();
    return viewOf(storage);
}

// Every run of four line feeds becomes one blank (left to right, no overlap).
View joinParagraphs(View value, QByteArray &storage)
{
    if (!contains(value, "\n\n\n\n", 4))
        return value;
    storage = bytesOf(value).replace("\n\n\n\n", " ");
    return viewOf(storage);
}

void appendUtf8(std::string &out, uint codePoint)
{
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xC0 | (codePoint >> 6));
        out += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += char(0xE0 | (codePoint >> 12));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    } else {
        out += char(0xF0 | (codePoint >> 18));
        out += char(0x80 | ((codePoint >> 12) & 0x3F));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    }
}

// The numeric reference at the start of reference ("&#...;", its ';' at
// most 12 bytes after the '&'): appended to out as UTF-8; its length, or 0
// when it is malformed or names no character.
std::size_t numericReference(View reference, std::string &out)
{
    const View window = reference.substr(2, 11);
    const std::size_t semicolon = window.find(';');
    if (semicolon == View::npos)
        return 0;
    View digits = window.substr(0, semicolon);
    quint64 base = 10;
    if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return 0;
    quint64 value = 0;
    for (char c : digits) {
        quint64 digit = 0;
        if (c >= '0' && c <= '9')
            digit = quint64(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = quint64(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = quint64(c - 'A' + 10);
        else
            return 0;
        value = value * base + digit;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    appendUtf8(out, uint(value));
    return semicolon + 3;
}

// One left-to-right pass of xmlUnescape() over text, appended to out.
void appendUnescaped(std::string &out, View text)
{
    static const struct {
        View entity;
        char replacement;
    } kEntities[] = {{"&lt;", '<'},    {"&gt;", '>'},   {"&amp;", '&'},
                     {"&quot;", '"'}, {"&apos;", '\''}, {"&nbsp;", ' '}};
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void *hit = std::memchr(text.data() + pos, '&', text.size() - pos);
        if (!hit) {
            out.append(text.data() + pos, text.size() - pos);
            break;
        }
        const std::size_t amp = std::size_t(static_cast<const char *>(hit) - text.data());
        out.append(text.data() + pos, amp - pos);
        const View rest = text.substr(amp);
        std::size_t consumed = 0;
        if (rest.size() > 1 && rest[1] == '#') {
            consumed = numericReference(rest, out);
        } else {
            for (const auto &entry : kEntities) {
                if (rest.substr(0, entry.entity.size()) == entry.entity) {
                    out += entry.replacement;
                    consumed = entry.entity.size();
                    break;
                }
            }
        }
        if (consumed == 0) {
            out += '&';
            consumed = 1;
        }
        pos = amp + consumed;
    }
}

View unescaped(View value, std::string &storage)
{
    if (value.empty() || !std::memchr(value.data(), '&', value.size()))
        return value;
    storage.clear();
    appendUnescaped(storage, value);
    return View(storage);
}

// The value of an attribute given as 'Name="' inside item, as
// attributeValue() reads it.
View attributeOf(View item, View name, bool *found)
{
    const std::size_t at = find(item, name);
    *found = at != View::npos;
    if (!*found)
        return View();
    const std::size_t begin = at + name.size();
    const View rest = item.substr(begin);
    const void *quote = std::memchr(rest.data(), '"', rest.size());
    return quote ? rest.substr(0, std::size_t(static_cast<const char *>(quote) - rest.data())) : rest;
}

// Calls each(item) for every item of content that ends with itemEnd.
template<typename Each>
void forEachItem(View content, View itemEnd, Each each)
{
    std::size_t from = 0;
    while (from <= content.size()) {
        const View rest = content.substr(from);
        const std::size_t length = find(rest, itemEnd);
        if (length == View::npos)
            break;
        each(rest.substr(0, length));
        from += length + itemEnd.size();
    }
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

void appendTwoDigits(char *&out, int value)
{
    *out++ = char('0' + value / 10);
    *out++ = char('0' + value % 10);
}

// "%a, %d %b %Y %H:%M:%S %z" of local in the "C" locale. The common case
// (a four-digit year, an offset of whole minutes) is written here, the rest
// by strftime_l.
QByteArray formatMailDate(const struct tm &local)
{
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const long year = long(local.tm_year) + 1900;
    const long offset = local.tm_gmtoff;
    const bool common = year >= 1000 && year <= 9999 && local.tm_wday >= 0 && local.tm_wday <= 6
                        && local.tm_mon >= 0 && local.tm_mon <= 11 && local.tm_mday >= 1 && local.tm_mday <= 31
                        && local.tm_hour >= 0 && local.tm_hour <= 23 && local.tm_min >= 0 && local.tm_min <= 59
                        && local.tm_sec >= 0 && local.tm_sec <= 60 && offset % 60 == 0 && offset > -86400
                        && offset < 86400;
    char buffer[64] = {};
    if (!common) {
        const std::size_t length = strftime_l(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S %z", &local, cLocale());
        return QByteArray(buffer, int(length));
    }
    char *out = buffer;
    std::memcpy(out, kDays[local.tm_wday], 3);
    out += 3;
    *out++ = ',';
    *out++ = ' ';
    appendTwoDigits(out, local.tm_mday);
    *out++ = ' ';
    std::memcpy(out, kMonths[local.tm_mon], 3);
    out += 3;
    *out++ = ' ';
    appendTwoDigits(out, int(year / 100));
    appendTwoDigits(out, int(year % 100));
    *out++ = ' ';
    appendTwoDigits(out, local.tm_hour);
    *out++ = ':';
    appendTwoDigits(out, local.tm_min);
    *out++ = ':';
    appendTwoDigits(out, local.tm_sec);
    *out++ = ' ';
    *out++ = offset < 0 ? '-' : '+';
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    appendTwoDigits(out, int(minutes / 60));
    appendTwoDigits(out, int(minutes % 60));
    return QByteArray(buffer, int(out - buffer));
}

// The mail date text of an OPF time given by its six fields.
QByteArray mailDate(int year, int month, int day, int hours, int minutes, int seconds)
{
    const QDate date(year, month, day);
    const qint64 days = date.isValid() ? QDate(1970, 1, 1).daysTo(date) : 0;
    const bool validClock = hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0
                            && seconds <= 59;
    const qint64 moment = days * 86400 + (validClock ? hours * 3600 + minutes * 60 + seconds : 0);
    const time_t t = time_t(moment);
    struct tm local;
    std::memset(&local, 0, sizeof local);
    if (qint64(t) != moment || !localtime_r(&t, &local))
        return QByteArray();
    return formatMailDate(local);
}

// An OPF time as the backup writes it, "YYYY-MM-DDThh:mm:ss" in digits: its
// fields read without building text. False for any other form.
bool readPlainTime(View text, int fields[6])
{
    static const char kShape[] = "0000-00-00T00:00:00";
    if (text.size() != sizeof kShape - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '0' ? !digit : text[i] != kShape[i])
            return false;
    }
    const auto number = [&text](std::size_t at, std::size_t width) {
        int value = 0;
        for (std::size_t i = at; i < at + width; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    fields[0] = number(0, 4);
    fields[1] = number(5, 2);
    fields[2] = number(8, 2);
    fields[3] = number(11, 2);
    fields[4] = number(14, 2);
    fields[5] = number(17, 2);
    return true;
}

void storeTime(QByteArray &field, View value)
{
    std::string storage;
    const View text = unescaped(value, storage);
    int fields[6];
    if (readPlainTime(text, fields)) {
        storeTimeText(field, mailDate(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]));
        return;
    }
    const QString decoded = QString::fromUtf8(text.data(), int(text.size()));
    if (decoded.isEmpty() || decoded.size() > mlrclimits::kTimeText)
        return;
    storeTimeText(field, timeconverter1(decoded));
}

// The outgoing flag: a decimal number, else 0.
qint32 outgoingFlag(View value)
{
    if (!value.empty() && value.size() <= 9
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        qint32 flag = 0;
        for (char c : value)
            flag = flag * 10 + (c - '0');
        return flag;
    }
    bool ok = false;
    const int flag = QString::fromUtf8(value.data(), int(value.size())).toInt(&ok, 10);
    return ok ? flag : 0;
}

QByteArray generatedMessageId()
{
    return QUuid::createUuid().toString().remove(QLatin1Char('{')).remove(QLatin1Char('}'))
        .remove(QLatin1Char('-')).toLatin1();
}

enum class AddressKind { From, To, Cc, Bcc };

void fillAddressList(MailMLRC &record, AddressKind kind, View content)
{
    static const View kAddress("OPFContactEmailAddressAddress=\"");
    static const View kName("OPFContactEmailAddressName=\"");
    const bool from = kind == AddressKind::From;
    const bool bcc = kind == AddressKind::Bcc;

    std::string *buffers = listBuffers();
    std::string &addresses = buffers[0];
    std::string &names = buffers[1];
    std::string storage;
    forEachItem(content, View("</emailAddress>"), [&](View item) {
        bool hasAddress = false;
        const View address = attributeOf(item, kAddress, &hasAddress);
        if (!hasAddress)
            return; // keeps the names and addresses of a list paired
        appendStoredForm(addresses, unescaped(address, storage));
        addresses += ';';
        if (bcc)
            return;
        bool hasName = false;
        const View name = attributeOf(item, kName, &hasName);
        if (hasName) {
            appendStoredForm(names, name);
            names += ';';
        } else if (!from) {
            names += "Unknown Name;";
        }
    });

    const auto store = [](QByteArray &field, int limit, const std::string &value) {
        if (!value.empty() && value.size() <= std::size_t(limit))
            storeText(field, limit, pooled(View(value)));
    };
    switch (kind) {
    case AddressKind::From:
        store(record.szFromAddress, mlrclimits::kFromAddress, addresses);
        store(record.szFromName, mlrclimits::kFromName, names);
        break;
    case AddressKind::To:
        store(record.szToAddress, mlrclimits::kToAddress, addresses);
        store(record.szToName, mlrclimits::kToName, names);
        break;
    case AddressKind::Bcc:
        store(record.szBccAddress, mlrclimits::kBccAddress, addresses);
        break;
    case AddressKind::Cc:
        store(record.szCcAddress, mlrclimits::kCcAddress, addresses);
        store(record.szCcName, mlrclimits::kCcName, names);
        break;
    }
}

bool isAscii(View text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether text encodes to the (valid UTF-8) bytes. Encoding the text, not
// decoding the bytes, keeps a leading U+FEFF that decoding would drop.
bool sameText(const std::string &bytes, const QString &text)
{
    if (isAscii(View(bytes)))
        return text == QLatin1String(bytes.data(), int(bytes.size()));
    return text.toUtf8() == QByteArray::fromRawData(bytes.data(), int(bytes.size()));
}

// text as UTF-8 without spare capacity.
QByteArray exactUtf8(const QString &text)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return text.toLatin1();
    QByteArray bytes = text.toUtf8();
    bytes.squeeze();
    return bytes;
}

// Whether each pending entry can be read: an unreadable one has an empty offset.
std::vector<bool> readableEntries(const QString &offsets)
{
    std::vector<bool> readable;
    int begin = 0;
    for (int end = offsets.indexOf(QLatin1Char(';')); end >= 0; end = offsets.indexOf(QLatin1Char(';'), begin)) {
        readable.push_back(end > begin);
        begin = end + 1;
    }
    return readable;
}

// Keeps item k of list (items each followed by ';', as many as keep holds)
// when keep[k] is true.
void keepItems(std::string &list, const std::vector<bool> &keep)
{
    std::string kept;
    std::size_t begin = 0;
    for (const bool k : keep) {
        const std::size_t end = list.find(';', begin);
        if (end == std::string::npos)
            break;
        if (k)
            kept.append(list, begin, end + 1 - begin);
        begin = end + 1;
    }
    list.swap(kept);
}

QString keptItems(const QString &list, const std::vector<bool> &keep)
{
    QString kept;
    int begin = 0;
    for (const bool k : keep) {
        const int end = list.indexOf(QLatin1Char(';'), begin);
        if (end < 0)
            break;
        if (k)
            kept += QStringView(list).mid(begin, end + 1 - begin);
        begin = end + 1;
    }
    return kept;
}

// Which pending entries a list of urls is matched against: every entry but
// the optional ones that the list does not name.
std::vector<bool> matchedEntries(const PendingAttachments &pending, const std::string &urls)
{
    std::vector<bool> matched(std::size_t(pending.names.count(QLatin1Char(';'))), true);
    if (pending.optionalCount == 0)
        return matched;
    const QStringList names = pending.names.split(QLatin1Char(';'));
    QSet<QString> named;
    for (std::size_t begin = 0, end = urls.find(';'); end != std::string::npos; begin = end + 1, end = urls.find(';', begin))
        named.insert(QString::fromUtf8(urls.data() + begin, int(end - begin)));
    for (std::size_t k = 0; k < matched.size() && k < pending.optional.size(); ++k)
        matched[k] = !pending.optional[k] || named.contains(names.at(int(k)));
    return matched;
}

void fillAttachmentList(MailMLRC &record, View content, PendingAttachments &pending)
{
    static const View kContentID("OPFAttachmentContentID=\"");
    static const View kContentType("OPFAttachmentContentType=\"");
    static const View kName("OPFAttachmentName=\"");
    static const View kURL("OPFAttachmentURL=\"");

    // 1. The working lists of the element's items, as stored bytes
    std::string *buffers = listBuffers();
    std::string &ids = buffers[0];
    std::string &types = buffers[1];
    std::string &names = buffers[2];
    std::string &urls = buffers[3];
    std::string storage;
    forEachItem(content, View("</messageAttachment>"), [&](View item) {
        bool found = false;
        const View id = attributeOf(item, kContentID, &found);
        if (found)
            appendStoredForm(ids, unescaped(id, storage));
        else
            ids += "no";
        ids += ';';
        appendStoredForm(types, unescaped(attributeOf(item, kContentType, &found), storage));
        types += ';';
        appendStoredForm(names, unescaped(attributeOf(item, kName, &found), storage));
        names += ';';
        const std::size_t urlStart = urls.size();
        appendStoredForm(urls, unescaped(attributeOf(item, kURL, &found), storage));
        urls.erase(std::remove(urls.begin() + std::ptrdiff_t(urlStart), urls.end(), '"'), urls.end());
        urls += ';';
    });

    // 2. All or nothing: the URLs name exactly the pending entries, in order,
    //    less the optional entries that they do not name
    const std::vector<bool> matched = matchedEntries(pending, urls);
    const bool allMatched = std::all_of(matched.begin(), matched.end(), [](bool m) { return m; });
    const QString entryNames = allMatched ? pending.names : keptItems(pending.names, matched);
    const QString entryOffsets = allMatched ? pending.offsets : keptItems(pending.offsets, matched);
    const QString entrySizes = allMatched ? pending.sizes : keptItems(pending.sizes, matched);
    const auto separators = [](const std::string &list) { return int(std::count(list.begin(), list.end(), ';')); };
    const int count = entryNames.count(QLatin1Char(';'));
    const bool accepted = !urls.empty() && separators(ids) == count && separators(types) == count
                          && separators(names) == count && separators(urls) == count
                          && entryOffsets.count(QLatin1Char(';')) == count
                          && entrySizes.count(QLatin1Char(';')) == count && sameText(urls, entryNames);
    if (accepted) {
        // 3. The attachments whose entries cannot be read are left out
        const std::vector<bool> readable = readableEntries(entryOffsets);
        const bool allReadable = std::all_of(readable.begin(), readable.end(), [](bool r) { return r; });
        if (!allReadable) {
            for (std::string *list : {&ids, &types, &names, &urls})
                keepItems(*list, readable);
        }
        if (!urls.empty()) {
            record.pAttachContentIDs = pooled(View(ids));
            record.pAttachContentTypes = pooled(View(types));
            record.pAttachNames = pooled(View(names));
            record.pAttachURLs = bytesOf(View(urls));
            record.pAttachOffsets = exactUtf8(allReadable ? entryOffsets : keptItems(entryOffsets, readable));
            record.pAttachSizes = exactUtf8(allReadable ? entrySizes : keptItems(entrySizes, readable));
        }
    }
    pending.clear();
}

void fillMessageView(MailMLRC &record, View message, qint64 messageStart, PendingAttachments &pending)
{
    const TagPositions tags = findTags(message);
    QByteArray scalarStorage, joinStorage;
    std::string entityStorage;
    for (int element = 0; element < ElementCount; ++element) {
        const ContentRange range = contentOf(tags, element);
        if (!range.isPresent())
            continue;
        const View content = message.substr(std::size_t(range.begin), std::size_t(range.end - range.begin));
        switch (Element(element)) {
        case Body:
            record.llBodyOffset = messageStart + range.begin;
            record.llBodyLength = range.end - range.begin;
            break;
        case AttachmentList:
            fillAttachmentList(record, content, pending);
            break;
        case FromAddresses:
            fillAddressList(record, AddressKind::From, content);
            break;
        case ToAddresses:
            fillAddressList(record, AddressKind::To, content);
            break;
        case CCAddresses:
            fillAddressList(record, AddressKind::Cc, content);
            break;
        case BCCAddresses:
            fillAddressList(record, AddressKind::Bcc, content);
            break;
        case SentTime:
            storeTime(record.szSentTime, scalarValue(content, scalarStorage));
            break;
        case ReceivedTime:
            storeTime(record.szReceivedTime, scalarValue(content, scalarStorage));
            break;
        case Subject:
        case ThreadTopic: {
            const View value = unescaped(joinParagraphs(scalarValue(content, scalarStorage), joinStorage), entityStorage);
            if (element == Subject)
                storeText(record.szSubject, mlrclimits::kSubject, storedForm(value));
            else
                storeText(record.szThreadTopic, mlrclimits::kThreadTopic, storedForm(value));
            break;
        }
        case MessageID:
            storeText(record.szMessageID, mlrclimits::kMessageID,
                      storedForm(unescaped(scalarValue(content, scalarStorage), entityStorage)));
            break;
        case References:
            storeText(record.szReferences, mlrclimits::kReferences,
                      storedForm(unescaped(scalarValue(content, scalarStorage), entityStorage)));
            break;
        case InReplyTo:
            storeText(record.szInReplyTo, mlrclimits::kInReplyTo,
                      storedForm(unescaped(scalarValue(content, scalarStorage), entityStorage)));
            break;
        case IsOutgoing:
            record.nIsOutgoing = outgoingFlag(unescaped(scalarValue(content, scalarStorage), entityStorage));
            break;
        case Priority:
            storeText(record.szPriority, mlrclimits::kPriority,
                      pooledStoredForm(unescaped(scalarValue(content, scalarStorage), entityStorage)));
            break;
        case ElementCount:
            break;
        }
    }
    if (record.szMessageID.isEmpty())
        record.szMessageID = generatedMessageId();
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
    if (!text.contains('&'))
        return text;
    std::string out;
    appendUnescaped(out, viewOf(text));
    return bytesOf(View(out));
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
    // Date and time of day, each field a decimal number or 0
    const QStringList parts = opfTime.split(QLatin1Char('T'));
    const QStringList date = parts.value(0).split(QLatin1Char('-'));
    const QStringList clock = parts.value(1).split(QLatin1Char(':'));
    return mailDate(numberField(date, 0), numberField(date, 1), numberField(date, 2), numberField(clock, 0),
                    numberField(clock, 1), numberField(clock, 2));
}

void PendingAttachments::clear()
{
    // Emptied; the buffers stay for the entries of the next message.
    names.resize(0);
    offsets.resize(0);
    sizes.resize(0);
    optional.clear();
    optionalCount = 0;
}

void PendingAttachments::appendOptional(const QString &name, const QString &offset, const QString &size)
{
    if (optionalCount >= kMostOptionalPending)
        return;
    ++optionalCount;
    names.append(name);
    names.append(QLatin1Char(';'));
    offsets.append(offset);
    offsets.append(QLatin1Char(';'));
    sizes.append(size);
    sizes.append(QLatin1Char(';'));
    optional.push_back(true);
}

void PendingAttachments::appendUnreadable(const QString &name)
{
    appendOptional(name, QString(), QString());
}

void PendingAttachments::appendEmpty(const QString &name, qint64 offset)
{
    appendOptional(name, QString::number(offset), QStringLiteral("0"));
}

void PendingAttachments::append(const QString &name, qint64 offset, qint64 size)
{
    char digits[24];
    names.append(name);
    names.append(QLatin1Char(';'));
    offsets.append(QLatin1String(digits, int(std::to_chars(digits, digits + sizeof digits, offset).ptr - digits)));
    offsets.append(QLatin1Char(';'));
    sizes.append(QLatin1String(digits, int(std::to_chars(digits, digits + sizeof digits, size).ptr - digits)));
    sizes.append(QLatin1Char(';'));
    optional.push_back(false);
}

void fillAddresses(MailMLRC &record, const QByteArray &startTag, const QByteArray &content)
{
    AddressKind kind = AddressKind::Cc;
    if (startTag == "<OPFMessageCopyFromAddresses")
        kind = AddressKind::From;
    else if (startTag == "<OPFMessageCopyToAddresses")
        kind = AddressKind::To;
    else if (startTag == "<OPFMessageCopyBCCAddresses")
        kind = AddressKind::Bcc;
    fillAddressList(record, kind, viewOf(content));
}

void fillAttachments(MailMLRC &record, const QByteArray &content, PendingAttachments &pending)
{
    fillAttachmentList(record, viewOf(content), pending);
}

void fillMessage(MailMLRC &record, const QByteArray &message, qint64 messageStart, PendingAttachments &pending)
{
    fillMessageView(record, viewOf(message), messageStart, pending);
}

int buildRecords(const QByteArray &payload, qint64 payloadOffset, const QString &folderPath, quint64 folderId,
                 PendingAttachments &pending)
{
    // The records of a folder share one copy of its path.
    const QByteArray folderBytes = pooled(viewOf(folderPath.toUtf8()));
    const View bytes = viewOf(payload);
    int made = 0;
    std::size_t from = 0;
    for (;;) {
        const View rest = bytes.substr(from);
        const std::size_t length = find(rest, View("</email>"));
        if (length == View::npos)
            break;
        MailMLRC *record = appendMailMLRC();
        stampFolder(record, folderBytes, folderId);
        fillMessageView(*record, rest.substr(0, length), payloadOffset + qint64(from), pending);
        ++made;
        from += length + 8;
    }
    return made;
}

} // namespace opf
