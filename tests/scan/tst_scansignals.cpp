// The signals of whole scans as the main window receives them: for every
// client, the end of the discovery comes before the folders; no routine
// runs for an index outside the clients; a stop still hands over the
// folders found; and scans in a row on the real thread count ids on.

#include "app/appglobals.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include "discoveryfixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace discoveryfixture;

namespace {

using Files = QList<QPair<QString, QByteArray>>;

const QByteArray kEml = "From: a@example.org\nSubject: s\n\nBody.\n";

QByteArray emlx()
{
    return QByteArray::number(kEml.size()) + '\n' + kEml + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

} // namespace

class TestScanSignals : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyClientEndsBeforeItsFolders_data();
    void everyClientEndsBeforeItsFolders();
    void indexOutsideTheClientsRunsNothing_data();
    void indexOutsideTheClientsRunsNothing();
    void backupFileWithoutMessagesReportsNoData();
    void sourceWithoutMailReportsNoDataAndNoFolders_data();
    void sourceWithoutMailReportsNoDataAndNoFolders();
    void stopFromProgressSlotStillHandsOverFolders();
    void scansInARowOnTheThreadCountIdsOn();

private:
    QString root() const { return m_dir->path(); }
    void writeAll(const Files &files)
    {
        for (const auto &file : files)
            QVERIFY2(writeFile(root(), file.first, file.second), qPrintable(file.first));
    }

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestScanSignals::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_selectedFile = root();
}

void TestScanSignals::cleanup()
{
    resetAllGlobalsForTest();
}

void TestScanSignals::everyClientEndsBeforeItsFolders_data()
{
    QTest::addColumn<int>("clientIndex");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("folders");
    const QStringList end{QStringLiteral("show"), QStringLiteral("subhide"), QStringLiteral("hide"),
                          QStringLiteral("finish")};
    QTest::newRow("apple-mail-mbox-export")
        << 1 << Files{{QStringLiteral("Inbox.mbox/mbox"), mboxMessage("a@example.org", "s")}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 Inbox.mbox under 502"),
                              QStringLiteral("tree 504 mbox under 503")});
    QTest::newRow("apple-mail-emlx")
        << 2 << Files{{QStringLiteral("Inbox.mbox/Messages/1.emlx"), emlx()}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 Inbox.mbox under 502")});
    QTest::newRow("thunderbird-profile")
        << 3 << Files{{QStringLiteral("Mail/Local Folders/Inbox"), mboxMessage("a@example.org", "s")}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"),
                              QStringLiteral("tree 503 Local Folders under 502"),
                              QStringLiteral("tree 504 Inbox under 503")});
    QTest::newRow("postbox-imap-account")
        << 4 << Files{{QStringLiteral("ImapMail/server/INBOX"), mboxMessage("a@example.org", "s")}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 server under 502"),
                              QStringLiteral("tree 504 INBOX under 503")});
    QTest::newRow("eudora-mail-folder")
        << 6 << Files{{QStringLiteral("Mail Folder/In"), mboxMessage("a@example.org", "s")}}
        << (end + QStringList{QStringLiteral("tree 502 Mail Folder under 501"), QStringLiteral("tree 503 In under 502")});
    QTest::newRow("seamonkey-sbd-folder")
        << 7 << Files{{QStringLiteral("Mail/Local Folders/Inbox.sbd/Work"), mboxMessage("a@example.org", "s")}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"),
                              QStringLiteral("tree 503 Local Folders under 502"),
                              QStringLiteral("tree 504 Inbox.sbd under 503"), QStringLiteral("tree 505 Work under 504")});
    QTest::newRow("mailmate")
        << 8 << Files{{QStringLiteral("Work.mailbox/Messages/1.eml"), kEml}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 Work.mailbox under 502")});
    QTest::newRow("outspring-mail")
        << 9 << Files{{QStringLiteral("Inbox.mbox/1.f.eml"), kEml}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 Inbox under 502")});
    QTest::newRow("opera-mail")
        << 10 << Files{{QStringLiteral("store/account1/1.mbs"), "X-Opera-Location: Inbox\n\nBody.\n"}}
        << (end + QStringList{QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 account1 under 502"),
                              QStringLiteral("tree 504 Inbox under 503")});
}

void TestScanSignals::everyClientEndsBeforeItsFolders()
{
    QFETCH(int, clientIndex);
    QFETCH(Files, files);
    QFETCH(QStringList, folders);
    writeAll(files);
    TestScan scan;
    SignalLog log(scan);
    scan.m_nClientIndex = clientIndex;
    scan.run();
    QCOMPARE(log.withoutProgress(), folders);
    QVERIFY(!bStopFlag);
    QVERIFY(!bProcessRunning);
}

void TestScanSignals::indexOutsideTheClientsRunsNothing_data()
{
    QTest::addColumn<int>("clientIndex");
    QTest::newRow("no-client-chosen") << 0;
    QTest::newRow("index-after-the-last-client") << 11;
    QTest::newRow("negative-index") << -1;
}

void TestScanSignals::indexOutsideTheClientsRunsNothing()
{
    QFETCH(int, clientIndex);
    writeAll({{QStringLiteral("Mail/Inbox"), mboxMessage("a@example.org", "s")}});
    TestScan scan;
    SignalLog log(scan);
    scan.m_nClientIndex = clientIndex;
    scan.run();
    QCOMPARE(log.entries, QStringList());
    QCOMPARE(StartMailItem, nullptr);
    QVERIFY(listOfPathOfOnlyForTree.isEmpty());
}

void TestScanSignals::backupFileWithoutMessagesReportsNoData()
{
    writeAll({{QStringLiteral("backup.olm"), "PK\3\4"}});
    m_selectedFile = root() + QStringLiteral("/backup.olm");
    TestScan scan;
    SignalLog log(scan);
    scan.m_nClientIndex = 5;
    scan.run();
    QCOMPARE(log.entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                       QStringLiteral("progress 25.0"), QStringLiteral("subhide"), QStringLiteral("hide"),
                                       QStringLiteral("nodata")}));
    QVERIFY(bOlmFileFound);
}

void TestScanSignals::sourceWithoutMailReportsNoDataAndNoFolders_data()
{
    QTest::addColumn<int>("clientIndex");
    for (int index : {1, 2, 3, 4, 6, 7, 8, 9, 10})
        QTest::addRow("client-%d", index) << index;
}

void TestScanSignals::sourceWithoutMailReportsNoDataAndNoFolders()
{
    QFETCH(int, clientIndex);
    writeAll({{QStringLiteral("notes/readme.txt"), "No mail here.\n"}});
    TestScan scan;
    SignalLog log(scan);
    scan.m_nClientIndex = clientIndex;
    scan.run();
    QCOMPARE(log.withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("nodata")}));
    QVERIFY(objMapFID_PID.isEmpty());
}

void TestScanSignals::stopFromProgressSlotStillHandsOverFolders()
{
    writeAll({{QStringLiteral("A.mbox/1.eml"), kEml}, {QStringLiteral("B.mbox/2.eml"), kEml},
              {QStringLiteral("C.mbox/3.eml"), kEml}, {QStringLiteral("D.mbox/4.eml"), kEml}});
    TestScan scan;
    SignalLog log(scan);
    connect(&scan, &QMessageSavingThread::OnIndivisibleProgressvalue, this, [](double value) {
        if (value >= 50.0)
            bStopFlag = true;
    });
    scan.m_nClientIndex = 9;
    scan.run();
    QCOMPARE(log.entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                       QStringLiteral("progress 25.0"), QStringLiteral("progress 50.0"),
                                       QStringLiteral("tree 502 Mail under 501"), QStringLiteral("tree 503 A under 502"),
                                       QStringLiteral("tree 504 B under 502")}));
    QVERIFY(!bStopFlag);
}

void TestScanSignals::scansInARowOnTheThreadCountIdsOn()
{
    writeAll({{QStringLiteral("Mail/Local Folders/Inbox"), mboxMessage("a@example.org", "s")},
              {QStringLiteral("Mail/Local Folders/Sent"), mboxMessage("b@example.org", "t")}});
    QMessageSavingThread scan;
    SignalLog log(scan);
    scan.m_nClientIndex = 3;

    QList<qint64> firstIds;
    for (int round = 0; round < 2; ++round) {
        log.entries.clear();
        scan.SetInitialSettings();
        QVERIFY(scan.wait(60000));
        auto treeIds = [&log] {
            QList<qint64> ids;
            for (const QString &entry : log.entries) {
                if (entry.startsWith(QLatin1String("tree ")))
                    ids.append(entry.section(QLatin1Char(' '), 1, 1).toLongLong());
            }
            return ids;
        };
        // The signals cross from the scanning thread queued.
        QTRY_COMPARE(treeIds().size(), 4);
        const QList<qint64> ids = treeIds();
        QCOMPARE(log.withoutProgress().mid(0, 4), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                                QStringLiteral("hide"), QStringLiteral("finish")}));
        if (round == 0) {
            firstIds = ids;
        } else {
            // The second scan starts with empty maps and counts on.
            QCOMPARE(ids.first(), firstIds.last() + 1);
            QCOMPARE(objMapFID_PID.size(), 4);
        }
    }
    // Both scans registered their files; the second index holds one scan.
    QCOMPARE(listOfPathOfOnlyForTree.size(), 4);
    QCOMPARE(mboxNodes(root()).size(), 3);
}

QTEST_GUILESS_MAIN(TestScanSignals)
#include "tst_scansignals.moc"
