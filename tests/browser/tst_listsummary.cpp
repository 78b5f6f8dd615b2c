// The two summary lines of a message file in the message list: the sender
// and the subject from the header block, unfolded, encoded words decoded.

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

    void findsFirstHeaders_data();
    void findsFirstHeaders();
    void readsLinesBounded();
    void summarizesFilesOnDisk();
};

void TestListSummary::findsFirstHeaders_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("hasRow");

    QTest::newRow("header-block") << QByteArray("Date: x\nFrom: Anna <a@example.com>\nSubject: Hi\n\nBody\n")
                                  << QStringLiteral("Anna <a@example.com>") << QStringLiteral("Hi") << true;
    QTest::newRow("first-of-two-wins")
        << QByteArray("From: First\nSubject: One\nFrom: Second\nSubject: Two\n")
        << QStringLiteral("First") << QStringLiteral("One") << true;
    QTest::newRow("body-line-never-taken-for-a-missing-header")
        << QByteArray("Subject: Fwd\n\n> x\nFrom: Quoted <q@example.com>\nSubject: body\n") << QString()
        << QStringLiteral("Fwd") << true;
    QTest::newRow("mbox-separator-is-no-from-line")
        << QByteArray("From anna@example.com Mon Jan  1 00:00:00 2024\nSubject: S\n") << QString()
        << QStringLiteral("S") << true;
    QTest::newRow("emlx-byte-count-line-ignored")
        << QByteArray("1234      \nFrom: Anna\nSubject: S\n\n") << QStringLiteral("Anna")
        << QStringLiteral("S") << true;
    QTest::newRow("folded-from-keeps-address-and-subject-shows")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\n <c@example.com>\nSubject: =?UTF-8?Q?Th=C3=A9?=\n")
        << QStringLiteral("Café <c@example.com>") << QStringLiteral("Thé") << true;
    QTest::newRow("q-word-underscore-is-a-blank")
        << QByteArray("From: =?utf-8?q?Ren=C3=A9_Dupont?= <r@x.org>\nSubject: x\n\n")
        << QStringLiteral("René Dupont <r@x.org>") << QStringLiteral("x") << true;
    QTest::newRow("header-folded-to-end-of-file")
        << QByteArray("Subject: a\n b") << QString() << QStringLiteral("a b") << true;
    QTest::newRow("lower-case-header-names") << QByteArray("from: Anna\nsubject: Hi\n")
                                             << QStringLiteral("Anna") << QStringLiteral("Hi") << true;
    QTest::newRow("zero-byte-ends-the-line-text")
        << QByteArray("From: An\0na\nSubject: S\n", 23) << QStringLiteral("An") << QStringLiteral("S") << true;
    QTest::newRow("zero-byte-before-encoded-word-markers")
        << QByteArray("From: A\nSubject: =\0?x?Q?a=0Ab?=\n", 32) << QStringLiteral("A") << QStringLiteral("=")
        << true;
    QTest::newRow("zero-byte-first-line-ends-no-header-block")
        << QByteArray("From: A\n\0\nSubject: S\n", 21) << QStringLiteral("A") << QStringLiteral("S") << true;
    QTest::newRow("cr-lf-line-ends")
        << QByteArray("From: =?UTF-8?Q?Caf=C3=A9?=\r\n\t<c@example.com>\r\nSubject: S\r\n\r\n")
        << QStringLiteral("Café\t<c@example.com>") << QStringLiteral("S") << true;
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

void TestListSummary::readsLinesBounded()
{
    QBuffer buffer;
    const QByteArray longLine(listsummary::kLineByteLimit + 10, 'x');
    buffer.setData("a\r\n" + longLine + QByteArray("\nb\0c\nlast", 9));
    buffer.open(QIODevice::ReadOnly);
    QList<QByteArray> lines;
    QByteArray line;
    while (listsummary::readHeaderLine(buffer, &line))
        lines.append(line);
    QCOMPARE(lines, (QList<QByteArray>{"a\r\n", longLine.left(listsummary::kLineByteLimit) + '\n', "b", "last"}));
    QVERIFY(line.isEmpty());

    // A file without any line feed is read a piece at a time, never whole.
    QBuffer endless;
    endless.setData("Subject: " + QByteArray(3 * listsummary::kLineByteLimit, 'y'));
    endless.open(QIODevice::ReadOnly);
    const MessageSummary summary = listsummary::summarizeMessage(endless);
    QVERIFY(summary.subjectFound);
    QVERIFY(summary.subject.size() < listsummary::kLineByteLimit);
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
    QCOMPARE(summary.displayText(), QStringLiteral("Anna\nCafé"));

    MessageSummary untouched;
    untouched.sender = QStringLiteral("kept");
    QVERIFY(!listsummary::summarizeMessageFile(dir.filePath(QStringLiteral("missing.emlx")), &untouched));
    QCOMPARE(untouched.sender, QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(TestListSummary)
#include "tst_listsummary.moc"
