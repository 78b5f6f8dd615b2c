// libFuzzer target of the backup reader: the walker in both modes (the fast
// one also with a small read window) over the input bytes, the message
// parser over every payload it hands on, and the entity decoder against a
// plain reading of its rules. Aborts when the walks disagree, a range leaves
// the input, a stored value is not in its stored form, the attachment lists
// of a record differ in length, the decoders differ, or what is told of
// unreadable entries outgrows the input. A backup is also built from the
// input with one header's name or extra-field length damaged: the walk must
// still hand on every other entry.
//
// Seeds: OLM_FUZZ_SEEDS=<dir> ./fuzz_olm writes the fixture archives into
// <dir> and exits.

#include "../tests/support/olmfixture.h"
#include "olm/mailmlrc.h"
#include "olm/olmsource.h"
#include "olm/olmwalker.h"
#include "olm/opfmessage.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace {

class CheckingSink : public olm::WalkSink
{
public:
    explicit CheckingSink(qint64 size) : m_size(size) {}

    void attachmentEntry(const QString &name, qint64 offset, qint64 size) override
    {
        if (offset < 0 || size < 0 || offset > m_size || size > m_size - offset)
            std::abort();
        log.append(QStringLiteral("attach %1 %2 %3").arg(name).arg(offset).arg(size));
    }

    void payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64 endOffset) override
    {
        if (offset < 0 || endOffset > m_size || endOffset - offset != bytes.size())
            std::abort();
        log.append(QStringLiteral("payload %1 %2 %3").arg(folderPath).arg(offset).arg(endOffset));
        payloads.append(QByteArray(bytes.constData(), bytes.size())); // bytes live only during the call
        offsets.append(offset);
    }

    void emptyEntry(const QString &name, qint64 offset) override
    {
        if (offset < 0 || offset > m_size)
            std::abort();
        toldNameCharacters += name.size();
        log.append(QStringLiteral("empty %1 %2").arg(name).arg(offset));
    }

    void unreadableEntry(const QString &name, bool isAttachment) override
    {
        toldNameCharacters += name.size();
        log.append(QStringLiteral("unreadable %1 %2").arg(name).arg(isAttachment));
    }

    void diagnostic(const QByteArray &line) override
    {
        ++toldLines;
        log.append(QString::fromUtf8(line));
    }

    // What telling costs stays bounded: at most 101 lines, and names of at
    // most 1 KiB for entries whose signatures take 4 bytes each.
    void checkToldCost() const
    {
        if (toldLines > 101 || toldNameCharacters > 256 * m_size + 1024)
            std::abort();
    }

    QStringList log;
    qint64 toldLines = 0;
    qint64 toldNameCharacters = 0;
    QList<QByteArray> payloads;
    QList<qint64> offsets;

private:
    qint64 m_size;
};

// The entity decoder's rules read plainly: the five entities, "&nbsp;", and
// numeric references of a character other than NUL or a surrogate whose ';'
// stands at most 12 bytes after the '&'.
QByteArray plainUnescape(const QByteArray &text)
{
    static const char *const kEntities[][2] = {{"&lt;", "<"},    {"&gt;", ">"},   {"&amp;", "&"},
                                               {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", " "}};
    QByteArray out;
    int pos = 0;
    while (pos < text.size()) {
        if (text.at(pos) != '&') {
            out += text.at(pos++);
            continue;
        }
        int consumed = 0;
        const int semicolon = text.indexOf(';', pos + 2);
        if (text.mid(pos, 2) == "&#" && semicolon >= 0 && semicolon - pos <= 12) {
            QByteArray digits = text.mid(pos + 2, semicolon - pos - 2);
            const bool hex = digits.startsWith('x') || digits.startsWith('X');
            if (hex)
                digits.remove(0, 1);
            bool ok = !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(), [hex](char c) {
                return hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c));
            });
            const uint code = ok ? digits.toUInt(&ok, hex ? 16 : 10) : 0;
            if (ok && code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t one[1] = {char32_t(code)};
                out += QString::fromUcs4(reinterpret_cast<const uint *>(one), 1).toUtf8();
                consumed = semicolon - pos + 1;
            }
        }
        for (const auto &entity : kEntities) {
            if (consumed == 0 && text.mid(pos).startsWith(entity[0])) {
                out += entity[1];
                consumed = int(qstrlen(entity[0]));
            }
        }
        if (consumed == 0) {
            out += '&';
            consumed = 1;
        }
        pos += consumed;
    }
    return out;
}

// Whether a stored value reads back to itself. A value that begins with a
// byte order mark is left out: the decoder drops a leading one.
bool inStoredForm(const QByteArray &value)
{
    return value.startsWith("\xef\xbb\xbf") || QString::fromUtf8(value).toUtf8() == value;
}

QStringList walkLog(const QByteArray &bytes, olm::WalkMode mode)
{
    std::atomic<bool> stop{false};
    olm::MemorySource source(bytes);
    CheckingSink sink(bytes.size());
    olm::walkOlm(source, sink, stop, mode);
    sink.checkToldCost();
    return sink.log;
}

// Whether every line of part stands in whole, in the same order.
bool inOrder(const QStringList &part, const QStringList &whole)
{
    int at = 0;
    for (const QString &line : part) {
        at = int(whole.indexOf(line, at));
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

// The input as a backup: four bytes choose the number of entries, the one
// to damage, the length field (and whether the damaged attachment holds a
// ZIP file, or is streamed instead of damaged) and the change; the rest,
// without 'P' and '<' (so that it holds no signature and no element), fills
// attachment entries and messages in folders of their own. The damaged
// entry may be lost or found without its folder; every other one must be
// handed on as in the undamaged backup, unless the damaged end lands on a
// record, which makes the damage undetectable. The headers of a ZIP file
// inside an entry must neither end the walk nor make entries.
void checkResynchronisation(const QByteArray &input)
{
    using namespace olmfixture;
    if (input.size() < 4)
        return;
    const int count = 2 + static_cast<unsigned char>(input.at(0)) % 6;
    const int damaged = static_cast<unsigned char>(input.at(1)) % count;
    const bool nameField = input.at(2) & 1;
    const bool zipData = input.at(2) & 2;
    const bool streamedInstead = input.at(2) & 4;
    const int change = int(static_cast<signed char>(input.at(3)));
    QByteArray text = input.mid(4);
    text.replace('P', 'p').replace('<', '(');
    const int piece = text.size() / count;

    // Name damage with 32-bit sizes, extra-field damage with a ZIP64 block:
    // either way a wrong length moves the entry's end by the change.
    QList<qint64> headers;
    QList<int> lengths;
    qint64 entriesEnd = 0;
    const auto build = [&](bool streamChosen) {
        Archive a;
        headers.clear();
        lengths.clear();
        for (int i = 0; i < count; ++i) {
            headers.append(a.bytes.size());
            const QByteArray n = QByteArray::number(i);
            const QByteArray chunk = text.mid(i * piece, piece);
            const QByteArray name = i % 2 ? "Local/Mail/F" + n + "/m__message_attachment__.xml" : "Local/att/" + n;
            QByteArray data = i % 2 ? emails({simpleMessage(chunk, chunk)}) : chunk;
            if (i == damaged && i % 2 == 0 && zipData) {
                Archive zip;
                zip.sized32("m/0", chunk);
                zip.sized("m/1", chunk);
                zip.sized32("m/2", chunk);
                zip.centralDirectory(nameField);
                data = zip.bytes;
            }
            if (i == damaged && streamChosen)
                a.streamed(name, data, true);
            else
                nameField ? a.sized32(name, data) : a.sized(name, data);
            lengths.append(nameField ? name.size() : 20);
        }
        entriesEnd = a.bytes.size();
        a.centralDirectory();
        return a;
    };
    const Archive a = build(false);
    const qint64 originalEnd = damaged + 1 < count ? headers.at(damaged + 1) : entriesEnd;
    const int value = lengths.at(damaged) + change;
    if (!streamedInstead && (change == 0 || value < 0 || value > 0xFFFF))
        return;
    const qint64 movedEnd = originalEnd + change;
    const QByteArray there = a.bytes.mid(int(qBound<qint64>(0, movedEnd, a.bytes.size())), 4);
    if (!streamedInstead
        && (movedEnd == a.bytes.size() || there == "PK\3\4" || there == "PK\1\2" || there == "PK\7\x08"))
        return;

    const QStringList whole = walkLog(a.bytes, olm::WalkMode::Fast);
    QByteArray broken = streamedInstead ? build(true).bytes : a.bytes;
    if (!streamedInstead)
        setHeaderLength(broken, headers.at(damaged), nameField ? kNameLengthField : kExtraLengthField, quint16(value));
    const QStringList walked = walkLog(broken, olm::WalkMode::Fast);
    if (broken.size() <= 4096 && walkLog(broken, olm::WalkMode::Reference) != walked)
        std::abort();
    const QByteArray mark = QByteArray::number(damaged);
    QStringList others;
    for (const QString &line : whole) {
        const bool ofDamaged = line.startsWith(QLatin1String("attach Local/att/") + QLatin1String(mark) + QLatin1Char(' '))
                               || line.startsWith(QLatin1String("payload F") + QLatin1String(mark) + QLatin1Char(' '));
        if (!ofDamaged)
            others.append(line);
    }
    // A streamed header is shorter and adds a descriptor: the entries after
    // it move, so only their names are compared.
    const auto named = [streamedInstead](QStringList lines) {
        if (streamedInstead) {
            for (QString &line : lines)
                line = line.section(QLatin1Char(' '), 0, 1);
        }
        return lines;
    };
    if (others.size() != count - 1 || !inOrder(named(others), named(walked)))
        std::abort();
}

void writeSeeds(const QString &dir)
{
    using namespace olmfixture;
    QDir().mkpath(dir);
    QList<QByteArray> seeds{sampleArchive()};
    Archive small;
    small.sized("Local/Mail/Inbox/m__message_attachment__.xml", emails({simpleMessage("s", "b")}));
    small.centralDirectory();
    seeds.append(small.bytes);
    seeds.append(emails({simpleMessage("crawled", "body")}));
    seeds.append(localHeader("n", 1, 5, 5, QByteArray()) + "hello");
    // The first entry's extra-field and name lengths damaged inside the file.
    Archive damaged;
    const qint64 header = damaged.bytes.size();
    damaged.sized("Local/Mail/Inbox/m__message_attachment__.xml", emails({simpleMessage("s", "b")}));
    damaged.sized("Local/att/a", QByteArray(300, 'a'));
    damaged.streamed("s.xml", emails({simpleMessage("t", "c")}));
    damaged.sized("Local/att/b", "b");
    damaged.centralDirectory();
    QByteArray extra = damaged.bytes;
    setHeaderLength(extra, header, kExtraLengthField, 200);
    seeds.append(extra);
    QByteArray name = damaged.bytes;
    setHeaderLength(name, header, kNameLengthField, 47);
    seeds.append(name);
    // Inputs of the built backup: 4 entries, the second damaged by +3 and -2.
    seeds.append(QByteArray("\x02\x01\x00\x03", 4) + QByteArray(200, 'x'));
    seeds.append(QByteArray("\x02\x01\x01\xfe", 4) + QByteArray(200, 'y'));
    // Runs of damaged headers claiming long names.
    seeds.append(damagedHeaders(false, 2048));
    seeds.append(damagedHeaders(true, 512));
    int n = 0;
    for (const QByteArray &seed : seeds) {
        QFile file(dir + QStringLiteral("/seed%1.olm").arg(n++));
        if (file.open(QIODevice::WriteOnly))
            file.write(seed);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QByteArray seeds = qgetenv("OLM_FUZZ_SEEDS");
    if (!seeds.isEmpty()) {
        writeSeeds(QString::fromLocal8Bit(seeds));
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    std::atomic<bool> stop{false};

    olm::MemorySource fastSource(input);
    CheckingSink fast(input.size());
    olm::walkOlm(fastSource, fast, stop, olm::WalkMode::Fast);
    fast.checkToldCost();

    // The one-byte reference walk is slow: small inputs are compared with it.
    if (size <= 2048) {
        olm::MemorySource referenceSource(input);
        CheckingSink reference(input.size());
        olm::walkOlm(referenceSource, reference, stop, olm::WalkMode::Reference);
        if (fast.log != reference.log)
            std::abort();
        olm::MemorySource smallSource(input);
        CheckingSink small(input.size());
        olm::walkOlm(smallSource, small, stop, olm::WalkMode::Fast, 64 + qint64(size % 61));
        if (small.log != reference.log)
            std::abort();
    }
    if (opf::xmlUnescape(input) != plainUnescape(input))
        std::abort();
    checkResynchronisation(input);

    // Every payload, and the input itself, through the message parser.
    opf::PendingAttachments pending;
    pending.appendUnreadable(QStringLiteral("x"));
    pending.append(QStringLiteral("u"), 0, qint64(size));
    pending.appendEmpty(QStringLiteral("e"), 0);
    fast.payloads.append(input);
    fast.offsets.append(0);
    for (int i = 0; i < fast.payloads.size(); ++i) {
        const QByteArray &payload = fast.payloads.at(i);
        opf::buildRecords(payload, fast.offsets.at(i), QStringLiteral("F"), 502, pending);
        for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext) {
            const bool bodyless = r->llBodyOffset == 0 && r->llBodyLength == 0;
            if (!bodyless && (r->llBodyLength < 0 || r->llBodyOffset < fast.offsets.at(i)
                              || r->llBodyOffset + r->llBodyLength > fast.offsets.at(i) + payload.size()))
                std::abort();
            if (r->szSubject.size() > mlrclimits::kSubject || r->szToAddress.size() > mlrclimits::kToAddress
                || r->szSentTime.size() > mlrclimits::kTimeText || r->szMessageID.isEmpty())
                std::abort();
            for (const QByteArray *value : {&r->szSubject, &r->szThreadTopic, &r->szMessageID, &r->szReferences,
                                            &r->szInReplyTo, &r->szPriority, &r->szFromAddress, &r->szFromName,
                                            &r->szToAddress, &r->szToName, &r->szCcAddress, &r->szCcName,
                                            &r->szBccAddress, &r->pAttachContentIDs, &r->pAttachNames,
                                            &r->pAttachURLs, &r->szSentTime}) {
                if (!inStoredForm(*value))
                    std::abort();
            }
            // The six attachment lists hold one item per attachment each.
            const int items = int(r->pAttachURLs.count(';'));
            for (const QByteArray *list : {&r->pAttachContentIDs, &r->pAttachContentTypes, &r->pAttachNames,
                                           &r->pAttachOffsets, &r->pAttachSizes}) {
                if (list->count(';') != items)
                    std::abort();
            }
        }
        releaseMailMLRCs();
    }
    return 0;
}
