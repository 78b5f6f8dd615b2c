// The header box's lines: encoded words in the From, To, Cc and Subject
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

// Blanks and line ends made visible in failure output.
QString visible(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1String("<CR>"));
    text.replace(QLatin1Char('\n'), QLatin1String("<LF>"));
    text.replace(QChar(0), QLatin1String("<NUL>"));
    return text;
}

QByteArray withCrLf(QByteArray message)
{
    return message.replace("\n", "\r\n");
}

} // namespace

class TestHeaderLines : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void boxLines_data();
    void boxLines();
    void blindCopyAndAttachments_data();
    void blindCopyAndAttachments();
    void linesInOrder_data();
    void linesInOrder();
};

void TestHeaderLines::boxLines_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("q-word-underscore-is-a-blank")
        << QByteArray("From: =?utf-8?q?Ren=C3=A9_Dupont?= <r@x.org>\nSubject: Hi\n\nBody\n")
        << QStringList{QStringLiteral("René Dupont <r@x.org>"), QStringLiteral("Hi")};
    QTest::newRow("lower-case-q-and-b-words-and-to-label")
        << QByteArray("From: =?utf-8?b?Q2Fmw6k=?= <c@x.org>\nTo: =?utf-8?q?J=C3=BCrgen?= <j@x.org>\n"
                      "Subject: =?utf-8?q?Caf=C3=A9?=\n\n")
        << QStringList{QStringLiteral("Café <c@x.org>"), QStringLiteral("To: Jürgen <j@x.org>"), QStringLiteral("Café")};
    QTest::newRow("folded-from-keeps-its-address")
        << QByteArray("From: Anna Berg\n <anna@x.org>\n\n")
        << QStringList{QStringLiteral("Anna Berg <anna@x.org>")};
    QTest::newRow("word-after-plain-text-and-in-quotes")
        << QByteArray("From: \"=?iso-8859-1?Q?Jos=E9?=\" <j@x.org>\nSubject: Essai =?iso-8859-1?Q?accentu=E9?=\n\n")
        << QStringList{QStringLiteral("\"José\" <j@x.org>"), QStringLiteral("Essai accentué")};
    QTest::newRow("to-and-cc-after-content-type")
        << QByteArray("Content-Type: text/plain\nFrom: a@x.org\nCC: c@x.org\nTO: b@x.org\n\n")
        << QStringList{QStringLiteral("a@x.org"), QStringLiteral("To: b@x.org"), QStringLiteral("Cc: c@x.org")};
    QTest::newRow("no-subject-header-body-line-not-taken")
        << QByteArray("From: a@x.org\n\nSubject: not a header\n") << QStringList{QStringLiteral("a@x.org")};
    QTest::newRow("header-of-attached-message-not-taken")
        << QByteArray("From: a@x.org\nContent-Type: multipart/mixed; boundary=b\n\n--b\n\ntext\n--b\n"
                      "Content-Type: message/rfc822\n\nTo: inner@x.org\nSubject: inner\n\n--b--\n")
        << QStringList{QStringLiteral("a@x.org")};
}

void TestHeaderLines::boxLines()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, expected);
    for (const QByteArray &form : {message, withCrLf(message)}) {
        for (const preview::PreviewKind kind : {PreviewKind::ByteRange, PreviewKind::WholeFile}) {
            QStringList shown;
            for (const HeaderLine &line : preview::headerLines(preview::scanRawHeader(form, kind), kind))
                shown << visible(line.text);
            QCOMPARE(shown, expected);
        }
    }
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
    QCOMPARE(visible(preview::bccLine("e@x")), visible(QStringLiteral("\nBcc: e@x")));
    QCOMPARE(visible(preview::bccLine("")), visible(QStringLiteral("\nBcc: ")));
}

void TestHeaderLines::linesInOrder_data()
{
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QList<HeaderLine>>("expected");

    QList<HeaderLine> lines{
        {QStringLiteral("Ann"), true},
        {QStringLiteral("To: b@x"), false},
        {QStringLiteral("Cc: c@x"), false},
        {QStringLiteral("Hi"), false},
        {QStringLiteral("Date: 04 Mar 2014 09:05:09 PM"), false},
        {QStringLiteral("\nBcc: e@x"), false},
    };
    QList<HeaderLine> wholeFile = lines;
    wholeFile << HeaderLine{QStringLiteral("\nAttachments: a.pdf\nb.txt"), false};
    QList<HeaderLine> byteRange = lines;
    byteRange << HeaderLine{QStringLiteral("\nAttachments: a.pdf, b.txt"), false};
    QTest::newRow("whole-file") << PreviewKind::WholeFile << wholeFile;
    QTest::newRow("byte-range") << PreviewKind::ByteRange << byteRange;
}

void TestHeaderLines::linesInOrder()
{
    QFETCH(PreviewKind, kind);
    QFETCH(QList<HeaderLine>, expected);
    preview::RawHeader header;
    header.from = QByteArray("Ann");
    header.to = QByteArray("b@x");
    header.cc = QByteArray("c@x");
    header.subject = QByteArray("Hi");
    header.date = QByteArray("Tue, 4 Mar 2014 21:05:09 +0000");
    header.bcc = QByteArray("e@x");
    header.attachmentNames = QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.txt")};
    QCOMPARE(preview::headerLines(header, kind), expected);
}

QTEST_GUILESS_MAIN(TestHeaderLines)
#include "tst_headerlines.moc"
