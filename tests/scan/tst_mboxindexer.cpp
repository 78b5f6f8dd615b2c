// The mbox message indexer: separator lines, byte ranges, sender and
// subject of every message, and the MboxMbx list it fills.

#include "app/appglobals.h"
#include "scan/mboxdiscovery.h"
#include "scan/mboxindexer.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"
#include "support/outputcapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using mboxindex::IndexStatus;
using mboxindex::MboxMessage;

Q_DECLARE_METATYPE(MboxMessage)
Q_DECLARE_METATYPE(IndexStatus)

namespace {

// One message of a fixture: its text with "\n" line ends and what the
// indexer should make of its sender and subject.
struct Part {
    Part() = default;
    Part(const QByteArray &text, const char *from, const QString &subject)
        : text(text), from(QString::fromUtf8(from)), subject(subject)
    {
    }
    Part(const QByteArray &text, const char *from, const char *subject)
        : Part(text, from, QString::fromUtf8(subject))
    {
    }

    QByteArray text;
    QString from;
    QString subject;
};

QByteArray withLineEnds(const QByteArray &text, bool crLf)
{
    QByteArray converted = text;
    if (crLf)
        converted.replace("\n", "\r\n");
    return converted;
}

// Line ends, tabs and zero characters made visible.
QString visible(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    shown.replace(QChar(0), QStringLiteral("\\0"));
    return shown;
}

QStringList describe(const QVector<MboxMessage> &messages)
{
    QStringList lines;
    for (const MboxMessage &message : messages)
        lines.append(QStringLiteral("@%1+%2 from[%3] subject[%4]")
                         .arg(message.offset)
                         .arg(message.length)
                         .arg(visible(message.from), visible(message.subject)));
    return lines;
}

// The whole list as text, one line per node.
QStringList describeList()
{
    QStringList lines;
    for (const MboxMbx *node = TmpMboxMbxPtrStart; node; node = node->pNext) {
        if (mboxindex::isEmptyNode(*node)) {
            lines.append(QStringLiteral("<empty>"));
            continue;
        }
        lines.append(QStringLiteral("%1 @%2+%3 from[%4] subject[%5] location[%6]")
                         .arg(QFileInfo(node->szFilePath).fileName())
                         .arg(node->llOffset)
                         .arg(node->llLength)
                         .arg(visible(node->szFrom), visible(node->szSubject), node->szLocation));
    }
    return lines;
}

const QByteArray kSep1 = "From alice@example.org Mon Jan  1 10:00:00 2024\n";
const QByteArray kSep2 = "From bob@example.org Tue Jan  2 11:00:00 2024\n";
const QByteArray kSep3 = "From - Wed Jan  3 12:00:00 2024\n";

// A mailbox of many messages with header-like body lines, folded and
// encoded headers, separator look-alikes, long and empty lines, made from
// a fixed seed so that every run gets the same bytes.
QByteArray generatedMailbox(quint32 seed, int messages, bool crLf)
{
    quint32 state = seed;
    auto next = [&state](quint32 bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    const QList<QByteArray> bodyLines{
        "Some text of the message body.", "from the start", "Subject to change", "so it goes",
        "For what it is worth", "From now on we meet on Mon mornings", "From here, no weekday",
        ">From Mon quoted", "S", "f", "F", "", "sender: x", QByteArray(90, 'w'),
        "=?UTF-8?Q?not_a_header?=", "Fri Sat Sun", "\tindented", " blank first"};
    const QList<QByteArray> subjects{"Subject: plain words", "SUBJECT: =?UTF-8?Q?Caf=C3=A9?=",
                                     "Subject: =?iso-8859-1?B?Y2Fm6Q==?=", "subject:",
                                     "Subject: folded\n  over two lines",
                                     "Subject: =?UTF-8?Q?one?=\n =?UTF-8?Q?_two?="};
    const QList<QByteArray> senders{"From: Alice <a@example.org>", "from: =?UTF-8?Q?Jos=C3=A9?= <j@x>",
                                    "From: \"=?UTF-8?Q?Ana?=\" <a@x>", "FROM: Bob",
                                    "From: Carol\n\t<carol@example.org>"};
    const QList<QByteArray> separators{"From - Mon Jan  1 10:00:00 2024", "From a@b Tue Feb  2 11:00:00 2024",
                                       "From x Sun"};
    QByteArray mailbox;
    for (int message = 0; message < messages; ++message) {
        QByteArray text = separators.at(int(next(uint(separators.size())))) + '\n';
        text += "Received: from somewhere\n\tby elsewhere\n";
        if (next(5) != 0)
            text += senders.at(int(next(uint(senders.size())))) + '\n';
        text += "To: someone\n";
        if (next(4) != 0)
            text += subjects.at(int(next(uint(subjects.size())))) + '\n';
        text += '\n';
        const int lines = int(next(60));
        for (int line = 0; line < lines; ++line)
            text += bodyLines.at(int(next(uint(bodyLines.size())))) + '\n';
        mailbox += text;
    }
    if (crLf)
        mailbox.replace("\n", "\r\n");
    return mailbox;
}

// One call of the progress hook, as text.
QString describeStep(const mboxindex::IndexProgress &read)
{
    return QStringLiteral("%1+%2/%3 done %4 current @%5+%6 [%7] [%8]")
        .arg(read.bytesRead)
        .arg(read.linesRead)
        .arg(read.fileSize)
        .arg(read.messagesDone)
        .arg(read.current.offset)
        .arg(read.current.length)
        .arg(visible(read.current.from), visible(read.current.subject));
}

} // namespace

Q_DECLARE_METATYPE(Part)

class TestMboxIndexer : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void indexesMessages_data();
    void indexesMessages();
    void reportsFilesItDoesNotIndex_data();
    void reportsFilesItDoesNotIndex();
    void reportsEntriesThatDoNotOpen();
    void fitsTextFields_data();
    void fitsTextFields();
    void cutsLongSubjectsAtTheField_data();
    void cutsLongSubjectsAtTheField();
    void fillsTheListAcrossFiles();
    void keepsWholePathsInNodes();
    void diagnosticLinesLogOnlyWhenAsked_data();
    void diagnosticLinesLogOnlyWhenAsked();
    void reportsProgressAndStops();
    void survivesGarbage_data();
    void survivesGarbage();
    void sameMessagesWhateverTheBlocks_data();
    void sameMessagesWhateverTheBlocks();
    void callsProgressWhenDue_data();
    void callsProgressWhenDue();
    void progressDueKeepsWholePercentSteps();
    void replaysAWorkersIndexing_data();
    void replaysAWorkersIndexing();
    void scansAlikeOnWorkerThreads_data();
    void scansAlikeOnWorkerThreads();

private:
    QString writeFile(const QString &name, const QByteArray &content);

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestMboxIndexer::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestMboxIndexer::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

void TestMboxIndexer::indexesMessages_data()
{
    QTest::addColumn<QList<Part>>("parts");

    QTest::newRow("one-message") << QList<Part>{
        {kSep1 + "From: Alice <alice@example.org>\nSubject: Hello\n\nbody\n",
         "Alice <alice@example.org>", "Hello"}};
    QTest::newRow("three-messages") << QList<Part>{
        {kSep1 + "From: A\nSubject: one\n\nbody one\n", "A", "one"},
        {kSep2 + "Subject: two\nFrom: B\n\nbody two\n\n", "B", "two"},
        {kSep3 + "From: C\n\nno subject\n", "C", ""}};
    QTest::newRow("first-line-needs-no-weekday") << QList<Part>{
        {"From x\nSubject: s\n\nb\n", "", "s"}, {kSep2 + "\nb\n", "", ""}};
    QTest::newRow("body-from-without-weekday-stays-in-message") << QList<Part>{
        {kSep1 + "Subject: s\n\nFrom here on we go Monday.\nFrom x Mon\n>From y Mon z\nfrom x Mon y\n", "", "s"}};
    QTest::newRow("body-from-with-weekday-starts-message") << QList<Part>{
        {kSep1 + "Subject: s\n\nhi\n", "", "s"}, {"From now on Sun is free\nmore\n", "", ""}};
    QTest::newRow("header-right-before-separator") << QList<Part>{
        {kSep1 + "Subject: first\n", "", "first"}, {kSep2 + "Subject: second\n", "", "second"}};
    QTest::newRow("folded-header-right-before-separator") << QList<Part>{
        {kSep1 + "Subject: first\n part\n", "", "first part"}, {kSep2 + "\nb\n", "", ""}};
    QTest::newRow("folded-subject-plain") << QList<Part>{
        {kSep1 + "Subject: Hello\n World\n\tagain\nFrom: X\n\nb\n", "X", "Hello World\tagain"}};
    QTest::newRow("folded-subject-of-encoded-words") << QList<Part>{
        {kSep1 + "Subject: =?UTF-8?Q?Caf=C3=A9?=\n =?UTF-8?B?IGF1IGxhaXQ=?=\n\nb\n", "", "Café au lait"}};
    QTest::newRow("sender-decoded-and-first-line-kept") << QList<Part>{
        {kSep1 + "From: =?UTF-8?Q?Jos=C3=A9?=\n\t<jose@example.org>\n\nb\n", "José\t<jose@example.org>", ""}};
    QTest::newRow("body-line-never-taken-for-a-missing-sender") << QList<Part>{
        {kSep1 + "Subject: s\n\nfrom: someone quoted\n", "", "s"}};
    QTest::newRow("q-word-underscore-is-a-blank") << QList<Part>{
        {kSep1 + "From: =?utf-8?q?Ren=C3=A9_Dupont?= <r@x.org>\nSubject: Essai =?iso-8859-1?Q?accentu=E9?=\n\nb\n",
         "René Dupont <r@x.org>", "Essai accentué"}};
    QTest::newRow("folded-sender-keeps-its-address") << QList<Part>{
        {kSep1 + "From: Anna Berg\n <anna@x.org>\n\nb\n", "Anna Berg <anna@x.org>", ""}};
    QTest::newRow("second-headers-ignored") << QList<Part>{
        {kSep1 + "From: first\nSubject: one\nFrom: second\nSubject: two\n\nb\n", "first", "one"}};
    QTest::newRow("each-message-takes-its-own-headers") << QList<Part>{
        {kSep1 + "From: first\n\nb\n", "first", ""}, {kSep2 + "\nb\n", "", ""}};
    QTest::newRow("empty-sender-and-bare-subject") << QList<Part>{
        {kSep1 + "From: \nSubject:\n\nb\n", "", ""}};
    QTest::newRow("header-folded-to-end-of-file-without-line-end") << QList<Part>{
        {kSep1 + "\nb\n", "", ""}, {kSep2 + "Subject: a\n b", "", "a b"}};
    QTest::newRow("subject-is-last-line") << QList<Part>{{kSep1 + "Subject: last\n", "", "last"}};
    QTest::newRow("zero-byte-in-header-cuts-nothing") << QList<Part>{
        {kSep1 + QByteArray("Subject: a\0b\n\nb\n", 16), "", "ab"}};
    QTest::newRow("invalid-utf-8-in-plain-subject") << QList<Part>{
        {kSep1 + "Subject: caf\xe9\n\nb\n", "", QStringLiteral("caf\ufffd")}};
    QTest::newRow("utf-8-broken-at-the-end-of-a-folded-line") << QList<Part>{
        {kSep1 + "Subject: caf\xc3\n \xa9t\xc3\xa9\n\nb\n", "", QStringLiteral("caf\ufffd \ufffdt\u00e9")}};
    // Lines the indexer steps over in bulk: long runs of body lines, with
    // lines beginning "f", "F", "s" or "S" that only count while their
    // header is still missing.
    const QByteArray run = QByteArray("a plain body line that is longer than one vector\n").repeated(5);
    QTest::newRow("body-lines-like-headers-after-both-taken") << QList<Part>{
        {kSep1 + "From: A\nSubject: one\n\n" + run + "from: not me\nsubject: not this\nFor a while\n" + run
             + "So long\nFrom x Mon\n" + run,
         "A", "one"},
        {kSep2 + "\n" + run, "", ""}};
    QTest::newRow("no-subject-from-body-after-long-run") << QList<Part>{
        {kSep1 + "From: A\n\n" + run + "SUBJECT: not a header\n" + run, "A", ""}};
    QTest::newRow("header-names-in-any-case") << QList<Part>{
        {kSep1 + "FROM: found\nsubject: s\n\n" + run, "found", "s"}};
    QTest::newRow("separator-after-long-run-and-lone-line-ends") << QList<Part>{
        {kSep1 + "Subject: s\n\n" + run + QByteArray(40, '\n'), "", "s"},
        {kSep3 + run + "Fri\n" + QByteArray(70, 'x') + "\n", "", ""},
        {"From y Sat \n" + run, "", ""}};
    QTest::newRow("separator-at-the-end-of-a-long-line") << QList<Part>{
        {kSep1 + QByteArray(100, 'z') + "\n", "", ""}, {"From " + QByteArray(100, 'q') + " Sun \n", "", ""}};
}

void TestMboxIndexer::indexesMessages()
{
    QFETCH(QList<Part>, parts);

    for (const bool crLf : {false, true}) {
        QByteArray content;
        QVector<MboxMessage> expected;
        for (const Part &part : parts) {
            const QByteArray text = withLineEnds(part.text, crLf);
            expected.append(MboxMessage{content.size(), text.size(), part.from, part.subject});
            content += text;
        }
        const QString path = writeFile(crLf ? QStringLiteral("crlf") : QStringLiteral("lf"), content);
        // Small blocks put line and header ends across block boundaries.
        for (const int blockSize : {1 << 20, 7, 1}) {
            const QString context = QStringLiteral("%1 line ends, blocks of %2")
                                        .arg(crLf ? QStringLiteral("CR LF") : QStringLiteral("LF"))
                                        .arg(blockSize);
            mboxindex::IndexOptions options;
            options.blockSize = blockSize;
            QVector<MboxMessage> messages;
            QCOMPARE(mboxindex::collectMboxMessages(path, messages, options), IndexStatus::Indexed);
            QVERIFY2(describe(messages) == describe(expected),
                     qPrintable(context + QStringLiteral("\n got: ") + describe(messages).join(QStringLiteral("\n      "))
                                + QStringLiteral("\n want: ") + describe(expected).join(QStringLiteral("\n      "))));
        }
    }
}

void TestMboxIndexer::reportsFilesItDoesNotIndex_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<IndexStatus>("status");

    QTest::newRow("empty-file") << QByteArray() << IndexStatus::NotMbox;
    QTest::newRow("first-line-lower-case-from") << QByteArray("from x Mon y\nFrom: a\n\nb\n") << IndexStatus::NotMbox;
    QTest::newRow("first-line-from-without-blank") << QByteArray("From\nb\n") << IndexStatus::NotMbox;
    QTest::newRow("first-line-from-tab") << QByteArray("From\tx\nb\n") << IndexStatus::NotMbox;
    QTest::newRow("first-line-header") << QByteArray("From: a\nSubject: s\n\nb\n") << IndexStatus::NotMbox;
    QTest::newRow("single-line-with-line-end") << kSep1 << IndexStatus::NotMbox;
    QTest::newRow("single-line-without-line-end") << kSep1.left(kSep1.size() - 1) << IndexStatus::NotMbox;
    QTest::newRow("two-lines-indexed") << kSep1 + "x" << IndexStatus::Indexed;
}

void TestMboxIndexer::reportsFilesItDoesNotIndex()
{
    QFETCH(QByteArray, content);
    QFETCH(IndexStatus, status);

    const QString path = writeFile(QStringLiteral("box"), content);
    QVector<MboxMessage> messages;
    QCOMPARE(mboxindex::collectMboxMessages(path, messages), status);
    QCOMPARE(messages.isEmpty(), status != IndexStatus::Indexed);
    MboxMbx *head = nullptr;
    MboxMbx *tail = nullptr;
    QCOMPARE(mboxindex::appendMboxToList(path, head, tail), status);
    QCOMPARE(head == nullptr, status != IndexStatus::Indexed);
    TmpMboxMbxPtrStart = head;
    TmpMboxMbxPtrEnd = tail;
    releaseMboxMbxList();
}

void TestMboxIndexer::reportsEntriesThatDoNotOpen()
{
    QVector<MboxMessage> messages;
    QCOMPARE(mboxindex::collectMboxMessages(m_dir->path(), messages), IndexStatus::NotAFile);
    QCOMPARE(mboxindex::collectMboxMessages(m_dir->filePath(QStringLiteral("missing")), messages),
             IndexStatus::OpenFailed);
    QCOMPARE(mboxindex::collectMboxMessages(QString(), messages), IndexStatus::OpenFailed);
    QVERIFY(messages.isEmpty());

    if (::geteuid() == 0)
        QSKIP("permissions do not bind the super-user");
    const QString locked = writeFile(QStringLiteral("locked"), kSep1 + "\nb\n");
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    QCOMPARE(mboxindex::collectMboxMessages(locked, messages), IndexStatus::OpenFailed);
    QVERIFY(messages.isEmpty());
}

void TestMboxIndexer::fitsTextFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString a254(254, QLatin1Char('a'));
    const QString smile = QStringLiteral("\U0001F600");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("254-units-kept") << a254 << a254;
    QTest::newRow("255-units-cut-to-254") << a254 + QLatin1Char('b') << a254;
    QTest::newRow("surrogate-pair-inside-kept") << a254.left(252) + smile << a254.left(252) + smile;
    QTest::newRow("surrogate-pair-across-cut-dropped") << a254.left(253) + smile << a254.left(253);
    QTest::newRow("zero-character-ends-field")
        << QStringLiteral("Hello?").append(QChar(0)).append(QStringLiteral("World")) << QStringLiteral("Hello?");
}

void TestMboxIndexer::fitsTextFields()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(mboxindex::fitTextField(text), expected);
}

void TestMboxIndexer::cutsLongSubjectsAtTheField_data()
{
    QTest::addColumn<QByteArray>("encodedText");
    QTest::addColumn<QString>("expected");

    const QByteArray a253(253, 'a');
    QTest::newRow("254-units") << a253 + "b" << QString::fromLatin1(a253 + "b");
    QTest::newRow("255-units") << a253 + "bc" << QString::fromLatin1(a253 + "b");
    QTest::newRow("surrogate-pair-at-cut") << a253 + "=F0=9F=98=80" << QString::fromLatin1(a253);
    QTest::newRow("surrogate-pair-before-cut")
        << a253.left(252) + "=F0=9F=98=80" << QString::fromLatin1(a253.left(252)) + QStringLiteral("\U0001F600");
}

void TestMboxIndexer::cutsLongSubjectsAtTheField()
{
    QFETCH(QByteArray, encodedText);
    QFETCH(QString, expected);

    const QByteArray subject = "Subject: =?UTF-8?Q?" + encodedText + "?=\n";
    const QByteArray from = "From: =?UTF-8?Q?" + encodedText + "?=\n";
    const QString path = writeFile(QStringLiteral("long"), kSep1 + subject + from + "\nb\n");
    QVector<MboxMessage> messages;
    QCOMPARE(mboxindex::collectMboxMessages(path, messages), IndexStatus::Indexed);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().subject, expected);
    QCOMPARE(messages.first().from, expected);
}

void TestMboxIndexer::fillsTheListAcrossFiles()
{
    const QByteArray firstMessage = kSep1 + "From: A\nSubject: one\n\nb\n";
    const QString first =
        writeFile(QStringLiteral("Inbox.mbox/mbox"), firstMessage + kSep2 + "From: B\n\nb\n");
    const QString notMbox = writeFile(QStringLiteral("notes.txt"), "plain text\nmore\n");
    const QString second = writeFile(QStringLiteral("Sent.mbox/mbox"), kSep3 + "Subject: three\n\nb\n");
    const qint64 firstSize = QFileInfo(first).size();
    const qint64 secondOffset = firstMessage.size();

    QMessageSavingThread thread;
    thread.GetAllFieldsForTree(first);
    QCOMPARE(describeList(), (QStringList{
        QStringLiteral("mbox @0+%1 from[A] subject[one] location[]").arg(secondOffset),
        QStringLiteral("mbox @%1+%2 from[B] subject[] location[]").arg(secondOffset).arg(firstSize - secondOffset),
        QStringLiteral("<empty>")}));
    MboxMbx *const endNode = TmpMboxMbxPtrEnd;

    // Entries that are no mbox files leave the list as it is.
    thread.GetAllFieldsForTree(notMbox);
    thread.GetAllFieldsForTree(m_dir->path());
    thread.GetAllFieldsForTree(m_dir->filePath(QStringLiteral("missing")));
    QCOMPARE(TmpMboxMbxPtrEnd, endNode);
    QCOMPARE(describeList().size(), 3);

    // The next file's first message fills the empty end node.
    thread.GetAllFieldsForTree(second);
    QCOMPARE(describeList(), (QStringList{
        QStringLiteral("mbox @0+%1 from[A] subject[one] location[]").arg(secondOffset),
        QStringLiteral("mbox @%1+%2 from[B] subject[] location[]").arg(secondOffset).arg(firstSize - secondOffset),
        QStringLiteral("mbox @0+%1 from[] subject[three] location[]").arg(QFileInfo(second).size()),
        QStringLiteral("<empty>")}));
    const MboxMbx *third = TmpMboxMbxPtrStart->pNext->pNext;
    QCOMPARE(third, endNode);
    QCOMPARE(third->szFilePath, second);
    QCOMPARE(TmpMboxMbxPtrStart->szFilePath, first);
    QVERIFY(TmpMboxMbxPtrEnd->pNext == nullptr);
}

void TestMboxIndexer::keepsWholePathsInNodes()
{
    // Deeper than the 511 units a fixed-width path field would keep.
    QString relative;
    for (int level = 0; level < 6; ++level)
        relative += QString(100, QLatin1Char('d' + level)) + QLatin1Char('/');
    const QString path = writeFile(relative + QStringLiteral("mbox"), kSep1 + "Subject: deep\n\nb\n");
    QVERIFY(path.size() > 600);

    QCOMPARE(mboxindex::appendMboxToList(path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd), IndexStatus::Indexed);
    QVERIFY(TmpMboxMbxPtrStart);
    QCOMPARE(TmpMboxMbxPtrStart->szFilePath, path);
    QVERIFY(TmpMboxMbxPtrStart->szLocation.isEmpty());
}

void TestMboxIndexer::diagnosticLinesLogOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("whileScanning");
    QTest::addColumn<bool>("turnedOn");
    QTest::addColumn<QStringList>("lines");

    const QStringList encodedSender{QStringLiteral("lines - Jos=C3=A9 <j@x.org>")};
    QTest::newRow("list-fill-quiet-by-default") << false << false << QStringList();
    QTest::newRow("list-fill-line-per-encoded-sender-when-turned-on") << false << true << encodedSender;
    QTest::newRow("scan-quiet-by-default") << true << false << QStringList();
    QTest::newRow("scan-line-per-encoded-sender-when-turned-on") << true << true << encodedSender;
}

void TestMboxIndexer::diagnosticLinesLogOnlyWhenAsked()
{
    QFETCH(bool, whileScanning);
    QFETCH(bool, turnedOn);
    QFETCH(QStringList, lines);
    const QString path = writeFile(QStringLiteral("Inbox"), kSep1 + "From: =?UTF-8?Q?Jos=C3=A9?= <j@x.org>\n\nb\n"
                                                              + kSep2 + "From: \"=?UTF-8?Q?Ana?=\" <a@x.org>\n\nb\n");
    QMessageSavingThread thread;
    m_selectedFile = m_dir->path();
    const CapturedOutput output = captureOutput("converter.scan.index", turnedOn, [&] {
        whileScanning ? thread.PostBoxFileSearch() : thread.GetAllFieldsForTree(path);
    });

    QCOMPARE(QString::fromUtf8(output.standardOutput), QString());
    QCOMPARE(output.debugLines, lines);
    QVERIFY(TmpMboxMbxPtrStart && TmpMboxMbxPtrStart->pNext);
    QCOMPARE(TmpMboxMbxPtrStart->szFrom, QStringLiteral("José <j@x.org>"));
    QCOMPARE(TmpMboxMbxPtrStart->pNext->szFrom, QStringLiteral("\"Ana\" <a@x.org>"));
}

void TestMboxIndexer::reportsProgressAndStops()
{
    QByteArray content;
    for (int i = 0; i < 50; ++i)
        content += kSep1 + "Subject: message " + QByteArray::number(i) + "\r\n\r\nbody\r\n";
    const QString path = writeFile(QStringLiteral("big"), content);

    // Every line is counted once, bytes grow and end at the file size.
    QList<mboxindex::IndexProgress> reports;
    mboxindex::IndexOptions options;
    options.blockSize = 64;
    options.progress = [&reports](const mboxindex::IndexProgress &progress) {
        reports.append(progress);
        return true;
    };
    QVector<MboxMessage> messages;
    QCOMPARE(mboxindex::collectMboxMessages(path, messages, options), IndexStatus::Indexed);
    QCOMPARE(messages.size(), 50);
    QVERIFY(!reports.isEmpty());
    for (int i = 1; i < reports.size(); ++i) {
        QVERIFY(reports.at(i).bytesRead > reports.at(i - 1).bytesRead);
        QCOMPARE(reports.at(i).linesRead, reports.at(i - 1).linesRead + 1);
        QCOMPARE(reports.at(i).fileSize, qint64(content.size()));
    }
    QVERIFY(reports.last().bytesRead < content.size());

    // A stop ends the reading; the messages so far cover the bytes read.
    options.progress = [](const mboxindex::IndexProgress &progress) { return progress.bytesRead < 500; };
    messages.clear();
    QCOMPARE(mboxindex::collectMboxMessages(path, messages, options), IndexStatus::Stopped);
    QVERIFY(!messages.isEmpty());
    QVERIFY(messages.size() < 50);
    const MboxMessage &last = messages.last();
    QVERIFY(last.offset + last.length >= 500);
    QVERIFY(last.offset + last.length < content.size());
    for (int i = 1; i < messages.size(); ++i)
        QCOMPARE(messages.at(i).offset, messages.at(i - 1).offset + messages.at(i - 1).length);
}

void TestMboxIndexer::survivesGarbage_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("headerByteLimit");
    QTest::addColumn<int>("messageCount");

    QTest::newRow("cut-in-separator-line") << kSep1 + "Subject: x\n" + kSep2.left(12) << (1 << 20) << 1;
    QTest::newRow("zero-bytes-after-from") << QByteArray("From ") + QByteArray(4000, '\0') << (1 << 20) << 0;
    QTest::newRow("long-line-without-line-end")
        << kSep1 + "Subject: " + QByteArray(100000, 'x') << 64 << 1;
    QTest::newRow("long-folded-header")
        << kSep1 + "From: a\n" + QByteArray(" x\n").repeated(20000) + kSep2 + "\nb\n" << 256 << 2;
    QTest::newRow("only-line-ends") << QByteArray("From \n") + QByteArray(5000, '\n') << (1 << 20) << 1;
    QTest::newRow("carriage-returns-only") << QByteArray("From x\r") + QByteArray(300, '\r') << (1 << 20) << 0;
    QTest::newRow("encoded-word-cut-off") << kSep1 + "Subject: =?UTF-8?B?" << (1 << 20) << 1;
    QTest::newRow("weekday-after-long-run") << QByteArray("From x\n") + "From " + QByteArray(70000, 'y')
                                                   + " Sat \nz\n" << 32 << 2;
}

void TestMboxIndexer::survivesGarbage()
{
    QFETCH(QByteArray, content);
    QFETCH(int, headerByteLimit);
    QFETCH(int, messageCount);

    const QString path = writeFile(QStringLiteral("garbage"), content);
    for (const int blockSize : {1 << 20, 13}) {
        mboxindex::IndexOptions options;
        options.blockSize = blockSize;
        options.headerByteLimit = headerByteLimit;
        QVector<MboxMessage> messages;
        const IndexStatus status = mboxindex::collectMboxMessages(path, messages, options);
        QVERIFY(status == IndexStatus::Indexed || status == IndexStatus::NotMbox);
        // Whatever was found covers the file once, in order.
        qint64 next = 0;
        for (const MboxMessage &message : messages) {
            QCOMPARE(message.offset, next);
            QVERIFY(message.length > 0);
            QVERIFY(message.subject.size() <= mboxindex::kTextFieldUnits);
            next += message.length;
        }
        if (status == IndexStatus::Indexed)
            QCOMPARE(next, qint64(content.size()));
        QCOMPARE(messages.size(), messageCount);
    }
}

void TestMboxIndexer::sameMessagesWhateverTheBlocks_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("lf-line-ends") << generatedMailbox(1, 120, false);
    QTest::newRow("cr-lf-line-ends") << generatedMailbox(2, 120, true);
    QTest::newRow("few-long-messages") << generatedMailbox(3, 20, false).replace("\n\n", "\n\n" + QByteArray(3000, 'y') + '\n');
}

void TestMboxIndexer::sameMessagesWhateverTheBlocks()
{
    QFETCH(QByteArray, content);

    const QString path = writeFile(QStringLiteral("generated"), content);
    mboxindex::IndexOptions reference;
    reference.readAhead = false;
    QVector<MboxMessage> expected;
    QCOMPARE(mboxindex::collectMboxMessages(path, expected, reference), IndexStatus::Indexed);
    QVERIFY(expected.size() > 10);
    // Block ends fall inside lines, line ends and the stretches that are
    // looked through sixteen or thirty-two bytes at a time.
    for (const int blockSize : {1, 2, 3, 16, 17, 31, 33, 64, 100, 4096}) {
        for (const bool readAhead : {false, true}) {
            // A helper thread for every byte or two would only be slow.
            if (readAhead && blockSize < 64)
                continue;
            mboxindex::IndexOptions options;
            options.blockSize = blockSize;
            options.readAhead = readAhead;
            QVector<MboxMessage> messages;
            QCOMPARE(mboxindex::collectMboxMessages(path, messages, options), IndexStatus::Indexed);
            QVERIFY2(messages == expected,
                     qPrintable(QStringLiteral("blocks of %1, read-ahead %2").arg(blockSize).arg(readAhead)));
        }
    }
}

void TestMboxIndexer::callsProgressWhenDue_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("stride");

    QTest::newRow("every-few-units-small-blocks") << 64 << 7;
    QTest::newRow("every-few-units-large-blocks") << (1 << 20) << 7;
    QTest::newRow("far-apart-small-blocks") << 100 << 4000;
    QTest::newRow("far-apart-large-blocks") << (1 << 20) << 4000;
    QTest::newRow("far-apart-tiny-blocks") << 3 << 4000;
    // Strides a little longer than the stretches looked through at once:
    // each due count falls at another place in a stretch.
    for (const int stride : {33, 50, 61, 97, 130, 257})
        QTest::newRow(qPrintable(QStringLiteral("stride-%1").arg(stride))) << (1 << 20) << stride;
}

void TestMboxIndexer::callsProgressWhenDue()
{
    QFETCH(int, blockSize);
    QFETCH(int, stride);

    const QString path = writeFile(QStringLiteral("generated"), generatedMailbox(4, 120, false));
    // Every step, with what a stop there would deliver.
    QList<mboxindex::IndexProgress> steps;
    mboxindex::IndexOptions everyStep;
    everyStep.progress = [&steps](const mboxindex::IndexProgress &read) {
        steps.append(read);
        return true;
    };
    QVector<MboxMessage> messages;
    QCOMPARE(mboxindex::collectMboxMessages(path, messages, everyStep), IndexStatus::Indexed);
    QVERIFY(steps.size() > 100);

    // The due counts come from a function of the step; each call is the
    // first step whose count reaches the count due.
    auto due = [stride](const mboxindex::IndexProgress &read) {
        const qint64 count = read.bytesRead + read.linesRead;
        return count + stride - count % stride;
    };
    QStringList expected;
    qint64 dueCount = 0;
    for (const mboxindex::IndexProgress &step : steps) {
        if (step.bytesRead + step.linesRead < dueCount)
            continue;
        expected.append(describeStep(step));
        dueCount = due(step);
    }
    QStringList calls;
    mboxindex::IndexOptions options;
    options.blockSize = blockSize;
    options.progress = [&calls](const mboxindex::IndexProgress &read) {
        calls.append(describeStep(read));
        return true;
    };
    options.progressDue = due;
    QVector<MboxMessage> again;
    QCOMPARE(mboxindex::collectMboxMessages(path, again, options), IndexStatus::Indexed);
    QCOMPARE(again, messages);
    QCOMPARE(calls, expected);

    // A stop at a due step ends the file as a stop at that step does.
    const int stopAt = expected.size() / 2;
    int seen = 0;
    options.progress = [&seen, stopAt](const mboxindex::IndexProgress &) { return ++seen <= stopAt; };
    QVector<MboxMessage> stopped;
    QCOMPARE(mboxindex::collectMboxMessages(path, stopped, options), IndexStatus::Stopped);
    int step = 0;
    everyStep.progress = [&step, &expected, stopAt](const mboxindex::IndexProgress &read) {
        return describeStep(read) != expected.at(stopAt) || step++ != 0;
    };
    QVector<MboxMessage> stoppedEveryStep;
    QCOMPARE(mboxindex::collectMboxMessages(path, stoppedEveryStep, everyStep), IndexStatus::Stopped);
    QCOMPARE(stopped, stoppedEveryStep);
}

void TestMboxIndexer::progressDueKeepsWholePercentSteps()
{
    // The scan only sends a progress value when its whole percentage moves;
    // calls at the due steps must send the same values as calls at every step.
    auto sent = [](QList<double> values) {
        QList<double> passed;
        qint64 last = -1;
        for (const double value : values) {
            if (qint64(std::floor(value)) == last)
                continue;
            last = qint64(std::floor(value));
            passed.append(value);
        }
        return passed;
    };
    for (const int messages : {3, 40, 400}) {
        const QString path = writeFile(QStringLiteral("generated"), generatedMailbox(5, messages, false));
        QList<double> everyStep;
        mboxindex::IndexOptions options;
        options.progress = [&everyStep](const mboxindex::IndexProgress &read) {
            everyStep.append(mboxdiscovery::progressPercent(read.bytesRead, read.linesRead, read.fileSize));
            return true;
        };
        QVector<MboxMessage> found;
        QCOMPARE(mboxindex::collectMboxMessages(path, found, options), IndexStatus::Indexed);
        QList<double> dueSteps;
        options.progress = [&dueSteps](const mboxindex::IndexProgress &read) {
            dueSteps.append(mboxdiscovery::progressPercent(read.bytesRead, read.linesRead, read.fileSize));
            return true;
        };
        options.progressDue = [](const mboxindex::IndexProgress &read) {
            return mboxdiscovery::nextProgressCount(read.bytesRead + read.linesRead, read.fileSize, 1 << 30);
        };
        QCOMPARE(mboxindex::collectMboxMessages(path, found, options), IndexStatus::Indexed);
        QVERIFY(dueSteps.size() < everyStep.size() || everyStep.size() < 3);
        QCOMPARE(sent(dueSteps), sent(everyStep));
    }

    // The count at which a whole percentage is first reached, on both sides.
    for (const qint64 size : {qint64(1), qint64(3), qint64(7), qint64(100), qint64(999), qint64(123456789)}) {
        for (const qint64 whole : {qint64(1), qint64(33), qint64(100), qint64(101), qint64(199)}) {
            const qint64 count = mboxdiscovery::countReachingPercent(whole, size);
            QVERIFY(mboxdiscovery::progressPercent(count, 0, size) >= double(whole));
            QVERIFY(count == 0 || mboxdiscovery::progressPercent(count - 1, 0, size) < double(whole));
        }
    }
}

void TestMboxIndexer::replaysAWorkersIndexing_data()
{
    QTest::addColumn<int>("stopAfter");
    QTest::addColumn<bool>("withProgress");
    QTest::addColumn<bool>("afterAnotherFile");

    QTest::newRow("whole-file") << -1 << true << false;
    QTest::newRow("whole-file-after-another-file") << -1 << true << true;
    QTest::newRow("without-progress") << -1 << false << true;
    QTest::newRow("stop-at-first-step") << 1 << true << true;
    QTest::newRow("stop-at-third-step") << 3 << true << false;
    QTest::newRow("stop-late") << 40 << true << true;
}

void TestMboxIndexer::replaysAWorkersIndexing()
{
    QFETCH(int, stopAfter);
    QFETCH(bool, withProgress);
    QFETCH(bool, afterAnotherFile);

    const QString earlier = writeFile(QStringLiteral("earlier"), kSep1 + "Subject: before\n\nb\n");
    const QString path = writeFile(QStringLiteral("generated"), generatedMailbox(6, 150, false));
    const std::function<qint64(const mboxindex::IndexProgress &)> due = [](const mboxindex::IndexProgress &read) {
        return read.bytesRead + read.linesRead + 500;
    };
    struct Run {
        QStringList calls; // progress steps and diagnostic lines, in order
        int steps = 0;
        QStringList list;
        IndexStatus status = IndexStatus::NotMbox;
    };
    auto optionsFor = [&](Run &run) {
        mboxindex::IndexOptions options;
        options.diagnostic = [&run](const QByteArray &line) { run.calls.append(QString::fromUtf8("diagnostic " + line)); };
        if (withProgress) {
            options.progress = [&run, stopAfter](const mboxindex::IndexProgress &read) {
                run.calls.append(describeStep(read));
                return stopAfter < 0 || ++run.steps < stopAfter;
            };
            options.progressDue = due;
        }
        return options;
    };
    auto startList = [&]() {
        releaseMboxMbxList();
        if (afterAnotherFile)
            QCOMPARE(mboxindex::appendMboxToList(earlier, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd), IndexStatus::Indexed);
    };

    // In place.
    Run direct;
    startList();
    direct.status = mboxindex::appendMboxToList(path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, optionsFor(direct));
    direct.list = describeList();

    // On a worker thread, replayed here.
    Run replayed;
    startList();
    {
        mboxindex::IndexedFile indexed(path, withProgress, withProgress ? due : nullptr);
        std::thread worker([&indexed]() { indexed.index(); });
        replayed.status = indexed.replayInto(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, optionsFor(replayed));
        worker.join();
    }
    replayed.list = describeList();
    releaseMboxMbxList();

    QCOMPARE(replayed.status, direct.status);
    QCOMPARE(replayed.calls, direct.calls);
    QCOMPARE(replayed.list, direct.list);
    QCOMPARE(direct.status, stopAfter < 0 ? IndexStatus::Indexed : IndexStatus::Stopped);
    if (stopAfter < 0 || stopAfter > 10)
        QVERIFY(direct.calls.filter(QStringLiteral("diagnostic")).size() > 0);
    QCOMPARE(direct.list.last(), QStringLiteral("<empty>"));
}

void TestMboxIndexer::scansAlikeOnWorkerThreads_data()
{
    QTest::addColumn<int>("stopAfter");

    QTest::newRow("whole-scan") << -1;
    QTest::newRow("stop-at-the-first-value") << 1;
    QTest::newRow("stop-in-the-first-mailbox") << 30;
    QTest::newRow("stop-in-a-later-mailbox") << 150;
    QTest::newRow("stop-in-the-last-mailbox") << 300;
}

void TestMboxIndexer::scansAlikeOnWorkerThreads()
{
    QFETCH(int, stopAfter);

    // Mailboxes of a profile, a plain file named like an export (indexed,
    // never filed) and files that are no mailboxes.
    writeFile(QStringLiteral("ImapMail/server/INBOX"), generatedMailbox(7, 150, false));
    writeFile(QStringLiteral("Mail/Local Folders/Drafts"), kSep1 + "Subject: one\n\nb\n");
    writeFile(QStringLiteral("Mail/Local Folders/Export.mbox"), generatedMailbox(8, 60, false));
    writeFile(QStringLiteral("Mail/Local Folders/Inbox"), generatedMailbox(9, 300, false));
    writeFile(QStringLiteral("Mail/Local Folders/Inbox.msf"), "not a mailbox\n");
    writeFile(QStringLiteral("Mail/Local Folders/Inbox.sbd/Old"), generatedMailbox(10, 200, true));

    // The whole scan as text: its signals, the message list, the mailboxes filed.
    auto scanWithWorkersFrom = [this, stopAfter](qint64 parallelBytes) {
        resetAllGlobalsForTest();
        mboxdiscovery::setParallelFileBytes(parallelBytes);
        QMessageSavingThread scan;
        QStringList record;
        int values = 0;
        auto add = [&record](const QString &entry) { record.append(entry); };
        connect(&scan, &QMessageSavingThread::OnIndivisibleProgressvalue, this, [&](double value) {
            add(QStringLiteral("progress %1").arg(value, 0, 'g', 17));
            if (++values == stopAfter)
                bStopFlag = true;
        }, Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::OnSubProgressvalue, this,
                [&](double value) { add(QStringLiteral("sub %1").arg(value)); }, Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::OnShowProgressDlg, this, [&] { add(QStringLiteral("show")); },
                Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::OnSubProgressHide, this, [&] { add(QStringLiteral("subhide")); },
                Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::ProgressDailogHide, this, [&] { add(QStringLiteral("hide")); },
                Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::FinishScaning, this, [&] { add(QStringLiteral("finish")); },
                Qt::DirectConnection);
        connect(&scan, &QMessageSavingThread::NoDataIntoFile, this, [&] { add(QStringLiteral("nodata")); },
                Qt::DirectConnection);
        m_selectedFile = m_dir->path();
        scan.PostBoxFileSearch();
        mboxdiscovery::setParallelFileBytes(1 << 20);
        record += describeList();
        for (const MailItem *item = StartMailItem; item; item = item->pNext)
            record.append(QStringLiteral("item %1 in %2").arg(item->pPath).arg(item->llFolderId));
        record += listOfPathOfOnlyForTree;
        resetAllGlobalsForTest();
        return record;
    };
    const QStringList inTurn = scanWithWorkersFrom(std::numeric_limits<qint64>::max());
    const QStringList onWorkers = scanWithWorkersFrom(0);
    QCOMPARE(inTurn.filter(QStringLiteral("progress")).size(), stopAfter < 0 ? 320 : stopAfter);
    QCOMPARE(inTurn.contains(QStringLiteral("finish")), stopAfter < 0);
    QCOMPARE(onWorkers, inTurn);
}

QTEST_GUILESS_MAIN(TestMboxIndexer)
#include "tst_mboxindexer.moc"
