// Composition of backup records into mbox messages: the shared encoders,
// the time rule, the header lines, the boundaries, golden messages of the
// four layouts, and a read-back of composed mbox files by Python's email
// package.

#include "convert/mimeencode.h"
#include "convert/olmcompose.h"
#include "olm/mailmlrc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace olmcompose;

namespace {

const QByteArray kStoredTime("Fri, 19 Dec 2014 10:37:38 +0530");
const QByteArray kOtherTime("Mon, 01 Dec 2014 08:00:00 -0100");

// Makes blanks, tabs and line ends visible in a failure message.
QString visible(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t")).replace(QLatin1Char('\n'), QStringLiteral("\\n\n"));
    return text;
}

#define COMPARE_BYTES(actual, expected) QCOMPARE(visible(actual), visible(expected))

// Clock at 5 Dec 2014 10:37:38 +0530, random 4711, UUIDs 1, 2, 3, ...
Sources pinnedSources()
{
    Sources sources;
    sources.now = [] { return QDateTime(QDate(2014, 12, 5), QTime(10, 37, 38), Qt::OffsetFromUTC, 19800); };
    sources.random = [] { return 4711u; };
    auto counter = std::make_shared<uint>(0);
    sources.uuid = [counter] { return QUuid(++*counter, 0, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 0); };
    return sources;
}

QByteArray uuidHex(uint n)
{
    return QUuid(n, 0, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 0).toRfc4122().toHex().toUpper();
}

// Records with their own storage; the backup bytes grow as records point into them.
struct Fixture {
    QByteArray backup;
    std::vector<std::unique_ptr<MailMLRC>> records;

    MailMLRC &record()
    {
        records.push_back(std::make_unique<MailMLRC>());
        MailMLRC &r = *records.back();
        r.szReceivedTime = kStoredTime;
        r.szFolderPath = "Inbox";
        return r;
    }
    void setBody(MailMLRC &r, const QByteArray &stored)
    {
        r.llBodyOffset = backup.size();
        r.llBodyLength = stored.size();
        backup += stored;
    }
    void addAttachment(MailMLRC &r, const QByteArray &name, const QByteArray &type, const QByteArray &id,
                       const QByteArray &data)
    {
        r.pAttachNames += name + ';';
        r.pAttachContentTypes += type + ';';
        r.pAttachContentIDs += id + ';';
        r.pAttachURLs += "entry;";
        r.pAttachOffsets += QByteArray::number(backup.size()) + ';';
        r.pAttachSizes += QByteArray::number(data.size()) + ';';
        backup += data;
    }
    QByteArray compose(const MailMLRC &r, const Sources &sources = pinnedSources())
    {
        BufferBackupReader reader(backup);
        ByteArraySink sink;
        composeMessage(r, reader, sources, sink);
        return sink.bytes;
    }
};

const QByteArray kHead = "From ???@??? Fri Dec 19 10:37:38 2014\n"
                         "User-Agent: Microsoft-MacOutlook/14.0.0.100825\n";
const QByteArray kDate = "Date: Fri, 19 Dec 2014 10:37:38 +0530\n";

} // namespace

class TestOlmCompose : public QObject
{
    Q_OBJECT

private slots:
    void quotedPrintable_data();
    void quotedPrintable();
    void quotedPrintableInPieces();
    void base64Lines();
    void base64MatchesReference_data();
    void base64MatchesReference();
    void rangeReader_data();
    void rangeReader();
    void encodedWordsKeepCharacters();
    void headerValues_data();
    void headerValues();
    void fileNameParameters_data();
    void fileNameParameters();

    void timeRule_data();
    void timeRule();
    void currentTimeLines();
    void originatorAndRecipients_data();
    void originatorAndRecipients();
    void subjectFoldsIntoWords();
    void boundaries_data();
    void boundaries();
    void bodyUnescaping_data();
    void bodyUnescaping();

    void goldenLayouts_data();
    void goldenLayouts();
    void attachmentTypes_data();
    void attachmentTypes();
    void clampsAttachmentToBackup();
    void longFieldsKeepLinesShort();
    void parsesBackWithPython();
};

void TestOlmCompose::quotedPrintable_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("encoded");
    const QByteArray line76(76, 'a');
    QTest::newRow("plain-line-unchanged") << QByteArray("<html>Hello</html>") << QByteArray("<html>Hello</html>");
    QTest::newRow("line-of-76-unchanged") << line76 << line76;
    QTest::newRow("line-of-77-soft-break") << QByteArray(77, 'a') << QByteArray(75, 'a') + "=\naa";
    QTest::newRow("equals-sign") << QByteArray("a=b") << QByteArray("a=3Db");
    QTest::newRow("cr-lf-and-cr-become-lf") << QByteArray("a\r\nb\rc\n") << QByteArray("a\nb\nc\n");
    QTest::newRow("non-ascii-bytes") << QByteArray("caf\xc3\xa9") << QByteArray("caf=C3=A9");
    QTest::newRow("trailing-blank-and-tab") << QByteArray("a \nb\t") << QByteArray("a=20\nb=09");
    QTest::newRow("inner-blanks-kept") << QByteArray("a  b") << QByteArray("a  b");
    QTest::newRow("from-at-line-start") << QByteArray("x\nFrom me") << QByteArray("x\n=46rom me");
    QTest::newRow("from-inside-line") << QByteArray("x From me") << QByteArray("x From me");
    QTest::newRow("fro-is-no-from") << QByteArray("Frog") << QByteArray("Frog");
    QTest::newRow("dashes-at-line-start") << QByteArray("--boundary\n-x") << QByteArray("=2D-boundary\n-x");
    QTest::newRow("from-after-soft-break")
        << QByteArray(75, 'a') + "From x" << QByteArray(75, 'a') + "=\n=46rom x";
    QTest::newRow("escape-never-split") << QByteArray(74, 'a') + "==" << QByteArray(74, 'a') + "=\n=3D=3D";
    QTest::newRow("nul-and-control-bytes") << QByteArray("a\0b\x01", 4) << QByteArray("a=00b=01");
}

void TestOlmCompose::quotedPrintable()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, encoded);
    COMPARE_BYTES(mimeencode::quotedPrintable(text), encoded);
    for (const QByteArray &line : mimeencode::quotedPrintable(text).split('\n'))
        QVERIFY(line.size() <= 76);
}

void TestOlmCompose::quotedPrintableInPieces()
{
    const QByteArray text = "a=b\r\nFrom x\r\n--y \r\n" + QByteArray(200, 'z') + "\r";
    const QByteArray whole = mimeencode::quotedPrintable(text);
    for (int piece = 1; piece <= 7; ++piece) {
        mimeencode::QuotedPrintableEncoder encoder;
        QByteArray out;
        for (int pos = 0; pos < text.size(); pos += piece)
            encoder.add(text.mid(pos, piece), out);
        encoder.finish(out);
        QCOMPARE(out, whole);
    }
}

void TestOlmCompose::base64Lines()
{
    QByteArray out;
    mimeencode::appendBase64Lines("abc", 3, out);
    QCOMPARE(out, QByteArray("YWJj\n"));
    out.clear();
    const QByteArray data(100, 'x');
    mimeencode::appendBase64Lines(data.constData(), data.size(), out);
    const QList<QByteArray> lines = out.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].size(), 76);
    QCOMPARE(QByteArray::fromBase64(lines[0] + lines[1]), data);
}

void TestOlmCompose::base64MatchesReference_data()
{
    QTest::addColumn<QByteArrayList>("inputs");
    QTest::addColumn<bool>("withVector");
    QRandomGenerator generator(2024);
    auto randomBytes = [&generator](int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(generator.generate());
        return bytes;
    };
    QByteArrayList allLengths;
    for (int size = 0; size <= 200; ++size)
        allLengths.append(randomBytes(size));
    QByteArray everyValue;
    for (int value = 0; value < 256 * 3; ++value)
        everyValue += char(value * 7 % 256);
    const QByteArrayList large = {randomBytes((1 << 20) + 1), randomBytes(57 * 1000 - 1), randomBytes(57 * 999)};
    for (const bool withVector : {false, true}) {
        const char *kernel = withVector ? "vector" : "scalar";
        QTest::addRow("%s-lengths-0-to-200", kernel) << allLengths << withVector;
        QTest::addRow("%s-every-byte-value", kernel) << QByteArrayList{everyValue} << withVector;
        QTest::addRow("%s-large-random", kernel) << large << withVector;
    }
}

// writeBase64Lines against QByteArray::toBase64 cut into lines of 76.
void TestOlmCompose::base64MatchesReference()
{
    QFETCH(QByteArrayList, inputs);
    QFETCH(bool, withVector);
    for (const QByteArray &input : inputs) {
        const QByteArray encoded = input.toBase64();
        QByteArray expected;
        for (int pos = 0; pos < encoded.size(); pos += 76)
            expected += encoded.mid(pos, 76) + '\n';
        QByteArray out(int(mimeencode::base64LinesSize(input.size())), '?');
        const char *end = mimeencode::writeBase64Lines(input.constData(), input.size(), out.data(), withVector);
        QCOMPARE(end - out.constData(), qint64(out.size()));
        QCOMPARE(out, expected);
    }
}

void TestOlmCompose::rangeReader_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("size");
    QTest::newRow("inside-the-held-range") << qint64(220) << qint64(50);
    QTest::newRow("whole-held-range") << qint64(200) << qint64(300);
    QTest::newRow("straddles-its-end") << qint64(450) << qint64(100);
    QTest::newRow("straddles-its-start") << qint64(150) << qint64(100);
    QTest::newRow("after-it") << qint64(600) << qint64(50);
    QTest::newRow("up-to-the-end-of-the-file") << qint64(480) << qint64(900);
    QTest::newRow("beyond-the-file") << qint64(1000) << qint64(10);
}

// A range of bytes 200 to 500 held in memory; what lies outside is read
// from a reader that holds nothing in memory, as a file does.
void TestOlmCompose::rangeReader()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, size);
    struct FileLike : BufferBackupReader {
        using BufferBackupReader::BufferBackupReader;
        const char *bytesAt(qint64, qint64) override { return nullptr; }
    };
    QByteArray bytes(1000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 256);
    FileLike file(bytes);
    RangeBackupReader range(file, 200, 300);
    const QByteArray expected = bytes.mid(int(offset), int(size));

    QByteArray read(int(size), '?');
    const qint64 got = range.readAt(offset, read.data(), size);
    QCOMPARE(read.left(int(qMax<qint64>(0, got))), expected);
    const char *held = range.bytesAt(offset, size);
    QCOMPARE(held != nullptr, offset >= 200 && offset + size <= 500);
    if (held)
        QCOMPARE(QByteArray(held, int(size)), expected);
}

void TestOlmCompose::encodedWordsKeepCharacters()
{
    // 30 two-byte letters: 60 bytes, cut into 22 letters (44 bytes) and 8.
    const QByteArray text = QString(30, QChar(0xE9)).toUtf8();
    const QList<QByteArray> words = mimeencode::encodedWords(text);
    QCOMPARE(words.size(), 2);
    QByteArray joined;
    for (const QByteArray &word : words) {
        QVERIFY(word.size() <= 75);
        QVERIFY(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
        joined += QByteArray::fromBase64(word.mid(10, word.size() - 12));
    }
    QCOMPARE(joined, text);
    QCOMPARE(QByteArray::fromBase64(words[0].mid(10, words[0].size() - 12)).size(), 44);
}

void TestOlmCompose::headerValues_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain-name-as-is") << QByteArray("name") << QByteArray("John Doe") << QByteArray("John Doe");
    QTest::newRow("comma-name-quoted") << QByteArray("name") << QByteArray("Doe, John") << QByteArray("\"Doe, John\"");
    QTest::newRow("quote-in-name-escaped") << QByteArray("name") << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
    QTest::newRow("non-ascii-name-encoded") << QByteArray("name") << QByteArray("J\xc3\xbcrgen") << QByteArray("=?UTF-8?B?SsO8cmdlbg==?=");
    QTest::newRow("cr-lf-in-name-blanked") << QByteArray("name") << QByteArray("a\r\nFrom x") << QByteArray("a  From x");
    QTest::newRow("topic-plain") << QByteArray("text") << QByteArray("Plan") << QByteArray("Plan");
    QTest::newRow("topic-non-ascii") << QByteArray("text") << QByteArray("\xc3\xa9t\xc3\xa9") << QByteArray("=?UTF-8?B?w6l0w6k=?=");
    QTest::newRow("name-like-encoded-word-encoded")
        << QByteArray("name") << QByteArray("=?UTF-8?B?QQ==?=") << QByteArray("=?UTF-8?B?PT9VVEYtOD9CP1FRPT0/PQ==?=");
    QTest::newRow("special-name-like-encoded-word-encoded-not-quoted")
        << QByteArray("name") << QByteArray("Doe, =?x?q?y?=") << QByteArray("=?UTF-8?B?RG9lLCA9P3g/cT95Pz0=?=");
    QTest::newRow("name-with-equals-and-question-mark-as-is")
        << QByteArray("name") << QByteArray("a=b? c?=d") << QByteArray("a=b? c?=d");
    QTest::newRow("topic-like-encoded-word-encoded")
        << QByteArray("text") << QByteArray("Re: =?UTF-8?B?QQ==?=") << QByteArray("=?UTF-8?B?UmU6ID0/VVRGLTg/Qj9RUT09Pz0=?=");
    QTest::newRow("control-bytes-blanked") << QByteArray("clean") << QByteArray("a\x01\x7f\tb\n", 6) << QByteArray("a  \tb ");
}

void TestOlmCompose::headerValues()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    if (kind == "name")
        COMPARE_BYTES(mimeencode::displayName(value), expected);
    else if (kind == "text")
        COMPARE_BYTES(mimeencode::unstructuredValue(value), expected);
    else
        COMPARE_BYTES(mimeencode::cleanHeaderValue(value), expected);
}

void TestOlmCompose::fileNameParameters_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain-name") << QByteArray("a.pdf") << QByteArray("filename=\"a.pdf\"");
    QTest::newRow("quote-in-name") << QByteArray("a\"b.pdf") << QByteArray("filename=\"a\\\"b.pdf\"");
    QTest::newRow("non-ascii-name")
        << QByteArray("\xc3\xa9.pdf")
        << QByteArray("filename=\"=?UTF-8?B?w6kucGRm?=\"|filename*=UTF-8''%C3%A9.pdf");
    QTest::newRow("name-like-encoded-word")
        << QByteArray("=?UTF-8?B?QQ==?=")
        << QByteArray("filename=\"=?UTF-8?B?PT9VVEYtOD9CP1FRPT0/PQ==?=\"|filename*=UTF-8''%3D%3FUTF-8%3FB%3FQQ%3D%3D%3F%3D");
    QTest::newRow("long-name-continues")
        << QByteArray(30, 'a') + "\xc3\xa9" + QByteArray(30, 'b')
        << QByteArray("filename=\"=?UTF-8?B?YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhw6liYmJiYmJiYmJiYmJi?= "
                      "=?UTF-8?B?YmJiYmJiYmJiYmJiYmJiYmI=?=\"|filename*0*=UTF-8''aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                      "%C3%A9bbbbbbbbbbbbbbbbbbbbbbbb|filename*1*=bbbbbb");
}

void TestOlmCompose::fileNameParameters()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, expected);
    COMPARE_BYTES(mimeencode::fileNameParameters("filename", name, true).join('|'), expected);
}

void TestOlmCompose::timeRule_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("outgoing");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("expected");
    const int sent = int(TimeSource::Sent), received = int(TimeSource::Received), current = int(TimeSource::Current);
    QTest::newRow("inbox-received") << QByteArray("A/Inbox") << 0 << kOtherTime << kStoredTime << received;
    QTest::newRow("inbox-without-received-sent") << QByteArray("Inbox") << 0 << kOtherTime << QByteArray() << sent;
    QTest::newRow("sent-items-before-inbox") << QByteArray("Inbox/Sent Items") << 0 << kOtherTime << kStoredTime << sent;
    QTest::newRow("deleted-outgoing-sent") << QByteArray("Deleted Items") << 1 << kOtherTime << kStoredTime << sent;
    QTest::newRow("deleted-incoming-received") << QByteArray("Deleted Items") << 0 << kOtherTime << kStoredTime << received;
    QTest::newRow("deleted-drafts-other-flag-sent") << QByteArray("Deleted Items/Drafts") << 7 << kOtherTime << kStoredTime << sent;
    QTest::newRow("unknown-flag-taken-as-received") << QByteArray("Archive") << 7 << kOtherTime << kStoredTime << received;
    QTest::newRow("lower-case-name-not-found") << QByteArray("sent items") << 0 << kOtherTime << kStoredTime << received;
    QTest::newRow("preferred-invalid-other-used") << QByteArray("Sent Items") << 0 << QByteArray("garbage") << kStoredTime << received;
    QTest::newRow("zero-bytes-invalid") << QByteArray("Drafts") << 0 << QByteArray(31, '\0') << QByteArray() << current;
    QTest::newRow("feb-30-invalid") << QByteArray("Drafts") << 0 << QByteArray("Mon, 30 Feb 2014 08:00:00 +0000") << QByteArray() << current;
    QTest::newRow("both-empty-current") << QByteArray() << 0 << QByteArray() << QByteArray() << current;
}

void TestOlmCompose::timeRule()
{
    QFETCH(QByteArray, path);
    QFETCH(int, outgoing);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, received);
    QFETCH(int, expected);
    MailMLRC record;
    record.szFolderPath = path;
    record.nIsOutgoing = outgoing;
    record.szSentTime = sent;
    record.szReceivedTime = received;
    QCOMPARE(int(chooseTime(record)), expected);
}

void TestOlmCompose::currentTimeLines()
{
    MailMLRC record;
    const QDateTime now(QDate(2014, 12, 5), QTime(10, 37, 38), Qt::OffsetFromUTC, -3600);
    COMPARE_BYTES(separatorLines(record, now), QByteArray("From ???@??? Fri Dec 5 10:37:38 2014\n"));
    COMPARE_BYTES(dateLine(record, now), QByteArray("Date: Fri, 5 Dec 2014 10:37:38 -0100\n"));
    record.szSentTime = kStoredTime;
    COMPARE_BYTES(separatorLines(record, now), kHead);
    COMPARE_BYTES(dateLine(record, now), kDate);
}

void TestOlmCompose::originatorAndRecipients_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("from-last-entries") << QByteArray("From: ") << QByteArray("M;N;") << QByteArray("a@x;b@x;")
                                       << QByteArray("From: N <b@x>\n");
    QTest::newRow("from-without-name-quotes-address")
        << QByteArray("From: ") << QByteArray() << QByteArray("a@x;") << QByteArray("From: \"a@x\" <a@x>\n");
    QTest::newRow("from-empty-address-no-line") << QByteArray("From: ") << QByteArray("N;") << QByteArray(";") << QByteArray();
    QTest::newRow("to-three-folded")
        << QByteArray("To: ") << QByteArray("A;B;C;") << QByteArray("a@x;b@x;c@x;")
        << QByteArray("To: A <a@x>,\n\tB <b@x>,\n\tC <c@x>\n");
    QTest::newRow("unknown-name-gives-address")
        << QByteArray("To: ") << QByteArray("Unknown Name;") << QByteArray("a@x;") << QByteArray("To: \"a@x\" <a@x>\n");
    QTest::newRow("entities-do-not-split")
        << QByteArray("Cc: ") << QByteArray("&quot;Al&quot; &amp; Bo;O&#39;Neil;") << QByteArray("a@x;o@x;")
        << QByteArray("Cc: \"\\\"Al\\\" & Bo\" <a@x>,\n\tO'Neil <o@x>\n");
    QTest::newRow("unpaired-addresses-alone")
        << QByteArray("To: ") << QByteArray() << QByteArray("a@x;b@x;") << QByteArray("To: <a@x>,\n\t<b@x>\n");
    QTest::newRow("last-element-without-semicolon-kept")
        << QByteArray("To: ") << QByteArray("A") << QByteArray("a@x") << QByteArray("To: A <a@x>\n");
    QTest::newRow("no-address-no-line") << QByteArray("To: ") << QByteArray("A;") << QByteArray() << QByteArray();
    QTest::newRow("newline-in-name-blanked")
        << QByteArray("To: ") << QByteArray("A\nFrom x;") << QByteArray("a@x;") << QByteArray("To: A From x <a@x>\n");
    QTest::newRow("address-entities-kept-as-stored")
        << QByteArray("To: ") << QByteArray("Unknown Name;") << QByteArray("a&lt;b@x;")
        << QByteArray("To: \"a&lt;b@x\" <a&lt;b@x>\n");
    QTest::newRow("from-address-entities-kept-as-stored")
        << QByteArray("From: ") << QByteArray("A;") << QByteArray("a&amp;b@x;") << QByteArray("From: A <a&amp;b@x>\n");
    const QByteArray address600 = QByteArray(588, 'a') + "@example.com";
    const QByteArray address990 = QByteArray(978, 'b') + "@example.com";
    QTest::newRow("from-600-byte-address")
        << QByteArray("From: ") << QByteArray("Ann;") << address600 + ';' << "From: Ann <" + address600 + ">\n";
    QTest::newRow("to-600-byte-address-after-a-short-one")
        << QByteArray("To: ") << QByteArray("A;B;") << "a@x;" + address600 + ';'
        << "To: A <a@x>,\n\tB <" + address600 + ">\n";
    QTest::newRow("name-and-address-over-a-line-fold-before-bracket")
        << QByteArray("To: ") << QByteArray("Doe, John;B;") << address990 + ";b@x;"
        << "To: \"Doe, John\"\n\t<" + address990 + ">,\n\tB <b@x>\n";
    QTest::newRow("address-over-a-line-folds-after-a-dot")
        << QByteArray("Cc: ") << QByteArray("B;") << QByteArray(979, 'c') + '.' + address600 + ';'
        << "Cc: B\n\t<" + QByteArray(979, 'c') + ".\n\t" + address600 + ">\n";
    QTest::newRow("address-over-a-line-without-a-dot-left-out")
        << QByteArray("To: ") << QByteArray("A;B;") << QByteArray(1200, 'z') + ";b@x;" << QByteArray("To: B <b@x>\n");
}

void TestOlmCompose::originatorAndRecipients()
{
    QFETCH(QByteArray, label);
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, expected);
    const QByteArray line = label == "From: " ? fromHeader(names, addresses) : recipientHeader(label, addresses, names);
    COMPARE_BYTES(line, expected);
}

void TestOlmCompose::subjectFoldsIntoWords()
{
    COMPARE_BYTES(subjectHeader("Hi"), QByteArray("Subject: =?UTF-8?B?SGk=?=\n"));
    QVERIFY(subjectHeader(QByteArray()).isEmpty());
    const QByteArray line = subjectHeader(QByteArray(1023, 's'));
    const QList<QByteArray> lines = line.split('\n');
    QCOMPARE(lines.size(), 24); // 23 words of at most 45 bytes, and the empty rest
    for (const QByteArray &l : lines)
        QVERIFY(l.size() <= 84);
}

void TestOlmCompose::boundaries_data()
{
    QTest::addColumn<QByteArray>("messageId");
    QTest::addColumn<QByteArray>("outerParameter");
    QTest::addColumn<QByteArray>("inner");
    QTest::newRow("bracketed-id-quoted") << QByteArray("<ABCDEFGHIJKL>") << QByteArray("boundary=\"ABCDEFGHIJKL\"")
                                         << QByteArray("ABCDEFGH4711IJKL");
    QTest::newRow("hex-id-unquoted") << QByteArray("0123456789abcdef0123456789abcdef")
                                     << QByteArray("boundary=0123456789abcdef0123456789abcdef")
                                     << QByteArray("0123456784711" "9abcdef0123456789abcdef");
    QTest::newRow("at-sign-quoted") << QByteArray("abcdefghij@x") << QByteArray("boundary=\"abcdefghij@x\"")
                                    << QByteArray("abcdefgh4711ij@x");
    QTest::newRow("stray-bracket-balanced") << QByteArray("abcdefghij<k") << QByteArray("boundary=\"abcdefghijk\"")
                                            << QByteArray("abcdefgh4711ijk");
    const QByteArray generated = "=_" + uuidHex(1);
    QTest::newRow("empty-id-generated") << QByteArray() << "boundary=\"" + generated + '"'
                                        << generated.left(8) + "4711" + generated.mid(8);
    QTest::newRow("short-id-generated") << QByteArray("<ab>") << "boundary=\"" + generated + '"'
                                        << generated.left(8) + "4711" + generated.mid(8);
    QTest::newRow("quote-in-id-generated") << QByteArray("<abcdefgh\"ijkl>") << "boundary=\"" + generated + '"'
                                           << generated.left(8) + "4711" + generated.mid(8);
    QTest::newRow("id-of-70-generated") << QByteArray(70, 'a') << "boundary=\"" + generated + '"'
                                        << generated.left(8) + "4711" + generated.mid(8);
}

void TestOlmCompose::boundaries()
{
    QFETCH(QByteArray, messageId);
    QFETCH(QByteArray, outerParameter);
    QFETCH(QByteArray, inner);
    const Boundaries b = makeBoundaries(messageId, true, 4711, pinnedSources().uuid);
    COMPARE_BYTES(b.outerParameter, outerParameter);
    COMPARE_BYTES(b.inner, inner);
    QVERIFY(isValidBoundary(b.outer) && isValidBoundary(b.inner));
    QVERIFY(!b.outer.startsWith(b.inner) && !b.inner.startsWith(b.outer));
}

void TestOlmCompose::bodyUnescaping_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("restored");
    QTest::newRow("double-escaped-lt-gt") << QByteArray("&amp;lt;b&amp;gt;") << QByteArray("<b>");
    QTest::newRow("amp-amp-once") << QByteArray("&amp;amp;") << QByteArray("&amp;");
    QTest::newRow("escaped-nbsp-blank") << QByteArray("a&amp;nbsp;b&nbsp;c") << QByteArray("a b c");
    QTest::newRow("others-unchanged") << QByteArray("&AMP;&Lt;&quot;&#39;") << QByteArray("&AMP;&Lt;&quot;&#39;");
    QTest::newRow("tags") << QByteArray("&lt;html&gt;x&lt;/html&gt;") << QByteArray("<html>x</html>");
}

void TestOlmCompose::bodyUnescaping()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, restored);
    for (int piece = 1; piece <= stored.size(); ++piece) {
        BodyUnescaper unescaper;
        QByteArray out;
        for (int pos = 0; pos < stored.size(); pos += piece)
            unescaper.add(stored.constData() + pos, qMin(piece, stored.size() - pos), out);
        unescaper.finish(out);
        QCOMPARE(out, restored);
    }
}

void TestOlmCompose::goldenLayouts_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray headers = kHead + "Subject: =?UTF-8?B?SGk=?=\nFrom: Ann <ann@example.com>\n"
                               "To: Bob <bob@example.com>\n" + kDate + "Message-ID: " + uuidHex(1) + '\n';
    const QByteArray body = "--ABCDEFGHIJKL\n"
                            "Content-type: multipart/alternative;\n\tboundary=\"ABCDEFGH4711IJKL\"\n\n"
                            "--ABCDEFGH4711IJKL\n"
                            "Content-type: text/html;charset=\"UTF-8\"\n"
                            "Content-transfer-encoding: quoted-printable\n\n"
                            "<html><pre style=3D\"white-space: pre-wrap\">Hello &amp;amp; bye</pre></html>\n\n"
                            "--ABCDEFGH4711IJKL--\n\n";
    const QByteArray part = "Content-type: text/plain; name=\"a.txt\"\n"
                            "Content-Description: a.txt\n"
                            "Content-Disposition: attachment; filename=\"a.txt\";\n"
                            "Content-Transfer-Encoding: base64\n\nYWJj\n\n";
    QTest::newRow("body-and-attachment")
        << 1 << headers + "X-MS-Has-Attach: yes\nMIME-Version: 1.0\n"
                "Content-type: multipart/mixed;\n\tboundary=\"ABCDEFGHIJKL\"\n\n" + body
                + "--ABCDEFGHIJKL\n" + part + "--ABCDEFGHIJKL--\n\n";
    QTest::newRow("body-only")
        << 2 << headers + "X-MS-Has-Attach: \nMIME-Version: 1.0\n"
                "Content-type: multipart/mixed;\n\tboundary=\"ABCDEFGHIJKL\"\n\n" + body + "--ABCDEFGHIJKL--\n\n";
    QTest::newRow("attachment-only")
        << 3 << headers + "X-MS-Has-Attach: yes\nMIME-Version: 1.0\n"
                "Content-type: multipart/mixed;\n\tboundary=\"ABCDEFGHIJKL\"\n\n"
                "--ABCDEFGHIJKL\n" + part + "--ABCDEFGHIJKL--\n\n\n";
    QTest::newRow("headers-only") << 4 << kHead + kDate + "X-MS-Has-Attach: \nMIME-Version: 1.0\n\n\n";
}

void TestOlmCompose::goldenLayouts()
{
    QFETCH(int, variant);
    QFETCH(QByteArray, expected);
    Fixture f;
    MailMLRC &r = f.record();
    if (variant != 4) {
        r.szSubject = "Hi";
        r.szFromName = "Ann;";
        r.szFromAddress = "ann@example.com;";
        r.szToName = "Bob;";
        r.szToAddress = "bob@example.com;";
        r.szMessageID = "<ABCDEFGHIJKL>";
    }
    if (variant == 1 || variant == 2)
        f.setBody(r, "Hello &amp;amp; bye");
    if (variant == 1 || variant == 3)
        f.addAttachment(r, "a.txt", "text/plain", "no", "abc");
    COMPARE_BYTES(f.compose(r), expected);
}

void TestOlmCompose::attachmentTypes_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("written");
    const QByteArray octets("application/octet-stream");
    QTest::newRow("forwarded-message") << QByteArray("message/rfc822") << octets;
    QTest::newRow("forwarded-message-capitals") << QByteArray("Message/RFC822") << octets;
    QTest::newRow("message-partial") << QByteArray("message/partial") << octets;
    QTest::newRow("message-external-body") << QByteArray("message/external-body") << octets;
    QTest::newRow("message-global") << QByteArray("message/global") << octets;
    QTest::newRow("multipart-mixed") << QByteArray("multipart/mixed") << octets;
    QTest::newRow("multipart-signed-blanks-around") << QByteArray(" multipart/signed ") << octets;
    QTest::newRow("text-plain-kept") << QByteArray("text/plain") << QByteArray("text/plain");
    QTest::newRow("message-as-subtype-kept") << QByteArray("application/message") << QByteArray("application/message");
}

// Base64 is no encoding for a multipart or message part (RFC 2045 6.4): such
// data goes out as octets, under its own name.
void TestOlmCompose::attachmentTypes()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, written);
    Fixture f;
    MailMLRC &r = f.record();
    f.addAttachment(r, "fwd.eml", stored, "no", "abc");
    const QByteArray message = f.compose(r);
    const QByteArray head = "Content-type: " + written + "; name=\"fwd.eml\"\n"
                            "Content-Description: fwd.eml\n"
                            "Content-Disposition: attachment; filename=\"fwd.eml\";\n"
                            "Content-Transfer-Encoding: base64\n\nYWJj\n";
    QVERIFY2(message.contains(head), qPrintable(visible(message)));
}

void TestOlmCompose::clampsAttachmentToBackup()
{
    Fixture f;
    MailMLRC &r = f.record();
    f.addAttachment(r, "a.bin", "", "", "abcdef");
    r.pAttachSizes = "1000;";       // more than the backup holds
    r.pAttachOffsets += "99999;";   // a second piece with no name: not an attachment
    const QByteArray message = f.compose(r);
    QVERIFY2(message.contains("Content-type: application/octet-stream; name=\"a.bin\"\n"), message.constData());
    QVERIFY(message.contains("\n\nYWJjZGVm\n\n--"));
    QVERIFY(!message.contains("Content-ID"));
    QCOMPARE(message.count("Content-Disposition"), 1);
}

void TestOlmCompose::longFieldsKeepLinesShort()
{
    Fixture f;
    MailMLRC &r = f.record();
    const QByteArray name200(200, 'n');
    r.szFromName = name200 + "\"" + ';';
    r.szFromAddress = QByteArray(500, 'a') + ';';
    r.szToName = QByteArray(2998, 'x') + ';';
    r.szToAddress = QByteArray(498, 'b') + ";";
    r.szSubject = QByteArray(1023, '\xe9');
    r.szMessageID = QByteArray(254, '<');
    f.setBody(r, QByteArray(5000, 'x'));
    f.addAttachment(r, QByteArray(1500, 'k'), QByteArray(100, 't') + '/' + QByteArray(99, 's'),
                    QByteArray(500, 'c'), "abc");
    f.addAttachment(r, QByteArray(600, '\xe9'), "a/b", "d", "abc");
    const QByteArray message = f.compose(r);
    for (const QByteArray &line : message.split('\n'))
        QVERIFY2(line.size() <= 998, line.left(60).constData());
    QCOMPARE(message.count("Content-Transfer-Encoding: base64"), 2);
}

void TestOlmCompose::parsesBackWithPython()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    if (qEnvironmentVariableIsEmpty("CONVERTER_SOURCE_DIR"))
        QSKIP("CONVERTER_SOURCE_DIR names the script's tree; ctest sets it");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
   
    Fixture f;
    QJsonArray expected;
    auto b64 = [](const QByteArray &bytes) { return QString::fromLatin1(bytes.toBase64()); };
    auto addresses = [](std::initializer_list<std::pair<const char *, const char *>> list) {
        QJsonArray array;
        for (const auto &entry : list)
            array.append(QJsonArray{QString::fromUtf8(entry.first), QString::fromUtf8(entry.second)});
        return array;
    };

    // A non-ASCII subject and names, entities in names, an html body with
    // "From ", "=", "--" and long lines, and non-ASCII attachment names.
    MailMLRC &a = f.record();
    a.szSubject = "R\xc3\xa9union \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac and a subject longer than one encoded word";
    a.szFromName = "Fran\xc3\xa7ois;";
    a.szFromAddress = "f@example.com;";
    a.szToName = "Doe, John;&quot;Al&quot; &amp; Bo;";
    a.szToAddress = "j@example.com;al@example.com;";
    a.szCcName = "Unknown Name;";
    a.szCcAddress = "c@example.com;";
    a.szThreadTopic = "R\xc3\xa9union";
    a.szMessageID = "<m1@example.com>";
    const QByteArray html = "<html><body>\r\nFrom the start\r\n--ABC\r\na=b " + QByteArray(300, 'x')
                            + " \r\n\xc3\xa9t\xc3\xa9</body></html>";
    QByteArray storedHtml = html;
    storedHtml.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;");
    f.setBody(a, storedHtml);
    const QByteArray pdf = QByteArray("%PDF\0\x01\xff", 7) + QByteArray(5000, 'p');
    f.addAttachment(a, "r\xc3\xa9sum\xc3\xa9.pdf", "application/pdf", "cid1", pdf);
    f.addAttachment(a, "plain \"q\".txt", "text/plain", "no", "abc");
    QByteArray htmlDecoded = html;
    htmlDecoded.replace("\r\n", "\n");
    expected.append(QJsonObject{
        {QStringLiteral("subject"), QString::fromUtf8(a.szSubject)},
        {QStringLiteral("from"), addresses({{"Fran\xc3\xa7ois", "f@example.com"}})},
        {QStringLiteral("to"), addresses({{"Doe, John", "j@example.com"}, {"\"Al\" & Bo", "al@example.com"}})},
        {QStringLiteral("cc"), addresses({{"c@example.com", "c@example.com"}})},
        {QStringLiteral("html"), b64(htmlDecoded)},
        {QStringLiteral("attachments"),
         QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("r\u00e9sum\u00e9.pdf")},
                                {QStringLiteral("data"), b64(pdf)}},
                    QJsonObject{{QStringLiteral("name"), QStringLiteral("plain \"q\".txt")},
                                {QStringLiteral("data"), b64("abc")}}}}});

    // A text body with a "From " line and CR LF; hostile fields with CR LF.
    MailMLRC &b = f.record();
    b.szSubject = "Hi\r\nBcc: evil@example.com";
    b.szFromName = "Eve\r\nFrom ???@???;";
    b.szFromAddress = "x@example.com;";
    b.szToAddress = "t@example.com;";
    b.szMessageID = "0123456789abcdef0123456789abcdef";
    b.szPriority = "2";
    f.setBody(b, "line1\r\nFrom here\r\nline3");
    expected.append(QJsonObject{
        {QStringLiteral("subject"), QStringLiteral("Hi  Bcc: evil@example.com")},
        {QStringLiteral("from"), addresses({{"Eve  From ???@???", "x@example.com"}})},
        {QStringLiteral("to"), addresses({{"", "t@example.com"}})},
        {QStringLiteral("html"), b64("<html><pre style=\"white-space: pre-wrap\">line1\nFrom here\nline3</pre></html>")}});

    // Attachments and no body, an empty Message-ID; then a record without anything.
    MailMLRC &c = f.record();
    f.addAttachment(c, "\xe6\x97\xa5\xe6\x9c\xac.txt", "text/plain; charset=x", "", "hello");
    expected.append(QJsonObject{
        {QStringLiteral("attachments"),
         QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("\u65e5\u672c.txt")},
                                {QStringLiteral("data"), b64("hello")}}}}});
    // Plain values that look like encoded words, long addresses, and
    // attachments holding a message and a multipart body.
    MailMLRC &e = f.record();
    const QByteArray lookalike = "=?UTF-8?B?QQ==?=";
    const QByteArray address600 = QByteArray(588, 'a') + "@example.com";
    const QByteArray address990 = QByteArray(978, 'b') + "@example.com";
    const QByteArray dotted = QByteArray(979, 'c') + '.' + address600;
    e.szFromName = lookalike + ';';
    e.szFromAddress = address600 + ';';
    e.szToName = "Unknown Name;Doe, John;";
    e.szToAddress = "t@example.com;" + address990 + ';';
    e.szCcName = lookalike + ';';
    e.szCcAddress = dotted + ';';
    e.szThreadTopic = lookalike;
    e.szMessageID = "<m5@example.com>";
    const QByteArray forwarded = "From: a@example.com\r\nSubject: inner\r\n\r\nFrom the inner body\r\n";
    const QByteArray parts = "--in\nContent-type: text/plain\n\nhi\n--in--\n";
    f.addAttachment(e, "fwd.eml", "message/rfc822", "no", forwarded);
    f.addAttachment(e, "parts", "multipart/mixed", "no", parts);
    f.addAttachment(e, lookalike + ".txt", "text/plain", "no", "abc");
    auto lookalikeAddresses = [&](const QByteArray &address) {
        return QJsonArray{QJsonArray{QString::fromLatin1(lookalike), QString::fromLatin1(address)}};
    };
    expected.append(QJsonObject{
        {QStringLiteral("from"), lookalikeAddresses(address600)},
        {QStringLiteral("to"), QJsonArray{QJsonArray{QStringLiteral("t@example.com"), QStringLiteral("t@example.com")},
                                          QJsonArray{QStringLiteral("Doe, John"), QString::fromLatin1(address990)}}},
        {QStringLiteral("cc"), lookalikeAddresses(dotted)},
        {QStringLiteral("thread-topic"), QString::fromLatin1(lookalike)},
        {QStringLiteral("attachments"),
         QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("fwd.eml")}, {QStringLiteral("data"), b64(forwarded)}},
                    QJsonObject{{QStringLiteral("name"), QStringLiteral("parts")}, {QStringLiteral("data"), b64(parts)}},
                    QJsonObject{{QStringLiteral("name"), QString::fromLatin1(lookalike + ".txt")},
                                {QStringLiteral("description"), QString::fromLatin1(lookalike + ".txt")},
                                {QStringLiteral("data"), b64("abc")}}}}});

    MailMLRC &d = f.record();
    d.szReceivedTime.clear();
    d.szFolderPath.clear();
    expected.append(QJsonObject{});

    const QString mboxPath = dir.filePath(QStringLiteral("Inbox.mbox"));
    QFile mbox(mboxPath);
    QVERIFY(mbox.open(QIODevice::WriteOnly));
    BufferBackupReader reader(f.backup);
    DeviceSink sink(&mbox);
    for (const auto &record : f.records) {
        const ComposeResult result = composeMessage(*record, reader, Sources::system(), sink);
        QVERIFY(result.written);
        QCOMPARE(result.shortReads, 0);
    }
    mbox.close();

    const QString jsonPath = dir.filePath(QStringLiteral("expected.json"));
    QFile json(jsonPath);
    QVERIFY(json.open(QIODevice::WriteOnly));
    json.write(QJsonDocument(QJsonObject{{mboxPath, expected}}).toJson());
    json.close();

    QProcess process;
    process.start(python, {QString::fromLocal8Bit(qgetenv("CONVERTER_SOURCE_DIR"))
                               + QStringLiteral("/tests/convert/olm_parseback.py"),
                           jsonPath});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
    QVERIFY2(process.exitCode() == 0, output.constData());
}

QTEST_GUILESS_MAIN(TestOlmCompose)
#include "tst_olmcompose.moc"
