// The body of a previewed message: how its transfer encoding and charset
// are undone, where it is cut, and the page it becomes, with LF and CR LF
// line ends alike.

#include "preview/bodydecode.h"
#include "preview/headerscan.h"
#include "preview/messagepreview.h"
#include "support/globalsreset.h"

#include <QtTest>

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

    void transferEncodingNames_data();
    void transferEncodingNames();
    void quotedPrintable_data();
    void quotedPrintable();
    void lineEnds_data();
    void lineEnds();
    void decodingSites_data();
    void decodingSites();
    void attachmentNeverShown_data();
    void attachmentNeverShown();
    void bodyShapes_data();
    void bodyShapes();
    void largeBodyCut_data();
    void largeBodyCut();
    void pages_data();
    void pages();
};

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

void TestPreviewBody::quotedPrintable_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("soft-break-joins") << QByteArray("ab=\ncd\n") << QByteArray("abcd\n");
    QTest::newRow("soft-break-cr-lf") << QByteArray("ab=\r\ncd\r\n") << QByteArray("abcd\r\n");
    QTest::newRow("soft-break-after-trailing-blanks") << QByteArray("ab= \ncd") << QByteArray("abcd");
    QTest::newRow("hard-break-kept") << QByteArray("ab\ncd\n") << QByteArray("ab\ncd\n");
    QTest::newRow("escapes-either-case") << QByteArray("=3D=c3=a9") << QByteArray("=\xc3\xa9");
    QTest::newRow("malformed-escape-kept") << QByteArray("a=ZZb=") << QByteArray("a=ZZb=");
    QTest::newRow("zero-byte-kept") << raw("a\0b") << raw("a\0b");
}

void TestPreviewBody::quotedPrintable()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, expected);
    QCOMPARE(preview::decodeQuotedPrintable(encoded), expected);
}

void TestPreviewBody::lineEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lf-kept") << QStringLiteral("a\nb") << QStringLiteral("a\nb");
    QTest::newRow("cr-lf") << QStringLiteral("a\r\nb\r\n") << QStringLiteral("a\nb\n");
    // Found by fuzzing: a file converted to CR LF twice.
    QTest::newRow("cr-cr-lf") << QStringLiteral("a\r\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("lone-cr-kept") << QStringLiteral("a\rb\r") << QStringLiteral("a\rb\r");
}

void TestPreviewBody::lineEnds()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::withLineFeeds(text)), visible(expected));
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
            << QByteArray("Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/html; charset=utf-8\n"
                          "Content-Transfer-Encoding: base64\n\nPHA+eDwvcD4=\n--b--\nRXBpbG9ndWU=\n") << kind
            << QStringLiteral("<p>x</p>");
        row("quoted-printable-soft-breaks-and-equals")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "<p a=3D\"1\">Gr=C3=BC=\n=C3=9Fe</p>\n")
            << kind << QStringLiteral("<p a=\"1\">") + kGreetings + QStringLiteral("</p>\n");
        row("quoted-printable-html-keeps-line-breaks")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "<p>one\ntwo</p>\n") << kind
            << QStringLiteral("<p>one\ntwo</p>\n");
        row("quoted-printable-latin-1") << singlePart("text/html; charset=iso-8859-1", "quoted-printable", "Caf=E9\n")
                                        << kind << QStringLiteral("Caf\u00e9\n");
        row("quoted-printable-plain-latin-1")
            << singlePart("text/plain; charset=iso-8859-1", "quoted-printable", "Caf=E9\n") << kind
            << QStringLiteral("Caf\u00e9\n");
        row("quoted-printable-windows-1252")
            << singlePart("text/html; charset=windows-1252", "quoted-printable", "=80 5\n") << kind
            << QStringLiteral("\u20ac 5\n");
        row("quoted-printable-encoding-name-title-case")
            << singlePart("text/html; charset=utf-8", "Quoted-Printable", "a=3Db\n") << kind << QStringLiteral("a=b\n");
        row("quoted-printable-cp949") << singlePart("text/html; charset=ks_c_5601-1987", "quoted-printable", "=C7=D1=B1=B9\n")
                                      << kind << kKorea + QStringLiteral("\n");
        row("raw-utf-8-inside-quoted-printable-not-cut")
            << singlePart("text/html; charset=utf-8", "quoted-printable", "\xe4\xb8\xad\xe6\x96\x87 ok=21\n") << kind
            << QStringLiteral("\u4e2d\u6587 ok!\n");
        row("quoted-printable-no-charset-reads-utf-8")
            << singlePart("text/html", "quoted-printable", "Gr=C3=BC=C3=9Fe\n") << kind << kGreetings + QStringLiteral("\n");
        row("unencoded-utf-8-with-charset") << singlePart("text/html; charset=utf-8", "8bit", "Gr\xc3\xbc\xc3\x9f" "e\n")
                                            << kind << kGreetings + QStringLiteral("\n");
        row("unencoded-cp949") << singlePart("text/html; charset=ks_c_5601-1987", "", "\xc7\xd1\xb1\xb9\n") << kind
                               << kKorea + QStringLiteral("\n");
        row("unencoded-no-charset-reads-latin-1") << singlePart("text/html", "7bit", "Gr\xfc\xdf" "e\n") << kind
                                                  << kGreetings + QStringLiteral("\n");
        row("unencoded-zero-byte-ends-latin-1-text") << singlePart("text/html", "", raw("ab\0cd\n")) << kind
                                                     << QStringLiteral("ab");
        row("empty-html-part") << singlePart("text/html; charset=utf-8", "", "") << kind << QString();
        row("charset-with-further-parameter")
            << singlePart("text/plain; charset=iso-8859-1; format=flowed", "", "Caf\xe9\n") << kind
            << QStringLiteral("Caf\u00e9\n");
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
    const std::optional<preview::DecodedBody> body = preview::decodeBody(preview::scanRawHeader(message, kind), kind);
    QVERIFY(body);
    QCOMPARE(visible(body->text), visible(expected));
    QVERIFY(!body->cut);
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
    const std::optional<preview::DecodedBody> body = preview::decodeBody(preview::scanRawHeader(message, kind), kind);
    QVERIFY(body);
    const QString &text = body->text;
    QVERIFY2(text.contains(QLatin1String("See the report attached.")), qPrintable(visible(text)));
    QVERIFY2(!text.contains(QLatin1String("Content-")), qPrintable(visible(text)));
    QVERIFY2(!text.contains(QLatin1String("JVBER")), qPrintable(visible(text)));
    QVERIFY2(!text.contains(QLatin1String("--b")), qPrintable(visible(text)));
}

void TestPreviewBody::bodyShapes_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("firstLine");

    QTest::newRow("no-content-type") << QByteArray("From: a@x.org\nSubject: patch\n\nFirst line of the patch\n--- a/f\n")
                                     << QStringLiteral("First line of the patch");
    QTest::newRow("plain-without-parameters")
        << QByteArray("From: a@x.org\nContent-Type: text/plain\n\nHello there\nsecond\n") << QStringLiteral("Hello there");
    QTest::newRow("upper-case-type") << QByteArray("From: a@x.org\nCONTENT-TYPE: TEXT/PLAIN; CHARSET=UTF-8\n\nUpper\n")
                                     << QStringLiteral("Upper");
    QTest::newRow("mixed-case-type") << QByteArray("From: a@x.org\nContent-Type: Text/Plain; charset=\"utf-8\"\n\nMixed\n")
                                     << QStringLiteral("Mixed");
    QTest::newRow("signed-with-untyped-first-part")
        << QByteArray("From: a@x.org\nContent-Type: multipart/signed; protocol=\"application/pgp-signature\";\n"
                      " micalg=pgp-sha256; boundary=\"sig\"\n\n--sig\n\nSigned message text\n\n--sig\n"
                      "Content-Type: application/pgp-signature\n\n-----BEGIN PGP SIGNATURE-----\n--sig--\n\n"
                      "_______________________________________________\nList footer\n")
        << QStringLiteral("Signed message text");
    QTest::newRow("html-then-attachment-quoted-printable-capitals")
        << QByteArray("From: a@x.org\nContent-Type: multipart/mixed; boundary=\"m\"\n\n--m\n"
                      "Content-Type: text/html; charset=iso-8859-1\n\n<p>Caf\xe9 =3D ok</p>\n--m\n"
                      "Content-Type: text/plain; name=\"notes.txt\"\nContent-Transfer-Encoding: QUOTED-PRINTABLE\n"
                      "Content-Disposition: attachment; filename=\"notes.txt\"\n\nnotes=3D\n--m--\n")
        << QStringLiteral("<p>Café =3D ok</p>");
    QTest::newRow("base64-utf-8-text")
        << QByteArray("From: a@x.org\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
                      "R3LDvMOfZSBhdXMgS8O2bG4KendlaXRlCg==\n")
        << QStringLiteral("Grüße aus Köln");
}

void TestPreviewBody::bodyShapes()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, firstLine);
    QByteArray crLf = message;
    crLf.replace("\n", "\r\n");
    for (PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
        const preview::MessagePreview lf = preview::buildPreview(message, kind);
        const preview::MessagePreview crLfPreview = preview::buildPreview(crLf, kind);
        QVERIFY(lf.page);
        QVERIFY2(lf.page->contains(firstLine), qPrintable(*lf.page));
        QVERIFY2(!lf.page->contains(QLatin1String("--sig")) && !lf.page->contains(QLatin1String("--m")),
                 qPrintable(*lf.page));
        QVERIFY2(!lf.page->contains(QLatin1String("List footer")), qPrintable(*lf.page));
        QVERIFY(crLfPreview.page);
        QCOMPARE(visible(*crLfPreview.page), visible(*lf.page));
        QCOMPARE(crLfPreview.headerLines, lf.headerLines);
    }
}

void TestPreviewBody::largeBodyCut_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("body");

    const QByteArray text = QByteArray("0123456789abcdef\n").repeated(preview::kMaxShownBodyBytes / 17 + 1000);
    QTest::newRow("unencoded") << QByteArray("8bit") << text;
    QTest::newRow("base64") << QByteArray("base64") << text.toBase64();
    QTest::newRow("quoted-printable") << QByteArray("quoted-printable") << text;
}

void TestPreviewBody::largeBodyCut()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, body);
    const QByteArray message = singlePart("text/plain; charset=utf-8", encoding, body);
    const std::optional<preview::DecodedBody> decoded =
        preview::decodeBody(preview::scanRawHeader(message, PreviewKind::WholeFile), PreviewKind::WholeFile);
    QVERIFY(decoded);
    QVERIFY(decoded->cut);
    QCOMPARE(decoded->text.size(), preview::kMaxShownBodyBytes);
    const preview::MessagePreview shown = preview::buildPreview(message, PreviewKind::WholeFile);
    QVERIFY(shown.page);
    QVERIFY(shown.page->endsWith(QStringLiteral("<p><i>") + preview::kBodyCutNote + QStringLiteral("</i></p></body></html>")));

    // A body just within the bound is shown whole, without the note.
    const QByteArray small = singlePart("text/plain; charset=utf-8", "8bit", body.left(preview::kMaxShownBodyBytes));
    QVERIFY(!preview::buildPreview(small, PreviewKind::WholeFile).page->contains(preview::kBodyCutNote));
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
        row("no-text-part-shows-nothing") << QByteArray("From: a@x\nContent-Type: image/png\n\niVBORw0KGgo=\n")
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
