// The header scan: which header values, attachment names and text part a
// message yields, in both kinds of preview.

#include "preview/headerscan.h"
#include "support/globalsreset.h"

#include <QtTest>

using preview::PreviewKind;
using preview::RawHeader;

Q_DECLARE_METATYPE(preview::PreviewKind)

namespace {

// A literal with its zero bytes.
template <int N>
QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// A text/plain part followed by a text/html part.
const QByteArray kPlainThenHtml(
    "From: a@x\nTo: b@x\nContent-Type: multipart/alternative; boundary=\"b\"\n\n"
    "--b\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
    "plain=20text\n"
    "--b\nContent-Type: text/html; charset=\"iso-8859-1\"\nContent-Transfer-Encoding: base64\n\n"
    "PGI+aGk8L2I+\n--b--\n");

// The same parts in the other order, with one transfer encoding for both.
const QByteArray kHtmlThenPlain(
    "From: a@x\nContent-Type: multipart/alternative; boundary=\"b\"\n\n"
    "--b\nContent-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: 7bit\n\n<b>hi</b>\n"
    "--b\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 7bit\n\nplain\n--b--\n");

// A plain body, then a PDF attachment, then a Bcc header inside a later part.
const QByteArray kPlainThenApplication(
    "From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
    "--b\nContent-Type: text/plain; charset=utf-8\n\nbody\n"
    "--b\nContent-Type: application/pdf\nContent-Disposition: attachment; filename=\"a.pdf\"\n\nJVBERi0=\n"
    "--b\nContent-Type: text/plain; charset=utf-8\nBcc: late@x\n\nmore\n--b--\n");

// A plain body followed by a plain attachment.
const QByteArray kTwoPlainParts(
    "From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
    "--b\nContent-Type: text/plain; charset=utf-8\n\nbody\n"
    "--b\nContent-Type: text/plain; charset=iso-8859-1\nContent-Disposition: attachment;\n"
    " filename=\"notes.txt\"\n\nnotes\n--b--\n");

QByteArray valueOrAbsent(const std::optional<QByteArray> &value)
{
    return value ? *value : QByteArray("<absent>");
}

QByteArray fieldOf(const RawHeader &header, const QString &field)
{
    if (field == QLatin1String("From"))
        return valueOrAbsent(header.from);
    if (field == QLatin1String("To"))
        return valueOrAbsent(header.to);
    if (field == QLatin1String("Subject"))
        return valueOrAbsent(header.subject);
    if (field == QLatin1String("Cc"))
        return valueOrAbsent(header.cc);
    if (field == QLatin1String("Bcc"))
        return valueOrAbsent(header.bcc);
    if (field == QLatin1String("Date"))
        return valueOrAbsent(header.date);
    return QByteArray("<unknown field>");
}

} // namespace

class TestHeaderScan : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void headerValues_data();
    void headerValues();
    void partChoice_data();
    void partChoice();
    void attachmentNames_data();
    void attachmentNames();
    void garbageFinishes_data();
    void garbageFinishes();
};

void TestHeaderScan::headerValues_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray mbox("From a@x Tue Mar  4 21:05:09 2014\nFrom: Ann <a@x>\nTo: b@x\nCC: c@x\n"
                          "Subject: Hi\nDate: Tue, 4 Mar 2014 21:05:09 +0000\nBcc: e@x\n\nbody\n");
    QTest::newRow("from-value-after-colon") << mbox << "From" << QByteArray("Ann <a@x>");
    QTest::newRow("to-value") << mbox << "To" << QByteArray("b@x");
    QTest::newRow("cc-in-capitals") << mbox << "Cc" << QByteArray("c@x");
    QTest::newRow("subject-value") << mbox << "Subject" << QByteArray("Hi");
    QTest::newRow("date-value") << mbox << "Date" << QByteArray("Tue, 4 Mar 2014 21:05:09 +0000");
    QTest::newRow("bcc-value") << mbox << "Bcc" << QByteArray("e@x");
    QTest::newRow("first-occurrence-only") << QByteArray("From: first\nFrom: second\n\n") << "From"
                                           << QByteArray("first");
    QTest::newRow("body-line-is-no-field") << QByteArray("To: x\n\nforwarded:\nFrom: second\n") << "From"
                                           << QByteArray("<absent>");
    QTest::newRow("names-in-any-case") << QByteArray("fROM: a\n\n") << "From" << QByteArray("a");
    QTest::newRow("folded-value-unfolded") << QByteArray("To: a,\n b,\n\tc\nX: y\n\n") << "To"
                                           << QByteArray("a, b,\tc");
    QTest::newRow("cr-lf-value") << QByteArray("Subject: Hi\r\n there\r\n\r\n") << "Subject"
                                 << QByteArray("Hi there");
    QTest::newRow("empty-value") << QByteArray("Date:\n\n") << "Date" << QByteArray();
    QTest::newRow("to-after-content-type") << QByteArray("Content-Type: text/plain\nTo: b@x\n\n") << "To"
                                           << QByteArray("b@x");
    QTest::newRow("short-message-read") << QByteArray("To: b\n") << "To" << QByteArray("b");
    QTest::newRow("part-header-field-not-taken")
        << QByteArray("From: a@x\nContent-Type: multipart/mixed; boundary=b\n\n--b\nBcc: late@x\n\nx\n--b--\n")
        << "Bcc" << QByteArray("<absent>");
}

void TestHeaderScan::headerValues()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, field);
    QFETCH(QByteArray, expected);
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile})
        QCOMPARE(fieldOf(preview::scanRawHeader(message, kind), field), expected);
}

void TestHeaderScan::partChoice_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("partIsHtml");
    QTest::addColumn<QByteArray>("partText");
    QTest::addColumn<QString>("transferEncoding");
    QTest::addColumn<QString>("charset");

    QTest::newRow("plain-then-html-shows-html")
        << kPlainThenHtml << true << QByteArray("PGI+aGk8L2I+") << "base64" << "iso-8859-1";
    QTest::newRow("html-then-plain-shows-html")
        << kHtmlThenPlain << true << QByteArray("<b>hi</b>") << "7bit" << "utf-8";
    QTest::newRow("no-content-type-is-plain-text")
        << QByteArray("From: a@x\nTo: b@x\n\nJust text.\n") << false << QByteArray("Just text.\n") << "" << "";
    QTest::newRow("plain-without-parameters")
        << QByteArray("From: a@x\nContent-Type: text/plain\n\nHello\n") << false << QByteArray("Hello\n") << "" << "";
    QTest::newRow("mixed-case-type-and-names")
        << QByteArray("content-TYPE: Text/Plain; CHARSET=UTF-8\ncontent-transfer-encoding: Base64\n\nSGk=\n")
        << false << QByteArray("SGk=\n") << "Base64" << "UTF-8";
    QTest::newRow("header-without-end-gives-empty-body")
        << QByteArray("From: a@x\nContent-Type: text/plain; charset=utf-8\n") << false << QByteArray() << "" << "utf-8";
    QTest::newRow("cr-lf-part-text-after-blank-line")
        << QByteArray("From: a@x\r\nContent-Type: text/html; charset=\"utf-8\"\r\n\r\n<p>x</p>\r\n") << true
        << QByteArray("<p>x</p>\r\n") << "" << "utf-8";
    QTest::newRow("attachment-after-html-does-not-decode-it")
        << QByteArray("From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                      "--b\nContent-Type: text/html; charset=iso-8859-1\n\n<p>caf\xe9</p>\n"
                      "--b\nContent-Type: image/png\nContent-Transfer-Encoding: QUOTED-PRINTABLE\n\n"
                      "iVBORw0KGgo=\n--b--\n")
        << true << QByteArray("<p>caf\xe9</p>") << "" << "iso-8859-1";
    QTest::newRow("signed-message-untyped-first-part")
        << QByteArray("From: a@x\nContent-Type: multipart/signed; boundary=s; protocol=\"application/pgp-signature\"\n\n"
                      "--s\n\nSigned text\n--s\nContent-Type: application/pgp-signature\n\nSIG\n--s--\n"
                      "List footer\n")
        << false << QByteArray("Signed text") << "" << "";
    QTest::newRow("cr-lf-delimiters")
        << QByteArray("Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
                      "one\r\ntwo\r\n--b--\r\n")
        << false << QByteArray("one\r\ntwo") << "" << "";
    QTest::newRow("plain-attachment-not-shown")
        << kTwoPlainParts << false << QByteArray("body") << "" << "utf-8";
    QTest::newRow("nested-alternative-in-mixed")
        << QByteArray("Content-Type: multipart/mixed; boundary=o\n\n--o\nContent-Type: multipart/alternative; boundary=i\n\n"
                      "--i\nContent-Type: text/plain\n\nplain\n--i\nContent-Type: text/html\n\n<i>html</i>\n--i--\n"
                      "--o\nContent-Type: application/pdf; name=a.pdf\n\nJVBE\n--o--\n")
        << true << QByteArray("<i>html</i>") << "" << "";
    QTest::newRow("only-an-attachment") << QByteArray("Content-Type: application/pdf\n\nJVBE\n") << false
                                        << QByteArray("<absent>") << "" << "";
}

void TestHeaderScan::partChoice()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, partIsHtml);
    QFETCH(QByteArray, partText);
    QFETCH(QString, transferEncoding);
    QFETCH(QString, charset);
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const RawHeader header = preview::scanRawHeader(message, kind);
        QCOMPARE(header.partIsHtml, partIsHtml);
        QCOMPARE(QString::fromLatin1(valueOrAbsent(header.partText)), QString::fromLatin1(partText));
        QCOMPARE(header.transferEncoding, transferEncoding);
        QCOMPARE(header.charset, charset);
    }
}

void TestHeaderScan::attachmentNames_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("names");

    const QByteArray head("From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                          "--b\nContent-Type: text/plain; charset=utf-8\n\nbody\n--b\n");
    QTest::newRow("quoted-name") << head + "Content-Disposition: attachment; filename=\"a b.pdf\"\n\nAAAA\n--b--\n"
                                 << QStringList{QStringLiteral("a b.pdf")};
    QTest::newRow("unquoted-name") << head + "Content-Disposition: attachment; filename=a.pdf\n\nAAAA\n--b--\n"
                                   << QStringList{QStringLiteral("a.pdf")};
    QTest::newRow("unquoted-name-cr-lf") << head + "Content-Disposition: attachment; filename=a.pdf\r\n\r\nAAAA\n--b--\n"
                                         << QStringList{QStringLiteral("a.pdf")};
    QTest::newRow("two-names-in-order")
        << head + "Content-Disposition: attachment; filename=\"a.pdf\"\n\nAAAA\n--b\n"
                  "Content-Disposition: attachment; filename=b.txt\n\nBBBB\n--b--\n"
        << QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt")};
    QTest::newRow("folded-parameter")
        << head + "Content-Disposition: attachment;\n\tfilename=\"long name.pdf\"\n\nAAAA\n--b--\n"
        << QStringList{QStringLiteral("long name.pdf")};
    QTest::newRow("name-of-content-type")
        << head + "Content-Type: image/png; name=\"p.png\"\n\nAAAA\n--b--\n" << QStringList{QStringLiteral("p.png")};
    QTest::newRow("encoded-word-name")
        << head + "Content-Disposition: attachment; filename=\"=?utf-8?q?caf=C3=A9.pdf?=\"\n\nAAAA\n--b--\n"
        << QStringList{QStringLiteral("café.pdf")};
    QTest::newRow("extended-name")
        << head + "Content-Disposition: attachment; filename*=utf-8''caf%C3%A9.pdf\n\nAAAA\n--b--\n"
        << QStringList{QStringLiteral("café.pdf")};
    QTest::newRow("no-name") << kPlainThenHtml << QStringList{};
}

void TestHeaderScan::attachmentNames()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, names);
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile})
        QCOMPARE(preview::scanRawHeader(message, kind).attachmentNames, names);
}

void TestHeaderScan::garbageFinishes_data()
{
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only-zero-bytes") << QByteArray(100, '\0');
    QTest::newRow("keyword-at-very-end") << QByteArray(30, 'x') + "\nContent-Type: text/html";
    QTest::newRow("field-name-at-very-end") << QByteArray(30, 'x') + "\nFrom:";
    QTest::newRow("quoted-name-without-end") << QByteArray("Content-Type: a/b; name=\"abc");
    QTest::newRow("parameter-without-value") << QByteArray("Content-Type: text/plain; charset");
    QTest::newRow("many-part-headers") << QByteArray("Content-Type: text/html\n").repeated(200);
    QTest::newRow("multipart-without-boundary") << QByteArray("Content-Type: multipart/mixed\n\n--\n\n");
    QTest::newRow("deep-nesting")
        << QByteArray("Content-Type: multipart/mixed; boundary=b\n\n--b\n").repeated(100) + "\nx\n";
    QTest::newRow("zero-bytes-in-header") << raw("From: a\0b\nTo: \0\nContent-Type: text/html\n\n\0<p>\0</p>\n");
}

void TestHeaderScan::garbageFinishes()
{
    QFETCH(QByteArray, message);
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const RawHeader header = preview::scanRawHeader(message, kind);
        if (header.partText)
            QVERIFY(header.partText->size() <= message.size());
    }
}

QTEST_GUILESS_MAIN(TestHeaderScan)
#include "tst_headerscan.moc"
