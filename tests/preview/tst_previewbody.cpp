// The body of a previewed message: where it ends, how its transfer encoding
// and charset are undone at each display site, and the page it becomes.

#include "preview/bodydecode.h"
#include "preview/headerscan.h"
#include "preview/messagepreview.h"
#include "support/globalsreset.h"

#include <QtTest>

using preview::BodyExtent;
using preview::PreviewKind;
using preview::TransferEncoding;

Q_DECLARE_METATYPE(preview::PreviewKind)
Q_DECLARE_METATYPE(preview::TransferEncoding)

namespace {

template <int N>
QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// The kept length of a part text that no line stops.
const qint64 kWhole = -1;

const QString kGreetings = QStringLiteral("Gr\u00fc\u00dfe");
const QString kKorea = QStringLiteral("\ud55c\uad6d");

// A message with one text part; crLf gives every line CR LF ends.
QByteArray singlePart(const QByteArray &type, const QByteArray &encoding, const QByteArray &body, bool crLf = false)
{
    QByteArray message = "From: a@x\nTo: b@x\nSubject: test\nContent-Type: " + type + "\n";
    if (!encoding.isEmpty())
        message += "Content-Transfer-Encoding: " + encoding + "\n";
    message += "\n" + body;
    if (crLf)
        message.replace("\n", "\r\n");
    return message;
}

// A plain part in quoted-printable and a PDF attachment after it.
QByteArray plainThenAttachment(bool crLf)
{
    QByteArray message("From: a@x\nSubject: report\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                       "--b\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
                       "See the report =\nattached.\n\n"
                       "--b\nContent-Type: application/pdf; name=\"r.pdf\"\nContent-Transfer-Encoding: base64\n"
                       "Content-Disposition: attachment; filename=\"r.pdf\"\n\nJVBERi0xLjQKJcfsj6IKNSAwIG9iago=\n--b--\n");
    if (crLf)
        message.replace("\n", "\r\n");
    return message;
}

QString visible(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1String("<CR>"));
    text.replace(QLatin1Char('\n'), QLatin1String("<LF>"));
    text.replace(QChar(0), QLatin1String("<NUL>"));
    return text;
}

} // namespace

class TestPreviewBody : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void keptLength_data();
    void keptLength();
    void htmlLength_data();
    void htmlLength();
    void transferEncodingNames_data();
    void transferEncodingNames();
    void quotedPrintableJoin_data();
    void quotedPrintableJoin();
    void decodingSites_data();
    void decodingSites();
    void attachmentNeverShown_data();
    void attachmentNeverShown();
    void pages_data();
    void pages();
};

void TestPreviewBody::keptLength_data()
{
    QTest::addColumn<QByteArray>("partText");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<qint64>("expected");

    const QByteArray head("\n\nHi\n");
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const char *suffix = kind == PreviewKind::ByteRange ? "-byte-range" : "-whole-file";
        auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String(suffix))); };
        row("no-stop-line-keeps-all") << head + "--b--\n" << kind << kWhole;
        row("attachment-disposition-cr-lf-stops")
            << head + "Content-Disposition: attachment;\r\nxx\n" << kind << qint64(5);
        row("inline-disposition-in-capitals-stops") << head + "Content-Disposition: INLINE;\n" << kind << qint64(5);
        row("lower-case-disposition-prefix-does-not-stop")
            << head + "content-disposition: attachment;\n" << kind << kWhole;
        row("disposition-with-file-name-does-not-stop")
            << head + "Content-Disposition: attachment; filename=a\n" << kind << kWhole;
        row("application-stops") << head + "Content-Type: application/pdf\n" << kind << qint64(5);
        row("application-with-capital-does-not-stop")
            << head + "Content-Type: Application/pdf\n" << kind << kWhole;
        row("name-parameter-stops") << head + "Content-Type: text/plain; name=\"x.txt\"\n" << kind << qint64(5);
        row("image-anywhere-stops") << head + "Content-Type: text/plain; x=\"image/\"\n" << kind << qint64(5);
        row("vcard-stops") << head + "Content-Type: text/x-vcard; charset=utf-8\n" << kind << qint64(5);
        row("placeholder-stops") << head + "content-type: text/placeholder; x\n" << kind << qint64(5);
        row("stop-line-first-keeps-nothing") << QByteArray("Content-Type: application/pdf\n\nAA\n") << kind
                                             << qint64(0);
        row("cr-lf-stop-line-start") << QByteArray("\r\n\r\nHi\r\nContent-Type: image/png\r\n") << kind << qint64(8);
        row("empty-part-text") << QByteArray() << kind << qint64(0);
    }
    const QByteArray message = head + "Content-Type: message/rfc822\n";
    QTest::newRow("message-part-stops-whole-file") << message << PreviewKind::WholeFile << qint64(5);
    QTest::newRow("message-part-goes-on-byte-range") << message << PreviewKind::ByteRange << kWhole;
    const QByteArray emlx = head + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>\n";
    QTest::newRow("emlx-trailer-ends-body-whole-file") << emlx << PreviewKind::WholeFile << qint64(5);
    QTest::newRow("emlx-trailer-ignored-byte-range") << emlx << PreviewKind::ByteRange << kWhole;
    QTest::newRow("line-starting-with-zero-byte-skipped-whole-file")
        << raw("\n\n\0Content-Type: application/x\n") << PreviewKind::WholeFile << kWhole;
}

void TestPreviewBody::keptLength()
{
    QFETCH(QByteArray, partText);
    QFETCH(PreviewKind, kind);
    QFETCH(qint64, expected);
    if (expected == kWhole)
        expected = partText.size();
    QCOMPARE(preview::measureBody(partText, false, kind).keptLength, expected);
}

void TestPreviewBody::htmlLength_data()
{
    QTest::addColumn<QByteArray>("partText");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<qint64>("kept");
    QTest::addColumn<qint64>("html");

    const QByteArray lf("\n\n<p>x</p>\n\n--b--\n");
    QTest::newRow("lf-blank-before-boundary-byte-range") << lf << PreviewKind::ByteRange << qint64(18) << qint64(10);
    QTest::newRow("lf-blank-before-boundary-whole-file") << lf << PreviewKind::WholeFile << qint64(18) << qint64(10);
    const QByteArray crLf("\r\n\r\n<p>x</p>\r\n--b--\r\n");
    QTest::newRow("cr-lf-boundary-byte-range") << crLf << PreviewKind::ByteRange << qint64(21) << qint64(12);
    QTest::newRow("cr-lf-boundary-not-an-end-whole-file") << crLf << PreviewKind::WholeFile << qint64(21) << qint64(21);
    const QByteArray opening("\r\n\r\n<p>x</p>");
    QTest::newRow("opening-blank-line-at-zero-not-tested") << opening << PreviewKind::WholeFile << qint64(12)
                                                           << qint64(12);
    QTest::newRow("html-measured-within-kept-part")
        << QByteArray("\n\n<p>x</p>\n\n--b\nContent-Type: image/png\n\n\n\n--b--\n") << PreviewKind::ByteRange
        << qint64(16) << qint64(10);
    QTest::newRow("stop-line-first-gives-zero")
        << QByteArray("Content-Type: application/pdf\n\n\n\n--b\n") << PreviewKind::ByteRange << qint64(0) << qint64(0);
}

void TestPreviewBody::htmlLength()
{
    QFETCH(QByteArray, partText);
    QFETCH(PreviewKind, kind);
    QFETCH(qint64, kept);
    QFETCH(qint64, html);
    const BodyExtent extent = preview::measureBody(partText, true, kind);
    QCOMPARE(extent.keptLength, kept);
    QCOMPARE(extent.htmlLength, html);
}

void TestPreviewBody::transferEncodingNames_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<TransferEncoding>("expected");

    QTest::newRow("base64") << QStringLiteral(" base64\n") << TransferEncoding::Base64;
    QTest::newRow("base64-capitals") << QStringLiteral(" BASE64\n") << TransferEncoding::Base64;
    QTest::newRow("base64-mixed-case") << QStringLiteral(" Base64") << TransferEncoding::Base64;
    QTest::newRow("quoted-printable") << QStringLiteral(" quoted-printable\r\n") << TransferEncoding::QuotedPrintable;
    QTest::newRow("quoted-printable-capitals") << QStringLiteral(" QUOTED-PRINTABLE") << TransferEncoding::QuotedPrintable;
    QTest::newRow("quoted-printable-title-case") << QStringLiteral(" Quoted-Printable") << TransferEncoding::QuotedPrintable;
    QTest::newRow("base64-wins") << QStringLiteral(" quoted-printable base64") << TransferEncoding::Base64;
    QTest::newRow("seven-bit") << QStringLiteral(" 7bit\n") << TransferEncoding::None;
    QTest::newRow("eight-bit") << QStringLiteral(" 8bit\n") << TransferEncoding::None;
    QTest::newRow("none") << QString() << TransferEncoding::None;
}

void TestPreviewBody::transferEncodingNames()
{
    QFETCH(QString, value);
    QFETCH(TransferEncoding, expected);
    QCOMPARE(preview::transferEncodingOf(value), expected);
}

void TestPreviewBody::quotedPrintableJoin_data()
{
    QTest::addColumn<QByteArray>("partText");
    QTest::addColumn<qint64>("bound");
    QTest::addColumn<bool>("keepLineBreaks");
    QTest::addColumn<QString>("expected");

    QTest::newRow("soft-break-joins") << QByteArray("\n\nab=\ncd\n") << qint64(100) << false << QStringLiteral("abcd");
    QTest::newRow("soft-break-cr-lf") << QByteArray("\r\n\r\nab=\r\ncd\r\n") << qint64(100) << false
                                      << QStringLiteral("abcd");
    QTest::newRow("hard-break-dropped-for-html") << QByteArray("\n\nab\ncd\n") << qint64(100) << false
                                                 << QStringLiteral("abcd");
    QTest::newRow("hard-break-kept-for-plain") << QByteArray("\n\nab\ncd\n") << qint64(100) << true
                                               << QStringLiteral("\n\nab\ncd\n");
    QTest::newRow("soft-break-joins-for-plain") << QByteArray("\n\nab=\ncd\n") << qint64(100) << true
                                                << QStringLiteral("\n\nabcd\n");
    QTest::newRow("last-line-without-line-feed-taken-whole") << QByteArray("\n\nab\ncd") << qint64(100) << false
                                                             << QStringLiteral("abcd");
    QTest::newRow("bound-counts-raw-bytes-of-cr-lf")
        << QByteArray("\r\n\r\nab\r\nContent-Type: application/pdf\r\n") << qint64(8) << false << QStringLiteral("ab");
    QTest::newRow("line-reaching-bound-taken-whole") << QByteArray("\n\nabcdef\nxyz\n") << qint64(4) << false
                                                     << QStringLiteral("abcdef");
    QTest::newRow("high-bytes-read-as-latin-1") << QByteArray("\n\n\xe4\xb8\xad=3D\n") << qint64(100) << false
                                                << QStringLiteral("\u00e4\u00b8\u00ad=3D");
    QTest::newRow("zero-byte-dropped-not-cutting") << raw("\n\na\0b\n") << qint64(100) << false << QStringLiteral("ab");
}

void TestPreviewBody::quotedPrintableJoin()
{
    QFETCH(QByteArray, partText);
    QFETCH(qint64, bound);
    QFETCH(bool, keepLineBreaks);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::joinQuotedPrintableLines(partText, bound, keepLineBreaks)), visible(expected));
}

void TestPreviewBody::decodingSites_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    const QString greetingsHtml = QStringLiteral("<p>") + kGreetings + QStringLiteral("</p>");
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const char *suffix = kind == PreviewKind::ByteRange ? "-byte-range" : "-whole-file";
        auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String(suffix))); };
        row("base64-html-utf-8") << singlePart("text/html; charset=utf-8", "base64", "PHA+R3LDvMOfZTwvcD4=\n") << kind
                                 << greetingsHtml;
        row("base64-html-utf-8-capitals")
            << singlePart("text/html; charset=\"UTF-8\"", "base64", "PHA+R3LDvMOfZTwvcD4=\n") << kind << greetingsHtml;
        row("base64-html-latin-1") << singlePart("text/html; charset=iso-8859-1", "base64", "PHA+R3L832U8L3A+\n")
                                   << kind << greetingsHtml;
        row("base64-html-no-charset-reads-latin-1")
            << singlePart("text/html", "base64", "PHA+R3LDvMOfZTwvcD4=\n") << kind
            << QString::fromLatin1("<p>Gr\xc3\xbc\xc3\x9f" "e</p>");
        row("base64-encoding-name-in-capitals") << singlePart("text/html; charset=utf-8", "BASE64", "PHA+R3LDvMOfZTwvcD4=\n")
                                                << kind << greetingsHtml;
        row("base64-plain-charset-with-cr-lf")
            << singlePart("text/plain; charset=utf-8", "base64", "R3LDvMOfZQ==\n", true) << kind << kGreetings;
        row("base64-text-ends-at-boundary-line")
            << singlePart("text/html; charset=utf-8", "base64", "PHA+eDwvcD4=\n--b--\nEpilogue\n") << kind
            << QStringLiteral("<p>x</p>");
        row("quoted-printable-soft-breaks-and-equals")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "<p a=3D\"1\">Gr=C3=BC=\n=C3=9Fe</p>\n")
            << kind << QStringLiteral("<p a=\"1\">") + kGreetings + QStringLiteral("</p>");
        row("quoted-printable-html-lines-run-together")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "<p>one\ntwo</p>\n") << kind
            << QStringLiteral("<p>onetwo</p>");
        row("quoted-printable-latin-1") << singlePart("text/html; charset=iso-8859-1", "quoted-printable", "Caf=E9\n")
                                        << kind << QStringLiteral("Caf\u00e9");
        row("quoted-printable-plain-latin-1")
            << singlePart("text/plain; charset=iso-8859-1", "quoted-printable", "Caf=E9\n") << kind
            << QStringLiteral("\n\nCaf\u00e9\n");
        row("quoted-printable-windows-1252")
            << singlePart("text/html; charset=windows-1252", "quoted-printable", "=80 5\n") << kind
            << QStringLiteral("\u20ac 5");
        row("quoted-printable-encoding-name-title-case")
            << singlePart("text/html; charset=utf-8", "Quoted-Printable", "a=3Db\n") << kind << QStringLiteral("a=b");
        row("quoted-printable-cp949") << singlePart("text/html; charset=ks_c_5601-1987", "quoted-printable", "=C7=D1=B1=B9\n")
                                      << kind << kKorea;
        row("raw-utf-8-inside-quoted-printable-not-cut")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "\xe4\xb8\xad\xe6\x96\x87 ok=21\n") << kind
            << QStringLiteral("\u4e2d\u6587 ok!");
        row("quoted-printable-no-charset-reads-utf-8")
            << singlePart("text/html", "quoted-printable", "Gr=C3=BC=C3=9Fe\n") << kind << kGreetings;
        row("unencoded-utf-8-with-charset") << singlePart("text/html; charset=utf-8", "8bit", "Gr\xc3\xbc\xc3\x9f" "e\n")
                                            << kind << QStringLiteral("\n\n") + kGreetings + QStringLiteral("\n");
        row("unencoded-cp949") << singlePart("text/html; charset=ks_c_5601-1987", "", "\xc7\xd1\xb1\xb9\n") << kind
                               << QStringLiteral("\n\n") + kKorea + QStringLiteral("\n");
        row("unencoded-no-charset-reads-latin-1") << singlePart("text/html", "7bit", "Gr\xfc\xdf" "e\n") << kind
                                                  << QStringLiteral("\n\n") + kGreetings + QStringLiteral("\n");
        row("unencoded-zero-byte-ends-latin-1-text") << singlePart("text/html", "", raw("ab\0cd\n")) << kind
                                                     << QStringLiteral("\n\nab");
        row("empty-html-part") << singlePart("text/html; charset=utf-8", "", "") << kind << QStringLiteral("\n\n");
        row("charset-with-further-parameter")
            << singlePart("text/plain; charset=iso-8859-1; format=flowed", "", "Caf\xe9\n") << kind
            << QStringLiteral("\n\nCaf\u00e9\n");
    }
    QTest::newRow("base64-body-before-emlx-trailer-whole-file")
        << singlePart("text/plain; charset=utf-8", "base64",
                      "R3LDvMOfZQ==\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n")
        << PreviewKind::WholeFile << kGreetings;
}

void TestPreviewBody::decodingSites()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    const std::optional<QString> body = preview::decodeBody(preview::scanRawHeader(message, kind), kind);
    QVERIFY(body);
    QCOMPARE(visible(*body), visible(expected));
}

void TestPreviewBody::attachmentNeverShown_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<PreviewKind>("kind");

    QTest::newRow("lf-byte-range") << plainThenAttachment(false) << PreviewKind::ByteRange;
    QTest::newRow("lf-whole-file") << plainThenAttachment(false) << PreviewKind::WholeFile;
    QTest::newRow("cr-lf-byte-range") << plainThenAttachment(true) << PreviewKind::ByteRange;
    QTest::newRow("cr-lf-whole-file") << plainThenAttachment(true) << PreviewKind::WholeFile;
}

void TestPreviewBody::attachmentNeverShown()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    const std::optional<QString> body = preview::decodeBody(preview::scanRawHeader(message, kind), kind);
    QVERIFY(body);
    QVERIFY2(body->contains(QLatin1String("See the report attached.")), qPrintable(visible(*body)));
    QVERIFY2(!body->contains(QLatin1String("Content-")), qPrintable(visible(*body)));
    QVERIFY2(!body->contains(QLatin1String("JVBER")), qPrintable(visible(*body)));
}

void TestPreviewBody::pages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("contains");
    QTest::addColumn<QString>("lacks");

    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const char *suffix = kind == PreviewKind::ByteRange ? "-byte-range" : "-whole-file";
        auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String(suffix))); };
        row("plain-text-escaped-in-block")
            << singlePart("text/plain; charset=utf-8", "", "if a < b then\nsecond line\n") << kind << true
            << QStringLiteral("if a &lt; b then\nsecond line") << QStringLiteral("< b");
        row("plain-quoted-printable-keeps-lines")
            << singlePart("text/plain; charset=utf-8", "quoted-printable", "one\ntwo <x>\n") << kind << true
            << QStringLiteral("one\ntwo &lt;x&gt;") << QStringLiteral("onetwo");
        row("html-shown-as-html") << singlePart("text/html; charset=utf-8", "", "<p>a &amp; b</p>\n") << kind << true
                                  << QStringLiteral("<p>a &amp; b</p>") << QStringLiteral("<pre");
        row("no-text-part-shows-nothing") << QByteArray("From: a@x\nTo: b@x\n\nJust some text without a type.\n")
                                          << kind << false << QString() << QString();
    }
    QTest::newRow("plain-body-before-application-part-escaped-whole-file")
        << QByteArray("From: a@x\nContent-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
                      "Content-Type: text/plain; charset=utf-8\n\n<script>x</script>\n\n--b\n"
                      "Content-Type: application/pdf\n\nJVBERi0=\n--b--\n")
        << PreviewKind::WholeFile << true << QStringLiteral("&lt;script&gt;") << QStringLiteral("<script>");
}

void TestPreviewBody::pages()
{
    QFETCH(QByteArray, message);
    QFETCH(PreviewKind, kind);
    QFETCH(bool, shown);
    QFETCH(QString, contains);
    QFETCH(QString, lacks);
    const preview::MessagePreview result = preview::buildPreview(message, kind);
    QCOMPARE(bool(result.page), shown);
    if (!shown)
        return;
    QVERIFY2(result.page->contains(contains), qPrintable(*result.page));
    QVERIFY2(!result.page->contains(lacks), qPrintable(*result.page));
}

QTEST_GUILESS_MAIN(TestPreviewBody)
#include "tst_previewbody.moc"
