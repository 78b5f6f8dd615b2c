// The message list of a clicked folder for every source kind, the status
// line after a fill, and the dispatch of a selected row to the preview.

#include "app/mainwindowfixture.h"

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/mybutton.h"
#include "browser/messagelists.h"
#include "browser/previewdispatch.h"
#include "olm/mailmlrc.h"
#include "scan/filelister.h"
#include "scan/scanglobals.h"
#include "support/outputcapture.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextLayout>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Records every preview call a selection makes, in order.
class RecordingPreviews : public previewdispatch::PreviewCalls
{
public:
    void backupRecord(QConverterMainWindow *window, QTreeWidgetItem *row) override
    {
        calls.append(QStringLiteral("backup %1 %2").arg(row->text(3), row->text(4)));
        if (forward)
            PreviewCalls::backupRecord(window, row);
    }
    void mboxRange(QConverterMainWindow *, const QString &path, const QString &offset,
                   const QString &length) override
    {
        calls.append(QStringLiteral("mbox %1 %2 %3").arg(path, offset, length));
    }
    void wholeFile(QConverterMainWindow *, const QString &path) override
    {
        calls.append(QStringLiteral("file ") + path);
    }

    QStringList calls;
    bool forward = false;
};

MboxMbx *appendNode(const QString &path, const QString &from, const QString &subject, qint64 offset = 0,
                    qint64 length = 0, const QString &location = QString())
{
    auto *node = new MboxMbx;
    node->szFilePath = path;
    node->szFrom = from;
    node->szSubject = subject;
    node->llOffset = offset;
    node->llLength = length;
    node->szLocation = location;
    if (TmpMboxMbxPtrEnd)
        TmpMboxMbxPtrEnd->pNext = node;
    else
        TmpMboxMbxPtrStart = node;
    TmpMboxMbxPtrEnd = node;
    return node;
}

MailMLRC *appendRecord(quint64 folderId, const QByteArray &fromNames, const QByteArray &subject,
                       qint64 offset, qint64 length)
{
    MailMLRC *record = appendMailMLRC();
    storeText(record->szFromName, mlrclimits::kFromName, fromNames);
    storeText(record->szSubject, mlrclimits::kSubject, subject);
    record->llFolderId = folderId;
    record->llBodyOffset = offset;
    record->llBodyLength = length;
    return record;
}

// Every row as "display|path|offset|length", line feeds shown as "/".
QStringList rowsOf(QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        rows.append(QString(row->text(1)).replace(QLatin1Char('\n'), QLatin1Char('/')) + QLatin1Char('|')
                    + row->text(2) + QLatin1Char('|') + row->text(3) + QLatin1Char('|') + row->text(4));
    }
    return rows;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class TestMessageLists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsMboxMessagesOfExactPath_data();
    void listsMboxMessagesOfExactPath();
    void rowsShowSenderAndSubjectLines_data();
    void rowsShowSenderAndSubjectLines();
    void listsBackupMessagesByFolderId();
    void listsOperaMessagesByAccountAndLocation_data();
    void listsOperaMessagesByAccountAndLocation();
    void operaAndBackupRowHelpers_data();
    void operaAndBackupRowHelpers();
    void findsMailboxAndParentDirectories_data();
    void findsMailboxAndParentDirectories();
    void listsFilePerMessageFolder_data();
    void listsFilePerMessageFolder();
    void skipsUnreadableFileAndGoesOn();
    void listedFilesLogOnlyWhenAsked_data();
    void listedFilesLogOnlyWhenAsked();
    void walksWithoutFollowingLinksOrLooping();
    void listsWhatTheConversionFinds();
    void reportsZeroItems();
    void selectsFirstRowInListOrderAfterSorting();
    void dispatchesBySourceKind_data();
    void dispatchesBySourceKind();
    void previewsFirstMatchingBackupRecord();
    void indexesFollowANewScan();

private:
    QTreeWidgetItem *addFolder(qint64 id, const QString &name, const QString &path, qint64 parent = 501);
    void click(QTreeWidgetItem *folder);
    bool controlsEnabled() const;

    MainWindowFixture fixture;
    QConverterMainWindow *window = nullptr;
    RecordingPreviews previews;
    QTemporaryDir store;
};

void TestMessageLists::initTestCase()
{
    initConverterResources();
}

void TestMessageLists::init()
{
    fixture.setUp();
    window = fixture.window;
    previews.calls.clear();
    previews.forward = false;
    previewdispatch::setPreviewCalls(&previews);
    QVERIFY(store.isValid());
}

void TestMessageLists::cleanup()
{
    previewdispatch::setPreviewCalls(nullptr);
    fixture.tearDown();
    window = nullptr;
    QDir(store.path()).removeRecursively();
    QDir().mkpath(store.path());
}

QTreeWidgetItem *TestMessageLists::addFolder(qint64 id, const QString &name, const QString &path, qint64 parent)
{
    window->OnMakeTreeWidget(id, name, parent, path);
    QTreeWidgetItem *root = window->m_pFolderTree->topLevelItem(0);
    if (id == llRootId)
        return root;
    QList<QTreeWidgetItem *> found = window->m_pFolderTree->findItems(
        QString::number(id), Qt::MatchExactly | Qt::MatchRecursive, 1);
    return found.value(0);
}

void TestMessageLists::click(QTreeWidgetItem *folder)
{
    QVERIFY(folder);
    emit window->m_pFolderTree->itemClicked(folder, 0);
}

bool TestMessageLists::controlsEnabled() const
{
    return window->m_pFolderTree->isEnabled() && m_pMyOpenButton->isEnabled() && m_pMySaveButton->isEnabled();
}

void TestMessageLists::listsMboxMessagesOfExactPath_data()
{
    QTest::addColumn<QString>("folderPath");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("previewed");

    QTest::newRow("exact-path")
        << QStringLiteral("/src/Inbox")
        << QStringList{QStringLiteral("Anna/Hello|/src/Inbox|0|120"), QStringLiteral("/No sender|/src/Inbox|120|80"),
                       QStringLiteral("Carl/|/src/Inbox|4294967296|9")}
        << QStringList{QStringLiteral("mbox /src/Inbox 0 120")};
    QTest::newRow("other-letter-case") << QStringLiteral("/src/INBOX") << QStringList() << QStringList();
    QTest::newRow("empty-path-lists-not-the-end-node") << QString() << QStringList() << QStringList();
}

void TestMessageLists::listsMboxMessagesOfExactPath()
{
    QFETCH(QString, folderPath);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, previewed);
    bMboxFileFound = true;
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Anna"), QStringLiteral("Hello"), 0, 120);
    appendNode(QStringLiteral("/src/inbox"), QStringLiteral("Bob"), QStringLiteral("Other case"), 0, 50);
    appendNode(QStringLiteral("/src/Inbox"), QString(), QStringLiteral("No sender"), 120, 80);
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Carl"), QString(), 4294967296LL, 9);
    appendNode(QString(), QString(), QString()); // the empty node that ends an index

    QTreeWidgetItem *folder = addFolder(502, QStringLiteral("Inbox"), folderPath);
    click(folder);

    QCOMPARE(rowsOf(window->m_pMessageList), rows);
    QCOMPARE(previews.calls, previewed);
    QCOMPARE(window->m_pMessageCountLabel->text(), QString::number(rows.size()));
    QVERIFY(controlsEnabled());
    if (!rows.isEmpty()) {
        QTreeWidgetItem *first = window->m_pMessageList->topLevelItem(0);
        QVERIFY(first->isSelected());
        QCOMPARE(first->sizeHint(1).width(), 32);
        QVERIFY(first->sizeHint(1).height() >= 32);
        QCOMPARE(first->font(1).family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(first->font(1).pointSize(), 11);
        QVERIFY(!first->icon(1).isNull());
        QVERIFY(window->m_pMessageList->alternatingRowColors());
    }
}

void TestMessageLists::rowsShowSenderAndSubjectLines_data()
{
    QTest::addColumn<QString>("sender");

    QTest::newRow("latin-sender") << QStringLiteral("Anna Berg <anna@example.org>");
    QTest::newRow("chinese-sender") << QStringLiteral("王小明 <wang@example.cn>");
    QTest::newRow("japanese-sender") << QStringLiteral("山田花子 <hanako@example.jp>");
    QTest::newRow("korean-sender") << QStringLiteral("김민준 <minjun@example.kr>");
}

void TestMessageLists::rowsShowSenderAndSubjectLines()
{
    QFETCH(QString, sender);
    if (QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty())
        QSKIP("no CJK font installed");
    bMboxFileFound = true;
    appendNode(QStringLiteral("/src/Inbox"), sender, QStringLiteral("Quarterly report"), 0, 120);
    appendNode(QString(), QString(), QString());
    click(addFolder(502, QStringLiteral("Inbox"), QStringLiteral("/src/Inbox")));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    // Both lines laid out as the item view lays out a row's text.
    QTreeWidget *list = window->m_pMessageList;
    QTreeWidgetItem *row = list->topLevelItem(0);
    QTextLayout layout(row->text(1).replace(QLatin1Char('\n'), QChar::LineSeparator), row->font(1));
    layout.beginLayout();
    qreal needed = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(1e6);
        needed += line.height();
    }
    layout.endLayout();
    QCOMPARE(layout.lineCount(), 2);
    const QRect rect = list->visualItemRect(row);
    QVERIFY2(rect.height() >= qCeil(needed), qPrintable(QStringLiteral("%1 < %2").arg(rect.height()).arg(needed)));
}

void TestMessageLists::listsBackupMessagesByFolderId()
{
    bOlmFileFound = true;
    appendRecord(502, "Anna;Bob;", "Two senders", 100, 10);
    appendRecord(503, "Other;", "Elsewhere", 200, 20);
    appendRecord(502, "Carl;", "", 300, 30);
    appendRecord(502, "", "No sender", 400, 40);
    appendRecord(kNoFolderId, "Dora;", "No folder", 500, 50);
    QTreeWidgetItem *folder = addFolder(502, QStringLiteral("Inbox"), QString());
    addFolder(503, QStringLiteral("Sent"), QString());

    click(folder);

    QCOMPARE(rowsOf(window->m_pMessageList),
             (QStringList{QStringLiteral("Bob/Two senders||100|10"), QStringLiteral("Carl/No Subject||300|30"),
                          QStringLiteral("/No sender||400|40")}));
    QCOMPARE(previews.calls, QStringList{QStringLiteral("backup 100 10")});
    QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Inbox:"));

    // The root's id is no record's folder, so it lists nothing.
    click(window->m_pFolderTree->topLevelItem(0));
    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 0);
}

void TestMessageLists::listsOperaMessagesByAccountAndLocation_data()
{
    QTest::addColumn<QString>("folderPath");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("account-below-store")
        << QStringLiteral("/mail/store/account1/2015/07/1.mbs") << QStringLiteral("Inbox")
        << QStringList{QStringLiteral("Anna/One|/mail/store/account1/2015/07/12.mbs||"),
                       QStringLiteral("Bob/Three|/mail/store/account1/2016/01/3.mbs||")};
    QTest::newRow("same-folder-name-other-account")
        << QStringLiteral("/mail/store/account2/1.mbs") << QStringLiteral("Inbox")
        << QStringList{QStringLiteral("Carl/Two|/mail/store/account2/2015/07/5.mbs||")};
    QTest::newRow("location-must-match-name")
        << QStringLiteral("/mail/store/account1/1.mbs") << QStringLiteral("Sent") << QStringList();
    QTest::newRow("without-store-first-component")
        << QStringLiteral("/home/u/x.mbs") << QStringLiteral("Mails")
        << QStringList{QStringLiteral("Dora/Four|/home/v/y.mbs||")};
}

void TestMessageLists::listsOperaMessagesByAccountAndLocation()
{
    QFETCH(QString, folderPath);
    QFETCH(QString, folderName);
    QFETCH(QStringList, rows);
    bMbsFileFound = true;
    appendNode(QStringLiteral("/mail/store/account1/2015/07/12.mbs"), QStringLiteral("Anna\n"), QStringLiteral("One"),
               0, 0, QStringLiteral("Inbox"));
    appendNode(QStringLiteral("/mail/store/account2/2015/07/5.mbs"), QStringLiteral("Carl"), QStringLiteral("Two"), 0, 0,
               QStringLiteral("Inbox"));
    appendNode(QStringLiteral("/mail/store/account1/2016/01/3.mbs"), QStringLiteral("Bob"), QStringLiteral("Three"), 0,
               0, QStringLiteral("Inbox"));
    appendNode(QStringLiteral("/mail/store/account1/2016/01/4.mbs"), QStringLiteral("Eve"), QStringLiteral("Five"), 0,
               0, QStringLiteral("inbox"));
    appendNode(QStringLiteral("/home/v/y.mbs"), QStringLiteral("Dora"), QStringLiteral("Four"), 0, 0,
               QStringLiteral("Mails"));

    click(addFolder(502, folderName, folderPath));

    QCOMPARE(rowsOf(window->m_pMessageList), rows);
    if (!rows.isEmpty())
        QCOMPARE(previews.calls, QStringList{QStringLiteral("file ") + rows.first().section(QLatin1Char('|'), 1, 1)});
}

void TestMessageLists::operaAndBackupRowHelpers_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("backup-two-names-gives-last") << "olm" << "A;B;" << "B";
    QTest::newRow("backup-three-names-gives-last") << "olm" << "A;B;C;" << "C";
    QTest::newRow("backup-one-name") << "olm" << "A;" << "A";
    QTest::newRow("backup-names-without-final-separator") << "olm" << "A;B" << "AB";
    QTest::newRow("backup-empty") << "olm" << "" << "";
    QTest::newRow("opera-trailing-line-feed-removes-all") << "opera" << "A\nB\n" << "AB";
    QTest::newRow("opera-inner-line-feed-stays") << "opera" << "A\nB" << "A\nB";
    QTest::newRow("account-after-last-store") << "account" << "/a/store/x/store/acc/1.mbs" << "acc";
    QTest::newRow("account-trimmed") << "account" << "/m/store/ acc /1.mbs" << "acc";
    QTest::newRow("account-without-store") << "account" << "/home/u/1.mbs" << "home";
    QTest::newRow("account-of-store-alone") << "account" << "/m/store" << "";
}

void TestMessageLists::operaAndBackupRowHelpers()
{
    QFETCH(QString, function);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    if (function == QLatin1String("olm"))
        QCOMPARE(messagelists::olmSenderName(input), expected);
    else if (function == QLatin1String("opera"))
        QCOMPARE(messagelists::operaSender(input), expected);
    else
        QCOMPARE(messagelists::accountDirectory(input), expected);
}

void TestMessageLists::findsMailboxAndParentDirectories_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mailbox");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<bool>("skipped");

    QTest::newRow("emlx-in-mbox") << "/m/Work.mbox/1A/Data/Messages/12.emlx" << "/m/Work.mbox"
                                  << "/m/Work.mbox/1A/Data/Messages" << false;
    QTest::newRow("nested-mbox-takes-last") << "/m/Work.mbox/Sub.mbox/2B/Messages/13.emlx" << "/m/Work.mbox/Sub.mbox"
                                            << "/m/Work.mbox/Sub.mbox/2B/Messages" << false;
    QTest::newRow("imapmbox-wins-over-later-mbox") << "/m/A.imapmbox/B.mbox/Messages/1.emlx" << "/m/A.imapmbox"
                                                   << "/m/A.imapmbox/B.mbox/Messages" << false;
    QTest::newRow("mailbox-suffix") << "/m/Name.mailbox/Messages/5.eml" << "/m/Name.mailbox"
                                    << "/m/Name.mailbox/Messages" << false;
    QTest::newRow("capital-suffix-does-not-count") << "/m/Work.MBOX/Messages/1.emlx" << ""
                                                   << "/m/Work.MBOX/Messages" << false;
    QTest::newRow("emlxpart") << "/m/W.mbox/Messages/1.3.emlxpart" << "/m/W.mbox" << "/m/W.mbox/Messages" << true;
    QTest::newRow("dat-inside-a-name") << "/m/Archive.data/1.eml" << "" << "/m/Archive.data" << true;
    QTest::newRow("application-bundle") << "/m/App/Contents/MacOS/x" << "" << "/m/App/Contents/MacOS" << true;
    QTest::newRow("property-list") << "/m/W.mbox/Info.plist" << "/m/W.mbox" << "/m/W.mbox" << true;
    QTest::newRow("finder-file") << "/m/W.mbox/.DS_Store" << "/m/W.mbox" << "/m/W.mbox" << true;
}

void TestMessageLists::findsMailboxAndParentDirectories()
{
    QFETCH(QString, path);
    QFETCH(QString, mailbox);
    QFETCH(QString, parent);
    QFETCH(bool, skipped);
    QCOMPARE(messagelists::mailboxDirectory(path), mailbox);
    QCOMPARE(messagelists::parentDirectory(path), parent);
    QCOMPARE(messagelists::isSkippedPath(path), skipped);
    QVERIFY(messagelists::belongsToFolder(path, parent));
    if (!mailbox.isEmpty())
        QVERIFY(messagelists::belongsToFolder(path, mailbox));
    QVERIFY(!messagelists::belongsToFolder(path, QStringLiteral("/m")));
}

void TestMessageLists::listsFilePerMessageFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("mailbox-rule-skips-nested-mailbox")
        << QStringLiteral("Work.mbox")
        << QStringList{QStringLiteral("Anna/First|Work.mbox/1A/Data/Messages/12.emlx||"),
                       QStringLiteral("Leading/|Work.mbox/Messages/ 15.emlx||"),
                       QStringLiteral("/Only a subject|Work.mbox/Messages/14.emlx ||")};
    QTest::newRow("nested-mailbox") << QStringLiteral("Work.mbox/Sub.mbox")
                                    << QStringList{QStringLiteral("Bob/Nested|Work.mbox/Sub.mbox/2B/Data/Messages/13.emlx||")};
    QTest::newRow("mailbox-directory") << QStringLiteral("Name.mailbox")
                                       << QStringList{QStringLiteral("Carl/Mate|Name.mailbox/Messages/5.eml||")};
    QTest::newRow("parent-directory-rule") << QStringLiteral("Plain")
                                           << QStringList{QStringLiteral("Dora/Direct|Plain/7.eml||")};
    QTest::newRow("capital-suffix-only-parent-rule") << QStringLiteral("Caps.MBOX") << QStringList();
    QTest::newRow("missing-directory") << QStringLiteral("Gone.mbox") << QStringList();
}

void TestMessageLists::listsFilePerMessageFolder()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, rows);
    const QString root = store.path() + QLatin1Char('/');
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/1A/Data/Messages/12.emlx"),
                      "123\nFrom: Anna\nSubject: First\n\nBody\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/Sub.mbox/2B/Data/Messages/13.emlx"),
                      "From: Bob\nSubject: Nested\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/Messages/14.emlx "), "Subject: Only a subject\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/Messages/ 15.emlx"), "From:  Leading\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/Messages/16.emlxpart"), "From: Part\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/Info.plist"), "From: Plist\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/.DS_Store"), "From: Finder\n"));
    QVERIFY(writeFile(root + QStringLiteral("Work.mbox/stray.txt"), "no headers\n"));
    QVERIFY(writeFile(root + QStringLiteral("Name.mailbox/Messages/5.eml"), "From: Carl\nSubject: Mate\n"));
    QVERIFY(writeFile(root + QStringLiteral("Plain/7.eml"), "Subject: Direct\nFrom: Dora\n"));
    QVERIFY(writeFile(root + QStringLiteral("Caps.MBOX/Messages/8.emlx"), "From: Caps\n"));

    click(addFolder(502, QStringLiteral("Folder"), root + folder));

    QStringList shown = rowsOf(window->m_pMessageList);
    shown.replaceInStrings(root, QString());
    QCOMPARE(shown, rows);
    QCOMPARE(window->m_pMessageCountLabel->text(), QString::number(rows.size()));
    QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Folder:"));
    QVERIFY(controlsEnabled());
    if (!rows.isEmpty()) {
        QVERIFY(window->m_pMessageList->topLevelItem(0)->isSelected());
        QCOMPARE(previews.calls,
                 QStringList{QStringLiteral("file ") + root + rows.first().section(QLatin1Char('|'), 1, 1)});
    } else {
        QVERIFY(previews.calls.isEmpty());
    }
}

void TestMessageLists::skipsUnreadableFileAndGoesOn()
{
    const QString dir = store.path() + QStringLiteral("/Work.mbox/Messages/");
    QVERIFY(writeFile(dir + QStringLiteral("1.emlx"), "From: One\n"));
    QVERIFY(writeFile(dir + QStringLiteral("3.emlx"), "From: Three\n"));
    // Listed by the walk, gone before the fill reads it.
    AllFilePathInStrListForTree = QStringList{dir + QStringLiteral("1.emlx"), dir + QStringLiteral("2.emlx"),
                                              dir + QStringLiteral("3.emlx")};
    window->m_pFolderTree->setEnabled(false);

    window->OnShowIndivisualMailData(QStringLiteral("Work"), store.path() + QStringLiteral("/Work.mbox"));

    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 2);
    QCOMPARE(window->m_pMessageList->topLevelItem(1)->text(2), dir + QStringLiteral("3.emlx"));
    QCOMPARE(window->m_pMessageCountLabel->text(), QStringLiteral("2"));
    QVERIFY(controlsEnabled());
}

void TestMessageLists::listedFilesLogOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("turnedOn");
    QTest::addColumn<int>("lines");

    QTest::newRow("quiet-by-default") << false << 0;
    QTest::newRow("one-line-per-file-when-turned-on") << true << 3;
}

void TestMessageLists::listedFilesLogOnlyWhenAsked()
{
    QFETCH(bool, turnedOn);
    QFETCH(int, lines);
    const QString dir = store.path() + QStringLiteral("/Work.mbox/Messages/");
    for (const char *name : {"1.emlx", "2.emlx", "3.emlx"})
        QVERIFY(writeFile(dir + QLatin1String(name), "From: Someone\n"));
    AllFilePathInStrListForTree = messagelists::listFilesBelow(store.path() + QStringLiteral("/Work.mbox"));

    const CapturedOutput output = captureOutput("converter.browser.list", turnedOn, [&] {
        window->OnShowIndivisualMailData(QStringLiteral("Work"), store.path() + QStringLiteral("/Work.mbox"));
    });

    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 3);
    QCOMPARE(output.debugLines.size(), lines);
}

void TestMessageLists::listsWhatTheConversionFinds()
{
    const QString root = store.path();
    QVERIFY(writeFile(root + QStringLiteral("/W.mbox/Messages/1.emlx"), "From: 1\n"));
    QVERIFY(writeFile(root + QStringLiteral("/Elsewhere/Messages/2.emlx"), "From: 2\n"));
    QVERIFY(QFile::link(root + QStringLiteral("/Elsewhere/Messages"), root + QStringLiteral("/W.mbox/Linked")));
    QVERIFY(QFile::link(root + QStringLiteral("/Elsewhere/Messages/2.emlx"),
                        root + QStringLiteral("/W.mbox/Messages/3.emlx")));

    const QStringList listed = messagelists::listFilesBelow(root + QStringLiteral("/W.mbox"));
    const QStringList converted =
        filelister::findPaths(root + QStringLiteral("/W.mbox"), QStringLiteral("*.emlx"), filelister::EntryTypes::RegularFiles);
    QCOMPARE(listed, converted);
    QCOMPARE(listed, QStringList{root + QStringLiteral("/W.mbox/Messages/1.emlx")});
}

void TestMessageLists::walksWithoutFollowingLinksOrLooping()
{
    const QString root = store.path();
    QVERIFY(writeFile(root + QStringLiteral("/W.mbox/b/2.emlx"), "From: 2\n"));
    QVERIFY(writeFile(root + QStringLiteral("/W.mbox/A/1.emlx"), "From: 1\n"));
    QVERIFY(writeFile(root + QStringLiteral("/W.mbox/c.emlx"), "From: c\n"));
    QVERIFY(QFile::link(root + QStringLiteral("/W.mbox"), root + QStringLiteral("/W.mbox/b/loop")));
    QVERIFY(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/W.mbox/dangling")));

    QStringList files = messagelists::listFilesBelow(root + QStringLiteral("/W.mbox"));
    files.replaceInStrings(root, QString());
    // Name order regardless of case, each directory's files at its place.
    QCOMPARE(files, (QStringList{QStringLiteral("/W.mbox/A/1.emlx"), QStringLiteral("/W.mbox/b/2.emlx"),
                                 QStringLiteral("/W.mbox/c.emlx")}));
    QVERIFY(messagelists::listFilesBelow(root + QStringLiteral("/W.mbox/c.emlx")).isEmpty());
    // The folder itself may be reached through a link.
    QVERIFY(QFile::link(root + QStringLiteral("/W.mbox"), root + QStringLiteral("/Shortcut")));
    QCOMPARE(messagelists::listFilesBelow(root + QStringLiteral("/Shortcut")).size(), 3);
}

void TestMessageLists::reportsZeroItems()
{
    bMboxFileFound = true;
    window->m_pStatusProgressBar->show();
    window->m_pStatusStopButton->show();
    QTreeWidgetItem *folder = addFolder(502, QStringLiteral("Empty"), QStringLiteral("/src/Empty"));
    QVERIFY(!window->m_pMessageList->isSortingEnabled());

    click(folder);

    QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Empty:"));
    QCOMPARE(window->m_pMessageCountLabel->text(), QStringLiteral("0"));
    QCOMPARE(sSelectedItemList, QStringLiteral("Empty"));
    for (QLabel *label : {window->m_pFolderNameLabel, window->m_pMessageCountLabel}) {
        QCOMPARE(label->font().family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(label->font().pointSize(), 11);
        QCOMPARE(label->margin(), 0);
    }
    QCOMPARE(window->m_pStatusBar->styleSheet(), QStringLiteral("QStatusBar::item {border: none;}"));
    QVERIFY(window->m_pMessageList->isSortingEnabled());
    QVERIFY(window->m_pStatusProgressBar->isHidden());
    QVERIFY(window->m_pStatusStopButton->isHidden());
    QVERIFY(previews.calls.isEmpty());
    QVERIFY(controlsEnabled());
}

void TestMessageLists::selectsFirstRowInListOrderAfterSorting()
{
    bMboxFileFound = true;
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Mia"), QStringLiteral("middle"), 10, 1);
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Zoe"), QStringLiteral("last"), 20, 2);
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Ada"), QStringLiteral("first"), 30, 3);
    // The user sorted the list by its header during an earlier fill.
    window->m_pMessageList->setSortingEnabled(true);
    window->m_pMessageList->sortByColumn(1, Qt::AscendingOrder);

    click(addFolder(502, QStringLiteral("Inbox"), QStringLiteral("/src/Inbox")));

    QCOMPARE(rowsOf(window->m_pMessageList),
             (QStringList{QStringLiteral("Ada/first|/src/Inbox|30|3"), QStringLiteral("Mia/middle|/src/Inbox|10|1"),
                          QStringLiteral("Zoe/last|/src/Inbox|20|2")}));
    const QList<QTreeWidgetItem *> selected = window->m_pMessageList->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->text(3), QStringLiteral("10"));
    QCOMPARE(previews.calls, QStringList{QStringLiteral("mbox /src/Inbox 10 1")});
    QVERIFY(window->m_pMessageList->isSortingEnabled());
}

void TestMessageLists::dispatchesBySourceKind_data()
{
    QTest::addColumn<bool>("olm");
    QTest::addColumn<bool>("mbox");
    QTest::addColumn<bool>("mbs");
    QTest::addColumn<QString>("call");
    QTest::newRow("backup-first-even-with-mbox") << true << true << false << QStringLiteral("backup 7 8");
    QTest::newRow("mbox-byte-range") << false << true << false << QStringLiteral("mbox /m/f 7 8");
    QTest::newRow("opera-whole-file") << false << false << true << QStringLiteral("file /m/f");
    QTest::newRow("file-per-message-whole-file") << false << false << false << QStringLiteral("file /m/f");
}

void TestMessageLists::dispatchesBySourceKind()
{
    QFETCH(bool, olm);
    QFETCH(bool, mbox);
    QFETCH(bool, mbs);
    QFETCH(QString, call);
    bOlmFileFound = olm;
    bMboxFileFound = mbox;
    bMbsFileFound = mbs;
    window->m_pHiddenTextBrowser->setPlainText(QStringLiteral("stale"));
    auto *row = new QTreeWidgetItem(window->m_pMessageList);
    row->setText(1, QStringLiteral("x\ny"));
    row->setText(2, QStringLiteral("/m/f"));
    row->setText(3, QStringLiteral("7"));
    row->setText(4, QStringLiteral("8"));
    auto *other = new QTreeWidgetItem(window->m_pMessageList);
    other->setText(2, QStringLiteral("/m/other"));

    row->setSelected(true);

    QCOMPARE(previews.calls, QStringList{call});
    QVERIFY(window->m_pHiddenTextBrowser->toPlainText().isEmpty());
    QCOMPARE(previewdispatch::previewKindFor(olm, mbox),
             olm ? previewdispatch::PreviewKind::BackupRecord
                 : mbox ? previewdispatch::PreviewKind::MboxRange : previewdispatch::PreviewKind::WholeFile);

    // Emptying the list deselects without a preview.
    window->m_pMessageList->clear();
    QCOMPARE(previews.calls.size(), 1);
}

void TestMessageLists::previewsFirstMatchingBackupRecord()
{
    bOlmFileFound = true;
    previews.forward = true;
    MailMLRC *first = appendRecord(502, "A;", "First of two", 100, 10);
    storeText(first->szFromAddress, mlrclimits::kFromAddress, "a@example.com;");
    appendRecord(502, "B;", "Second of two", 100, 10);
    appendRecord(502, "C;", "Other range", 100, 11);

    auto *row = new QTreeWidgetItem(window->m_pMessageList);
    row->setText(3, QStringLiteral("100"));
    row->setText(4, QStringLiteral("10"));
    row->setSelected(true);
    const QString header = window->m_pHeaderBox->toPlainText();
    QVERIFY2(header.contains(QStringLiteral("First of two")), qPrintable(header));
    QVERIFY(header.contains(QStringLiteral("a@example.com")));
    QVERIFY(!header.contains(QStringLiteral("Second")));

    // A row that matches no record leaves the header box as it was.
    auto *stray = new QTreeWidgetItem(window->m_pMessageList);
    stray->setText(3, QStringLiteral("999"));
    stray->setText(4, QStringLiteral("1"));
    stray->setSelected(true);
    QCOMPARE(window->m_pHeaderBox->toPlainText(), header);
    window->OnMessageSubjectClicked(nullptr, 0);
    QCOMPARE(window->m_pHeaderBox->toPlainText(), header);
}

void TestMessageLists::indexesFollowANewScan()
{
    bMboxFileFound = true;
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("Old"), QStringLiteral("scan"), 0, 1);
    QTreeWidgetItem *folder = addFolder(502, QStringLiteral("Inbox"), QStringLiteral("/src/Inbox"));
    click(folder);
    QCOMPARE(rowsOf(window->m_pMessageList), QStringList{QStringLiteral("Old/scan|/src/Inbox|0|1")});

    // Open, then a new scan indexes the same file anew.
    window->clearFolderTree();
    releaseMboxMbxList();
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("New"), QStringLiteral("one"), 0, 2);
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("New"), QStringLiteral("two"), 2, 3);
    click(addFolder(502, QStringLiteral("Inbox"), QStringLiteral("/src/Inbox")));
    QCOMPARE(rowsOf(window->m_pMessageList),
             (QStringList{QStringLiteral("New/one|/src/Inbox|0|2"), QStringLiteral("New/two|/src/Inbox|2|3")}));

    // A list that changed under a kept tree is indexed again as well.
    appendNode(QStringLiteral("/src/Inbox"), QStringLiteral("New"), QStringLiteral("three"), 5, 4);
    click(window->m_pFolderTree->topLevelItem(0)->child(0));
    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 3);
}

QTEST_MAIN(TestMessageLists)
#include "tst_messagelists.moc"
