// Encoded words in header values: one word at a time, and whole values
// of the shapes real mail has.

#include "scan/encodedwords.h"
#include "support/globalsreset.h"

#include <QtTest>

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

    void decodesWholeWords_data();
    void decodesWholeWords();
    void decodesWordTextByLetter_data();
    void decodesWordTextByLetter();
    void decodesHeaderValues_data();
    void decodesHeaderValues();
};

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
        << QByteArray("=?windows-1252?Q?=80_5?=") << QStringLiteral("€ 5");
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

void TestEncodedWords::decodesHeaderValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain-value") << QByteArray("John Smith <js@example.org>")
                                 << QStringLiteral("John Smith <js@example.org>");
    QTest::newRow("q-underscore-is-a-blank") << QByteArray("=?utf-8?q?Ren=C3=A9_Dupont?=")
                                             << QStringLiteral("René Dupont");
    QTest::newRow("word-then-address") << QByteArray("=?UTF-8?Q?Jos=C3=A9?= <j@x.org>")
                                       << QStringLiteral("José <j@x.org>");
    QTest::newRow("word-inside-quotes") << QByteArray("\"=?utf-8?q?Ren=C3=A9?=\" <r@x.org>")
                                        << QStringLiteral("\"René\" <r@x.org>");
    QTest::newRow("word-after-plain-text") << QByteArray("Essai =?iso-8859-1?Q?accentu=E9?=")
                                           << QStringLiteral("Essai accentué");
    QTest::newRow("reply-prefix-then-latin-1-word") << QByteArray("Re: =?ISO-8859-1?Q?Caf=E9?=")
                                                    << QStringLiteral("Re: Café");
    QTest::newRow("b-word-ending-in-q-is-no-q-word") << QByteArray("=?UTF-8?B?w6lq?= <a@b.c>")
                                                     << QStringLiteral("éj <a@b.c>");
    QTest::newRow("blank-between-adjacent-words-dropped")
        << QByteArray("=?UTF-8?Q?Hello?= =?UTF-8?Q?World?=") << QStringLiteral("HelloWorld");
    QTest::newRow("unfolded-blank-between-words-dropped")
        << QByteArray("=?UTF-8?Q?Hello?=\t =?UTF-8?Q?World?=") << QStringLiteral("HelloWorld");
    QTest::newRow("text-between-words-kept") << QByteArray("=?utf-8?q?a?= b =?utf-8?q?c?=")
                                             << QStringLiteral("a b c");
    QTest::newRow("mixed-charsets") << QByteArray("=?iso-8859-1?q?caf=E9?= =?utf-8?b?w6k=?= =?koi8-r?b?8NLJ18XU?=")
                                    << QStringLiteral("cafééПривет");
    QTest::newRow("b-word-without-padding") << QByteArray("=?UTF-8?B?w6k?=") << QStringLiteral("é");
    QTest::newRow("b-word-with-padding") << QByteArray("=?UTF-8?B?w6k=?=") << QStringLiteral("é");
    QTest::newRow("language-suffix-ignored") << QByteArray("=?utf-8*fr?q?caf=C3=A9?=")
                                             << QStringLiteral("café");
    QTest::newRow("unknown-charset-reads-utf-8") << QByteArray("=?x-unknown?q?caf=C3=A9?=")
                                                 << QStringLiteral("café");
    QTest::newRow("korean-mail-client-charset") << QByteArray("=?ks_c_5601-1987?Q?=B0=A1?=")
                                                << QStringLiteral("가");
    QTest::newRow("word-glued-to-text") << QByteArray("abc=?utf-8?q?d?=e") << QStringLiteral("abcde");
    QTest::newRow("unknown-letter-stays") << QByteArray("=?UTF-8?X?abc?= x")
                                          << QStringLiteral("=?UTF-8?X?abc?= x");
    QTest::newRow("unclosed-word-stays") << QByteArray("Hi =?UTF-8?Q?abc") << QStringLiteral("Hi =?UTF-8?Q?abc");
    QTest::newRow("broken-word-then-good-word")
        << QByteArray("=?UTF-8?Q?a?b =?UTF-8?Q?c?=") << QStringLiteral("=?UTF-8?Q?a?b c");
    QTest::newRow("malformed-escape-stays") << QByteArray("=?UTF-8?Q?a=ZZb?=") << QStringLiteral("a=ZZb");
    QTest::newRow("openers-only") << QByteArray("=?=?=?=?") << QStringLiteral("=?=?=?=?");
}

void TestEncodedWords::decodesHeaderValues()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    QCOMPARE(visible(encodedwords::decodeHeaderValue(value)), visible(expected));
}

QTEST_GUILESS_MAIN(TestEncodedWords)
#include "tst_encodedwords.moc"
