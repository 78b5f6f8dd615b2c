// The raw header scan: which header values, attachment names and text part
// a message yields, in both kinds of preview.

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

// Keeps short test messages past the scan's 24-byte window.
const QByteArray kPadding("\nPadding line that keeps the scan going\n");

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
    if (field == QLatin1String("CC"))
        return valueOrAbsent(header.ccCapitals);
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
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray mbox("From a@x Tue Mar  4 21:05:09 2014\nFrom: Ann <a@x>\nTo: b@x\nCc: c@x\nCC: d@x\n"
                          "Subject: Hi\nDate: Tue, 4 Mar 2014 21:05:09 +0000\nBcc: e@x\n\nbody text long enough to be scanned\n");
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const char *suffix = kind == PreviewKind::ByteRange ? "-byte-range" : "-whole-file";
        auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String(suffix))); };
        row("from-value-after-colon") << mbox << kind << "From" << QByteArray(" Ann <a@x>\n");
        row("to-value") << mbox << kind << "To" << QByteArray(" b@x\n");
        row("cc-value") << mbox << kind << "Cc" << QByteArray(" c@x\n");
        row("subject-value") << mbox << kind << "Subject" << QByteArray(" Hi\n");
        row("date-value") << mbox << kind << "Date" << QByteArray(" Tue, 4 Mar 2014 21:05:09 +0000\n");
        row("bcc-value") << mbox << kind << "Bcc" << QByteArray(" e@x\n");
        row("first-occurrence-only")
            << QByteArray("\nFrom: first\nTo: x\n\nforwarded:\nFrom: second\n") + kPadding << kind << "From"
            << QByteArray(" first\n");
        row("lower-case-name-is-no-field") << QByteArray("\nfrom: a\n") + kPadding << kind << "From"
                                           << QByteArray("<absent>");
        row("capital-name-is-no-field") << QByteArray("\nFROM: a\n") + kPadding << kind << "From"
                                        << QByteArray("<absent>");
        row("folded-value-kept") << QByteArray("\nTo: a,\n b,\n\tc\nX: y\n") + kPadding << kind << "To"
                                 << QByteArray(" a,\n b,\n\tc\n");
        row("cr-lf-value") << QByteArray("\r\nSubject: Hi\r\n there\r\n\r\n") + kPadding << kind << "Subject"
                           << QByteArray(" Hi\r\n there\r\n");
        row("empty-value") << QByteArray("\nDate:\n") + kPadding << kind << "Date" << QByteArray("\n");
        row("header-on-first-line-found")
            << QByteArray("From: Ann\nSubject: s\n\nforwarded:\nFrom: Other\n") + kPadding << kind << "From"
            << QByteArray(" Ann\n");
        row("date-on-first-line-found")
            << QByteArray("Date: Fri, 25 Mar 2022 17:03:00 +0100\r\nFrom: a@x\r\n\r\n") + kPadding << kind << "Date"
            << QByteArray(" Fri, 25 Mar 2022 17:03:00 +0100\r\n");
        row("subject-on-first-line-found") << QByteArray("Subject: s\nTo: b@x\n\n") + kPadding << kind << "Subject"
                                           << QByteArray(" s\n");
        row("to-on-first-line-found") << QByteArray("To: b@x\nSubject: s\n\n") + kPadding << kind << "To"
                                      << QByteArray(" b@x\n");
        row("zero-byte-before-field-leaves-it-empty")
            << QByteArray("\nX: \0\nTo: a\n", 12) + kPadding << kind << "To" << QByteArray();
        row("field-in-last-23-bytes-not-seen") << QByteArray("x\nTo: abcdefghijklmnop\n") << kind << "To"
                                               << QByteArray("<absent>");
    }
    QTest::newRow("cc-capitals-whole-file") << mbox << PreviewKind::WholeFile << "CC" << QByteArray(" d@x\n");
    QTest::newRow("cc-capitals-ignored-byte-range") << mbox << PreviewKind::ByteRange << "CC"
                                                    << QByteArray("<absent>");

    // The scan looks at a position only while 24 bytes remain from it.
    const QByteArray twentyFour = QByteArray("\nTo: ") + QByteArray(18, 'x') + '\n';
    QTest::newRow("field-in-24-byte-message-found") << twentyFour << PreviewKind::ByteRange << "To"
                                                    << QByteArray(" ") + QByteArray(18, 'x') + '\n';
    QTest::newRow("field-in-23-byte-message-not-found")
        << twentyFour.mid(0, 5) + twentyFour.mid(6) << PreviewKind::ByteRange << "To" << QByteArray("<absent>");
    QTest::newRow("24-byte-message-scanned-at-first-position-only")
        << QByteArray("a\nCc: bbbbbbbbbbbbbbbbb\n") << PreviewKind::ByteRange << "Cc" << QByteArray("<absent>");

    // A whole file stops at an application part; an mbox message goes on.
    QTest::newRow("whole-file-stops-at-application-part")
        << kPlainThenApplication << PreviewKind::WholeFile << "Bcc" << QByteArray("<absent>");
    QTest::newRow("byte-range-goes-on-after-application-part")
        << kPlainThenApplication << PreviewKind::ByteRange << "Bcc" << QByteArray(" late@x\n");
}

void TestHeaderScan::headerValues()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, field);
    QFETCH(QByteArray, expected);
    QCOMPARE(fieldOf(preview::scanRawHeader(message, kind), field), expected);
}

void TestHeaderScan::partChoice_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<bool>("htmlFound");
    QTest::addColumn<bool>("partIsHtml");
    QTest::addColumn<QByteArray>("partText");
    QTest::addColumn<QString>("transferEncoding");
    QTest::addColumn<QString>("charset");

    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const char *suffix = kind == PreviewKind::ByteRange ? "-byte-range" : "-whole-file";
        auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String(suffix))); };
        row("plain-then-html-shows-html")
            << kPlainThenHtml << kind << true << true << QByteArray("\n\nPGI+aGk8L2I+\n--b--\n")
            << " base64\n" << "iso-8859-1";
        row("html-then-plain-keeps-html")
            << kHtmlThenPlain << kind << true << true
            << QByteArray("\n\n<b>hi</b>\n--b\nContent-Type: text/plain; charset=utf-8\n"
                          "Content-Transfer-Encoding: 7bit\n\nplain\n--b--\n")
            << " 7bit\n" << "utf-8\n";
        row("no-content-type-no-part") << QByteArray("From: a@x\nTo: b@x\n\nJust text, long enough.\n") << kind
                                       << false << false << QByteArray("<absent>") << "" << "";
        row("part-header-without-end-gives-no-part")
            << QByteArray("From: a@x\nContent-Type: text/plain; charset=utf-8\n") << kind << false << false
            << QByteArray("<absent>") << "" << "utf-8";
        row("cr-lf-part-text-from-blank-line")
            << QByteArray("From: a@x\r\nContent-Type: text/html; charset=\"utf-8\"\r\n\r\n<p>x</p>\r\n") << kind
            << true << true << QByteArray("\r\n\r\n<p>x</p>\r\n") << "" << "utf-8";
        row("transfer-encoding-before-part-taken")
            << QByteArray("From: a@x\nContent-Transfer-Encoding: BASE64\nContent-Type: text/html\n\nPHA+\n")
            << kind << true << true << QByteArray("\n\nPHA+\n") << " BASE64\n" << "";
        row("attachment-after-html-does-not-decode-it")
            << QByteArray("From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                          "--b\nContent-Type: text/html; charset=iso-8859-1\n\n<p>caf\xe9</p>\n"
                          "--b\nContent-Type: image/png; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
                          "iVBORw0KGgo=\n--b--\n")
            << kind << true << true
            << QByteArray("\n\n<p>caf\xe9</p>\n--b\nContent-Type: image/png; charset=utf-8\n"
                          "Content-Transfer-Encoding: base64\n\niVBORw0KGgo=\n--b--\n")
            << "" << "iso-8859-1\n";
        row("plain-form-needs-semicolon")
            << QByteArray("From: a@x\nContent-Type: text/plain\n\nHello there, world.\n") << kind << false << false
            << QByteArray("<absent>") << "" << "";
    }
    QTest::newRow("lower-case-type-plain-whole-file")
        << QByteArray("From: a@x\nContent-type: text/plain; charset=utf-8\n\nHello\n") << PreviewKind::WholeFile
        << false << false << QByteArray("\n\nHello\n") << "" << "utf-8\n";
    QTest::newRow("lower-case-type-plain-byte-range")
        << QByteArray("From: a@x\nContent-type: text/plain; charset=utf-8\n\nHello\n") << PreviewKind::ByteRange
        << false << false << QByteArray("<absent>") << "" << "";
    QTest::newRow("application-part-makes-whole-file-html-way")
        << kPlainThenApplication << PreviewKind::WholeFile << true << false
        << kPlainThenApplication.mid(kPlainThenApplication.indexOf("\n\nbody")) << "" << "utf-8\n";
    QTest::newRow("second-plain-part-makes-whole-file-html-way")
        << kTwoPlainParts << PreviewKind::WholeFile << true << false
        << kTwoPlainParts.mid(kTwoPlainParts.indexOf("\n\nbody")) << "" << "utf-8\n";
    QTest::newRow("second-plain-part-ignored-byte-range")
        << kTwoPlainParts << PreviewKind::ByteRange << false << false
        << kTwoPlainParts.mid(kTwoPlainParts.indexOf("\n\nbody")) << "" << "utf-8\n";
}

void TestHeaderScan::partChoice()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    QFETCH(bool, htmlFound);
    QFETCH(bool, partIsHtml);
    QFETCH(QByteArray, partText);
    QFETCH(QString, transferEncoding);
    QFETCH(QString, charset);
    const RawHeader header = preview::scanRawHeader(message, kind);
    QCOMPARE(header.htmlFound, htmlFound);
    QCOMPARE(header.partIsHtml, partIsHtml);
    QCOMPARE(QString::fromUtf8(valueOrAbsent(header.partText)), QString::fromUtf8(partText));
    QCOMPARE(header.transferEncoding, transferEncoding);
    QCOMPARE(header.charset, charset);
}

void TestHeaderScan::attachmentNames_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("quotedSeen");
    QTest::addColumn<bool>("unquotedSeen");

    const QByteArray head("From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                          "--b\nContent-Type: text/plain; charset=utf-8\n\nbody\n--b\n");
    const QByteArray quoted = head + "Content-Disposition: attachment; filename=\"a b.pdf\"\n\nAAAA\n--b--\n";
    const QByteArray unquoted = head + "Content-Disposition: attachment; filename=a.pdf\n\nAAAA\n--b--\n";
    const QByteArray unquotedCrLf = head + "Content-Disposition: attachment; filename=a.pdf\r\n\r\nAAAA\n--b--\n";
    const QByteArray both = head + "Content-Disposition: attachment; filename=\"a.pdf\"\n\nAAAA\n--b\n"
                                   "Content-Disposition: attachment; filename=b.txt\n\nBBBB\n--b--\n";
    const QByteArray folded = head + "Content-Disposition: attachment;\n\tfilename=\"long name.pdf\"\n\nAAAA\n--b--\n";

    QTest::newRow("quoted-name-byte-range") << quoted << PreviewKind::ByteRange << QStringList{QStringLiteral("a b.pdf")} << true
                                            << false;
    QTest::newRow("quoted-name-whole-file") << quoted << PreviewKind::WholeFile << QStringList{QStringLiteral("a b.pdf")} << true
                                            << false;
    QTest::newRow("unquoted-name-keeps-line-end-byte-range")
        << unquoted << PreviewKind::ByteRange << QStringList{QStringLiteral("a.pdf\n")} << false << true;
    QTest::newRow("unquoted-name-keeps-line-end-whole-file")
        << unquoted << PreviewKind::WholeFile << QStringList{QStringLiteral("a.pdf\n")} << true << false;
    QTest::newRow("unquoted-name-cr-lf-byte-range")
        << unquotedCrLf << PreviewKind::ByteRange << QStringList{QStringLiteral("a.pdf\r\n")} << false << true;
    QTest::newRow("quoted-then-unquoted-byte-range")
        << both << PreviewKind::ByteRange << QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt\n")} << true << true;
    QTest::newRow("quoted-then-unquoted-whole-file")
        << both << PreviewKind::WholeFile << QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt\n")} << true << false;
    QTest::newRow("folded-parameter-whole-file")
        << folded << PreviewKind::WholeFile << QStringList{QStringLiteral("long name.pdf")} << true << false;
    QTest::newRow("names-after-application-part-whole-file")
        << kPlainThenApplication << PreviewKind::WholeFile << QStringList{QStringLiteral("a.pdf")} << true << false;
    QTest::newRow("names-after-second-plain-part-whole-file")
        << kTwoPlainParts << PreviewKind::WholeFile << QStringList{QStringLiteral("notes.txt")} << true << false;
    QTest::newRow("no-name") << kPlainThenHtml << PreviewKind::WholeFile << QStringList{} << false << false;
}

void TestHeaderScan::attachmentNames()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    QFETCH(QStringList, names);
    QFETCH(bool, quotedSeen);
    QFETCH(bool, unquotedSeen);
    const RawHeader header = preview::scanRawHeader(message, kind);
    QCOMPARE(header.attachmentNames, names);
    QCOMPARE(header.quotedNameSeen, quotedSeen);
    QCOMPARE(header.unquotedNameSeen, unquotedSeen);
}

void TestHeaderScan::garbageFinishes_data()
{
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only-zero-bytes") << QByteArray(100, '\0');
    QTest::newRow("keyword-at-very-end") << QByteArray(30, 'x') + "Content-Type: text/html";
    QTest::newRow("field-name-at-very-end") << QByteArray(30, 'x') + "\nFrom:";
    QTest::newRow("quoted-name-without-end") << QByteArray(30, 'x') + "filename=\"abc";
    QTest::newRow("unquoted-name-at-end") << QByteArray(30, 'x') + "filename=";
    QTest::newRow("charset-at-end") << QByteArray(30, 'x') + "Content-Type: text/plain; charset";
    QTest::newRow("many-part-headers") << QByteArray("Content-Type: text/html\n").repeated(200);
    QTest::newRow("zero-bytes-in-header")
        << raw("\nFrom: a\0b\nTo: \0\nContent-Type: text/html\n\n\0<p>\0</p>\n") + kPadding;
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
