// Apple Mail message files: the partial-message key, part numbers, the
// claim of part files and their order, and the whole discovery routine
// with its signals, skips and folders.

#include "app/appglobals.h"
#include "scan/emlxdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include "discoveryfixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace discoveryfixture;

namespace {
QByteArray emlx(const QByteArray &subject)
{
    const QByteArray message = "From: a@example.org\nSubject: " + subject + "\n\nBody.\n";
    return QByteArray::number(message.size()) + '\n' + message
        + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>\n";
}
} // namespace

class TestEmlxDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void partialMessagesAreKnownByTheirName_data();
    void partialMessagesAreKnownByTheirName();
    void keyEndsWithTheDotBeforeTheLastTwoNameParts_data();
    void keyEndsWithTheDotBeforeTheLastTwoNameParts();
    void partNumberIsTheDecimalBeforeTheSuffix_data();
    void partNumberIsTheDecimalBeforeTheSuffix();
    void claimedPartsAreOrderedByNumber_data();
    void claimedPartsAreOrderedByNumber();
    void partIndexClaimsOnlyPathsStartingWithTheKey();

    void filesEveryMailboxAndClaimsParts();
    void partsWithoutMessageReportNoData();
    void newsFeedEntryLastStillEnds();
    void onlyNewsFeedEntriesReportNoData();
    void entryThatDoesNotOpenIsSkippedAndCounted();
    void partThatDoesNotOpenIsCountedMessageKept();
    void partInsideADirectoryNamedLikeAPartStaysUnclaimed();
    void stopFromProgressSlotEndsWithoutEndSignals();
    void stopBeforeStartDoesNothing();

private:
    QString root() const { return m_dir->path(); }
    void write(const QString &relativePath, const QByteArray &bytes)
    {
        QVERIFY2(writeFile(root(), relativePath, bytes), qPrintable(relativePath));
    }
    void scan()
    {
        m_selectedFile = root();
        m_scan->FileSearch();
    }

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<TestScan> m_scan;
    QScopedPointer<SignalLog> m_log;
};

void TestEmlxDiscovery::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_scan.reset(new TestScan);
    m_log.reset(new SignalLog(*m_scan));
}

void TestEmlxDiscovery::cleanup()
{
    m_log.reset();
    m_scan.reset();
    resetAllGlobalsForTest();
}

void TestEmlxDiscovery::partialMessagesAreKnownByTheirName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("partial");
    QTest::newRow("partial-message") << QStringLiteral("/a/b.mbox/Messages/12.partial.emlx") << true;
    QTest::newRow("complete-message") << QStringLiteral("/a/b.mbox/Messages/12.emlx") << false;
    QTest::newRow("capital-letters") << QStringLiteral("/a/b.mbox/Messages/12.Partial.emlx") << false;
}

void TestEmlxDiscovery::partialMessagesAreKnownByTheirName()
{
    QFETCH(QString, path);
    QFETCH(bool, partial);
    QCOMPARE(emlxdiscovery::isPartialMessage(path), partial);
}

void TestEmlxDiscovery::keyEndsWithTheDotBeforeTheLastTwoNameParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("key");
    QTest::newRow("message-number") << QStringLiteral("/a/b.mbox/Messages/12.partial.emlx")
                                    << QStringLiteral("/a/b.mbox/Messages/12.");
    QTest::newRow("dotted-directory") << QStringLiteral("/a/x.y/1.partial.emlx") << QStringLiteral("/a/x.y/1.");
    QTest::newRow("no-dot-at-all") << QStringLiteral("/a/b") << QString();
    QTest::newRow("one-dot") << QStringLiteral("/a/b.emlx") << QString();
}

void TestEmlxDiscovery::keyEndsWithTheDotBeforeTheLastTwoNameParts()
{
    QFETCH(QString, path);
    QFETCH(QString, key);
    QCOMPARE(emlxdiscovery::partialKey(path), key);
}

void TestEmlxDiscovery::partNumberIsTheDecimalBeforeTheSuffix_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("number");
    QTest::newRow("single-digit") << QStringLiteral("/m/1.2.emlxpart") << qint64(2);
    QTest::newRow("two-digits") << QStringLiteral("/m/1.10.emlxpart") << qint64(10);
    QTest::newRow("leading-zero-reads-as-number") << QStringLiteral("/m/1.02.emlxpart") << qint64(2);
    QTest::newRow("not-a-number") << QStringLiteral("/m/1.x.emlxpart") << qint64(0);
    QTest::newRow("sign-is-no-digit") << QStringLiteral("/m/1.-3.emlxpart") << qint64(0);
    QTest::newRow("empty-number") << QStringLiteral("/m/1..emlxpart") << qint64(0);
    QTest::newRow("too-many-digits") << QStringLiteral("/m/1.1234567890123456789.emlxpart") << qint64(0);
    QTest::newRow("shorter-than-suffix") << QStringLiteral("part") << qint64(0);
}

void TestEmlxDiscovery::partNumberIsTheDecimalBeforeTheSuffix()
{
    QFETCH(QString, path);
    QFETCH(qint64, number);
    QCOMPARE(emlxdiscovery::partNumber(path), number);
}

void TestEmlxDiscovery::claimedPartsAreOrderedByNumber_data()
{
    QTest::addColumn<QStringList>("claimed");
    QTest::addColumn<QStringList>("ordered");
    QTest::newRow("numeric-not-text-order")
        << QStringList{QStringLiteral("/m/1.10.emlxpart"), QStringLiteral("/m/1.2.emlxpart"),
                       QStringLiteral("/m/1.3.emlxpart")}
        << QStringList{QStringLiteral("/m/1.2.emlxpart"), QStringLiteral("/m/1.3.emlxpart"),
                       QStringLiteral("/m/1.10.emlxpart")};
    QTest::newRow("leading-zero-drops-out")
        << QStringList{QStringLiteral("/m/1.02.emlxpart"), QStringLiteral("/m/1.3.emlxpart")}
        << QStringList{QStringLiteral("/m/1.3.emlxpart")};
    QTest::newRow("no-number-drops-out")
        << QStringList{QStringLiteral("/m/1.x.emlxpart"), QStringLiteral("/m/1.4.emlxpart")}
        << QStringList{QStringLiteral("/m/1.4.emlxpart")};
    QTest::newRow("claimed-twice-counts-once")
        << QStringList{QStringLiteral("/m/1.4.emlxpart"), QStringLiteral("/m/1.4.emlxpart")}
        << QStringList{QStringLiteral("/m/1.4.emlxpart")};
    QTest::newRow("nothing-claimed") << QStringList() << QStringList();
    QTest::newRow("folder-named-like-a-part")
        << QStringList{QStringLiteral("/M/Taxes.2.emlxpart.mbox/Messages/12.3.emlxpart"),
                       QStringLiteral("/M/Taxes.2.emlxpart.mbox/Messages/12.2.emlxpart")}
        << QStringList{QStringLiteral("/M/Taxes.2.emlxpart.mbox/Messages/12.2.emlxpart"),
                       QStringLiteral("/M/Taxes.2.emlxpart.mbox/Messages/12.3.emlxpart")};
    QTest::newRow("message-name-holding-a-part-ending")
        << QStringList{QStringLiteral("/m/1.3.emlxpart.4.emlxpart"), QStringLiteral("/m/1.3.emlxpart.3.emlxpart")}
        << QStringList{QStringLiteral("/m/1.3.emlxpart.3.emlxpart"), QStringLiteral("/m/1.3.emlxpart.4.emlxpart")};
}

void TestEmlxDiscovery::claimedPartsAreOrderedByNumber()
{
    QFETCH(QStringList, claimed);
    QFETCH(QStringList, ordered);
    QCOMPARE(emlxdiscovery::orderClaimedParts(claimed), ordered);
}

void TestEmlxDiscovery::partIndexClaimsOnlyPathsStartingWithTheKey()
{
    const QStringList parts{
        QStringLiteral("/a/b.mbox/Messages/12.4.emlxpart"),
        QStringLiteral("/a/b.mbox/Messages/112.4.emlxpart"),
        QStringLiteral("/a/c.mbox/Messages/12.4.emlxpart"),
        QStringLiteral("/x/a/b.mbox/Messages/12.5.emlxpart"),
        QStringLiteral("/a/b.mbox/Messages/12.10.emlxpart"),
        QStringLiteral("/a/b.mbox/Messages/13.1.emlxpart"),
    };
    emlxdiscovery::PartIndex index(parts);
    QCOMPARE(index.claim(QStringLiteral("/a/b.mbox/Messages/12.")),
             QStringList({QStringLiteral("/a/b.mbox/Messages/12.4.emlxpart"),
                          QStringLiteral("/a/b.mbox/Messages/12.10.emlxpart")}));
    // A part is claimed once; an empty key claims nothing.
    QCOMPARE(index.claim(QStringLiteral("/a/b.mbox/Messages/12.")), QStringList());
    QCOMPARE(index.claim(QString()), QStringList());
    QCOMPARE(index.remaining(),
             QStringList({QStringLiteral("/a/b.mbox/Messages/112.4.emlxpart"),
                          QStringLiteral("/a/c.mbox/Messages/12.4.emlxpart"),
                          QStringLiteral("/x/a/b.mbox/Messages/12.5.emlxpart"),
                          QStringLiteral("/a/b.mbox/Messages/13.1.emlxpart")}));
}

void TestEmlxDiscovery::filesEveryMailboxAndClaimsParts()
{
    write(QStringLiteral("V2/Mailboxes/Inbox.mbox/Messages/1.emlx"), emlx("one"));
    write(QStringLiteral("V2/Mailboxes/Inbox.mbox/Messages/2.partial.emlx"), emlx("two"));
    write(QStringLiteral("V2/Mailboxes/Inbox.mbox/Messages/2.3.emlxpart"), "three");
    write(QStringLiteral("V2/Mailboxes/Inbox.mbox/Messages/2.10.emlxpart"), "ten");
    write(QStringLiteral("V2/Mailboxes/Inbox.mbox/Messages/22.4.emlxpart"), "other message");
    write(QStringLiteral("V2/Mailboxes/Work.mbox/Messages/2.4.emlxpart"), "other mailbox");
    write(QStringLiteral("V2/Mailboxes/Work.mbox/Messages/5.emlx"), emlx("five"));
    write(QStringLiteral("V2/Acct/INBOX.imapmbox/Messages/7.emlx"), emlx("seven"));

    scan();

    const QString mailboxes = QStringLiteral("V2/Mailboxes/");
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyEmlx),
             QStringList({QStringLiteral("V2/Acct/INBOX.imapmbox/Messages/7.emlx"),
                          mailboxes + QStringLiteral("Inbox.mbox/Messages/1.emlx"),
                          mailboxes + QStringLiteral("Inbox.mbox/Messages/2.partial.emlx"),
                          mailboxes + QStringLiteral("Work.mbox/Messages/5.emlx")}));
    // The parts of another message and of another mailbox stay unclaimed.
    QCOMPARE(relativeTo(root(), listOfPathOfEmlxPart),
             QStringList({mailboxes + QStringLiteral("Inbox.mbox/Messages/22.4.emlxpart"),
                          mailboxes + QStringLiteral("Work.mbox/Messages/2.4.emlxpart")}));
    QCOMPARE(folderTree(),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/V2"), QStringLiteral("Mail/V2/Acct"),
                          QStringLiteral("Mail/V2/Acct/INBOX.imapmbox"), QStringLiteral("Mail/V2/Mailboxes"),
                          QStringLiteral("Mail/V2/Mailboxes/Inbox.mbox"),
                          QStringLiteral("Mail/V2/Mailboxes/Work.mbox")}));
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/V2/Acct/INBOX.imapmbox <- V2/Acct/INBOX.imapmbox/Messages/7.emlx"),
                          QStringLiteral("Mail/V2/Mailboxes/Inbox.mbox <- V2/Mailboxes/Inbox.mbox/Messages/1.emlx"),
                          QStringLiteral("Mail/V2/Mailboxes/Inbox.mbox <- "
                                         "V2/Mailboxes/Inbox.mbox/Messages/2.partial.emlx"),
                          QStringLiteral("Mail/V2/Mailboxes/Work.mbox <- V2/Mailboxes/Work.mbox/Messages/5.emlx")}));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                    QStringLiteral("hide"), QStringLiteral("finish")}));
    QCOMPARE(m_log->entries.mid(0, 2), QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0")}));
    QCOMPARE(m_log->entries.count(QStringLiteral("progress 0.0")), 1);
    QVERIFY(m_log->entries.contains(QStringLiteral("progress 75.0")));
    QCOMPARE(m_scan->nSkippedFiles.load(), 0);
}

void TestEmlxDiscovery::partsWithoutMessageReportNoData()
{
    write(QStringLiteral("Inbox.mbox/Messages/2.3.emlxpart"), "three");
    scan();
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("nodata"), QStringLiteral("progress 100.0")}));
    QVERIFY(bStopFlag);
    QVERIFY(objMapFID_PID.isEmpty());
}

void TestEmlxDiscovery::newsFeedEntryLastStillEnds()
{
    write(QStringLiteral("Inbox.mbox/Messages/1.emlx"), emlx("one"));
    write(QStringLiteral("RSS/Apple Hot News.rssmbox/Messages/9.emlx"), emlx("news"));
    scan();
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyEmlx).last(),
             QStringLiteral("RSS/Apple Hot News.rssmbox/Messages/9.emlx"));
    QCOMPARE(mailItems(root()), QStringList({QStringLiteral("Mail/Inbox.mbox <- Inbox.mbox/Messages/1.emlx")}));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                    QStringLiteral("hide"), QStringLiteral("finish")}));
}

void TestEmlxDiscovery::onlyNewsFeedEntriesReportNoData()
{
    write(QStringLiteral("RSS/Apple Hot News.rssmbox/Messages/9.emlx"), emlx("news"));
    scan();
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("nodata"), QStringLiteral("progress 100.0")}));
    QVERIFY(objMapFID_PID.isEmpty());
}

void TestEmlxDiscovery::entryThatDoesNotOpenIsSkippedAndCounted()
{
    write(QStringLiteral("Inbox.mbox/Messages/1.emlx"), emlx("one"));
    QVERIFY(makeDirectory(root(), QStringLiteral("Inbox.mbox/Messages/2.emlx")));
    QVERIFY(makeFifo(root(), QStringLiteral("Inbox.mbox/Messages/3.emlx")));
    QVERIFY(makeLink(root() + QStringLiteral("/gone"), root(), QStringLiteral("Inbox.mbox/Messages/4.emlx")));
    write(QStringLiteral("Work.mbox/Messages/5.emlx"), emlx("five"));

    scan();

    QCOMPARE(listOfPathOfOnlyEmlx.size(), 5);
    QCOMPARE(m_scan->nSkippedFiles.load(), 3);
    QVERIFY(folderTree().contains(QStringLiteral("Mail/Work.mbox")));
    QVERIFY(mailItems(root()).contains(QStringLiteral("Mail/Work.mbox <- Work.mbox/Messages/5.emlx")));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestEmlxDiscovery::partThatDoesNotOpenIsCountedMessageKept()
{
    write(QStringLiteral("Inbox.mbox/Messages/2.partial.emlx"), emlx("two"));
    write(QStringLiteral("Inbox.mbox/Messages/2.3.emlxpart"), "three");
    QVERIFY(makeDirectory(root(), QStringLiteral("Inbox.mbox/Messages/2.4.emlxpart")));
    // Not opened at all: its name writes the number with a leading zero.
    QVERIFY(makeDirectory(root(), QStringLiteral("Inbox.mbox/Messages/2.05.emlxpart")));

    scan();

    QCOMPARE(m_scan->nSkippedFiles.load(), 1);
    QCOMPARE(listOfPathOfEmlxPart, QStringList());
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/Inbox.mbox <- Inbox.mbox/Messages/2.partial.emlx")}));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

// The directory is the outer message's part 4 (and cannot be read); the
// file inside it belongs to a message of that directory, as in the save.
void TestEmlxDiscovery::partInsideADirectoryNamedLikeAPartStaysUnclaimed()
{
    write(QStringLiteral("Inbox.mbox/Messages/12.partial.emlx"), emlx("twelve"));
    write(QStringLiteral("Inbox.mbox/Messages/12.4.emlxpart/12.10.emlxpart"), "ten");

    scan();

    QCOMPARE(m_scan->nSkippedFiles.load(), 1);
    QCOMPARE(relativeTo(root(), listOfPathOfEmlxPart),
             QStringList({QStringLiteral("Inbox.mbox/Messages/12.4.emlxpart/12.10.emlxpart")}));
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/Inbox.mbox <- Inbox.mbox/Messages/12.partial.emlx")}));
}

void TestEmlxDiscovery::stopFromProgressSlotEndsWithoutEndSignals()
{
    for (int i = 1; i <= 4; ++i)
        write(QStringLiteral("Box%1.mbox/Messages/%1.emlx").arg(i), emlx("n"));
    connect(m_scan.data(), &QMessageSavingThread::OnIndivisibleProgressvalue, this, [](double value) {
        if (value >= 50.0)
            bStopFlag = true;
    });
    scan();
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("progress 25.0"), QStringLiteral("progress 50.0")}));
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Box1.mbox"),
                                        QStringLiteral("Mail/Box2.mbox")}));
}

void TestEmlxDiscovery::stopBeforeStartDoesNothing()
{
    write(QStringLiteral("Inbox.mbox/Messages/1.emlx"), emlx("one"));
    bStopFlag = true;
    scan();
    QCOMPARE(m_log->entries, QStringList());
    QCOMPARE(listOfPathOfOnlyEmlx, QStringList());
}

QTEST_GUILESS_MAIN(TestEmlxDiscovery)
#include "tst_emlxdiscovery.moc"
