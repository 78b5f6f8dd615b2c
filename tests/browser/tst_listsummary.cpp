// The two summary lines of a message file in the message list: the sender
// from the first From line and the subject from the first Subject line,
// with folded lines and encoded words.

#include "browser/listsummary.h"
#include "support/globalsreset.h"

#include <QBuffer>
#include <QtTest>

using listsummary::MessageSummary;

namespace {

// Line ends, tabs and zero characters made visible in failure messages.
QString visible(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    shown.replace(QChar(0), QStringLiteral("\\0"));
    return shown;
}

MessageSummary summarize(const QByteArray &message)
{
    QBuffer buffer;
    buffer.setData(message);
    buffer.open(QIODevice::ReadOnly);
    return listsummary::summarizeMessage(buffer);
}

} // namespace

class TestListSummary : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void decodesSender_data();
    void decodesSender();
    void writesSenderDiagnostic_data();
    void writesSenderDiagnostic();
    void decodesSubject_data();
    void decodesSubject();
    void findsFirstHeaders_data();
    void findsFirstHeaders();
    void readsLinesLikeTextMode();
    void summarizesFilesOnDisk();
};

void TestListSummary::decodesSender_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("folded");
    QTest::addColumn<QString>("expected");
    const QList<QByteArray> none;

    QTest::newRow("plain-name-and-address")
        << QByteArray("From: Anna Berg <anna@example.com>\n") << none
        << QStringLiteral("Anna Berg <anna@example.com>\n");
    QTest::newRow("unquoted-b-word-alone") << QByteArray("From: =?UTF-8?B?Q2Fmw6k=?=\n") << none
                                           << QStringLiteral("Café");
    QTest::newRow("unquoted-b-word-then-address")
        << QByteArray("From: =?UTF-8?B?Q2Fmw6k=?= <c@example.com>\n") << none
        << QStringLiteral("Café <c@example.com>");
    QTest::newRow("unquoted-q-word-then-address")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?= <c@example.com>\n") << none
        << QStringLiteral("Café <c@example.com>\n");
    QTest::newRow("quoted-b-word-loses-quotes-and-address")
        << QByteArray("From: \"=?UTF-8?B?Q2Fmw6k=?=\" <c@example.com>\n") << none << QStringLiteral("Café");
    QTest::newRow("quoted-b-word-read-with-its-charset")
        << QByteArray("From: \"=?ISO-8859-1?B?Q2Fm6Q==?=\" <c@example.com>\n") << none << QStringLiteral("Café");
    QTest::newRow("quoted-q-word-reads-utf-8-and-keeps-address")
        << QByteArray("From: \"=?ISO-8859-1?Q?Caf=C3=A9?=\" <c@example.com>\n") << none
        << QStringLiteral("Café\" <c@example.com>\n");
    QTest::newRow("quoted-lower-case-q-word")
        << QByteArray("From: \"=?utf-8?q?Caf=C3=A9?=\" <c@example.com>\n") << none
        << QStringLiteral("Café\" <c@example.com>\n");
    QTest::newRow("lower-case-q-word-alone") << QByteArray("From: =?utf-8?q?Caf=C3=A9?=\n") << none
                                             << QStringLiteral("Café");
    QTest::newRow("lower-case-b-word-alone") << QByteArray("From: =?utf-8?b?Q2Fmw6k=?=\n") << none
                                             << QStringLiteral("Café");
    QTest::newRow("word-then-tab-and-address-folded")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n") << QList<QByteArray>{"\t<c@example.com>\n"}
        << QStringLiteral("Café\t<c@example.com>\n");
    QTest::newRow("two-words-on-folded-lines-join")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n") << QList<QByteArray>{" =?UTF-8?B?QmFy?=\n"}
        << QStringLiteral("CaféBar");
    QTest::newRow("folded-word-then-address")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n")
        << QList<QByteArray>{" =?UTF-8?Q?Bar?= <c@example.com>\n"} << QStringLiteral("CaféBar <c@example.com>\n");
    QTest::newRow("two-blanks-before-folded-word-stay-undecoded")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n") << QList<QByteArray>{"  =?UTF-8?Q?Bar?=\n"}
        << QStringLiteral("Café  =?UTF-8?Q?Bar");
    QTest::newRow("two-b-words-then-address-keep-second-undecoded")
        << QByteArray("From: =?UTF-8?B?QQ==?= =?UTF-8?B?Qg==?= <x@example.com>\n") << none
        << QStringLiteral("A =?UTF-8?B?Qg=");
    QTest::newRow("word-after-a-name-is-not-decoded")
        << QByteArray("From: Anna =?UTF-8?Q?Caf=C3=A9?=\n") << none
        << QStringLiteral("Anna =?UTF-8?Q?Caf=C3=A9?=\n");
    QTest::newRow("capital-header-name-stays") << QByteArray("FROM: Anna <a@example.com>\n") << none
                                               << QStringLiteral("FROM: Anna <a@example.com>\n");
    QTest::newRow("no-blank-after-colon-stays") << QByteArray("From:Anna\n") << none
                                                << QStringLiteral("From:Anna\n");
    QTest::newRow("capital-encoded-line-decoded") << QByteArray("FROM: =?UTF-8?B?Q2Fmw6k=?=\n") << none
                                                  << QStringLiteral("Café");
    QTest::newRow("korean-mail-client-charset") << QByteArray("From: =?ks_c_5601-1987?Q?=B0=A1?=\n") << none
                                                << QStringLiteral("가");
    QTest::newRow("underscore-stays") << QByteArray("From: =?UTF-8?Q?Anna_Berg?=\n") << none
                                      << QStringLiteral("Anna_Berg");
    QTest::newRow("last-line-without-line-feed") << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=") << none
                                                 << QStringLiteral("Café");
    QTest::newRow("opener-without-fields-gives-nothing") << QByteArray("From: =?garbage\n") << none
                                                         << QString();
    QTest::newRow("folded-plain-line-holding-word-end-stays")
        << QByteArray("From: Anna\n") << QList<QByteArray>{" a?=b\n"} << QStringLiteral("Anna\n a?=b\n");
}

void TestListSummary::decodesSender()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, folded);
    QFETCH(QString, expected);
    QCOMPARE(visible(listsummary::decodeSender(line, folded)), visible(expected));
}

void TestListSummary::writesSenderDiagnostic_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("diagnostic");

    QTest::newRow("q-word-with-known-charset")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?= <c@example.com>\n")
        << QByteArray("lines - Caf=C3=A9 <c@example.com>\n\n");
    QTest::newRow("quoted-form-has-no-charset") << QByteArray("From: \"=?UTF-8?Q?Caf=C3=A9?=\" <c@example.com>\n")
                                                << QByteArray();
    QTest::newRow("unknown-charset") << QByteArray("From: =?x-none?Q?Caf=C3=A9?= <c@example.com>\n")
                                     << QByteArray();
    QTest::newRow("word-alone-on-its-line") << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n") << QByteArray();
}

void TestListSummary::writesSenderDiagnostic()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, diagnostic);
    QByteArray written;
    listsummary::decodeSender(line, {}, &written);
    QCOMPARE(written, diagnostic);
}

void TestListSummary::decodesSubject_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("folded");
    QTest::addColumn<QString>("expected");
    const QList<QByteArray> none;

    QTest::newRow("underscores-stay") << QByteArray("Subject: =?UTF-8?Q?Caf=C3=A9_au_lait?=\n") << none
                                      << QStringLiteral("Café_au_lait");
    QTest::newRow("two-words-keep-blank-between")
        << QByteArray("Subject: =?UTF-8?Q?Hello?= =?UTF-8?Q?World?=\n") << none << QStringLiteral("Hello World");
    QTest::newRow("two-words-lower-case-charset")
        << QByteArray("Subject: =?utf-8?Q?Hello?= =?utf-8?q?World?=\n") << none << QStringLiteral("Hello World");
    QTest::newRow("folded-words-join") << QByteArray("Subject: =?UTF-8?Q?Hello?=\n")
                                       << QList<QByteArray>{" =?UTF-8?Q?World?=\n"} << QStringLiteral("HelloWorld");
    QTest::newRow("folded-plain-keeps-line-feeds") << QByteArray("Subject: Hello\n")
                                                   << QList<QByteArray>{" World\n"}
                                                   << QStringLiteral("Hello\n World\n");
    QTest::newRow("reply-prefix-then-utf-8-word") << QByteArray("Subject: Re: =?UTF-8?Q?Caf=C3=A9?=\n") << none
                                                  << QStringLiteral("Re: Café");
    QTest::newRow("reply-prefix-then-lower-case-utf-8-word")
        << QByteArray("Subject: Re: =?utf-8?Q?Caf=C3=A9?=\n") << none << QStringLiteral("Re: Café");
    QTest::newRow("reply-prefix-then-latin-1-word-stays")
        << QByteArray("Subject: Re: =?ISO-8859-1?Q?Caf=E9?=\n") << none
        << QStringLiteral("Re: =?ISO-8859-1?Q?Caf=E9");
    QTest::newRow("lower-case-q-decoded") << QByteArray("Subject: =?utf-8?q?Caf=C3=A9?=\n") << none
                                          << QStringLiteral("Café");
    QTest::newRow("lower-case-b-decoded") << QByteArray("Subject: =?utf-8?b?Q2Fmw6k=?=\n") << none
                                          << QStringLiteral("Café");
    QTest::newRow("b-word-read-with-its-charset") << QByteArray("Subject: =?ISO-8859-1?B?Q2Fm6Q==?=\n") << none
                                                  << QStringLiteral("Café");
    QTest::newRow("b-word-ending-in-q-padding-keeps-last-letter")
        << QByteArray("Subject: =?UTF-8?B?RGF0YQ==?=\n") << none << QStringLiteral("Data");
    QTest::newRow("korean-mail-client-charset") << QByteArray("Subject: =?ks_c_5601-1987?Q?=B0=A1?=\n") << none
                                                << QStringLiteral("가");
    QTest::newRow("q-word-followed-by-text") << QByteArray("Subject: =?UTF-8?Q?Caf=C3=A9?= more\n") << none
                                             << QStringLiteral("Café more\n");
    QTest::newRow("no-blank-after-colon") << QByteArray("Subject:Hello\n") << none
                                          << QStringLiteral("Subject:Hello\n");
    QTest::newRow("name-alone") << QByteArray("Subject:\n") << none << QStringLiteral("Subject:\n");
    QTest::newRow("name-and-blank") << QByteArray("Subject: \n") << none << QStringLiteral("\n");
    QTest::newRow("capital-header-name") << QByteArray("SUBJECT: Hello\n") << none << QStringLiteral("Hello\n");
    QTest::newRow("folded-word-then-text")
        << QByteArray("Subject: =?UTF-8?Q?x?=\n") << QList<QByteArray>{" =?UTF-8?Q?abc?= def\n"}
        << QStringLiteral("xabc def\n");
    QTest::newRow("tab-folded-b-word") << QByteArray("Subject: =?UTF-8?Q?x?=\n")
                                       << QList<QByteArray>{"\t=?UTF-8?B?Q2Fmw6k=?=\n"} << QStringLiteral("xCafé");
    QTest::newRow("folded-line-with-no-fields-adds-nothing")
        << QByteArray("Subject: =?UTF-8?Q?x?=\n") << QList<QByteArray>{" =?broken\n"} << QStringLiteral("x");
    QTest::newRow("inner-subject-name-removed")
        << QByteArray("Subject: Fwd: Subject: old\n") << none << QStringLiteral("Fwd: old\n");
}

void TestListSummary::decodesSubject()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, folded);
    QFETCH(QString, expected);
    QCOMPARE(visible(listsummary::decodeSubject(line, folded)), visible(expected));
}

void TestListSummary::findsFirstHeaders_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("hasRow");

    QTest::newRow("header-block") << QByteArray("Date: x\nFrom: Anna <a@example.com>\nSubject: Hi\n\nBody\n")
                                  << QStringLiteral("Anna <a@example.com>\n") << QStringLiteral("Hi\n") << true;
    QTest::newRow("first-of-two-wins")
        << QByteArray("From: First\nSubject: One\nFrom: Second\nSubject: Two\n")
        << QStringLiteral("First\n") << QStringLiteral("One\n") << true;
    QTest::newRow("forwarded-body-line-when-header-has-none")
        << QByteArray("Subject: Fwd\n\n> x\nFrom: Quoted <q@example.com>\n") << QStringLiteral("Quoted <q@example.com>\n")
        << QStringLiteral("Fwd\n") << true;
    QTest::newRow("mbox-separator-is-no-from-line")
        << QByteArray("From anna@example.com Mon Jan  1 00:00:00 2024\nSubject: S\n") << QString()
        << QStringLiteral("S\n") << true;
    QTest::newRow("line-ending-a-folded-from-can-be-the-subject")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n <c@example.com>\nSubject: =?UTF-8?Q?Th=C3=A9?=\n")
        << QStringLiteral("Café <c@example.com>\n") << QStringLiteral("Thé") << true;
    QTest::newRow("header-folded-to-end-of-file")
        << QByteArray("Subject: a\n b") << QString() << QStringLiteral("a\n b") << true;
    QTest::newRow("lower-case-header-names") << QByteArray("from: Anna\nsubject: Hi\n")
                                             << QStringLiteral("from: Anna\n") << QStringLiteral("Hi\n") << true;
    QTest::newRow("zero-byte-cuts-the-line")
        << QByteArray("From: An\0na\nSubject: S\n", 23) << QStringLiteral("An") << QStringLiteral("S\n") << true;
    QTest::newRow("line-starting-with-zero-byte-does-not-end-the-read")
        << QByteArray("X: 1\n\0junk\nSubject: later\n", 26) << QString() << QStringLiteral("later\n") << true;
    QTest::newRow("neither-header") << QByteArray("X-Other: 1\n\nBody\n") << QString() << QString() << false;
    QTest::newRow("empty-file") << QByteArray() << QString() << QString() << false;
}

void TestListSummary::findsFirstHeaders()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, sender);
    QFETCH(QString, subject);
    QFETCH(bool, hasRow);
    const MessageSummary summary = summarize(message);
    QCOMPARE(visible(summary.sender), visible(sender));
    QCOMPARE(visible(summary.subject), visible(subject));
    QCOMPARE(summary.hasRow(), hasRow);
    QCOMPARE(summary.displayText(), sender + QLatin1Char('\n') + subject);
}

void TestListSummary::readsLinesLikeTextMode()
{
    QBuffer buffer;
    buffer.setData(QByteArray("a\r\nb\rc\n\r\nlast"));
    buffer.open(QIODevice::ReadOnly);
    QList<QByteArray> lines;
    QByteArray line;
    while (listsummary::readHeaderLine(buffer, &line))
        lines.append(line);
    QCOMPARE(lines, (QList<QByteArray>{"a\n", "b\rc\n", "\n", "last"}));
    QVERIFY(line.isEmpty());

    // CR LF ends give the same summary as LF ends.
    QCOMPARE(summarize("From: =?UTF-8?Q?Caf=C3=A9?=\r\n\t<c@example.com>\r\nSubject: S\r\n"),
             summarize("From: =?UTF-8?Q?Caf=C3=A9?=\n\t<c@example.com>\nSubject: S\n"));
}

void TestListSummary::summarizesFilesOnDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A name ending in a blank is a name like any other.
    const QString path = dir.filePath(QStringLiteral("12.emlx "));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Subject: =?UTF-8?B?Q2Fmw6k=?=\nFrom: Anna\n");
    file.close();

    MessageSummary summary;
    QVERIFY(listsummary::summarizeMessageFile(path, &summary));
    QCOMPARE(summary.displayText(), QStringLiteral("Anna\n\nCafé"));

    MessageSummary untouched;
    untouched.sender = QStringLiteral("kept");
    QVERIFY(!listsummary::summarizeMessageFile(dir.filePath(QStringLiteral("missing.emlx")), &untouched));
    QCOMPARE(untouched.sender, QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(TestListSummary)
#include "tst_listsummary.moc"
