// Opera Mail discovery: account folders, the account names of
// "accounts.ini", the "X-Opera-Location:" folder, the tree paths formed
// from them, and the whole routine.

#include "app/appglobals.h"
#include "scan/messagesavingthread.h"
#include "scan/operadiscovery.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include "discoveryfixture.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using namespace discoveryfixture;

namespace {

QByteArray mbs(const QByteArray &location, const QByteArray &subject = "s")
{
    QByteArray bytes = "From: a@example.org\nSubject: " + subject + '\n';
    if (!location.isNull())
        bytes += "X-Opera-Location: " + location + '\n';
    return bytes + "\nBody.\n";
}

operadiscovery::AccountList accountsFrom(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    return operadiscovery::AccountList::read(buffer);
}

QByteArray fillerLines(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += "Key" + QByteArray::number(i) + "=value\n";
    return lines;
}

} // namespace

class TestOperaDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void accountFolderOfPath_data();
    void accountFolderOfPath();
    void accountNameFromSection_data();
    void accountNameFromSection();
    void locationNamesTheFolders_data();
    void locationNamesTheFolders();

    void filesEachMessageUnderItsAccountAndLocation();
    void accountNameNeverCarriesOver();
    void withoutAccountListFoldersNameAccounts();
    void accountListThatDoesNotOpenIsCounted();
    void lastAccountListBelowSourceCounts();
    void unopenableMessageIsSkipped();
    void newsFeedAndEmptySource();
    void listOfMessagesOutlastsTheScan();

private:
    QString root() const { return m_dir->path(); }
    void write(const QString &relativePath, const QByteArray &bytes)
    {
        QVERIFY2(writeFile(root(), relativePath, bytes), qPrintable(relativePath));
    }
    void scan()
    {
        m_selectedFile = root();
        m_scan->FileSearchForMbs();
    }

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<TestScan> m_scan;
    QScopedPointer<SignalLog> m_log;
};

void TestOperaDiscovery::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_scan.reset(new TestScan);
    m_log.reset(new SignalLog(*m_scan));
}

void TestOperaDiscovery::cleanup()
{
    m_log.reset();
    m_scan.reset();
    resetAllGlobalsForTest();
}

void TestOperaDiscovery::accountFolderOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("below-store") << QStringLiteral("/o/store/account1/2014/05/07/12.mbs") << QStringLiteral("account1");
    QTest::newRow("last-store-counts") << QStringLiteral("/store/x/store/acc2/1.mbs") << QStringLiteral("acc2");
    QTest::newRow("storeroom-counts-too") << QStringLiteral("/o/storeroom/a/1.mbs") << QStringLiteral("a");
    QTest::newRow("no-store-first-component") << QStringLiteral("/Users/ann/Mail/1.mbs") << QStringLiteral("Users");
    QTest::newRow("blanks-trimmed") << QStringLiteral("/o/store/ acc /1.mbs") << QStringLiteral("acc");
    QTest::newRow("file-right-after-store") << QStringLiteral("/o/store") << QString();
    QTest::newRow("empty-piece") << QStringLiteral("/o/store//1.mbs") << QString();
}

void TestOperaDiscovery::accountFolderOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(operadiscovery::accountFolderName(path), folder);
}

void TestOperaDiscovery::accountNameFromSection_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("header-any-letter-case")
        << QByteArray("[Accounts]\nCount=1\n\n[Account1]\nIncoming Servername=x\nAccount Name=Work\n")
        << QStringLiteral("account1") << QStringLiteral("Work");
    QTest::newRow("key-on-101st-line")
        << QByteArray("[Account1]\n" + fillerLines(100) + "Account Name=Work\n") << QStringLiteral("account1")
        << QStringLiteral("Work");
    QTest::newRow("key-on-102nd-line-is-too-late")
        << QByteArray("[Account1]\n" + fillerLines(101) + "Account Name=Work\n") << QStringLiteral("account1")
        << QStringLiteral("account1");
    QTest::newRow("blank-value-gives-folder")
        << QByteArray("[Account1]\nAccount Name=   \n") << QStringLiteral("account1") << QStringLiteral("account1");
    QTest::newRow("key-without-value-passed-over")
        << QByteArray("[Account1]\nAccount Name=\nAccount Name=Home\n") << QStringLiteral("account1")
        << QStringLiteral("Home");
    QTest::newRow("search-stops-at-next-section")
        << QByteArray("[Account1]\nAccount Name=\n[Account2]\nAccount Name=Other\n") << QStringLiteral("account1")
        << QStringLiteral("account1");
    QTest::newRow("text-before-key-comes-first")
        << QByteArray("[Account1]\nOld Account Name=Work\n") << QStringLiteral("account1") << QStringLiteral("Old");
    QTest::newRow("later-section-replaces")
        << QByteArray("[Account1]\nAccount Name=First\n[Account1]\nAccount Name=Second\n")
        << QStringLiteral("account1") << QStringLiteral("Second");
    QTest::newRow("other-account-only") << QByteArray("[Account2]\nAccount Name=Other\n") << QStringLiteral("account1")
                                        << QStringLiteral("account1");
    QTest::newRow("longer-folder-name-is-another-account")
        << QByteArray("[Account10]\nAccount Name=Ten\n") << QStringLiteral("account1") << QStringLiteral("account1");
    QTest::newRow("crlf-and-utf8-name")
        << QByteArray("[Account1]\r\nAccount Name=B\xc3\xbcro\r\n") << QStringLiteral("account1")
        << QString::fromUtf8("B\xc3\xbcro");
    QTest::newRow("empty-file") << QByteArray() << QStringLiteral("account1") << QStringLiteral("account1");
}

void TestOperaDiscovery::accountNameFromSection()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QCOMPARE(operadiscovery::accountNameFor(accountsFrom(ini), folder), name);
}

void TestOperaDiscovery::locationNamesTheFolders_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("folders");
    const QString work = QStringLiteral("Mail/Work");
    auto tree = [&work](std::initializer_list<const char *> below) {
        QStringList folders{QStringLiteral("Mail"), work};
        QString path = work;
        for (const char *name : below) {
            path += QLatin1Char('/') + QString::fromUtf8(name);
            folders.append(path);
        }
        return folders;
    };
    QTest::newRow("no-marker-gives-mails") << mbs(QByteArray()) << tree({"Mails"});
    QTest::newRow("plain-folder") << mbs("Inbox") << tree({"Inbox"});
    QTest::newRow("number-after-colon") << mbs("Inbox:12") << tree({"Inbox"});
    QTest::newRow("last-colon-cuts") << mbs("a:b:c") << tree({"a:b"});
    QTest::newRow("two-levels") << mbs("Lists/Qt") << tree({"Lists", "Qt"});
    QTest::newRow("empty-location-gives-empty-folder") << mbs(":7") << tree({""});
    QTest::newRow("last-marker-line-wins")
        << QByteArray(mbs("Inbox") + "Quoted: X-Opera-Location: Sent\n") << tree({"Quoted"});
    QTest::newRow("marker-alone-keeps-earlier") << QByteArray(mbs("Inbox") + "X-Opera-Location:   \n")
                                                << tree({"Inbox"});
    QTest::newRow("crlf-line-ends") << QByteArray("X-Opera-Location: Inbox\r\n\r\n") << tree({"Inbox"});
    QTest::newRow("marker-letter-case-matters") << QByteArray("x-opera-location: Inbox\n") << tree({"Mails"});
}

void TestOperaDiscovery::locationNamesTheFolders()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, folders);
    write(QStringLiteral("accounts.ini"), "[account1]\nAccount Name=Work\n");
    write(QStringLiteral("store/account1/1.mbs"), message);
    scan();
    QCOMPARE(folderTree(), folders);
}

void TestOperaDiscovery::filesEachMessageUnderItsAccountAndLocation()
{
    write(QStringLiteral("mail/accounts.ini"),
          "[Account1]\nAccount Name=Work\n\n[Account2]\nAccount Name=Home\n");
    write(QStringLiteral("mail/store/account1/2014/05/07/1.mbs"), mbs("Inbox:12"));
    write(QStringLiteral("mail/store/account1/2014/05/07/2.mbs"), mbs("Lists/Qt"));
    write(QStringLiteral("mail/store/account2/2014/05/08/3.mbs"), mbs(QByteArray()));

    scan();

    QCOMPARE(relativeTo(root(), listOfPathOfOnlyMbs),
             QStringList({QStringLiteral("mail/store/account1/2014/05/07/1.mbs"),
                          QStringLiteral("mail/store/account1/2014/05/07/2.mbs"),
                          QStringLiteral("mail/store/account2/2014/05/08/3.mbs")}));
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Work"),
                                        QStringLiteral("Mail/Work/Inbox"), QStringLiteral("Mail/Work/Lists"),
                                        QStringLiteral("Mail/Work/Lists/Qt"), QStringLiteral("Mail/Home"),
                                        QStringLiteral("Mail/Home/Mails")}));
    QCOMPARE(mailItems(root()),
             QStringList({QStringLiteral("Mail/Work/Inbox <- mail/store/account1/2014/05/07/1.mbs"),
                          QStringLiteral("Mail/Work/Lists/Qt <- mail/store/account1/2014/05/07/2.mbs"),
                          QStringLiteral("Mail/Home/Mails <- mail/store/account2/2014/05/08/3.mbs")}));
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyForTree), relativeTo(root(), listOfPathOfOnlyMbs));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                    QStringLiteral("hide"), QStringLiteral("finish")}));
}

void TestOperaDiscovery::accountNameNeverCarriesOver()
{
    write(QStringLiteral("accounts.ini"), "[Account1]\nAccount Name=Work\n");
    write(QStringLiteral("store/account1/1.mbs"), mbs("Inbox"));
    write(QStringLiteral("store/account2/2.mbs"), mbs("Inbox"));
    scan();
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Work"),
                                        QStringLiteral("Mail/Work/Inbox"), QStringLiteral("Mail/account2"),
                                        QStringLiteral("Mail/account2/Inbox")}));
}

void TestOperaDiscovery::withoutAccountListFoldersNameAccounts()
{
    write(QStringLiteral("store/account1/1.mbs"), mbs("Inbox"));
    scan();
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/account1"),
                                        QStringLiteral("Mail/account1/Inbox")}));
    QCOMPARE(m_scan->nSkippedFiles.load(), 0);
}

void TestOperaDiscovery::accountListThatDoesNotOpenIsCounted()
{
    QVERIFY(makeDirectory(root(), QStringLiteral("accounts.ini")));
    write(QStringLiteral("store/account1/1.mbs"), mbs("Inbox"));
    write(QStringLiteral("store/account1/2.mbs"), mbs("Sent"));
    scan();
    QCOMPARE(folderTree(), QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/account1"),
                                        QStringLiteral("Mail/account1/Inbox"), QStringLiteral("Mail/account1/Sent")}));
    // Looked for and counted once per scan, not once per message.
    QCOMPARE(m_scan->nSkippedFiles.load(), 1);
}

void TestOperaDiscovery::lastAccountListBelowSourceCounts()
{
    write(QStringLiteral("a/accounts.ini"), "[Account1]\nAccount Name=Early\n");
    write(QStringLiteral("b/accounts.ini"), "[Account1]\nAccount Name=Late\n");
    write(QStringLiteral("b/store/account1/1.mbs"), mbs("Inbox"));
    scan();
    QCOMPARE(folderTree().at(1), QStringLiteral("Mail/Late"));
}

void TestOperaDiscovery::unopenableMessageIsSkipped()
{
    write(QStringLiteral("store/account1/1.mbs"), mbs("Inbox"));
    QVERIFY(makeDirectory(root(), QStringLiteral("store/account1/2.mbs")));
    QVERIFY(makeFifo(root(), QStringLiteral("store/account1/3.mbs")));
    write(QStringLiteral("store/account1/4.mbs"), mbs("Sent"));
    scan();
    QCOMPARE(m_scan->nSkippedFiles.load(), 2);
    QCOMPARE(mailItems(root()), QStringList({QStringLiteral("Mail/account1/Inbox <- store/account1/1.mbs"),
                                             QStringLiteral("Mail/account1/Sent <- store/account1/4.mbs")}));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestOperaDiscovery::newsFeedAndEmptySource()
{
    write(QStringLiteral("RSS/Apple Hot News.rssmbox/1.mbs"), mbs("Inbox"));
    scan();
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("nodata")}));
    QVERIFY(objMapFID_PID.isEmpty());

    resetAllGlobalsForTest();
    m_log->entries.clear();
    QVERIFY(QDir(root()).removeRecursively());
    QVERIFY(QDir().mkpath(root()));
    scan();
    QCOMPARE(m_log->entries, QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                          QStringLiteral("nodata"), QStringLiteral("progress 100.0")}));
}

void TestOperaDiscovery::listOfMessagesOutlastsTheScan()
{
    write(QStringLiteral("store/account1/1.mbs"), mbs("Inbox"));
    TestScan scan;
    scan.m_nClientIndex = 10;
    m_selectedFile = root();
    scan.run();
    QCOMPARE(listOfPathOfOnlyMbs.size(), 1);
    QVERIFY(bMbsFileFound);
    QVERIFY(listOfPathOfOnlyEml.isEmpty());
}

QTEST_GUILESS_MAIN(TestOperaDiscovery)
#include "tst_operadiscovery.moc"
