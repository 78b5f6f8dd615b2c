// The mbox-family discovery: the walk of the source directory, the mailbox
// test, the tree paths of the mail-client layouts, and the whole routine
// with its index, folders, records and signals.

#include "app/appglobals.h"
#include "browser/messagelists.h"
#include "scan/mboxdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include "discoveryfixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace discoveryfixture;

class TestMboxDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void walkListsEntriesInCaseFreePreOrder();
    void walkEndsOnSymbolicLinkLoop();
    void walkPassesOverWhatIsNoFileOrDirectory();
    void walkNeverStartsFromEmptyOrRelativeRoot_data();
    void walkNeverStartsFromEmptyOrRelativeRoot();
    void walkKeepsNamesWhole();
    void namesThatAreNotUtf8AreScannedAndListed();
    void walkNeverEntersPseudoFileSystems_data();
    void walkNeverEntersPseudoFileSystems();
    void linkToDirectoryWithFifoEndsWithoutOpeningIt();

    void pathTestRefusesOtherClientsFiles_data();
    void pathTestRefusesOtherClientsFiles();
    void treePathOfEveryLayout_data();
    void treePathOfEveryLayout();
    void progressCountsOneUnitMorePerLine();

    void thunderbirdProfileGivesItsFolders();
    void profileBelowDirectoryNamedLikeFolderListsItsMessages();
    void appleMailExportFilesMboxInsideMailboxDirectories();
    void eudoraAndLooseMailboxes();
    void selectedPathWithTrailingSlash();
    void firstLineDecidesAcceptance_data();
    void firstLineDecidesAcceptance();

    void endsWithFinishAfterFilingEveryMailbox();
    void reportsNoDataForSourcesWithoutMailbox_data();
    void reportsNoDataForSourcesWithoutMailbox();
    void progressMovesOnlyByWholePercents();
    void stopFromProgressSlotKeepsTheFileBeingRead();
    void unreadableMailboxIsSkippedAndCounted();
    void fileNameWithQuoteDollarAndBlanks();

private:
    QString root() const { return m_dir->path(); }
    void write(const QString &relativePath, const QByteArray &bytes)
    {
        QVERIFY2(writeFile(root(), relativePath, bytes), qPrintable(relativePath));
    }
    // Runs the routine on the test thread for the source root()/relative.
    void scan(const QString &relative, SignalLog **log = nullptr);

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<TestScan> m_scan;
    QScopedPointer<SignalLog> m_log;
};

void TestMboxDiscovery::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_scan.reset(new TestScan);
    m_log.reset(new SignalLog(*m_scan));
}

void TestMboxDiscovery::cleanup()
{
    m_log.reset();
    m_scan.reset();
    resetAllGlobalsForTest();
}

void TestMboxDiscovery::scan(const QString &relative, SignalLog **log)
{
    m_selectedFile = relative.isEmpty() ? root() : root() + QLatin1Char('/') + relative;
    m_scan->PostBoxFileSearch();
    if (log)
        *log = m_log.data();
}

void TestMboxDiscovery::walkListsEntriesInCaseFreePreOrder()
{
    write(QStringLiteral("b"), "x");
    write(QStringLiteral("A/inner"), "x");
    write(QStringLiteral("A/.DS_Store"), "x");
    write(QStringLiteral("C"), "x");
    QVERIFY(makeDirectory(root(), QStringLiteral("a2/empty")));

    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root());
    QVERIFY(walk.rootIsDirectory);
    QCOMPARE(relativeTo(root(), walk.entries),
             QStringList({QStringLiteral("A"), QStringLiteral("A/.DS_Store"), QStringLiteral("A/inner"),
                          QStringLiteral("a2"), QStringLiteral("a2/empty"), QStringLiteral("b"),
                          QStringLiteral("C")}));
}

void TestMboxDiscovery::walkEndsOnSymbolicLinkLoop()
{
    write(QStringLiteral("Mail/Local Folders/Inbox"), mboxMessage("a@example.org", "one"));
    QVERIFY(makeLink(QStringLiteral(".."), root(), QStringLiteral("Mail/Local Folders/up")));
    QVERIFY(makeLink(root(), root(), QStringLiteral("Mail/self")));

    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root());
    QCOMPARE(relativeTo(root(), walk.entries),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Local Folders"),
                          QStringLiteral("Mail/Local Folders/Inbox")}));

    // The whole routine ends too, with the mailbox filed once.
    scan(QString());
    QCOMPARE(listOfPathOfOnlyForTree.size(), 1);
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestMboxDiscovery::walkPassesOverWhatIsNoFileOrDirectory()
{
    write(QStringLiteral("Mail/Inbox"), mboxMessage("a@example.org", "one"));
    QVERIFY(makeFifo(root(), QStringLiteral("Mail/Drafts")));
    QVERIFY(makeLink(root() + QStringLiteral("/missing"), root(), QStringLiteral("Mail/Dangling")));
    QVERIFY(makeLink(root() + QStringLiteral("/Mail/Inbox"), root(), QStringLiteral("Mail/Linked")));

    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root());
    QCOMPARE(relativeTo(root(), walk.entries),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Inbox"), QStringLiteral("Mail/Linked")}));
}

void TestMboxDiscovery::walkNeverStartsFromEmptyOrRelativeRoot_data()
{
    QTest::addColumn<QString>("rootPath");
    QTest::newRow("empty-is-not-the-working-directory") << QString();
    QTest::newRow("relative-path") << QStringLiteral("Mail");
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("missing-directory") << QStringLiteral("/nonexistent-source/Mail");
}

void TestMboxDiscovery::walkNeverStartsFromEmptyOrRelativeRoot()
{
    QFETCH(QString, rootPath);
    // Something to find, should the walk start in the working directory.
    write(QStringLiteral("Mail/Inbox"), mboxMessage("a@example.org", "one"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root()));
    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(rootPath);
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY(!walk.rootIsDirectory);
    QCOMPARE(walk.entries, QStringList());
}

void TestMboxDiscovery::walkKeepsNamesWhole()
{
    write(QStringLiteral(" lead/trail "), "x");
    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root());
    QCOMPARE(relativeTo(root(), walk.entries), QStringList({QStringLiteral(" lead"), QStringLiteral(" lead/trail ")}));
}

void TestMboxDiscovery::namesThatAreNotUtf8AreScannedAndListed()
{
    // A Latin-1 folder name and file name, as an old system wrote them.
    const QByteArray folder = QFile::encodeName(root()) + "/p/Mail/Caf\xe9";
    const QByteArray file = folder + "/Bo\xeete \xff";
    QVERIFY(QDir().mkpath(root() + QStringLiteral("/p/Mail")));
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    const QByteArray mbox = mboxMessage("a@example.org", "one") + mboxMessage("b@example.org", "two");
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, mbox.constData(), size_t(mbox.size())), ssize_t(mbox.size()));
    ::close(fd);

    scan(QStringLiteral("p"));
    QCOMPARE(listOfPathOfOnlyForTree.size(), 1);
    const QString listed = listOfPathOfOnlyForTree.first();
    QCOMPARE(QFile::encodeName(listed), file);
    QCOMPARE(messagelists::mboxNodesOfFile(listed).size(), 2);
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
    QCOMPARE(m_scan->nSkippedFiles, 0);
    // On screen the stray bytes show as replacement characters.
    QVERIFY(folderTree().contains(QStringLiteral("Mail/Caf") + QChar(ushort(0xDCE9))));
}

void TestMboxDiscovery::walkNeverEntersPseudoFileSystems_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("link-into-proc") << QStringLiteral("/proc");
    QTest::newRow("link-to-own-process-in-proc") << QStringLiteral("/proc/self");
    QTest::newRow("link-into-sysfs") << QStringLiteral("/sys");
    QTest::newRow("link-into-devtmpfs") << QStringLiteral("/dev");
    QTest::newRow("link-to-file-in-proc") << QStringLiteral("/proc/self/status");
}

void TestMboxDiscovery::walkNeverEntersPseudoFileSystems()
{
    QFETCH(QString, target);
    if (!QFileInfo::exists(target))
        QSKIP("no such file system here");
    write(QStringLiteral("p/Mail/Inbox"), mboxMessage("a@example.org", "one"));
    QVERIFY(makeLink(target, root(), QStringLiteral("p/Mail/kernel")));

    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root() + QStringLiteral("/p"));
    QCOMPARE(relativeTo(root() + QStringLiteral("/p"), walk.entries),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Inbox")}));
    // Started there, the walk finds nothing either.
    QCOMPARE(mboxdiscovery::walkTree(root() + QStringLiteral("/p/Mail/kernel")).entries, QStringList());
}

void TestMboxDiscovery::linkToDirectoryWithFifoEndsWithoutOpeningIt()
{
    // The FIFO has no writer: opening it for reading would wait for ever.
    write(QStringLiteral("outside/Archive"), mboxMessage("b@example.org", "two"));
    QVERIFY(makeFifo(root(), QStringLiteral("outside/Inbox")));
    write(QStringLiteral("p/Mail/Inbox"), mboxMessage("a@example.org", "one"));
    QVERIFY(makeLink(root() + QStringLiteral("/outside"), root(), QStringLiteral("p/Mail/Linked")));

    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(root() + QStringLiteral("/p"));
    QCOMPARE(relativeTo(root() + QStringLiteral("/p"), walk.entries),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/Inbox"), QStringLiteral("Mail/Linked"),
                          QStringLiteral("Mail/Linked/Archive")}));
    QVERIFY(!mboxdiscovery::firstLineStartsWithFrom(root() + QStringLiteral("/outside/Inbox")));

    scan(QStringLiteral("p"));
    QCOMPARE(listOfPathOfOnlyForTree.size(), 2);
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestMboxDiscovery::pathTestRefusesOtherClientsFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("passes");
    QTest::newRow("thunderbird-mailbox") << QStringLiteral("/p/Mail/Local Folders/Inbox") << true;
    QTest::newRow("mbox-inside-mailbox-directory") << QStringLiteral("/S/Inbox.mbox/mbox") << true;
    QTest::newRow("plain-file-ending-mbox") << QStringLiteral("/S/Old.mbox") << false;
    QTest::newRow("mbox-ending-in-capitals-passes") << QStringLiteral("/S/Old.MBOX") << true;
    QTest::newRow("opera-file") << QStringLiteral("/S/store/a/1.mbs") << false;
    QTest::newRow("emlx-file") << QStringLiteral("/S/Inbox.mbox/Messages/1.emlx") << false;
    QTest::newRow("directory-named-like-eml") << QStringLiteral("/S/Newsletter.emlfiles/Inbox") << false;
    QTest::newRow("olm-in-path") << QStringLiteral("/S/backup.olm.d/Inbox") << false;
}

void TestMboxDiscovery::pathTestRefusesOtherClientsFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, passes);
    QCOMPARE(mboxdiscovery::passesPathTest(path), passes);
}

void TestMboxDiscovery::treePathOfEveryLayout_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("treePath");
    QTest::newRow("apple-mail-library")
        << QStringLiteral("/Users/u/Library/Mail") << QStringLiteral("/Users/u/Library/Mail/V2/Mailboxes/Inbox.mbox/mbox")
        << QStringLiteral("Mail/V2/Mailboxes/Inbox.mbox/mbox");
    QTest::newRow("apple-mail-mailboxes-directory")
        << QStringLiteral("/Users/u/Library/Mail/V2/Mailboxes")
        << QStringLiteral("/Users/u/Library/Mail/V2/Mailboxes/Work/Projects.mbox/mbox")
        << QStringLiteral("Mail/Work/Projects.mbox/mbox");
    QTest::newRow("source-with-trailing-slash")
        << QStringLiteral("/Users/u/Library/Mail/") << QStringLiteral("/Users/u/Library/Mail/V2/Mailboxes/Inbox.mbox/mbox")
        << QStringLiteral("MailV2/Mailboxes/Inbox.mbox/mbox");
    QTest::newRow("thunderbird-local-folder")
        << QStringLiteral("/h/p") << QStringLiteral("/h/p/Mail/Local Folders/Inbox")
        << QStringLiteral("Mail/Local Folders/Inbox");
    QTest::newRow("thunderbird-sbd-subfolder")
        << QStringLiteral("/h/p") << QStringLiteral("/h/p/Mail/Local Folders/Inbox.sbd/Work")
        << QStringLiteral("Mail/Local Folders/Inbox.sbd/Work");
    QTest::newRow("imap-account")
        << QStringLiteral("/h/p") << QStringLiteral("/h/p/ImapMail/mailserver/INBOX")
        << QStringLiteral("Mail/mailserver/INBOX");
    QTest::newRow("folder-name-beginning-with-mail")
        << QStringLiteral("/h/p") << QStringLiteral("/h/p/Mail/Local Folders/Mailing Lists")
        << QStringLiteral("Mailing Lists");
    QTest::newRow("subfolder-of-mail-named-folder")
        << QStringLiteral("/h/p") << QStringLiteral("/h/p/Mail/Local Folders/Mailing Lists.sbd/Work")
        << QStringLiteral("Mailing Lists.sbd/Work");
    QTest::newRow("eudora-mail-folder")
        << QStringLiteral("/h/Eudora Folder") << QStringLiteral("/h/Eudora Folder/Mail Folder/In")
        << QStringLiteral("Mail Folder/In");
    QTest::newRow("source-removed-wherever-it-stands")
        << QStringLiteral("/x") << QStringLiteral("/x/y/x/Box.mbox/mbox") << QStringLiteral("Mail/y/Box.mbox/mbox");
    QTest::newRow("loose-mailbox-mirrors-directories")
        << QStringLiteral("/h/boxes") << QStringLiteral("/h/boxes/work/inbox") << QStringLiteral("Mail/work/inbox");
    QTest::newRow("loose-mailbox-below-slash-ended-source")
        << QStringLiteral("/h/boxes/") << QStringLiteral("/h/boxes/inbox") << QStringLiteral("Mail/inbox");
}

void TestMboxDiscovery::treePathOfEveryLayout()
{
    QFETCH(QString, selected);
    QFETCH(QString, path);
    QFETCH(QString, treePath);
    QCOMPARE(mboxdiscovery::treePathFor(path, selected), treePath);
}

void TestMboxDiscovery::progressCountsOneUnitMorePerLine()
{
    // Ten LF lines of nine bytes each: ten units per line, 100 at 90 bytes.
    QCOMPARE(mboxdiscovery::progressPercent(90, 10, 100), 100.0);
    QCOMPARE(mboxdiscovery::progressPercent(0, 0, 100), 0.0);
    QCOMPARE(mboxdiscovery::progressPercent(45, 5, 100), 50.0);
    QCOMPARE(mboxdiscovery::progressPercent(1, 1, 0), 100.0);
    // 64-bit product: a file of many gigabytes does not overflow.
    const qint64 huge = qint64(40) * 1024 * 1024 * 1024;
    QCOMPARE(mboxdiscovery::progressPercent(huge / 2, 0, huge), 50.0);
    // Counts whose hundredfold no longer fits 64 bits.
    const qint64 largest = std::numeric_limits<qint64>::max();
    QVERIFY(qFuzzyCompare(mboxdiscovery::progressPercent(largest / 2, largest / 2, largest), 100.0));
    QVERIFY(qFuzzyCompare(mboxdiscovery::progressPercent(largest, largest, largest), 200.0));
    QCOMPARE(mboxdiscovery::progressPercent(largest / 4, 0, largest / 2), 50.0);
    // No count left to wait for: the next look is due at once, never at a
    // negative count.
    QCOMPARE(mboxdiscovery::nextProgressCount(largest - 10, largest, 1 << 22), qint64(0));
    QCOMPARE(mboxdiscovery::nextProgressCount(largest - 10, 1000, 1 << 22), qint64(0));
}

void TestMboxDiscovery::thunderbirdProfileGivesItsFolders()
{
    const QByteArray inbox = mboxMessage("ann@example.org", "first") + mboxMessage("bob@example.org", "second");
    write(QStringLiteral("p/Mail/Local Folders/Inbox"), inbox);
    write(QStringLiteral("p/Mail/Local Folders/Inbox.msf"), "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n");
    write(QStringLiteral("p/Mail/Local Folders/Inbox.sbd/Work"), mboxMessage("cy@example.org", "work"));
    write(QStringLiteral("p/Mail/Local Folders/Mailing Lists"), mboxMessage("list@example.org", "digest"));
    write(QStringLiteral("p/Mail/Local Folders/Trash"), QByteArray());
    write(QStringLiteral("p/ImapMail/mailserver/INBOX"), mboxMessage("dee@example.org", "imap"));
    write(QStringLiteral("p/ImapMail/mailserver/INBOX.msf"), "x\n");
    write(QStringLiteral("p/prefs.js"), "user_pref(\"x\", 1);\n");
    QCOMPARE(PID, llRootId);

    scan(QStringLiteral("p"));

    const QString p = root() + QStringLiteral("/p");
    QCOMPARE(relativeTo(p, AllFilePathInStrList),
             QStringList({QStringLiteral("ImapMail"), QStringLiteral("ImapMail/mailserver"),
                          QStringLiteral("ImapMail/mailserver/INBOX"), QStringLiteral("ImapMail/mailserver/INBOX.msf"),
                          QStringLiteral("Mail"), QStringLiteral("Mail/Local Folders"),
                          QStringLiteral("Mail/Local Folders/Inbox"), QStringLiteral("Mail/Local Folders/Inbox.msf"),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd"),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd/Work"),
                          QStringLiteral("Mail/Local Folders/Mailing Lists"), QStringLiteral("Mail/Local Folders/Trash"),
                          QStringLiteral("prefs.js")}));
    QCOMPARE(nextItr, AllFilePathInStrList.size());
    QCOMPARE(relativeTo(p, listOfPathOfOnlyForTree),
             QStringList({QStringLiteral("ImapMail/mailserver/INBOX"), QStringLiteral("Mail/Local Folders/Inbox"),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd/Work"),
                          QStringLiteral("Mail/Local Folders/Mailing Lists")}));
    QCOMPARE(folderTree(),
             QStringList({QStringLiteral("Mail"), QStringLiteral("Mail/mailserver"),
                          QStringLiteral("Mail/mailserver/INBOX"), QStringLiteral("Mail/Local Folders"),
                          QStringLiteral("Mail/Local Folders/Inbox"), QStringLiteral("Mail/Local Folders/Inbox.sbd"),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd/Work"), QStringLiteral("Mailing Lists")}));
    QCOMPARE(objMapFID_PID.firstKey(), llRootId + 1);
    QCOMPARE(mailItems(p),
             QStringList({QStringLiteral("Mail/mailserver/INBOX <- ImapMail/mailserver/INBOX"),
                          QStringLiteral("Mail/Local Folders/Inbox <- Mail/Local Folders/Inbox"),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd/Work <- Mail/Local Folders/Inbox.sbd/Work"),
                          QStringLiteral("Mailing Lists <- Mail/Local Folders/Mailing Lists")}));

    const int firstLength = mboxMessage("ann@example.org", "first").size();
    QCOMPARE(mboxNodes(p),
             QStringList({QStringLiteral("ImapMail/mailserver/INBOX @0+%1 dee@example.org|imap")
                              .arg(mboxMessage("dee@example.org", "imap").size()),
                          QStringLiteral("Mail/Local Folders/Inbox @0+%1 ann@example.org|first").arg(firstLength),
                          QStringLiteral("Mail/Local Folders/Inbox @%1+%2 bob@example.org|second")
                              .arg(firstLength)
                              .arg(inbox.size() - firstLength),
                          QStringLiteral("Mail/Local Folders/Inbox.sbd/Work @0+%1 cy@example.org|work")
                              .arg(mboxMessage("cy@example.org", "work").size()),
                          QStringLiteral("Mail/Local Folders/Mailing Lists @0+%1 list@example.org|digest")
                              .arg(mboxMessage("list@example.org", "digest").size()),
                          QStringLiteral("(end)")}));
}

void TestMboxDiscovery::profileBelowDirectoryNamedLikeFolderListsItsMessages()
{
    const QString inbox = QStringLiteral("inbox/p/Mail/Local Folders/Inbox");
    write(QStringLiteral("inbox/p/Mail/Local Folders/Drafts"), mboxMessage("cy@example.org", "draft"));
    write(inbox, mboxMessage("ann@example.org", "first") + mboxMessage("bob@example.org", "second"));

    scan(QStringLiteral("inbox/p"));

    qint64 inboxId = -1;
    for (auto it = objMapFID_Name.cbegin(); it != objMapFID_Name.cend(); ++it) {
        if (it.value() == QLatin1String("Inbox"))
            inboxId = it.key();
    }
    QVERIFY(inboxId > 0);
    const QString diskPath = MapLeftTreePath.value(inboxId);
    QCOMPARE(diskPath, root() + QLatin1Char('/') + inbox);
    QCOMPARE(messagelists::mboxNodesOfFile(diskPath).size(), 2);
}

void TestMboxDiscovery::appleMailExportFilesMboxInsideMailboxDirectories()
{
    write(QStringLiteral("Export/Inbox.mbox/mbox"), mboxMessage("a@example.org", "in"));
    write(QStringLiteral("Export/Inbox.mbox/Info.plist"), "<?xml version=\"1.0\"?>\n");
    write(QStringLiteral("Export/Old.mbox"), mboxMessage("old@example.org", "plain"));
    write(QStringLiteral("Export/Work/Projects.mbox/mbox"), mboxMessage("b@example.org", "plan"));

    scan(QStringLiteral("Export"));

    const QString s = root() + QStringLiteral("/Export");
    QCOMPARE(mailItems(s), QStringList({QStringLiteral("Mail/Inbox.mbox/mbox <- Inbox.mbox/mbox"),
                                        QStringLiteral("Mail/Work/Projects.mbox/mbox <- Work/Projects.mbox/mbox")}));
    // The plain file named like a mailbox directory is indexed all the same,
    // though it belongs to no folder.
    QCOMPARE(mboxNodes(s).size(), 4);
    QVERIFY(mboxNodes(s).at(1).startsWith(QLatin1String("Old.mbox @0+")));
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestMboxDiscovery::eudoraAndLooseMailboxes()
{
    write(QStringLiteral("Eudora Folder/Mail Folder/In"), mboxMessage("a@example.org", "in"));
    write(QStringLiteral("Eudora Folder/Mail Folder/In.toc"), QByteArray("\0\1\2", 3));
    write(QStringLiteral("Eudora Folder/Mail Folder/Out"), mboxMessage("b@example.org", "out"));
    write(QStringLiteral("Eudora Folder/boxes/work/inbox"), mboxMessage("c@example.org", "loose"));

    scan(QStringLiteral("Eudora Folder"));

    const QString s = root() + QStringLiteral("/Eudora Folder");
    QCOMPARE(mailItems(s), QStringList({QStringLiteral("Mail/boxes/work/inbox <- boxes/work/inbox"),
                                        QStringLiteral("Mail Folder/In <- Mail Folder/In"),
                                        QStringLiteral("Mail Folder/Out <- Mail Folder/Out")}));
}

void TestMboxDiscovery::selectedPathWithTrailingSlash()
{
    write(QStringLiteral("Library/Mail/V2/Mailboxes/Inbox.mbox/mbox"), mboxMessage("a@example.org", "in"));
    m_selectedFile = root() + QStringLiteral("/Library/Mail/");
    m_scan->PostBoxFileSearch();
    QCOMPARE(listOfPathOfOnlyForTree,
             QStringList({root() + QStringLiteral("/Library/Mail/V2/Mailboxes/Inbox.mbox/mbox")}));
    QCOMPARE(folderTree().last(), QStringLiteral("MailV2/Mailboxes/Inbox.mbox/mbox"));
}

void TestMboxDiscovery::firstLineDecidesAcceptance_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("separator-line") << mboxMessage("a@example.org", "s") << true;
    QTest::newRow("from-dash-line") << QByteArray("From - Mon Jan  6 10:00:00 2014\nSubject: s\n\nx\n") << true;
    QTest::newRow("crlf-line-ends") << QByteArray("From a Mon Jan  6 10:00:00 2014\r\nSubject: s\r\n\r\nx\r\n") << true;
    QTest::newRow("single-line-mailbox") << QByteArray("From a Mon Jan  6 10:00:00 2014\n") << true;
    QTest::newRow("lower-case-from") << QByteArray("from a Mon Jan  6 10:00:00 2014\nx\n") << false;
    QTest::newRow("from-and-tab") << QByteArray("From\ta Mon Jan  6 10:00:00 2014\nx\n") << false;
    QTest::newRow("header-line-first") << QByteArray("From: a@example.org\nSubject: s\n\nx\n") << false;
    QTest::newRow("empty-file") << QByteArray() << false;
    QTest::newRow("binary-index") << QByteArray("\0\0\0\1From ", 9) << false;
}

void TestMboxDiscovery::firstLineDecidesAcceptance()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, accepted);
    write(QStringLiteral("Mail/Box"), content);
    scan(QString());
    QCOMPARE(listOfPathOfOnlyForTree.size(), accepted ? 1 : 0);
    QCOMPARE(StartMailItem != nullptr, accepted);
    QCOMPARE(m_log->withoutProgress().last(), accepted ? QStringLiteral("finish") : QStringLiteral("nodata"));
}

void TestMboxDiscovery::endsWithFinishAfterFilingEveryMailbox()
{
    write(QStringLiteral("Mail/Inbox"), mboxMessage("a@example.org", "one"));
    scan(QString());
    const QStringList entries = m_log->entries;
    QCOMPARE(entries.mid(0, 3),
             QStringList({QStringLiteral("show"), QStringLiteral("progress 0.0"), QStringLiteral("sub 0.0")}));
    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show"), QStringLiteral("subhide"),
                                                    QStringLiteral("hide"), QStringLiteral("finish")}));
    QCOMPARE(entries.at(entries.size() - 4), QStringLiteral("progress 100.0"));
    QCOMPARE(m_scan->nSkippedFiles.load(), 0);
}

void TestMboxDiscovery::reportsNoDataForSourcesWithoutMailbox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("expectedSignals");
    const QStringList noDirectory{QStringLiteral("show"), QStringLiteral("progress 0.0"),
                                  QStringLiteral("progress 100.0"), QStringLiteral("nodata")};
    const QStringList noMailbox{QStringLiteral("show"), QStringLiteral("progress 0.0"), QStringLiteral("nodata")};
    QTest::newRow("empty-directory") << QStringLiteral("<root>/empty") << noMailbox;
    QTest::newRow("directory-without-mailbox") << QStringLiteral("<root>/docs") << noMailbox;
    QTest::newRow("missing-directory") << QStringLiteral("<root>/missing") << noDirectory;
    QTest::newRow("a-file-not-a-directory") << QStringLiteral("<root>/docs/readme") << noDirectory;
    QTest::newRow("empty-path") << QString() << noDirectory;
    QTest::newRow("relative-path") << QStringLiteral("docs") << noDirectory;
}

void TestMboxDiscovery::reportsNoDataForSourcesWithoutMailbox()
{
    QFETCH(QString, source);
    QFETCH(QStringList, expectedSignals);
    QVERIFY(makeDirectory(root(), QStringLiteral("empty")));
    write(QStringLiteral("docs/readme"), "Not a mailbox.\n");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root()));
    m_selectedFile = QString(source).replace(QLatin1String("<root>"), root());
    m_scan->PostBoxFileSearch();
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(m_log->entries, expectedSignals);
    QCOMPARE(StartMailItem, nullptr);
    QVERIFY(objMapFID_PID.isEmpty());
}

void TestMboxDiscovery::progressMovesOnlyByWholePercents()
{
    QByteArray big;
    for (int i = 0; i < 400; ++i)
        big += mboxMessage("sender@example.org", "message " + QByteArray::number(i));
    write(QStringLiteral("Mail/Big"), big);
    write(QStringLiteral("Mail/Small"), mboxMessage("a@example.org", "one"));
    scan(QString());

    QList<double> values;
    for (const QString &entry : m_log->entries) {
        if (entry.startsWith(QLatin1String("progress ")))
            values.append(entry.mid(9).toDouble());
    }
    QVERIFY(values.size() > 50);
    QVERIFY(values.size() < 250);
    for (int i = 1; i < values.size(); ++i)
        QVERIFY2(qFloor(values.at(i)) != qFloor(values.at(i - 1)), qPrintable(QString::number(values.at(i))));
    // Each file's values restart at its first lines.
    QCOMPARE(m_log->entries.count(QStringLiteral("sub 0.0")), 2);
}

void TestMboxDiscovery::stopFromProgressSlotKeepsTheFileBeingRead()
{
    QByteArray big;
    for (int i = 0; i < 400; ++i)
        big += mboxMessage("sender@example.org", "message " + QByteArray::number(i));
    write(QStringLiteral("Mail/A-Big"), big);
    write(QStringLiteral("Mail/B-Later"), mboxMessage("a@example.org", "one"));
    connect(m_scan.data(), &QMessageSavingThread::OnIndivisibleProgressvalue, this, [](double value) {
        if (value >= 30.0)
            bStopFlag = true;
    });
    scan(QString());

    QCOMPARE(m_log->withoutProgress(), QStringList({QStringLiteral("show")}));
    QVERIFY(m_log->entries.last().startsWith(QLatin1String("progress 3")));
    QCOMPARE(mailItems(root()), QStringList({QStringLiteral("Mail/A-Big <- Mail/A-Big")}));
    QCOMPARE(relativeTo(root(), listOfPathOfOnlyForTree), QStringList({QStringLiteral("Mail/A-Big")}));
}

void TestMboxDiscovery::unreadableMailboxIsSkippedAndCounted()
{
    write(QStringLiteral("Mail/Locked"), mboxMessage("a@example.org", "locked"));
    write(QStringLiteral("Mail/Open"), mboxMessage("b@example.org", "open"));
    QVERIFY(makeFifo(root(), QStringLiteral("Mail/Pipe")));
    QVERIFY(QFile::setPermissions(root() + QStringLiteral("/Mail/Locked"), QFileDevice::Permissions()));
    if (runningAsRoot())
        QSKIP("File permissions do not stop reads by root");
    scan(QString());
    QCOMPARE(mailItems(root()), QStringList({QStringLiteral("Mail/Open <- Mail/Open")}));
    QCOMPARE(m_scan->nSkippedFiles.load(), 1);
    QCOMPARE(m_log->withoutProgress().last(), QStringLiteral("finish"));
}

void TestMboxDiscovery::fileNameWithQuoteDollarAndBlanks()
{
    const QString name = QStringLiteral("Mail/Local Folders/It's $HOME `box` ");
    write(name, mboxMessage("a@example.org", "odd name"));
    scan(QString());
    QCOMPARE(listOfPathOfOnlyForTree, QStringList({root() + QLatin1Char('/') + name}));
    QCOMPARE(mailItems(root()), QStringList({name + QLatin1String(" <- ") + name}));
    QCOMPARE(StartMailItem->nPathBytes, 2 * (root().size() + 1 + name.size()));
}

QTEST_GUILESS_MAIN(TestMboxDiscovery)
#include "tst_mboxdiscovery.moc"
