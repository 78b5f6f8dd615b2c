// The message documents of a backup: framing into messages and the body
// location, scalar fields with their entity and length rules, address and
// attachment lists, the time text, and the folder ids of payload paths.

#include "olm/mailmlrc.h"
#include "olm/olmscan.h"
#include "olm/opfmessage.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"
#include "support/olmfixture.h"

#include <QRegularExpression>
#include <QtTest>

#include <ctime>

using namespace olmfixture;

namespace {

QList<const MailMLRC *> records()
{
    QList<const MailMLRC *> list;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        list.append(r);
    return list;
}

QByteArray field(const MailMLRC &r, const QString &name)
{
    const QHash<QString, QByteArray> fields{
        {QStringLiteral("subject"), r.szSubject},         {QStringLiteral("topic"), r.szThreadTopic},
        {QStringLiteral("messageId"), r.szMessageID},     {QStringLiteral("references"), r.szReferences},
        {QStringLiteral("inReplyTo"), r.szInReplyTo},     {QStringLiteral("sent"), r.szSentTime},
        {QStringLiteral("received"), r.szReceivedTime},   {QStringLiteral("priority"), r.szPriority},
        {QStringLiteral("outgoing"), QByteArray::number(r.nIsOutgoing)},
        {QStringLiteral("fromAddress"), r.szFromAddress}, {QStringLiteral("fromName"), r.szFromName},
        {QStringLiteral("toAddress"), r.szToAddress},     {QStringLiteral("toName"), r.szToName},
        {QStringLiteral("ccAddress"), r.szCcAddress},     {QStringLiteral("ccName"), r.szCcName},
        {QStringLiteral("bccAddress"), r.szBccAddress},
    };
    return fields.value(name);
}

// The one record of a payload holding one message of these elements.
const MailMLRC &recordOf(const QList<QByteArray> &elements, opf::PendingAttachments *pending = nullptr)
{
    opf::PendingAttachments none;
    opf::buildRecords(emails({message(elements)}), 0, QString(), 0, pending ? *pending : none);
    return *TmpMlrcPtrEnd;
}

} // namespace

class TestOpfMessage : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void framesMessagesAndLocatesBodies_data();
    void framesMessagesAndLocatesBodies();
    void fillsScalarFields_data();
    void fillsScalarFields();
    void formatsTimesInTheLocalZone_data();
    void formatsTimesInTheLocalZone();
    void fillsAddressLists_data();
    void fillsAddressLists();
    void matchesAttachmentLists_data();
    void matchesAttachmentLists();
    void resolvesFolderIds();
};

void TestOpfMessage::framesMessagesAndLocatesBodies_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("bodies"); // each record's body bytes, "|" after each

    const QByteArray body = element("OPFMessageCopyBody", "Hi");
    QTest::newRow("no-message-end") << QByteArray("<emails x>" + body + "</emails>") << QByteArray();
    QTest::newRow("text-after-last-end-is-no-message")
        << QByteArray("A" + body + "</email>B</email>C" + body) << QByteArray("Hi||");
    QTest::newRow("two-empty-messages") << QByteArray("</email></email>") << QByteArray("||");
    QTest::newRow("earlier-message-with-multibyte-text")
        << QByteArray("<email>caf\xc3\xa9</email><email>" + body + "</email>\n") << QByteArray("|Hi|");
    QTest::newRow("nul-and-invalid-utf8-before-the-body")
        << QByteArray("<email>\0\xff\xfe", 10) + body + "</email></emails>\n\0" << QByteArray("Hi|");
    QTest::newRow("empty-body") << QByteArray(element("OPFMessageCopyBody", "") + "</email>") << QByteArray("|");
    QTest::newRow("end-tag-before-content-is-absent")
        << QByteArray("<OPFMessageCopyBody></OPFMessageCopyBody></email>") << QByteArray("|");
    QTest::newRow("end-tag-without-start-tag") << QByteArray("x</OPFMessageCopyBody></email>") << QByteArray("|");
}

void TestOpfMessage::framesMessagesAndLocatesBodies()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, bodies);
    // The payload lies 1000 bytes into a file; bodies are read back from it.
    const QByteArray file = QByteArray(1000, 'z') + payload + "tail";
    opf::PendingAttachments pending;
    const int made = opf::buildRecords(payload, 1000, QString(), 0, pending);
    QByteArray found;
    for (const MailMLRC *r : records()) {
        if (r->llBodyLength == 0)
            QVERIFY(r->llBodyOffset == 0 || file.mid(int(r->llBodyOffset) - 1, 1) == ">");
        found += file.mid(int(r->llBodyOffset), int(r->llBodyLength)) + '|';
        QCOMPARE(r->szMessageID.size(), 32);
    }
    QCOMPARE(found, bodies);
    QCOMPARE(made, bodies.count('|'));
}

void TestOpfMessage::fillsScalarFields_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("subject-four-line-feeds-become-a-blank") << QByteArray("OPFMessageCopySubject")
                                                            << QByteArray("a\n\n\n\nb") << "subject" << QByteArray("a b");
    QTest::newRow("subject-eight-and-five-line-feeds") << QByteArray("OPFMessageCopySubject")
                                                       << QByteArray("a\n\n\n\n\n\n\n\nb\n\n\n\n\nc") << "subject"
                                                       << QByteArray("a  b \nc");
    QTest::newRow("subject-trimmed") << QByteArray("OPFMessageCopySubject") << QByteArray("  s \n") << "subject"
                                     << QByteArray("s");
    QTest::newRow("subject-escaped-entity-unescaped-once") << QByteArray("OPFMessageCopySubject")
                                                           << QByteArray("x &amp;lt; y") << "subject" << QByteArray("x &lt; y");
    QTest::newRow("subject-standard-and-numeric-entities")
        << QByteArray("OPFMessageCopySubject") << QByteArray("&lt;&gt;&quot;&apos;&#233;&#x41;&nbsp;&bogus;&#0;")
        << "subject" << QByteArray("<>\"'\xc3\xa9" "A &bogus;&#0;");
    QTest::newRow("subject-of-1023-bytes") << QByteArray("OPFMessageCopySubject") << QByteArray(1023, 's')
                                           << "subject" << QByteArray(1023, 's');
    QTest::newRow("subject-of-1024-bytes") << QByteArray("OPFMessageCopySubject") << QByteArray(1024, 's')
                                           << "subject" << QByteArray();
    QTest::newRow("subject-over-limit-before-unescape-fits-after")
        << QByteArray("OPFMessageCopySubject") << QByteArray(1019, 's') + "&amp;" << "subject"
        << QByteArray(1019, 's') + "&";
    QTest::newRow("invalid-utf8-becomes-replacement") << QByteArray("OPFMessageCopySubject") << QByteArray("a\x80")
                                                      << "subject" << QByteArray("a\xef\xbf\xbd");
    QTest::newRow("thread-topic-four-line-feeds") << QByteArray("OPFMessageCopyThreadTopic")
                                                  << QByteArray("t\n\n\n\nu") << "topic" << QByteArray("t u");
    QTest::newRow("message-id-unescaped") << QByteArray("OPFMessageCopyMessageID") << QByteArray("&lt;abc@x&gt;")
                                          << "messageId" << QByteArray("<abc@x>");
    QTest::newRow("message-id-without-brackets-kept") << QByteArray("OPFMessageCopyMessageID")
                                                      << QByteArray("abc@x") << "messageId" << QByteArray("abc@x");
    QTest::newRow("references-unescaped") << QByteArray("OPFMessageCopyReferences") << QByteArray("&lt;r@x&gt;")
                                          << "references" << QByteArray("<r@x>");
    QTest::newRow("in-reply-to") << QByteArray("OPFMessageCopyInReplyTo") << QByteArray("&lt;i@x&gt;")
                                 << "inReplyTo" << QByteArray("<i@x>");
    QTest::newRow("outgoing-1") << QByteArray("OPFMessageIsOutgoing") << QByteArray("1") << "outgoing" << QByteArray("1");
    QTest::newRow("outgoing-true-is-0") << QByteArray("OPFMessageIsOutgoing") << QByteArray("true") << "outgoing"
                                        << QByteArray("0");
    QTest::newRow("priority-3") << QByteArray("OPFMessageGetPriority") << QByteArray("3") << "priority" << QByteArray("3");
    QTest::newRow("priority-of-4-characters") << QByteArray("OPFMessageGetPriority") << QByteArray("1234")
                                              << "priority" << QByteArray();
    QTest::newRow("sent-time-in-utc") << QByteArray("OPFMessageCopySentTime") << QByteArray("2014-12-19T05:07:38")
                                      << "sent" << QByteArray("Fri, 19 Dec 2014 05:07:38 +0000");
    QTest::newRow("received-invalid-date-is-day-0") << QByteArray("OPFMessageCopyReceivedTime")
                                                    << QByteArray("2014-13-40T05:07:38") << "received"
                                                    << QByteArray("Thu, 01 Jan 1970 05:07:38 +0000");
    QTest::newRow("time-without-clock") << QByteArray("OPFMessageCopySentTime") << QByteArray("2014-12-19")
                                        << "sent" << QByteArray("Fri, 19 Dec 2014 00:00:00 +0000");
    QTest::newRow("time-text-of-32-characters") << QByteArray("OPFMessageCopySentTime") << QByteArray(32, '1')
                                                << "sent" << QByteArray();
    QTest::newRow("time-far-in-the-future") << QByteArray("OPFMessageCopySentTime")
                                            << QByteArray("999999-12-31T23:59:59") << "sent"
                                            << QByteArray("Fri, 31 Dec 999999 23:59:59 +00");

    // Values read in place must equal what decoding, trimming and encoding
    // again would give.
    const QByteArray subject = "OPFMessageCopySubject";
    QTest::newRow("trailing-no-break-space-trimmed") << subject << QByteArray("caf\xc3\xa9 \xc2\xa0") << "subject"
                                                     << QByteArray("caf\xc3\xa9");
    QTest::newRow("leading-byte-order-mark-dropped") << subject << QByteArray("\xef\xbb\xbfHi") << "subject"
                                                     << QByteArray("Hi");
    QTest::newRow("inner-byte-order-mark-kept") << subject << QByteArray("a\xef\xbb\xbf" "b") << "subject"
                                                << QByteArray("a\xef\xbb\xbf" "b");
    QTest::newRow("overlong-slash-replaced") << subject << QByteArray("a\xc0\xaf") << "subject"
                                             << QByteArray("a\xef\xbf\xbd\xef\xbf\xbd");
    QTest::newRow("encoded-surrogate-replaced") << subject << QByteArray("\xed\xa0\x80") << "subject"
                                                << QByteArray("\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    QTest::newRow("largest-code-point-kept") << subject << QByteArray("\xf4\x8f\xbf\xbf") << "subject"
                                             << QByteArray("\xf4\x8f\xbf\xbf");
    QTest::newRow("nul-ends-the-value") << subject << QByteArray("ab\0cd", 5) << "subject" << QByteArray("ab");
    QTest::newRow("numeric-references-at-their-limits")
        << subject << QByteArray("&#x10FFFF;&#1114112;&#xD800;&#9999999999;&#0065;&#x;&#12345678901;")
        << "subject" << QByteArray("\xf4\x8f\xbf\xbf&#1114112;&#xD800;&#9999999999;A&#x;&#12345678901;");
    QTest::newRow("outgoing-with-plus-sign") << QByteArray("OPFMessageIsOutgoing") << QByteArray("+1") << "outgoing"
                                             << QByteArray("1");
    QTest::newRow("outgoing-with-leading-zeros") << QByteArray("OPFMessageIsOutgoing") << QByteArray("0002")
                                                 << "outgoing" << QByteArray("2");
    QTest::newRow("outgoing-beyond-int") << QByteArray("OPFMessageIsOutgoing") << QByteArray("2147483648")
                                         << "outgoing" << QByteArray("0");
    QTest::newRow("sent-time-with-plus-sign") << QByteArray("OPFMessageCopySentTime")
                                              << QByteArray("+2014-12-19T05:07:38") << "sent"
                                              << QByteArray("Fri, 19 Dec 2014 05:07:38 +0000");
    QTest::newRow("sent-time-in-year-999") << QByteArray("OPFMessageCopySentTime") << QByteArray("0999-12-31T23:59:59")
                                           << "sent" << QByteArray("Tue, 31 Dec 999 23:59:59 +0000");
}

void TestOpfMessage::formatsTimesInTheLocalZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("behind-utc-in-summer") << QByteArray("America/New_York") << QByteArray("2014-07-01T12:00:00")
                                          << QByteArray("Tue, 01 Jul 2014 08:00:00 -0400");
    QTest::newRow("quarter-hour-offset") << QByteArray("Asia/Kathmandu") << QByteArray("2014-12-19T05:07:38")
                                         << QByteArray("Fri, 19 Dec 2014 10:52:38 +0545");
    QTest::newRow("half-hour-summer-time") << QByteArray("Australia/Lord_Howe") << QByteArray("2014-01-01T00:00:00")
                                           << QByteArray("Wed, 01 Jan 2014 11:00:00 +1100");
    QTest::newRow("offset-with-seconds") << QByteArray("Europe/Amsterdam") << QByteArray("1900-01-01T12:00:00")
                                         << QByteArray("Mon, 01 Jan 1900 12:19:32 +0019");
}

void TestOpfMessage::formatsTimesInTheLocalZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QByteArray, time);
    QFETCH(QByteArray, stored);
    qputenv("TZ", zone);
    tzset();
    const QByteArray converted = opf::timeconverter1(QString::fromLatin1(time));
    const QByteArray fromRecord = recordOf({element("OPFMessageCopySentTime", time)}).szSentTime;
    qputenv("TZ", "UTC");
    tzset();
    QCOMPARE(converted, stored);
    QCOMPARE(fromRecord, stored);
}

void TestOpfMessage::fillsScalarFields()
{
    QFETCH(QByteArray, element);
    QFETCH(QByteArray, content);
    QFETCH(QString, field);
    QFETCH(QByteArray, stored);
    const MailMLRC &r = recordOf({olmfixture::element(element, content)});
    QCOMPARE(::field(r, field), stored);
    if (field != QLatin1String("messageId"))
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(QString::fromLatin1(r.szMessageID)).hasMatch());
}

void TestOpfMessage::fillsAddressLists_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("names");

    const QByteArray to = "OPFMessageCopyToAddresses";
    const QByteArray from = "OPFMessageCopyFromAddresses";
    QTest::newRow("to-one-item") << to << address("a@x", "A") << QByteArray("a@x;") << QByteArray("A;");
    QTest::newRow("cc-item-without-name") << QByteArray("OPFMessageCopyCCAddresses") << address("c@x", "", false)
                                          << QByteArray("c@x;") << QByteArray("Unknown Name;");
    QTest::newRow("empty-name-is-an-empty-element") << to << address("a@x", "") << QByteArray("a@x;") << QByteArray(";");
    QTest::newRow("bcc-keeps-addresses-only") << QByteArray("OPFMessageCopyBCCAddresses")
                                              << address("h@x", "H") + address("i@x", "I") << QByteArray("h@x;i@x;")
                                              << QByteArray();
    QTest::newRow("from-without-name") << from << address("f@x", "", false) << QByteArray("f@x;") << QByteArray();
    QTest::newRow("from-two-items-each-their-own") << from << address("f@x", "F") + address("g@x", "G")
                                                   << QByteArray("f@x;g@x;") << QByteArray("F;G;");
    QTest::newRow("to-item-without-address-skipped")
        << to << "<emailAddress OPFContactEmailAddressName=\"N\"></emailAddress>" + address("b@x", "B")
        << QByteArray("b@x;") << QByteArray("B;");
    QTest::newRow("names-keep-entities-addresses-unescaped") << to << address("a&amp;b@x", "A &amp; &quot;B&quot;")
                                                             << QByteArray("a&b@x;") << QByteArray("A &amp; &quot;B&quot;;");
    QTest::newRow("two-separators-before-next-attribute")
        << to << QByteArray("<emailAddress OPFContactEmailAddressAddress=\"a@x\"  OPFContactEmailAddressName=\"A\"></emailAddress>")
        << QByteArray("a@x;") << QByteArray("A;");
    QTest::newRow("text-after-last-item-ignored") << to << address("a@x", "A") + "<emailAddress OPFContactEmailAddressAddress=\"z\""
                                                  << QByteArray("a@x;") << QByteArray("A;");
    QTest::newRow("to-list-of-3000-bytes-refused") << to << address(QByteArray(2999, 'a'), "A") << QByteArray()
                                                   << QByteArray("A;");
    QTest::newRow("to-list-of-2999-bytes-stored") << to << address(QByteArray(2998, 'a'), "A")
                                                  << QByteArray(2998, 'a') + ';' << QByteArray("A;");
}

void TestOpfMessage::fillsAddressLists()
{
    QFETCH(QByteArray, element);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, names);
    const MailMLRC &r = recordOf({olmfixture::element(element, content)});
    const QString kind = element.contains("From") ? QStringLiteral("from")
                         : element.contains("BCC") ? QStringLiteral("bcc")
                         : element.contains("CC")  ? QStringLiteral("cc")
                                                   : QStringLiteral("to");
    QCOMPARE(field(r, kind + QStringLiteral("Address")), addresses);
    QCOMPARE(field(r, kind + QStringLiteral("Name")), names);
}

void TestOpfMessage::matchesAttachmentLists_data()
{
    // name@offset+size of the pending entries; name@? an unreadable one,
    // name@offset~ one whose data is empty
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("stored"); // ids|types|names|urls|offsets|sizes, or empty

    const QStringList ab{QStringLiteral("A@1000+15"), QStringLiteral("B@2000+27")};
    const QByteArray a = attachment("ca", "text/plain", "a.txt", "A");
    const QByteArray b = attachment("cb", "image/png", "b.png", "B");
    QTest::newRow("urls-match-entries-in-order") << ab << a + b
                                                 << QByteArray("ca;cb;|text/plain;image/png;|a.txt;b.png;|A;B;|1000;2000;|15;27;");
    QTest::newRow("other-order-rejected") << ab << b + a << QByteArray();
    QTest::newRow("one-too-few-rejected") << ab << a << QByteArray();
    QTest::newRow("no-items-rejected") << ab << QByteArray("text") << QByteArray();
    QTest::newRow("nothing-pending-rejected") << QStringList() << a << QByteArray();
    QTest::newRow("missing-content-id-is-no")
        << QStringList{QStringLiteral("A@5+1")}
        << QByteArray("<messageAttachment OPFAttachmentContentType=\"t\" OPFAttachmentName=\"n\" OPFAttachmentURL=\"A\"></messageAttachment>")
        << QByteArray("no;|t;|n;|A;|5;|1;");
    QTest::newRow("item-with-url-only")
        << QStringList{QStringLiteral("A@5+1")}
        << QByteArray("<messageAttachment OPFAttachmentURL=\"A\"></messageAttachment>") << QByteArray("no;|;|;|A;|5;|1;");
    QTest::newRow("url-keeping-a-byte-order-mark")
        << QStringList{QStringLiteral("\uFEFFx@5+1")} << attachment("c", "t", "n", "\xef\xbb\xbf\xef\xbb\xbfx")
        << QByteArray("c;|t;|n;|\xef\xbb\xbfx;|5;|1;");
    QTest::newRow("semicolon-in-a-name-rejected") << QStringList{QStringLiteral("A@5+1")}
                                                  << attachment("c", "t", "x;y", "A") << QByteArray();
    QTest::newRow("entities-in-names-and-urls") << QStringList{QStringLiteral("A&B\"@5+1")}
                                                << attachment("c", "t", "&lt;n&amp;m&nbsp;", "A&amp;B&quot;")
                                                << QByteArray("c;|t;|<n&m ;|A&B;|5;|1;");

    // Unreadable and empty entries answer a list that names them and are
    // left out of one that does not.
    const QString unreadable = QStringLiteral("X@?");
    const QString empty = QStringLiteral("E@3000~");
    const QByteArray x = attachment("cx", "t", "x.bin", "X");
    const QByteArray e = attachment("ce", "t", "e.txt", "E");
    QTest::newRow("unreadable-entry-named-left-out-of-attachments")
        << QStringList{ab[0], unreadable, ab[1]} << a + x + b
        << QByteArray("ca;cb;|text/plain;image/png;|a.txt;b.png;|A;B;|1000;2000;|15;27;");
    QTest::newRow("unreadable-entry-not-named-matched-without")
        << QStringList{unreadable, ab[0], unreadable, ab[1]} << a + b
        << QByteArray("ca;cb;|text/plain;image/png;|a.txt;b.png;|A;B;|1000;2000;|15;27;");
    QTest::newRow("empty-entry-named-kept") << QStringList{ab[0], empty} << a + e
                                            << QByteArray("ca;ce;|text/plain;t;|a.txt;e.txt;|A;E;|1000;3000;|15;0;");
    QTest::newRow("empty-entry-not-named-matched-without")
        << QStringList{empty, ab[0]} << a << QByteArray("ca;|text/plain;|a.txt;|A;|1000;|15;");
    QTest::newRow("readable-entry-not-named-still-rejects") << QStringList{unreadable, ab[0], ab[1]} << a << QByteArray();
    QTest::newRow("named-entry-missing-still-rejects") << QStringList{unreadable, ab[0]} << a + b << QByteArray();
}

void TestOpfMessage::matchesAttachmentLists()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, stored);
    opf::PendingAttachments pending;
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(.*)@(?:(\\d+)\\+(\\d+)|(\\d+)~|\\?)$")).match(entry);
        const QString name = m.captured(1).remove(QLatin1Char('"'));
        if (!m.captured(2).isEmpty())
            pending.append(name, m.captured(2).toLongLong(), m.captured(3).toLongLong());
        else if (!m.captured(4).isEmpty())
            pending.appendEmpty(name, m.captured(4).toLongLong());
        else
            pending.appendUnreadable(name);
    }
    const MailMLRC &r = recordOf({element("OPFMessageCopyAttachmentList", content)}, &pending);
    const QByteArray lists = r.hasAttachments() ? r.pAttachContentIDs + '|' + r.pAttachContentTypes + '|' + r.pAttachNames
                                                      + '|' + r.pAttachURLs + '|' + r.pAttachOffsets + '|' + r.pAttachSizes
                                                : QByteArray();
    QCOMPARE(lists, stored);
    QVERIFY(r.hasAttachments() || (r.pAttachNames.isEmpty() && r.pAttachURLs.isEmpty() && r.pAttachSizes.isEmpty()));
    QVERIFY(pending.names.isEmpty() && pending.offsets.isEmpty() && pending.sizes.isEmpty());
}

void TestOpfMessage::resolvesFolderIds()
{
    // Successive payload paths of a first scan, each with the folder id it
    // leaves; an empty path changes nothing.
    const QList<QPair<QString, qint64>> steps{
        {QStringLiteral("Inbox/Projects"), 503}, {QStringLiteral("Inbox"), 502},
        {QStringLiteral("Sent/Projects"), 505},  {QStringLiteral("Inbox/Projects"), 503},
        {QStringLiteral("inbox"), 506},          {QString(), 506},
        {QStringLiteral("/Inbox"), 508},         {QStringLiteral("A//B"), 511},
    };
    for (const auto &step : steps) {
        olm::resolveFolderPath(step.first);
        QCOMPARE(llParentIdRunning, step.second);
    }
    QStringList rows;
    for (auto it = objMapFID_PID.cbegin(); it != objMapFID_PID.cend(); ++it)
        rows.append(QStringLiteral("%1 '%2' %3").arg(it.key()).arg(objMapFID_Name.value(it.key())).arg(it.value()));
    QCOMPARE(rows, (QStringList{QStringLiteral("502 'Inbox' 501"), QStringLiteral("503 'Projects' 502"),
                                QStringLiteral("504 'Sent' 501"), QStringLiteral("505 'Projects' 504"),
                                QStringLiteral("506 'inbox' 501"), QStringLiteral("507 '' 501"),
                                QStringLiteral("508 'Inbox' 507"), QStringLiteral("509 'A' 501"),
                                QStringLiteral("510 '' 509"), QStringLiteral("511 'B' 510")}));
    QVERIFY(MapLeftTreePath.isEmpty());

    // The records of a payload take the folder's id, then the id is reset.
    opf::PendingAttachments pending;
    QCOMPARE(olm::recordPayload(QStringLiteral("Inbox"), emails({message({}), message({})}), 0), 2);
    QCOMPARE(TmpMlrcPtrStart->llFolderId, quint64(502));
    QCOMPARE(TmpMlrcPtrEnd->szFolderPath, QByteArray("Inbox"));
    QCOMPARE(llParentIdRunning, qint64(0));
}

QTEST_GUILESS_MAIN(TestOpfMessage)
#include "tst_opfmessage.moc"
