// Encoded words in header lines: one word at a time, and the From and
// Subject headers as the message indexers read them.

#include "scan/encodedwords.h"
#include "support/globalsreset.h"

#include <QtTest>

using encodedwords::IndexedField;

Q_DECLARE_METATYPE(IndexedField)

namespace {
// Line ends and tabs made visible in failure messages.
QString visible(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    shown.replace(QChar(0), QStringLiteral("\\0"));
    return shown;
}
} // namespace

class TestEncodedWords : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void splitsWordFields_data();
    void splitsWordFields();
    void decodesWholeWords_data();
    void decodesWholeWords();
    void decodesWordTextByLetter_data();
    void decodesWordTextByLetter();
    void decodesIndexedHeaders_data();
    void decodesIndexedHeaders();
};

void TestEncodedWords::splitsWordFields_data()
{
    QTest::addColumn<QByteArray>("afterOpener");
    QTest::addColumn<QString>("expected");

    QTest::newRow("complete-word") << QByteArray("UTF-8?Q?abc?=\n") << QStringLiteral("UTF-8|Q|abc?=\n");
    QTest::newRow("charset-only") << QByteArray("UTF-8") << QStringLiteral("UTF-8||");
    QTest::newRow("quoted-form-shifts-fields") << QByteArray("?UTF-8?B?eA==?=\"")
                                               << QStringLiteral("|UTF-8|B?eA==?=\"");
}

void TestEncodedWords::splitsWordFields()
{
    QFETCH(QByteArray, afterOpener);
    QFETCH(QString, expected);
    const encodedwords::WordParts parts = encodedwords::splitWord(afterOpener);
    QCOMPARE(QString::fromUtf8(parts.charset + '|' + parts.letter + '|' + parts.text), expected);
}

void TestEncodedWords::decodesWholeWords_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QString>("expected");

    QTest::newRow("q-word-utf-8") << QByteArray("=?UTF-8?Q?Caf=C3=A9?=") << QStringLiteral("Café");
    QTest::newRow("b-word-utf-8") << QByteArray("=?utf-8?B?5pel5pys6Kqe44OG44Kt44K544OI?=")
                                  << QStringLiteral("日本語テキスト");
    QTest::newRow("lower-case-q") << QByteArray("=?utf-8?q?Caf=C3=A9?=") << QStringLiteral("Café");
    QTest::newRow("lower-case-b") << QByteArray("=?utf-8?b?Q2Fmw6k=?=") << QStringLiteral("Café");
    QTest::newRow("q-word-iso-8859-1") << QByteArray("=?iso-8859-1?Q?Caf=E9?=") << QStringLiteral("Café");
    QTest::newRow("b-word-read-with-its-charset")
        << QByteArray("=?ISO-8859-1?B?Q2Fm6Q==?=") << QStringLiteral("Café");
    QTest::newRow("q-word-windows-1252-euro")
        << QByteArray("=?windows-1252?Q?=80_5?=") << QStringLiteral("€_5");
    QTest::newRow("korean-mail-client-charset")
        << QByteArray("=?ks_c_5601-1987?Q?=B0=A1?=") << QStringLiteral("가");
    QTest::newRow("unknown-charset-reads-utf-8")
        << QByteArray("=?x-no-such-charset?Q?Caf=C3=A9?=") << QStringLiteral("Café");
    QTest::newRow("empty-encoded-text") << QByteArray("=?UTF-8?Q?" "?=") << QString();
    QTest::newRow("unknown-letter-kept-as-written")
        << QByteArray("=?UTF-8?X?abc?=") << QStringLiteral("=?UTF-8?X?abc?=");
    QTest::newRow("missing-closer-kept-as-written")
        << QByteArray("=?UTF-8?Q?abc") << QStringLiteral("=?UTF-8?Q?abc");
    QTest::newRow("empty-charset-kept-as-written")
        << QByteArray("=??Q?abc?=") << QStringLiteral("=??Q?abc?=");
    QTest::newRow("question-mark-in-text-kept-as-written")
        << QByteArray("=?UTF-8?Q?a?b?=") << QStringLiteral("=?UTF-8?Q?a?b?=");
    QTest::newRow("plain-text-kept") << QByteArray("Hello") << QStringLiteral("Hello");
}

void TestEncodedWords::decodesWholeWords()
{
    QFETCH(QByteArray, word);
    QFETCH(QString, expected);
    QCOMPARE(encodedwords::decodeWord(word), expected);
}

void TestEncodedWords::decodesWordTextByLetter_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QByteArray>("letter");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("q-with-codec-keeps-zero-byte")
        << QByteArray("UTF-8") << QByteArray("Q") << QByteArray("a=00b") << QStringLiteral("a").append(QChar(0)).append(QLatin1Char('b'));
    QTest::newRow("q-without-charset-ends-at-zero-byte")
        << QByteArray() << QByteArray("Q") << QByteArray("a=00b") << QStringLiteral("a");
    QTest::newRow("b-skips-characters-outside-alphabet")
        << QByteArray("UTF-8") << QByteArray("B") << QByteArray("Q2Fm w6k\n") << QStringLiteral("Café");
    QTest::newRow("invalid-utf-8-becomes-replacement")
        << QByteArray("UTF-8") << QByteArray("B") << QByteArray("Q2Fm6Q==") << QStringLiteral("Caf\ufffd");
}

void TestEncodedWords::decodesWordTextByLetter()
{
    QFETCH(QByteArray, charset);
    QFETCH(QByteArray, letter);
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QCOMPARE(visible(encodedwords::decodeWordText(charset, letter, text)), visible(expected));
}

void TestEncodedWords::decodesIndexedHeaders_data()
{
    QTest::addColumn<IndexedField>("field");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<QList<QByteArray>>("continuations");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QByteArray>("diagnostics");

    const IndexedField from = IndexedField::Sender;
    const IndexedField subject = IndexedField::Subject;
    const QList<QByteArray> none;

    QTest::newRow("plain-sender-keeps-line-end")
        << from << QByteArray("From: John Smith <js@example.org>\n") << none
        << QStringLiteral("John Smith <js@example.org>\n") << QByteArray();
    QTest::newRow("sender-name-in-capitals-kept")
        << from << QByteArray("FROM: John\n") << none << QStringLiteral("FROM: John\n") << QByteArray();
    QTest::newRow("sender-q-word-alone")
        << from << QByteArray("From: =?UTF-8?Q?Jos=C3=A9?=\n") << none << QStringLiteral("José")
        << QByteArray();
    QTest::newRow("sender-q-word-with-address-writes-diagnostic")
        << from << QByteArray("From: =?UTF-8?Q?Jos=C3=A9?= <j@x.org>\n") << none
        << QStringLiteral("José <j@x.org>\n") << QByteArray("lines - Jos=C3=A9 <j@x.org>\n\n");
    QTest::newRow("sender-b-word-with-address")
        << from << QByteArray("From: =?UTF-8?B?Sm9zw6k=?= <j@x.org>\n") << none
        << QStringLiteral("José <j@x.org>\n") << QByteArray();
    QTest::newRow("sender-quoted-q-word-reads-utf-8")
        << from << QByteArray("From: \"=?ISO-8859-1?Q?Jos=C3=A9?=\" <j@x.org>\n") << none
        << QStringLiteral("José\" <j@x.org>\n") << QByteArray();
    QTest::newRow("sender-lower-case-q-word")
        << from << QByteArray("from: =?utf-8?q?Jos=C3=A9?=\n") << none << QStringLiteral("José")
        << QByteArray();
    QTest::newRow("sender-word-then-folded-address")
        << from << QByteArray("From: =?UTF-8?Q?Jos=C3=A9?=\n") << QList<QByteArray>{"\t<j@x.org>\n"}
        << QStringLiteral("José\t<j@x.org>\n") << QByteArray();
    QTest::newRow("sender-two-folded-words-join")
        << from << QByteArray("From: =?UTF-8?Q?Jos=C3=A9?=\n")
        << QList<QByteArray>{" =?UTF-8?B?IEdhcmPDrWE=?=\n"} << QStringLiteral("José García")
        << QByteArray();
    QTest::newRow("sender-word-after-name-not-decoded")
        << from << QByteArray("From: Jo =?UTF-8?Q?x?=\n") << none
        << QStringLiteral("Jo =?UTF-8?Q?x?=\n") << QByteArray();

    QTest::newRow("plain-subject-keeps-line-end")
        << subject << QByteArray("Subject: Hello\n") << none << QStringLiteral("Hello\n") << QByteArray();
    QTest::newRow("subject-q-word-keeps-underscores")
        << subject << QByteArray("Subject: =?UTF-8?Q?Caf=C3=A9_au_lait?=\n") << none
        << QStringLiteral("Café_au_lait") << QByteArray();
    QTest::newRow("subject-b-word-in-latin-1")
        << subject << QByteArray("Subject: =?ISO-8859-1?B?Q2Fm6Q==?=\n") << none
        << QStringLiteral("Café") << QByteArray();
    QTest::newRow("subject-q-word-then-text")
        << subject << QByteArray("Subject: =?UTF-8?Q?Caf=C3=A9?= ok\n") << none
        << QStringLiteral("Café ok\n") << QByteArray();
    QTest::newRow("subject-b-word-then-text")
        << subject << QByteArray("Subject: =?UTF-8?B?SGVsbG8=?= world\n") << none
        << QStringLiteral("Hello world\n") << QByteArray();
    QTest::newRow("subject-text-before-word-not-decoded")
        << subject << QByteArray("Subject: Re: =?UTF-8?Q?Caf=C3=A9?=\n") << none
        << QStringLiteral("Re: =?UTF-8?Q?Caf=C3=A9?=\n") << QByteArray();
    QTest::newRow("subject-folded-words-join")
        << subject << QByteArray("Subject: =?UTF-8?Q?Hello?=\n") << QList<QByteArray>{" =?UTF-8?Q?World?=\n"}
        << QStringLiteral("HelloWorld") << QByteArray();
    QTest::newRow("subject-folded-plain-keeps-blanks-and-line-ends")
        << subject << QByteArray("Subject: Hello\n") << QList<QByteArray>{" World\n", "\tagain\n"}
        << QStringLiteral("Hello\n World\n\tagain\n") << QByteArray();
    QTest::newRow("subject-folded-word-then-text")
        << subject << QByteArray("Subject: x\n") << QList<QByteArray>{" =?UTF-8?Q?abc?= def\n"}
        << QStringLiteral("x\nabc def\n") << QByteArray();
    QTest::newRow("subject-folded-plain-with-closer-inside-kept")
        << subject << QByteArray("Subject: x\n") << QList<QByteArray>{" a?=b\n"}
        << QStringLiteral("x\n a?=b\n") << QByteArray();
    QTest::newRow("subject-unknown-letter-left-undecoded")
        << subject << QByteArray("Subject: =?UTF-8?X?abc?=\n") << none << QStringLiteral("abc")
        << QByteArray();
    QTest::newRow("subject-word-without-fields-gives-nothing")
        << subject << QByteArray("Subject: =?UTF-8\n") << none << QString() << QByteArray();
}

void TestEncodedWords::decodesIndexedHeaders()
{
    QFETCH(IndexedField, field);
    QFETCH(QByteArray, firstLine);
    QFETCH(QList<QByteArray>, continuations);
    QFETCH(QString, expected);
    QFETCH(QByteArray, diagnostics);

    QByteArray written;
    const QString text = encodedwords::decodeIndexedHeader(field, firstLine, continuations, &written);
    QCOMPARE(visible(text), visible(expected));
    QCOMPARE(written, diagnostics);
}

QTEST_GUILESS_MAIN(TestEncodedWords)
#include "tst_encodedwords.moc"
