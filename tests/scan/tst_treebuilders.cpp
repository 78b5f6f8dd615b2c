// The folder trees of the file-per-message sources: the tree path and the
// mailbox directory of a message file, and the message files a builder
// registers for its folder.

#include "app/appglobals.h"
#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "scan/treebuilders.h"
#include "support/globalsreset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using treebuilders::Layout;
using treebuilders::MailboxCut;

Q_DECLARE_METATYPE(Layout)

namespace {

// The MailItem list as "folder id: path relative to root".
QStringList mailItems(const QString &root)
{
    QStringList items;
    for (const MailItem *item = StartMailItem; item; item = item->pNext) {
        QString path = item->pPath;
        if (path.startsWith(root))
            path = path.mid(root.size() + 1);
        items.append(QStringLiteral("%1: %2").arg(item->llFolderId).arg(path));
        if (item->nPathBytes != 2 * item->pPath.size())
            items.append(QStringLiteral("bad byte count"));
    }
    return items;
}

QStringList mailItemPaths()
{
    QStringList paths;
    for (const MailItem *item = StartMailItem; item; item = item->pNext)
        paths.append(item->pPath);
    return paths;
}

// Makes the files (and their directories) below root.
void makeFiles(const QString &root, const QStringList &relativePaths)
{
    for (const QString &relative : relativePaths) {
        const QString path = root + QLatin1Char('/') + relative;
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("From: a@example.org\n\nbody\n");
    }
}

// Hands the files to the builder of layout in order, as a discovery does.
void build(Layout layout, const QString &root, const QStringList &relativePaths)
{
    QMessageSavingThread thread;
    for (const QString &relative : relativePaths) {
        const QString path = root + QLatin1Char('/') + relative;
        switch (layout) {
        case Layout::AppleMail:
            thread.TreeCreatorForAppleMail(QString(), QString(), path);
            break;
        case Layout::MailMate:
            thread.TreeCreatorForMailMate(QString(), QString(), path);
            break;
        case Layout::Outspring:
            thread.TreeCreatorForOutSpring(QString(), QString(), path);
            break;
        }
    }
}

qint64 folderIdOf(const QString &treePath)
{
    qint64 id = llRootId;
    for (const QString &name : treePath.split(QLatin1Char('/'))) {
        if (!foldermodel::findFolder(name, id, &id))
            return -1;
    }
    return id;
}

} // namespace

class TestTreeBuilders : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { QDir::setCurrent(m_startDirectory); }

    void cutsMailbox_data();
    void cutsMailbox();
    void firstFileRegistersWholeMailbox();
    void nestedMailboxRegisteredOnce_data();
    void nestedMailboxRegisteredOnce();
    void outspringFolderPerDirectory();
    void symbolicLinksInsideMailbox();
    void walkNeverStartsFromWorkingDirectory();

private:
    const QString m_startDirectory = QDir::currentPath();
};

void TestTreeBuilders::cutsMailbox_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("treePath");
    QTest::addColumn<QString>("walkRoot");
    QTest::addColumn<bool>("loose");

    const QString mail = QStringLiteral("/Users/u/Library/Mail");
    const QString boxes = mail + QStringLiteral("/V2/Mailboxes");
    QTest::newRow("apple-mailbox-below-selection")
        << Layout::AppleMail << mail << boxes + QStringLiteral("/Inbox.mbox/Messages/12.emlx")
        << QStringLiteral("Mail/V2/Mailboxes/Inbox.mbox") << boxes + QStringLiteral("/Inbox.mbox")
        << false;
    QTest::newRow("apple-selection-is-the-mailbox")
        << Layout::AppleMail << boxes + QStringLiteral("/Inbox.mbox")
        << boxes + QStringLiteral("/Inbox.mbox/Messages/12.emlx") << QStringLiteral("Mail/Inbox.mbox")
        << boxes + QStringLiteral("/Inbox.mbox") << false;
    QTest::newRow("apple-selection-inside-the-mailbox")
        << Layout::AppleMail << boxes + QStringLiteral("/Inbox.mbox/Messages")
        << boxes + QStringLiteral("/Inbox.mbox/Messages/12.emlx") << QStringLiteral("Mail/Inbox.mbox")
        << boxes + QStringLiteral("/Inbox.mbox") << false;
    QTest::newRow("apple-imap-mailbox")
        << Layout::AppleMail << mail << mail + QStringLiteral("/V2/Acct/INBOX.imapmbox/Messages/7.emlx")
        << QStringLiteral("Mail/V2/Acct/INBOX.imapmbox")
        << mail + QStringLiteral("/V2/Acct/INBOX.imapmbox") << false;
    QTest::newRow("apple-imapmbox-cut-wins-over-deeper-mbox")
        << Layout::AppleMail << QStringLiteral("/S") << QStringLiteral("/S/A.imapmbox/B.mbox/1.emlx")
        << QStringLiteral("Mail/A.imapmbox") << QStringLiteral("/S/A.imapmbox") << false;
    QTest::newRow("apple-suffix-from-anywhere-in-path")
        << Layout::AppleMail << QStringLiteral("/S") << QStringLiteral("/S/x.imapmboxes/B.mbox/1.emlx")
        << QStringLiteral("Mail/x.imapmboxes/B.imapmbox") << QStringLiteral("/S/x.imapmboxes/B.imapmbox")
        << false;
    QTest::newRow("apple-selection-removed-wherever-it-occurs")
        << Layout::AppleMail << QStringLiteral("/m") << QStringLiteral("/m/a/m/b.mbox/1.emlx")
        << QStringLiteral("Mail/a/b.mbox") << QStringLiteral("/m/a/m/b.mbox") << false;
    QTest::newRow("apple-loose-file-below-selection")
        << Layout::AppleMail << QStringLiteral("/S") << QStringLiteral("/S/Loose/9.emlx")
        << QStringLiteral("Mail/Loose") << QString() << true;
    QTest::newRow("apple-loose-file-in-selection")
        << Layout::AppleMail << QStringLiteral("/S") << QStringLiteral("/S/9.emlx")
        << QStringLiteral("Mail") << QString() << true;

    const QString mate = QStringLiteral("/Users/u/Library/Application Support/MailMate");
    QTest::newRow("mailmate-imap-account-mailbox")
        << Layout::MailMate << QStringLiteral("/S") << QStringLiteral("/S/IMAP/acct/INBOX.mailbox/Messages/7.eml")
        << QStringLiteral("Mail/IMAP/acct/INBOX.mailbox") << QStringLiteral("/S/IMAP/acct/INBOX.mailbox")
        << false;
    QTest::newRow("mailmate-mailboxes-folder")
        << Layout::MailMate << mate << mate + QStringLiteral("/Mailboxes/Work.mailbox/Messages/100.eml")
        << QStringLiteral("Mail/Mailboxes/Work.mailbox") << mate + QStringLiteral("/Mailboxes/Work.mailbox")
        << false;
    QTest::newRow("mailmate-selection-is-the-mailbox")
        << Layout::MailMate << QStringLiteral("/S/INBOX.mailbox")
        << QStringLiteral("/S/INBOX.mailbox/Messages/1.eml") << QStringLiteral("Mail/INBOX.mailbox")
        << QStringLiteral("/S/INBOX.mailbox") << false;
    QTest::newRow("mailmate-mailbox-cut-wins-over-deeper-mbox")
        << Layout::MailMate << QStringLiteral("/S") << QStringLiteral("/S/A.mailbox/B.mbox/1.eml")
        << QStringLiteral("Mail/A.mailbox") << QStringLiteral("/S/A.mailbox") << false;

    const QString spring = QStringLiteral("/Users/u/Library/Application Support/Outspring Mail");
    QTest::newRow("outspring-mbox-dropped-from-tree")
        << Layout::Outspring << spring << spring + QStringLiteral("/Mailboxes/Inbox.mbox/1.f.eml")
        << QStringLiteral("Mail/Mailboxes/Inbox") << spring + QStringLiteral("/Mailboxes/Inbox.mbox")
        << false;
    QTest::newRow("outspring-file-directly-in-selection")
        << Layout::Outspring << spring << spring + QStringLiteral("/3.eml") << QStringLiteral("Mail")
        << spring << false;
    QTest::newRow("outspring-short-source")
        << Layout::Outspring << QStringLiteral("/S") << QStringLiteral("/S/Inbox.mbox/3.eml")
        << QStringLiteral("Mail/Inbox") << QStringLiteral("/S/Inbox.mbox") << false;
    QTest::newRow("outspring-every-mbox-removed")
        << Layout::Outspring << QStringLiteral("/Top") << QStringLiteral("/Top/Work.mbox/Sub.mbox/1.eml")
        << QStringLiteral("Mail/Work/Sub") << QStringLiteral("/Top/Work.mbox/Sub.mbox") << false;
    QTest::newRow("outspring-selection-removed-wherever-it-occurs")
        << Layout::Outspring << QStringLiteral("/S") << QStringLiteral("/S/Work.mbox/Sub.mbox/1.eml")
        << QStringLiteral("Mail/Workub") << QStringLiteral("/S/Work.mbox/Sub.mbox") << false;
    QTest::newRow("outspring-outside-selection-keeps-whole-directory")
        << Layout::Outspring << QStringLiteral("/S") << QStringLiteral("/T/x.mbox/1.eml")
        << QStringLiteral("Mail/T/x.mbox") << QStringLiteral("/T/x.mbox") << false;
}

void TestTreeBuilders::cutsMailbox()
{
    QFETCH(Layout, layout);
    QFETCH(QString, selected);
    QFETCH(QString, path);
    QFETCH(QString, treePath);
    QFETCH(QString, walkRoot);
    QFETCH(bool, loose);

    const MailboxCut cut = treebuilders::cutMailbox(layout, path, selected);
    QCOMPARE(cut.treePath, treePath);
    QCOMPARE(cut.walkRoot, walkRoot);
    QCOMPARE(cut.loose, loose);
}

void TestTreeBuilders::firstFileRegistersWholeMailbox()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    const QStringList files{
        QStringLiteral(" Lead.mbox/Messages/1.emlx"),
        QStringLiteral("Inbox.mbox/Messages /7.emlx"),
        QStringLiteral("Inbox.mbox/Messages / 5.emlx"),
        QStringLiteral("Inbox.mbox/Messages /.hidden.emlx"),
        QStringLiteral("Inbox.mbox/Messages /2.partial.emlx"),
        QStringLiteral("Inbox.mbox/Messages /2.3.emlxpart"),
        QStringLiteral("Inbox.mbox/Messages /CAPS.EMLX"),
        QStringLiteral("Inbox.mbox/Messages /10.eml"),
        QStringLiteral("Inbox.mbox/Messages /note.txt"),
        QStringLiteral("Inbox.mbox/Info.plist"),
    };
    makeFiles(root, files);
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Inbox.mbox/Messages /dir.emlx")));

    m_selectedFile = root;
    build(Layout::AppleMail, root, {files.at(1)});
    QVERIFY(!bCheckFucntion);
    const qint64 inbox = folderIdOf(QStringLiteral("Mail/Inbox.mbox"));
    QCOMPARE(inbox, qint64(503));
    const QStringList expected{
        QStringLiteral("503: Inbox.mbox/Messages / 5.emlx"),
        QStringLiteral("503: Inbox.mbox/Messages /.hidden.emlx"),
        QStringLiteral("503: Inbox.mbox/Messages /10.eml"),
        QStringLiteral("503: Inbox.mbox/Messages /2.partial.emlx"),
        QStringLiteral("503: Inbox.mbox/Messages /7.emlx"),
    };
    QCOMPARE(mailItems(root), expected);
    QCOMPARE(listOfPathOfOnlyForTree, mailItemPaths());

    // Later files of the mailbox only resolve their folder again.
    build(Layout::AppleMail, root, {files.at(4), files.at(2)});
    QVERIFY(bCheckFucntion);
    QCOMPARE(llParentIdRunning, inbox);
    QCOMPARE(mailItems(root), expected);

    // A mailbox whose name begins with a blank keeps it.
    build(Layout::AppleMail, root, {files.at(0)});
    QCOMPARE(folderIdOf(QStringLiteral("Mail/ Lead.mbox")), qint64(504));
    QCOMPARE(mailItems(root).constLast(), QStringLiteral("504:  Lead.mbox/Messages/1.emlx"));
    QCOMPARE(listOfPathOfOnlyForTree, mailItemPaths());
}

void TestTreeBuilders::nestedMailboxRegisteredOnce_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("items");

    const QStringList appleFiles{QStringLiteral("Outer.mbox/Messages/1.emlx"),
                                 QStringLiteral("Outer.mbox/Inner.mbox/Messages/2.emlx")};
    // Folders: Mail 502, Outer.mbox 503, Inner.mbox 504 under Outer, whichever file comes first.
    QTest::newRow("apple-outer-file-first")
        << Layout::AppleMail << appleFiles << appleFiles
        << QStringList{QStringLiteral("503: Outer.mbox/Messages/1.emlx"),
                       QStringLiteral("504: Outer.mbox/Inner.mbox/Messages/2.emlx")};
    QTest::newRow("apple-inner-file-first")
        << Layout::AppleMail << appleFiles << QStringList{appleFiles.at(1), appleFiles.at(0)}
        << QStringList{QStringLiteral("504: Outer.mbox/Inner.mbox/Messages/2.emlx"),
                       QStringLiteral("503: Outer.mbox/Messages/1.emlx")};
    const QStringList mateFiles{QStringLiteral("A.mailbox/Messages/1.eml"),
                                QStringLiteral("A.mailbox/B.mailbox/Messages/2.eml")};
    QTest::newRow("mailmate-outer-file-first")
        << Layout::MailMate << mateFiles << mateFiles
        << QStringList{QStringLiteral("503: A.mailbox/Messages/1.eml"),
                       QStringLiteral("504: A.mailbox/B.mailbox/Messages/2.eml")};
}

void TestTreeBuilders::nestedMailboxRegisteredOnce()
{
    QFETCH(Layout, layout);
    QFETCH(QStringList, files);
    QFETCH(QStringList, order);
    QFETCH(QStringList, items);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    makeFiles(dir.path(), files);
    m_selectedFile = dir.path();
    build(layout, dir.path(), order);
    QCOMPARE(mailItems(dir.path()), items);
    QCOMPARE(listOfPathOfOnlyForTree, mailItemPaths());
}

void TestTreeBuilders::outspringFolderPerDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    const QStringList files{QStringLiteral("0.eml"), QStringLiteral("Inbox.mbox/1.eml"),
                            QStringLiteral("Inbox.mbox/2.f.eml"),
                            QStringLiteral("Inbox.mbox/Sub.mbox/3.eml")};
    makeFiles(root, files);
    m_selectedFile = root;
    build(Layout::Outspring, root, files);

    // Mail 502 (the source folder), Inbox 503, Sub 504.
    QCOMPARE(mailItems(root), (QStringList{QStringLiteral("502: 0.eml"),
                                           QStringLiteral("503: Inbox.mbox/1.eml"),
                                           QStringLiteral("503: Inbox.mbox/2.f.eml"),
                                           QStringLiteral("504: Inbox.mbox/Sub.mbox/3.eml")}));
    QCOMPARE(folderIdOf(QStringLiteral("Mail/Inbox/Sub")), qint64(504));
    QCOMPARE(MapLeftTreePath.value(502), root);
    QCOMPARE(MapLeftTreePath.value(503), root + QStringLiteral("/Inbox.mbox"));
    QCOMPARE(MapLeftTreePath.value(504), root + QStringLiteral("/Inbox.mbox/Sub.mbox"));
    QCOMPARE(listOfPathOfOnlyForTree, mailItemPaths());
}

void TestTreeBuilders::symbolicLinksInsideMailbox()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    makeFiles(root, {QStringLiteral("Inbox.mbox/Messages/1.emlx")});
    const QString messages = root + QStringLiteral("/Inbox.mbox/Messages");
    // A loop back to the mailbox and a link to a message.
    QVERIFY(QFile::link(root + QStringLiteral("/Inbox.mbox"), messages + QStringLiteral("/loop")));
    QVERIFY(QFile::link(messages + QStringLiteral("/1.emlx"), messages + QStringLiteral("/link.emlx")));
    QVERIFY(QFile::link(messages + QStringLiteral("/gone"), messages + QStringLiteral("/dangling.emlx")));

    m_selectedFile = root;
    build(Layout::AppleMail, root, {QStringLiteral("Inbox.mbox/Messages/1.emlx")});
    QCOMPARE(mailItems(root), (QStringList{QStringLiteral("503: Inbox.mbox/Messages/1.emlx"),
                                           QStringLiteral("503: Inbox.mbox/Messages/link.emlx")}));
}

void TestTreeBuilders::walkNeverStartsFromWorkingDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    makeFiles(root, {QStringLiteral("Work.mbox/1.emlx"), QStringLiteral("Loose/9.emlx"),
                     QStringLiteral("Loose/8.emlx")});
    QVERIFY(QDir::setCurrent(root));

    QVERIFY(treebuilders::mailboxMessageFiles(Layout::AppleMail, QString()).isEmpty());
    QVERIFY(treebuilders::mailboxMessageFiles(Layout::AppleMail, QStringLiteral("Work.mbox")).isEmpty());
    QVERIFY(treebuilders::mailboxMessageFiles(Layout::AppleMail, QStringLiteral(".")).isEmpty());

    // A loose message registers itself only, under the folder of its directory.
    m_selectedFile = root;
    build(Layout::AppleMail, root, {QStringLiteral("Loose/9.emlx")});
    QCOMPARE(mailItems(root), QStringList{QStringLiteral("503: Loose/9.emlx")});
    QCOMPARE(MapLeftTreePath.value(503), root + QStringLiteral("/Loose"));
    build(Layout::AppleMail, root, {QStringLiteral("Loose/9.emlx"), QStringLiteral("Loose/8.emlx")});
    QCOMPARE(mailItems(root), (QStringList{QStringLiteral("503: Loose/9.emlx"),
                                           QStringLiteral("503: Loose/8.emlx")}));

    // A mailbox directory that does not exist records nothing; its folder stays.
    build(Layout::AppleMail, root, {QStringLiteral("Gone.mbox/Messages/4.emlx")});
    QVERIFY(folderIdOf(QStringLiteral("Mail/Gone.mbox")) > 0);
    QCOMPARE(mailItems(root).size(), 2);
}

QTEST_GUILESS_MAIN(TestTreeBuilders)
#include "tst_treebuilders.moc"
