#include "platform/charset.h"

#include <QTextCodec>
#include <QtTest>

class TestCharset : public QObject
{
    Q_OBJECT

private slots:
    void codecForCharset_data();
    void codecForCharset();
};

void TestCharset::codecForCharset_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<bool>("known");

    QTest::newRow("utf-8") << QByteArray("utf-8") << QByteArray("caf\xc3\xa9")
                           << QStringLiteral("caf\u00e9") << true;
    QTest::newRow("utf-8-upper-case") << QByteArray("UTF-8") << QByteArray("\xe2\x82\xac")
                                      << QStringLiteral("\u20ac") << true;
    QTest::newRow("latin1-double-quotes-and-blanks")
        << QByteArray("  \"ISO-8859-1\" ") << QByteArray("caf\xe9") << QStringLiteral("caf\u00e9")
        << true;
    QTest::newRow("latin1-single-quotes") << QByteArray("'iso-8859-1'") << QByteArray("\xe9")
                                          << QStringLiteral("\u00e9") << true;
    QTest::newRow("folded-line-end-and-tab") << QByteArray("\r\n\tiso-8859-1\r\n")
                                             << QByteArray("\xe9") << QStringLiteral("\u00e9")
                                             << true;
    QTest::newRow("windows-1252-euro-sign") << QByteArray("windows-1252") << QByteArray("\x80")
                                            << QStringLiteral("\u20ac") << true;
    // 81 41 lies outside EUC-KR; only the full Windows code page decodes it.
    QTest::newRow("ks_c_5601-1987-hangul") << QByteArray("ks_c_5601-1987")
                                           << QByteArray("\xb0\xa1") << QStringLiteral("\uac00")
                                           << true;
    QTest::newRow("ks_c_5601-1987-upper-case-quoted")
        << QByteArray("\"KS_C_5601-1987\"") << QByteArray("\xc7\xd1\xb1\xdb\x81\x41")
        << QStringLiteral("\ud55c\uae00\uac02") << true;
    QTest::newRow("cp949-extended-hangul") << QByteArray("cp949") << QByteArray("\x81\x41")
                                           << QStringLiteral("\uac02") << true;
    QTest::newRow("CP949-upper-case") << QByteArray("CP949") << QByteArray("\xb0\xa1")
                                      << QStringLiteral("\uac00") << true;
    QTest::newRow("unknown-name-gives-utf8") << QByteArray("x-no-such-charset")
                                             << QByteArray("caf\xc3\xa9")
                                             << QStringLiteral("caf\u00e9") << false;
    QTest::newRow("empty-name-gives-utf8") << QByteArray() << QByteArray("\xc3\xa9")
                                           << QStringLiteral("\u00e9") << false;
    QTest::newRow("only-quotes-and-blanks-gives-utf8")
        << QByteArray(" \"\" ") << QByteArray("\xc3\xa9") << QStringLiteral("\u00e9") << false;
}

void TestCharset::codecForCharset()
{
    QFETCH(QByteArray, charset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expectedText);
    QFETCH(bool, known);

    QTextCodec *codec = platform::codecForCharset(charset);
    QVERIFY(codec);
    QCOMPARE(codec->toUnicode(bytes), expectedText);
    QCOMPARE(platform::isKnownCharset(charset), known);
    if (!known)
        QCOMPARE(codec->mibEnum(), 106); // UTF-8
}

QTEST_GUILESS_MAIN(TestCharset)
#include "tst_charset.moc"
