// The quoted-printable decoder shared by every header reader.

#include "scan/messagesavingthread.h"
#include "scan/qpdecode.h"
#include "support/globalsreset.h"

#include <QtTest>

class TestQDecode : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void decodesByDigitTable_data();
    void decodesByDigitTable();
    void memberGivesTheSameBytes();
    void rawBytesPassUnchanged_data();
    void rawBytesPassUnchanged();
};

void TestQDecode::decodesByDigitTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty-text") << QString() << QByteArray();
    QTest::newRow("plain-text-copied") << QStringLiteral("Hello, world") << QByteArray("Hello, world");
    QTest::newRow("upper-case-escape") << QStringLiteral("=41") << QByteArray("A");
    QTest::newRow("lower-case-escape") << QStringLiteral("=4a") << QByteArray("\x4a");
    QTest::newRow("mixed-case-escapes") << QStringLiteral("Caf=c3=A9!") << QByteArray("Caf\xc3\xa9!");
    QTest::newRow("escaped-equals-not-decoded-again") << QStringLiteral("=3D41") << QByteArray("=41");
    QTest::newRow("high-byte") << QStringLiteral("=FF") << QByteArray("\xff");
    QTest::newRow("colon-inside-table-counts-zero") << QStringLiteral("=:0") << QByteArray("\0", 1);
    QTest::newRow("at-sign-inside-table-counts-zero") << QStringLiteral("=@1") << QByteArray("\x01");
    QTest::newRow("letter-beyond-F-counts-zero") << QStringLiteral("=G1x") << QByteArray("\x01x");
    QTest::newRow("blank-below-table-counts-zero") << QStringLiteral("= 4") << QByteArray("\x04");
    QTest::newRow("lower-case-beyond-f-counts-zero") << QStringLiteral("=1z") << QByteArray("\x10");
    QTest::newRow("equals-at-end-ends-decoding") << QStringLiteral("ab=") << QByteArray("ab");
    QTest::newRow("equals-one-before-end-ends-decoding") << QStringLiteral("ab=4") << QByteArray("ab");
    QTest::newRow("lone-equals") << QStringLiteral("=") << QByteArray();
    QTest::newRow("soft-line-break-not-special")
        << QStringLiteral("ab=\r\ncd") << QByteArray("ab\0cd", 5);
    QTest::newRow("underscore-kept") << QStringLiteral("a_b") << QByteArray("a_b");
    QTest::newRow("latin-1-character-one-byte") << QStringLiteral("caf\u00e9") << QByteArray("caf\xe9");
    QTest::newRow("non-latin-1-character-zero-byte")
        << QStringLiteral("x\u4e2dy") << QByteArray("x\0y", 3);
    QTest::newRow("non-latin-1-digits-count-zero")
        << QStringLiteral("=\u0661\u0662!") << QByteArray("\0!", 2);
}

void TestQDecode::decodesByDigitTable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(qDecode(text), expected);
}

void TestQDecode::memberGivesTheSameBytes()
{
    const QString text = QStringLiteral("Gr=C3=BC=DFe_aus=20K=f6ln=");
    QCOMPARE(QMessageSavingThread::QDecode(text), QByteArray("Gr\xc3\xbc\xdf" "e_aus K\xf6ln"));
}

void TestQDecode::rawBytesPassUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("utf-8-bytes-outside-escapes") << QByteArray("\xc3\xa9=41") << QByteArray("\xc3\xa9" "A");
    QTest::newRow("zero-byte-kept") << QByteArray("a\0b=42", 6) << QByteArray("a\0bB", 4);
    QTest::newRow("high-bytes-in-escape-count-zero") << QByteArray("=\xc3\xa9x") << QByteArray("\0x", 2);
}

void TestQDecode::rawBytesPassUnchanged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QCOMPARE(qDecodeBytes(bytes), expected);
}

QTEST_GUILESS_MAIN(TestQDecode)
#include "tst_qdecode.moc"
