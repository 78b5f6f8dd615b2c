// MailMate and Outspring Mail discovery: the ".mailbox" test of each
// client, the folders their messages are filed under, and the frame's
// signals, skips and stop.

#include "app/appglobals.h"
#include "scan/findlistdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include "discoveryfixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace discoveryfixture;
using findlist::PathStep;

Q_DECLARE_METATYPE(findlist::PathStep)

namespace {
const QByteArray kMessage = "From: a@example.org\nSubject: s\n\nBody.\n";
} // namespace

class TestEmlDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathTestOfEachClient_data();
    void pathTestOfEachClient();

    void mailMateFilesMessagesUnderTheirMailbox();
    void mailMateSourceIsTheMailboxItself();
    void mailMateRefusesPathOutsideMailbox_data();
    void mailMateRefusesPathOutsideMailbox();
    void outspringFilesMessagesUnderTheirDirectory();
    void outspringRefusesMailMateLayout();
    void emptySourceReportsNoData_data();
    void emptySourceReportsNoData();
    void unopenableMessagesAreSkipped();
    void everyMessageUnopenableReportsNoData();
    void fileNameWithQuoteDollarAndBlanks();
    void stopFromProgressSlot();

private:
    QString root() const { return m_dir->path(); }
    void write(const QString &relativePath, const QByteArray &bytes = kMessage)
    {
        QVERIFY2(writeFile(root(), relativePath, bytes), qPrintable(relativePath));
    }

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<TestScan> m_scan;
    QScopedPointer<SignalLog> m_log;
};

void TestEmlDiscovery::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_scan.reset(new TestScan);
    m_log.reset(new SignalLog(*m_scan));
    m_selectedFile = root();
}

void TestEmlDiscovery::cleanup()
{
    m_log.reset();
    m_scan.reset();
    resetAllGlobalsForTest();
}

void TestEmlDiscovery::pathTestOfEachClient_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<PathStep>("mailMate");
    QTest::addColumn<PathStep>("outspring");
    QTest::newRow("inside-mailbox-directory")
        << QStringLiteral("/S/IMAP/acct/INBOX.mailbox/Messages/7.eml") << PathStep::Take << PathStep::Refuse;
    QTest::newRow("inside-mbox-directory")
        << QStringLiteral("/S/Inbox.mbox/3.eml") << PathStep::Refuse << PathStep::Take;
    QTest::newRow("mailbox-anywhere-in-path")
        << QStringLiteral("/S/old.mailboxes/3.eml") << PathStep::Take << PathStep::Refuse;
    QTest::newRow("capital-letters-are-no-mailbox")
        << QStringLiteral("/S/INBOX.MAILBOX/3.eml") << PathStep::Refuse << PathStep::Take;
}

void TestEmlDiscovery::pathTestOfEachClient()
{
    QFETCH(QString, path);
    QFETCH(PathStep, mailMate);
    QFETCH(PathStep, outspring);
    QCOMPARE(findlist::mailMatePathStep(path), mailMate);
    QCOMPARE(findlist::outspringPathStep(path), outspring);
}

void TestEmlDiscovery::mailMateFilesMessagesUnderTheirMailbox()
{
    write(QStringLiteral("IMAP/acct/INBOX.mailbox/Messages/7.eml"));
    write(QStringLiteral("IMAP/acct/INBOX.mailbox/Messages/8.eml"));
    write(QStringLiteral("Mailboxes/Work.mailbox/Messages/100.eml"));

    m_scan->FileSearchForEml();

    QCOMPARE(listOfPathOfOnlyEml.size(), 3);
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/IMAP"),
                                        QStringLiteral("Mail/IMAP/acct"), QStringLiteral("Mail/IMAP/acct/INBOX.mailbox"),
                                        QStringLiteral("Mail/Mailboxes"), QStringLiteral("Mail/Mailboxes/Work.mailbox")}));
    // The mailbox's messages are registered once, by its first file.
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/IMAP/acct/INBOX.mailbox <- IMAP/acct/INBOX.mailbox/Messages/7.eml"),
                          QStringLiteral("Mail/IMAP/acct/INBOX.mailbox <- IMAP/acct/INBOX.mailbox/Messages/8.eml"),
                          QStringLiteral("Mail/Mailboxes/Work.mailbox <- Mailboxes/Work.mailbox/Messages/100.eml")}));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                    QStringLiteral("hide"), QStringLiteral("finish")}));
}

void TestEmlDiscovery::mailMateSourceIsTheMailboxItself()
{
    write(QStringLiteral("INBOX.mailbox/Messages/1.eml"));
    m_selectedFile = root() + QStringLiteral("/INBOX.mailbox");
    m_scan->FileSearchForEml();
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/INBOX.mailbox")}));
}

void TestEmlDiscovery::mailMateRefusesPathOutsideMailbox_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expectedSignals");
    QTest::newRow("first-path-outside")
        << QStringList{QStringLiteral("A/1.eml"), QStringLiteral("B.mailbox/Messages/2.eml")} << QStringList()
        << QStringList{QStringLiteral("show"), QStringLiteral("progress 0.0"), QStringLiteral("nodata"),
                       QStringLiteral("progress 100.0")};
    QTest::newRow("last-path-outside")
        << QStringList{QStringLiteral("A.mailbox/Messages/1.eml"), QStringLiteral("Z/2.eml")}
        << QStringList{QStringLiteral("Mail"), QStringLiteral("Mail/A.mailbox")}
        << QStringList{QStringLiteral("show"), QStringLiteral("progress 0.0"), QStringLiteral("progress 50.0"),
                       QStringLiteral("nodata"), QStringLiteral("progress 100.0")};
}

void TestEmlDiscovery::mailMateRefusesPathOutsideMailbox()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expectedSignals);
    for (const QString &file : files)
        write(file);
    m_scan->FileSearchForEml();
    QCOMPARE(folderTree(), folders);
    QCOMPARE(m_log->entries, expectedSignals);
    QVERIFY(bStopFlag);
}

void TestEmlDiscovery::outspringFilesMessagesUnderTheirDirectory()
{
    write(QStringLiteral("Mailboxes/Inbox.mbox/1.f.eml"));
    write(QStringLiteral("Mailboxes/Inbox.mbox/2.eml"));
    write(QStringLiteral("Mailboxes/Inbox.mbox/3.EML"));
    write(QStringLiteral("Mailboxes/Sent.mbox/4.eml"));

    m_scan->FileSearchForEmlandfEml();

    // Names ending in capitals are not listed.
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyEml),
             QStringList({QStringLiteral("Mailboxes/Inbox.mbox/1.f.eml"), QStringLiteral("Mailboxes/Inbox.mbox/2.eml"),
                          QStringLiteral("Mailboxes/Sent.mbox/4.eml")}));
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Mailboxes"),
                                        QStringLiteral("Mail/Mailboxes/Inbox"), QStringLiteral("Mail/Mailboxes/Sent")}));
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/Mailboxes/Inbox <- Mailboxes/Inbox.mbox/1.f.eml"),
                          QStringLiteral("Mail/Mailboxes/Inbox <- Mailboxes/Inbox.mbox/2.eml"),
                          QStringLiteral("Mail/Mailboxes/Sent <- Mailboxes/Sent.mbox/4.eml")}));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestEmlDiscovery::outspringRefusesMailMateLayout()
{
    write(QStringLiteral("A.mbox/1.eml"));
    write(QStringLiteral("B.mailbox/Messages/2.eml"));
    write(QStringLiteral("C.mbox/3.eml"));
    m_scan->FileSearchForEmlandfEml();
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/A")}));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("nodata")}));
}

void TestEmlDiscovery::emptySourceReportsNoData_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("folder-without-messages") << QStringLiteral("<root>");
    QTest::newRow("missing-folder") << QStringLiteral("<root>/missing");
    QTest::newRow("empty-path") << QString();
    QTest::newRow("relative-path") << QStringLiteral("Mailboxes");
}

void TestEmlDiscovery::emptySourceReportsNoData()
{
    QFETCH(QString, source);
    write(QStringLiteral("Mailboxes/readme.txt"), "no mail");
    const QString previous = QDir::currentPath();
    // Messages in the working directory must not be found through a relative path.
    write(QStringLiteral("work/Mailboxes/Inbox.mbox/1.eml"));
    QVERIFY(QDir::setCurrent(root() + QStringLiteral("/work")));
    m_selectedFile = QString(source).replace(QLatin1String("<root>"), root() + QStringLiteral("/Mailboxes"));
    m_scan->FileSearchForEmlandfEml();
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("nodata"), QStringLiteral("progress 100.0")}));
    QVERIFY(bStopFlag);
}

void TestEmlDiscovery::unopenableMessagesAreSkipped()
{
    write(QStringLiteral("A.mbox/1.eml"));
    QVERIFY(makeDirectory(root(), QStringLiteral("B.mbox/2.eml")));
    QVERIFY(makeLink(root() + QStringLiteral("/nowhere"), root(), QStringLiteral("B.mbox/3.eml")));
    write(QStringLiteral("C.mbox/4.eml"));
    m_scan->FileSearchForEmlandfEml();
    QCOMPARE(m_scan->nSkippedFiles.load(), 2);
    QVERIFY(folderTree().contains(QStringLiteral("Mail/C")));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestEmlDiscovery::everyMessageUnopenableReportsNoData()
{
    QVERIFY(makeDirectory(root(), QStringLiteral("B.mailbox/Messages/2.eml")));
    QVERIFY(makeFifo(root(), QStringLiteral("B.mailbox/Messages/3.eml")));
    m_scan->FileSearchForEml();
    QCOMPARE(m_scan->nSkippedFiles.load(), 2);
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("nodata")}));
    QVERIFY(objMapFID_PID.isEmpty());
}

void TestEmlDiscovery::fileNameWithQuoteDollarAndBlanks()
{
    const QString box = QStringLiteral("It's $HOME \"box\" .mbox");
    write(box + QStringLiteral("/1 $(date) ; 'x' .eml"));
    m_scan->FileSearchForEmlandfEml();
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyEml), QStringList({box + QStringLiteral("/1 $(date) ; 'x' .eml")}));
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/It's $HOME \"box\" ")}));
}

void TestEmlDiscovery::stopFromProgressSlot()
{
    for (int i = 1; i <= 5; ++i)
        write(QStringLiteral("Box%1.mailbox/Messages/%1.eml").arg(i));
    connect(m_scan.data(), &QMessageSavingThread::OnIndivisibleProgressvalue, this, [](double value) {
        if (value >= 40.0)
            bStopFlag = true;
    });
    m_scan->FileSearchForEml();
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("progress 20.0"), QStringLiteral("progress 40.0")}));
    QCOMPARE(listOfPathOfOnlyForTree.size(), 2);
}

QTEST_GUILESS_MAIN(TestEmlDiscovery)
#include "tst_emldiscovery.moc"
