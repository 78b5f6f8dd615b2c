// The one header reader: fields from the header block only, unfolded,
// names in any letter case, CR LF read as LF.

#include "scan/headerfields.h"
#include "support/globalsreset.h"

#include <QtTest>

#include <optional>

class TestHeaderFields : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void unfoldsValues_data();
    void unfoldsValues();
    void findsFieldsInHeaderBlock_data();
    void findsFieldsInHeaderBlock();
    void keepsFieldsBounded();
    void findsHeaderBlockEnd_data();
    void findsHeaderBlockEnd();
};

void TestHeaderFields::unfoldsValues_data()
{
    QTest::addColumn<QByteArray>("folded");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("one-line") << QByteArray(" Hello\n") << QByteArray("Hello");
    QTest::newRow("folded-with-blank") << QByteArray(" Hello\n World\n") << QByteArray("Hello World");
    QTest::newRow("folded-with-tab") << QByteArray(" Hello\n\tWorld\n") << QByteArray("Hello\tWorld");
    QTest::newRow("cr-lf-line-ends") << QByteArray(" Hello\r\n World\r\n") << QByteArray("Hello World");
    QTest::newRow("no-line-end") << QByteArray("Hello") << QByteArray("Hello");
    QTest::newRow("blanks-only") << QByteArray("  \n") << QByteArray();
}

void TestHeaderFields::unfoldsValues()
{
    QFETCH(QByteArray, folded);
    QFETCH(QByteArray, expected);
    QCOMPARE(headerfields::unfold(folded), expected);
}

void TestHeaderFields::findsFieldsInHeaderBlock_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("plain-field") << QByteArray("From: Anna <a@x.org>\nSubject: Hi\n\nBody\n")
                                 << QByteArray("Subject") << true << QByteArray("Hi");
    QTest::newRow("name-in-any-case") << QByteArray("SUBJECT: Hi\n\n") << QByteArray("Subject") << true
                                      << QByteArray("Hi");
    QTest::newRow("blank-before-colon") << QByteArray("Subject : Hi\n\n") << QByteArray("Subject") << true
                                        << QByteArray("Hi");
    QTest::newRow("folded-from-keeps-its-address")
        << QByteArray("From: Anna Berg\n <anna@x.org>\nTo: b@x.org\n\n") << QByteArray("From") << true
        << QByteArray("Anna Berg <anna@x.org>");
    QTest::newRow("first-of-two-wins") << QByteArray("Subject: one\nSubject: two\n\n") << QByteArray("Subject")
                                       << true << QByteArray("one");
    QTest::newRow("body-line-is-no-field") << QByteArray("From: a@x.org\n\nSubject: not this\n")
                                           << QByteArray("Subject") << false << QByteArray();
    QTest::newRow("cr-lf-header-block") << QByteArray("From: a@x.org\r\nSubject: Hi\r\n there\r\n\r\nSubject: no\r\n")
                                        << QByteArray("Subject") << true << QByteArray("Hi there");
    QTest::newRow("mbox-separator-and-count-lines-ignored")
        << QByteArray("From a@x.org Mon Jan  1 00:00:00 2024\n1234\nFrom: Anna\n\n") << QByteArray("From")
        << true << QByteArray("Anna");
    QTest::newRow("longer-name-is-another-field") << QByteArray("Subjects: x\n\n") << QByteArray("Subject")
                                                  << false << QByteArray();
    QTest::newRow("empty-value") << QByteArray("Subject:\nFrom: a\n\n") << QByteArray("Subject") << true
                                 << QByteArray();
    QTest::newRow("folded-to-end-without-line-end") << QByteArray("Subject: a\n b") << QByteArray("Subject")
                                                    << true << QByteArray("a b");
}

void TestHeaderFields::findsFieldsInHeaderBlock()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, name);
    QFETCH(bool, found);
    QFETCH(QByteArray, expected);
    const std::optional<QByteArray> value = headerfields::fieldValue(message, name);
    QCOMPARE(value.has_value(), found);
    if (found)
        QCOMPARE(*value, expected);
}

void TestHeaderFields::keepsFieldsBounded()
{
    headerfields::FieldCollector fields({QByteArrayLiteral("Subject")}, 10);
    QVERIFY(fields.take("Subject: 0123456789abcdef\n"));
    QVERIFY(fields.take(" more\n"));
    QVERIFY(!fields.take("\n"));
    QVERIFY(fields.isDone());
    // Ten bytes after the colon, its blank included.
    QCOMPARE(fields.value(0), QByteArray("012345678"));
}

void TestHeaderFields::findsHeaderBlockEnd_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("body");

    QTest::newRow("lf") << QByteArray("A: b\n\nbody") << 5 << 6;
    QTest::newRow("cr-lf") << QByteArray("A: b\r\n\r\nbody") << 6 << 8;
    QTest::newRow("no-empty-line") << QByteArray("A: b\nC: d") << 9 << 9;
    QTest::newRow("empty-first-line") << QByteArray("\nbody") << 0 << 1;
}

void TestHeaderFields::findsHeaderBlockEnd()
{
    QFETCH(QByteArray, message);
    QFETCH(int, end);
    QFETCH(int, body);
    int bodyStart = -1;
    QCOMPARE(headerfields::headerBlockEnd(message, 0, &bodyStart), end);
    QCOMPARE(bodyStart, body);
}

QTEST_GUILESS_MAIN(TestHeaderFields)
#include "tst_headerfields.moc"
