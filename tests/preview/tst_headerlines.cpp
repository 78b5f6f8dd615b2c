// The header box's lines: encoded words in the From, To, Cc/CC and Subject
// lines, in both kinds of preview, and the order, labels and weight of the lines.

#include "preview/headerlines.h"
#include "support/globalsreset.h"

#include <QtTest>

using preview::HeaderLine;
using preview::PreviewKind;

Q_DECLARE_METATYPE(preview::PreviewKind)
Q_DECLARE_METATYPE(preview::HeaderLine)

namespace preview {
char *toString(const HeaderLine &line)
{
    return QTest::toString(QString(line.text + (line.bold ? QStringLiteral(" [bold]") : QString())));
}
} // namespace preview

namespace {

const QString kJurgen = QStringLiteral("J\u00fcrgen");
const QString kKorea = QStringLiteral("\ud55c\uad6d");

// Blanks and line ends made visible in failure output.
QString visible(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1String("<CR>"));
    text.replace(QLatin1Char('\n'), QLatin1String("<LF>"));
    text.replace(QChar(0), QLatin1String("<NUL>"));
    return text;
}

void addForBothKinds(const char *name, const QByteArray &value, const QString &expected)
{
    QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String("-byte-range")))
        << value << PreviewKind::ByteRange << expected;
    QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String("-whole-file")))
        << value << PreviewKind::WholeFile << expected;
}

void addPerKind(const char *name, const QByteArray &value, const QString &byteRange, const QString &wholeFile)
{
    QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String("-byte-range")))
        << value << PreviewKind::ByteRange << byteRange;
    QTest::newRow(qPrintable(QLatin1String(name) + QLatin1String("-whole-file")))
        << value << PreviewKind::WholeFile << wholeFile;
}

} // namespace

class TestHeaderLines : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void senderLine_data();
    void senderLine();
    void recipientLines_data();
    void recipientLines();
    void subjectLine_data();
    void subjectLine();
    void blindCopyAndAttachments_data();
    void blindCopyAndAttachments();
    void linesInOrder_data();
    void linesInOrder();
};

void TestHeaderLines::senderLine_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    addPerKind("plain-name-and-address", " Ann <a@x>\n", QStringLiteral("Ann <a@x>"), QStringLiteral("Ann <a@x>\n"));
    addForBothKinds("single-base64-word", " =?UTF-8?B?SsO8cmdlbg==?=\n", kJurgen);
    addForBothKinds("base64-word-and-address", " =?UTF-8?B?SsO8cmdlbg==?= <j@x>\n", kJurgen + QStringLiteral(" <j@x>"));
    addPerKind("q-word-and-address", " =?UTF-8?Q?J=C3=BCrgen?= <j@x>\n", kJurgen + QStringLiteral(" <j@x>"),
               kJurgen + QStringLiteral(" <j@x>\n"));
    addForBothKinds("quoted-base64-word-shows-name-only", " \"=?UTF-8?B?SsO8cmdlbg==?=\" <j@x>\n", kJurgen);
    addForBothKinds("quoted-base64-word-in-its-own-charset", " \"=?ISO-8859-1?B?SvxyZ2Vu?=\" <j@x>\n", kJurgen);
    addPerKind("quoted-q-word-keeps-quote-and-address", " \"=?UTF-8?Q?J=C3=BCrgen?=\" <j@x>\n",
               kJurgen + QStringLiteral("\" <j@x>"), kJurgen + QStringLiteral("\" <j@x>\n"));
    addForBothKinds("korean-q-word", " =?ks_c_5601-1987?Q?=C7=D1=B1=B9?=\n", kKorea);
    addForBothKinds("korean-base64-word", " =?ks_c_5601-1987?B?x9GxuQ==?=\n", kKorea);
    addForBothKinds("underscore-kept-in-q-word", " =?UTF-8?Q?a_b?=\n", QStringLiteral("a_b"));
    addForBothKinds("lower-case-letter-shows-raw-text", " =?UTF-8?b?SsO8cmdlbg==?=\n", QStringLiteral("SsO8cmdlbg=="));
    addForBothKinds("cr-lf-base64-word-keeps-cr", " =?UTF-8?B?SsO8cmdlbg==?=\r\n", kJurgen + QStringLiteral("\r"));
    addPerKind("no-blank-after-colon-shown-raw", "=?UTF-8?B?SsO8cmdlbg==?=\n",
               QStringLiteral("From:=?UTF-8?B?SsO8cmdlbg==?="), QStringLiteral("From:=?UTF-8?B?SsO8cmdlbg==?=\n"));
    addForBothKinds("empty-value", "", QStringLiteral("From:"));
    addPerKind("folded-plain-value", " Ann\n <a@x>\n", QStringLiteral("Ann"), QStringLiteral("Ann\n <a@x>\n"));
    addPerKind("label-inside-name-removed", " From: X <a@x>\n", QStringLiteral("X <a@x>"),
               QStringLiteral("X <a@x>\n"));
    addPerKind("markup-kept-as-text", " <b>Ann</b>\n", QStringLiteral("<b>Ann</b>"), QStringLiteral("<b>Ann</b>\n"));
}

void TestHeaderLines::senderLine()
{
    QFETCH(QByteArray, value);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::fromLine(value, kind)), visible(expected));
}

void TestHeaderLines::recipientLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");

    for (const QString &name : {QStringLiteral("To"), QStringLiteral("Cc"), QStringLiteral("CC")}) {
        auto row = [&](const char *what) -> QTestData & { return QTest::newRow(qPrintable(name + QLatin1Char('-') + QLatin1String(what))); };
        const QString label = name + QStringLiteral(": ");
        row("plain-value-kept-whole") << name << QByteArray(" Ann <a@x>\n") << label + QStringLiteral("Ann <a@x>\n");
        row("several-plain-recipients") << name << QByteArray(" a@x, b@x\n") << label + QStringLiteral("a@x, b@x\n");
        row("single-base64-word") << name << QByteArray(" =?UTF-8?B?SsO8cmdlbg==?=\n") << label + kJurgen;
        row("single-q-word") << name << QByteArray(" =?UTF-8?Q?J=C3=BCrgen?=\n") << label + kJurgen;
        row("base64-word-and-address") << name << QByteArray(" =?UTF-8?B?SsO8cmdlbg==?= <j@x>\n")
                                       << label + kJurgen + QStringLiteral(" <j@x>");
        row("q-word-and-address") << name << QByteArray(" =?UTF-8?Q?J=C3=BCrgen?= <j@x>\n")
                                  << label + kJurgen + QStringLiteral(" <j@x>");
        row("second-recipient-kept-undecoded")
            << name << QByteArray(" =?UTF-8?Q?J=C3=BCrgen?= <j@x>, =?UTF-8?Q?M=C3=BCller?= <m@x>\n")
            << label + kJurgen + QStringLiteral(" <j@x>, =?UTF-8?Q?M=C3=BCller?= <m@x>");
        row("third-recipient-kept-too")
            << name << QByteArray(" =?UTF-8?B?SsO8cmdlbg==?= <j@x>, b@x, =?UTF-8?Q?x?= <c@x>, d@x\n")
            << label + kJurgen + QStringLiteral(" <j@x>, b@x, =?UTF-8?Q?x?= <c@x>, d@x");
        row("korean-q-word") << name << QByteArray(" =?ks_c_5601-1987?Q?=C7=D1=B1=B9?=\n") << label + kKorea;
        row("cr-lf-keeps-cr") << name << QByteArray(" =?UTF-8?B?SsO8cmdlbg==?=\r\n") << label + kJurgen + QStringLiteral("\r");
        row("quoted-display-name-shown-raw") << name << QByteArray(" \"=?UTF-8?B?SsO8cmdlbg==?=\" <j@x>\n")
                                             << name + QStringLiteral(": \"=?UTF-8?B?SsO8cmdlbg==?=\" <j@x>\n");
        row("lower-case-letter-shows-word-text") << name << QByteArray(" =?UTF-8?q?J=C3=BCrgen?=\n")
                                                 << QStringLiteral("J=C3=BCrgen");
        row("lower-case-letter-with-address-repeats-tail")
            << name << QByteArray(" =?UTF-8?q?J=C3=BCrgen?= <j@x>\n")
            << QStringLiteral("J=C3=BCrgen?= <j@x>\n <j@x>");
        row("two-blanks-shown-raw") << name << QByteArray("  =?UTF-8?Q?x?=\n") << name + QStringLiteral(":  =?UTF-8?Q?x?=\n");
        row("folded-plain-value") << name << QByteArray(" a,\n b\n") << label + QStringLiteral("a,\n b\n");
        row("empty-value") << name << QByteArray() << name + QStringLiteral(":");
    }
}

void TestHeaderLines::recipientLines()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::recipientLine(name, value)), visible(expected));

    // The same line in both kinds of preview.
    preview::RawHeader header;
    (name == QLatin1String("To") ? header.to : name == QLatin1String("Cc") ? header.cc : header.ccCapitals) = value;
    const QList<HeaderLine> wholeFile = preview::headerLines(header, PreviewKind::WholeFile);
    QCOMPARE(wholeFile, (QList<HeaderLine>{{expected, false}}));
    const QList<HeaderLine> byteRange = preview::headerLines(header, PreviewKind::ByteRange);
    if (name == QLatin1String("CC"))
        QVERIFY(byteRange.isEmpty());
    else
        QCOMPARE(byteRange, wholeFile);
}

void TestHeaderLines::subjectLine_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    const QString greetings = QStringLiteral("Gr\u00fc\u00dfe");
    addForBothKinds("single-base64-word", " =?UTF-8?B?SsO8cmdlbg==?=\n", kJurgen);
    addForBothKinds("folded-q-words-joined-without-blank", " =?UTF-8?Q?Gr=C3=BC?=\n =?UTF-8?Q?=C3=9Fe?=\n", greetings);
    addForBothKinds("folded-q-words-cr-lf", " =?UTF-8?Q?Gr=C3=BC?=\r\n =?UTF-8?Q?=C3=9Fe?=\r\n", greetings);
    addForBothKinds("folded-tab-continuation", " =?UTF-8?Q?Gr=C3=BC?=\n\t=?UTF-8?Q?=C3=9Fe?=\n", greetings);
    addForBothKinds("folded-plain-subject", " Hello\n world\n", QStringLiteral("Hello\n world\n"));
    // A Base64 word whose padding follows a "Q" keeps its last letter.
    addForBothKinds("korean-base64-word", " =?ks_c_5601-1987?B?x9GxuQ==?=\n", kKorea);
    addForBothKinds("korean-base64-word-without-q-pad", " =?ks_c_5601-1987?B?x9GxuaSh?=\n", kKorea + QStringLiteral("\u3131"));
    addForBothKinds("korean-q-word", " =?ks_c_5601-1987?Q?=C7=D1=B1=B9?=\n", kKorea);
    addForBothKinds("underscore-kept", " =?UTF-8?Q?a_b?=\n", QStringLiteral("a_b"));
    addForBothKinds("lower-case-letter-shows-word-text", " =?UTF-8?q?Caf=C3=A9?=\n", QStringLiteral("Caf=C3=A9"));
    addForBothKinds("only-line-end", "\n", QString());
    addForBothKinds("no-bytes", "", QString());
    addForBothKinds("no-blank-after-colon-keeps-label", "Hello\n", QStringLiteral("Subject:Hello\n"));
    addForBothKinds("label-inside-decoded-text-removed", " =?UTF-8?B?U3ViamVjdDogeA==?=\n", QStringLiteral("x"));
    addForBothKinds("markup-kept-as-text", " <img src=x>\n", QStringLiteral("<img src=x>\n"));
    addPerKind("prefix-then-q-word", " Re: =?UTF-8?Q?Caf=C3=A9?=\n", QStringLiteral("Re: =?UTF-8?Q?Caf=C3=A9?=\n"),
               QStringLiteral("Re: Caf\u00e9"));
    addPerKind("two-q-words-on-one-line", " =?UTF-8?Q?Caf=C3=A9?= =?UTF-8?Q?cr=C3=A8me?=\n",
               QStringLiteral("Caf\u00e9?") + QChar(0) + QStringLiteral("?UTF-8?Q?cr\u00e8me"),
               QStringLiteral("Caf\u00e9 cr\u00e8me"));
    QTest::newRow("base64-word-then-text-whole-file")
        << QByteArray(" =?UTF-8?B?SsO8cmdlbg==?= says hi\n") << PreviewKind::WholeFile << kJurgen + QStringLiteral(" says hi");
    addForBothKinds("base64-ending-in-q-equals", " =?UTF-8?B?QQ==?=\n", QStringLiteral("A"));
}

void TestHeaderLines::subjectLine()
{
    QFETCH(QByteArray, value);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::subjectLine(value, kind)), visible(expected));
}

void TestHeaderLines::blindCopyAndAttachments_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two-names-comma-byte-range")
        << QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt")} << PreviewKind::ByteRange << QStringLiteral("\nAttachments: a.pdf, b.txt");
    QTest::newRow("two-names-own-lines-whole-file")
        << QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt")} << PreviewKind::WholeFile << QStringLiteral("\nAttachments: a.pdf\nb.txt");
    QTest::newRow("no-names") << QStringList{} << PreviewKind::ByteRange << QStringLiteral("\nAttachments: ");
}

void TestHeaderLines::blindCopyAndAttachments()
{
    QFETCH(QStringList, names);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    QCOMPARE(visible(preview::attachmentsLine(names, kind)), visible(expected));
    QCOMPARE(visible(preview::bccLine(" e@x\n")), visible(QStringLiteral("\nBcc:  e@x\n")));
    QCOMPARE(visible(preview::bccLine("")), visible(QStringLiteral("\nBcc: ")));
}

void TestHeaderLines::linesInOrder_data()
{
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<bool>("unquotedOnly");
    QTest::addColumn<QList<HeaderLine>>("expected");

    const QList<HeaderLine> common{
        {QStringLiteral("Ann"), true},          {QStringLiteral("To: b@x"), false},
        {QStringLiteral("Cc: c@x"), false},
    };
    QList<HeaderLine> wholeFile = common;
    wholeFile << HeaderLine{QStringLiteral("CC: d@x"), false} << HeaderLine{QStringLiteral("Hi"), false}
              << HeaderLine{QStringLiteral("Date: 04 Mar 2014 09:05:09 PM"), false}
              << HeaderLine{QStringLiteral("\nBcc:  e@x"), false}
              << HeaderLine{QStringLiteral("\nAttachments: a.pdf\nb.txt"), false};
    QList<HeaderLine> byteRange = common;
    byteRange << HeaderLine{QStringLiteral("Hi"), false}
              << HeaderLine{QStringLiteral("Date: 04 Mar 2014 09:05:09 PM"), false}
              << HeaderLine{QStringLiteral("\nBcc:  e@x"), false}
              << HeaderLine{QStringLiteral("\nAttachments: a.pdf, b.txt"), false};
    QTest::newRow("whole-file") << PreviewKind::WholeFile << false << wholeFile;
    QTest::newRow("byte-range") << PreviewKind::ByteRange << false << byteRange;
    QTest::newRow("unquoted-names-count-in-byte-range") << PreviewKind::ByteRange << true << byteRange;
    wholeFile.removeLast();
    QTest::newRow("unquoted-mark-ignored-in-whole-file") << PreviewKind::WholeFile << true << wholeFile;
}

void TestHeaderLines::linesInOrder()
{
    QFETCH(PreviewKind, kind);
    QFETCH(bool, unquotedOnly);
    QFETCH(QList<HeaderLine>, expected);
    preview::RawHeader header;
    header.from = QByteArray(" Ann");
    header.to = QByteArray(" b@x");
    header.cc = QByteArray(" c@x");
    header.ccCapitals = QByteArray(" d@x");
    header.subject = QByteArray(" Hi");
    header.date = QByteArray(" Tue, 4 Mar 2014 21:05:09 +0000");
    header.bcc = QByteArray(" e@x");
    header.attachmentNames = QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt")};
    header.quotedNameSeen = !unquotedOnly;
    header.unquotedNameSeen = unquotedOnly;
    QCOMPARE(preview::headerLines(header, kind), expected);
}

QTEST_GUILESS_MAIN(TestHeaderLines)
#include "tst_headerlines.moc"
