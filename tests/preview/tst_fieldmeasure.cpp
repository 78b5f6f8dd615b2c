// Header-field measurement over the in-memory message: the counts a scratch
// copy read back in text mode would give, and never a count that runs past
// the message.

#include "app/mainwindow.h"
#include "preview/fieldmeasure.h"
#include "scan/qpdecode.h"
#include "support/globalsreset.h"

#include <QtTest>

class TestFieldMeasure : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void textModeLines_data();
    void textModeLines();
    void foldedField_data();
    void foldedField();
    void singleLine_data();
    void singleLine();
    void quotedName_data();
    void quotedName();
    void windowDecoderIsTheSharedOne_data();
    void windowDecoderIsTheSharedOne();
};

void TestFieldMeasure::textModeLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("expected");

    QTest::newRow("lf-lines") << QByteArray("a\nb\n") << QList<QByteArray>{"a\n", "b\n"};
    QTest::newRow("final-cr-lf-becomes-lf") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a\n", "b\n"};
    QTest::newRow("inner-cr-kept") << QByteArray("a\rb\r\r\n") << QList<QByteArray>{"a\rb\r\n"};
    QTest::newRow("last-line-without-line-feed") << QByteArray("a\nb") << QList<QByteArray>{"a\n", "b"};
    QTest::newRow("cr-at-end-kept") << QByteArray("a\r") << QList<QByteArray>{"a\r"};
    QTest::newRow("zero-byte-inside-line-kept")
        << QByteArray("a\0b\n", 4) << QList<QByteArray>{QByteArray("a\0b\n", 4)};
    QTest::newRow("empty-text") << QByteArray() << QList<QByteArray>{};
}

void TestFieldMeasure::textModeLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(preview::textLines(text), expected);
}

void TestFieldMeasure::foldedField_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<quint64>("fieldStart");
    QTest::addColumn<quint64>("expected");

    QTest::newRow("three-lines-lf") << QByteArray("\nFrom: a\n b\n\tc\nTo: x\n") << quint64(1) << quint64(14);
    QTest::newRow("three-lines-cr-lf")
        << QByteArray("\r\nFrom: a\r\n b\r\n\tc\r\nTo: x\r\n") << quint64(2) << quint64(17);
    QTest::newRow("field-ends-text") << QByteArray("\nSubject: hi") << quint64(1) << quint64(11);
    QTest::newRow("continuation-ends-text") << QByteArray("\nFrom: a\n b") << quint64(1) << quint64(10);
    QTest::newRow("empty-line-ends-field") << QByteArray("\nFrom: a\n\n b\n") << quint64(1) << quint64(8);
    QTest::newRow("cr-lf-blank-line-ends-field")
        << QByteArray("\r\nFrom: a\r\n\r\n b\r\n") << quint64(2) << quint64(9);
    QTest::newRow("lone-cr-is-no-line-end") << QByteArray("\nFrom: a\rb\nTo: c\n") << quint64(1) << quint64(10);
    QTest::newRow("field-on-first-line") << QByteArray("From: a\n b\nTo: x\n") << quint64(0) << quint64(11);
    QTest::newRow("zero-byte-ends-text") << QByteArray("\nFrom: a\0b\n", 11) << quint64(1) << quint64(7);
    QTest::newRow("start-behind-zero-byte")
        << QByteArray("\nFrom: a\0\nTo: b\n", 16) << quint64(10) << quint64(0);
    QTest::newRow("start-at-end-of-text") << QByteArray("\nFrom: a") << quint64(8) << quint64(0);
    QTest::newRow("start-far-behind-text") << QByteArray("\nFrom: a") << quint64(~0ULL) << quint64(0);
}

void TestFieldMeasure::foldedField()
{
    QFETCH(QByteArray, message);
    QFETCH(quint64, fieldStart);
    QFETCH(quint64, expected);
    const quint64 count = preview::measureFoldedField(message, fieldStart);
    QCOMPARE(count, expected);
    if (count > 0)
        QVERIFY(fieldStart + count <= quint64(message.size()));
}

void TestFieldMeasure::singleLine_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<quint64>("start");
    QTest::addColumn<quint64>("bufferLength");
    QTest::addColumn<quint64>("expected");

    const QByteArray charset("charset=utf-8\nX");
    QTest::newRow("charset-line") << charset << quint64(0) << quint64(charset.size()) << quint64(13);
    QTest::newRow("no-line-feed-before-bound")
        << QByteArray("charset=utf-8") << quint64(0) << quint64(13) << quint64(11);
    QTest::newRow("line-feed-as-last-byte-not-looked-at")
        << QByteArray("abc\n") << quint64(0) << quint64(4) << quint64(2);
    QTest::newRow("start-in-middle") << QByteArray("xx: b64\nrest") << quint64(2) << quint64(12) << quint64(5);
    QTest::newRow("start-on-last-byte-gives-zero") << QByteArray("abc") << quint64(2) << quint64(3) << quint64(0);
    QTest::newRow("start-behind-buffer-gives-zero") << QByteArray("abc") << quint64(10) << quint64(3) << quint64(0);
    QTest::newRow("buffer-length-clamped-to-message")
        << QByteArray("ab\ncd") << quint64(0) << quint64(1000) << quint64(2);
}

void TestFieldMeasure::singleLine()
{
    QFETCH(QByteArray, message);
    QFETCH(quint64, start);
    QFETCH(quint64, bufferLength);
    QFETCH(quint64, expected);
    const quint64 count = preview::measureToLineEnd(message, start, bufferLength);
    QCOMPARE(count, expected);
    QVERIFY(count == 0 || start + count <= quint64(message.size()));
}

void TestFieldMeasure::quotedName_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<quint64>("start");
    QTest::addColumn<quint64>("expected");

    QTest::newRow("second-pair-ends-name")
        << QByteArray("filename=\"a.pdf\"\nx\"\nEnd") << quint64(0) << quint64(17);
    QTest::newRow("start-in-middle")
        << QByteArray("; filename=\"a.pdf\"\nx\"\nEnd") << quint64(2) << quint64(17);
    QTest::newRow("cr-lf-has-no-pair-runs-to-bound")
        << QByteArray("filename=\"a.pdf\"\r\nX\r\n") << quint64(0) << quint64(17);
    QTest::newRow("second-search-cannot-start")
        << QByteArray("filename=\"a\"\nX") << quint64(0) << quint64(10);
    QTest::newRow("pair-too-near-the-end-not-seen")
        << QByteArray("filename=\"a\"\n") << quint64(0) << quint64(9);
    QTest::newRow("tiny-buffer-gives-zero") << QByteArray("ab") << quint64(0) << quint64(0);
    QTest::newRow("start-behind-buffer-gives-zero") << QByteArray("ab") << quint64(5) << quint64(0);
}

void TestFieldMeasure::quotedName()
{
    QFETCH(QByteArray, message);
    QFETCH(quint64, start);
    QFETCH(quint64, expected);
    const quint64 count = preview::measureQuotedName(message, start, quint64(message.size()));
    QCOMPARE(count, expected);
    QVERIFY(count == 0 || start + count <= quint64(message.size()));
}

void TestFieldMeasure::windowDecoderIsTheSharedOne_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("latin-1-escape") << QStringLiteral("caf=E9") << QByteArray("caf\xe9");
    QTest::newRow("escaped-equals") << QStringLiteral("a=3Db") << QByteArray("a=b");
    QTest::newRow("lower-case-digits") << QStringLiteral("=3d") << QByteArray("=");
    QTest::newRow("colon-counts-zero") << QStringLiteral("=3:") << QByteArray("\x30");
    QTest::newRow("double-equals") << QStringLiteral("==41") << QByteArray("\x04" "1");
    QTest::newRow("underscore-stays") << QStringLiteral("a_b") << QByteArray("a_b");
    QTest::newRow("beyond-latin-1-gives-zero") << QStringLiteral("a\u4e2d") << QByteArray("a\0", 2);
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestFieldMeasure::windowDecoderIsTheSharedOne()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(QConverterMainWindow::QDecode(text), expected);
    QCOMPARE(QConverterMainWindow::QDecode(text), qDecode(text));
}

QTEST_GUILESS_MAIN(TestFieldMeasure)
#include "tst_fieldmeasure.moc"
