// The folder tree of the main window: folders arriving from the scan, the
// root and the name clean-up, and ticking and unticking folders, driven as
// the toolkit drives them (the check box changes, then the click slot runs).

#include "app/mainwindowfixture.h"

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/safewebview.h"
#include "browser/checkstate.h"
#include "browser/folderrecords.h"
#include "browser/foldertree.h"
#include "browser/previewdispatch.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "scan/scanglobals.h"

#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

namespace {

// Previews do nothing here; the tree is under test.
class SilentPreviews : public previewdispatch::PreviewCalls
{
public:
    void backupRecord(QConverterMainWindow *, QTreeWidgetItem *) override {}
    void mboxRange(QConverterMainWindow *, const QString &, const QString &, const QString &) override {}
    void wholeFile(QConverterMainWindow *, const QString &) override {}
};

} // namespace

class TestFolderTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstFolderMakesRootFirst();
    void cleansFolderNames_data();
    void cleansFolderNames();
    void folderWithoutParentItemIsOnlyRecorded_data();
    void folderWithoutParentItemIsOnlyRecorded();
    void propagatesClicks_data();
    void propagatesClicks();
    void appliesOnlyUnrecordedClicks_data();
    void appliesOnlyUnrecordedClicks();
    void rootClickOfFilePerMessageSourceListsNothing();
    void saveResetsBoxesAndColumnSeven();
    void summarisesSelection_data();
    void summarisesSelection();

private:
    // Folders of the propagation tests (see the comment in the .cpp body).
    void addSampleTree();
    QTreeWidgetItem *item(qint64 folderId) const;
    // Applies steps such as "+503" (tick), "-503" (untick), "~503" (click
    // the text only) and "save" (the end of a completed save).
    void run(const QStringList &steps);
    // Every record in list order as "id:code", with the item's box and
    // column 7 shown when they do not agree with the record.
    QString snapshot() const;

    MainWindowFixture fixture;
    QConverterMainWindow *window = nullptr;
    SilentPreviews previews;
};

void TestFolderTree::initTestCase()
{
    initConverterResources();
}

void TestFolderTree::init()
{
    fixture.setUp();
    window = fixture.window;
    previewdispatch::setPreviewCalls(&previews);
}

void TestFolderTree::cleanup()
{
    previewdispatch::setPreviewCalls(nullptr);
    fixture.tearDown();
    window = nullptr;
}

void TestFolderTree::addSampleTree()
{
    // 501 Main Identity
    //   502 A: 503 A1, 504 A2 (505 A2x), 520 Late
    //   506 B: 507 B1
    // Records without items: 508 (its parent 999 never comes), 510 (its
    // parent 520 comes after it) and 511 below 510.
    const struct {
        qint64 id;
        const char *name;
        qint64 parent;
    } folders[] = {{502, "A", 501},       {503, "A1", 502},    {504, "A2", 502},   {505, "A2x", 504},
                   {506, "B", 501},       {507, "B1", 506},    {508, "Orphan", 999}, {510, "Lost", 520},
                   {511, "Deeper", 510}, {520, "Late", 502}};
    for (const auto &folder : folders) {
        window->OnMakeTreeWidget(folder.id, QString::fromLatin1(folder.name), folder.parent,
                                 QStringLiteral("/nowhere/") + QString::fromLatin1(folder.name));
    }
}

QTreeWidgetItem *TestFolderTree::item(qint64 folderId) const
{
    for (QTreeWidgetItemIterator it(window->m_pFolderTree); *it; ++it) {
        if ((*it)->text(1) == QString::number(folderId))
            return *it;
    }
    return nullptr;
}

void TestFolderTree::run(const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step == QLatin1String("save")) {
            bForAppleMail = true;
            FileSavingPath = QStringLiteral("/dest/Main Identity.mbox");
            window->HideProgressBar();
            bForAppleMail = false;
            continue;
        }
        QTreeWidgetItem *folder = item(step.mid(1).toLongLong());
        QVERIFY2(folder, qPrintable(step));
        if (step.startsWith(QLatin1Char('+')))
            folder->setCheckState(0, Qt::Checked);
        else if (step.startsWith(QLatin1Char('-')))
            folder->setCheckState(0, Qt::Unchecked);
        emit window->m_pFolderTree->itemClicked(folder, 0);
    }
}

QString TestFolderTree::snapshot() const
{
    QStringList parts;
    for (const FldrAtrib *record = StartFldrAtrib; record; record = record->pNext) {
        QString part = QStringLiteral("%1:%2").arg(record->llFolderId).arg(int(record->chState));
        if (const QTreeWidgetItem *folder = item(record->llFolderId)) {
            const int box = foldertree::stateCodeFor(folder->checkState(0));
            if (box != record->chState || folder->text(7) != QString::number(record->chState))
                part += QStringLiteral("(box %1, column 7 %2)").arg(box).arg(folder->text(7));
        }
        parts.append(part);
    }
    return parts.join(QLatin1Char(' '));
}

void TestFolderTree::firstFolderMakesRootFirst()
{
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox.mbox"), 501, QStringLiteral("/src/Inbox.mbox"));

    QCOMPARE(snapshot(), QStringLiteral("501:3 502:3"));
    QCOMPARE(StartFldrAtrib->llParentId, 0);
    QCOMPARE(StartFldrAtrib->pNext->llParentId, 501);

    QCOMPARE(window->m_pFolderTree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = window->m_pFolderTree->topLevelItem(0);
    QTreeWidgetItem *inbox = root->child(0);
    QVERIFY(inbox);
    const QStringList rootColumns{root->text(0), root->text(1), root->text(2), root->text(3), root->text(7)};
    QCOMPARE(rootColumns, (QStringList{QStringLiteral("Main Identity"), QStringLiteral("501"),
                                       QStringLiteral("0"), QString(), QStringLiteral("3")}));
    const QStringList inboxColumns{inbox->text(0), inbox->text(1), inbox->text(2), inbox->text(3), inbox->text(7)};
    QCOMPARE(inboxColumns, (QStringList{QStringLiteral("Inbox"), QStringLiteral("502"), QStringLiteral("501"),
                                        QStringLiteral("/src/Inbox.mbox"), QStringLiteral("3")}));
    for (QTreeWidgetItem *folder : {root, inbox}) {
        QCOMPARE(folder->checkState(0), Qt::Unchecked);
        QVERIFY(folder->isExpanded());
        QCOMPARE(folder->font(0).family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(folder->font(0).pointSize(), 11);
        QCOMPARE(folder->sizeHint(0), QSize(22, 22));
        QVERIFY(!folder->icon(0).isNull());
        QVERIFY(folder->flags() & Qt::ItemIsUserCheckable);
        QVERIFY(!(folder->flags() & Qt::ItemIsAutoTristate));
    }

    // The next scan's first folder makes a new root after the tree was cleared.
    window->clearFolderTree();
    window->OnMakeTreeWidget(600, QStringLiteral("Sent"), 501, QString());
    QCOMPARE(snapshot(), QStringLiteral("501:3 600:3"));
    QCOMPARE(window->m_pFolderTree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Sent"));
}

void TestFolderTree::cleansFolderNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("mbox-suffix") << QStringLiteral("Inbox.mbox") << QStringLiteral("Inbox");
    QTest::newRow("imapmbox-suffix") << QStringLiteral("Work.imapmbox") << QStringLiteral("Work");
    QTest::newRow("mailbox-suffix") << QStringLiteral("Projects.mailbox") << QStringLiteral("Projects");
    QTest::newRow("only-mailbox-goes-when-both") << QStringLiteral("Old.mbox.mailbox") << QStringLiteral("Old.mbox");
    QTest::newRow("imapmbox-before-mbox") << QStringLiteral("x.mbox.imapmbox") << QStringLiteral("x.mbox");
    QTest::newRow("every-occurrence") << QStringLiteral("a.mbox.mbox") << QStringLiteral("a");
    QTest::newRow("inside-the-name") << QStringLiteral("my.mboxes") << QStringLiteral("myes");
    QTest::newRow("capitals-stay") << QStringLiteral("Mail.MBOX") << QStringLiteral("Mail.MBOX");
    QTest::newRow("plain-name") << QStringLiteral("Inbox") << QStringLiteral("Inbox");
}

void TestFolderTree::cleansFolderNames()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    QCOMPARE(foldertree::cleanFolderName(name), shown);
    window->OnMakeTreeWidget(502, name, 501, QString());
    QCOMPARE(window->m_pFolderTree->topLevelItem(0)->child(0)->text(0), shown);
}

void TestFolderTree::folderWithoutParentItemIsOnlyRecorded_data()
{
    QTest::addColumn<qint64>("parentId");
    QTest::newRow("parent-never-sent") << qint64(999);
    QTest::newRow("parent-id-zero") << qint64(0);
}

void TestFolderTree::folderWithoutParentItemIsOnlyRecorded()
{
    QFETCH(qint64, parentId);
    window->OnMakeTreeWidget(502, QStringLiteral("Inbox"), 501, QString());
    window->OnMakeTreeWidget(503, QStringLiteral("Orphan"), parentId, QString());

    QCOMPARE(snapshot(), QStringLiteral("501:3 502:3 503:3"));
    QCOMPARE(EndFldrAtrib->llParentId, parentId);
    QVERIFY(!item(503));
    int items = 0;
    for (QTreeWidgetItemIterator it(window->m_pFolderTree); *it; ++it)
        ++items;
    QCOMPARE(items, 2);
}

void TestFolderTree::propagatesClicks_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    const auto states = [](std::initializer_list<int> codes) {
        static const int ids[] = {501, 502, 503, 504, 505, 506, 507, 508, 510, 511, 520};
        QStringList parts;
        int i = 0;
        for (int code : codes)
            parts.append(QStringLiteral("%1:%2").arg(ids[i++]).arg(code));
        return parts.join(QLatin1Char(' '));
    };
    //                                                     501 502 503 504 505 506 507 508 510 511 520
    QTest::newRow("tick-root-reaches-records-without-items")
        << QStringList{QStringLiteral("+501")} << states({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    QTest::newRow("untick-root") << QStringList{QStringLiteral("+501"), QStringLiteral("-501")}
                                 << states({3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
    QTest::newRow("tick-leaf") << QStringList{QStringLiteral("+503")}
                               << states({2, 2, 1, 3, 3, 3, 3, 3, 3, 3, 3});
    QTest::newRow("tick-last-unticked-child")
        << QStringList{QStringLiteral("+503"), QStringLiteral("+504"), QStringLiteral("+520")}
        << states({2, 1, 1, 1, 1, 3, 3, 3, 1, 1, 1});
    QTest::newRow("tick-every-top-folder-ticks-root")
        << QStringList{QStringLiteral("+502"), QStringLiteral("+506")}
        << states({1, 1, 1, 1, 1, 1, 1, 3, 1, 1, 1});
    QTest::newRow("untick-one-child-of-ticked-parent")
        << QStringList{QStringLiteral("+502"), QStringLiteral("+506"), QStringLiteral("-503")}
        << states({2, 2, 3, 1, 1, 1, 1, 3, 1, 1, 1});
    QTest::newRow("tick-only-child") << QStringList{QStringLiteral("+507")}
                                     << states({2, 3, 3, 3, 3, 1, 1, 3, 3, 3, 3});
    QTest::newRow("untick-only-child") << QStringList{QStringLiteral("+507"), QStringLiteral("-507")}
                                       << states({3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
    QTest::newRow("untick-then-retick-folder-ticked-by-its-child")
        << QStringList{QStringLiteral("+507"), QStringLiteral("-506"), QStringLiteral("+506")}
        << states({2, 3, 3, 3, 3, 1, 1, 3, 3, 3, 3});
    QTest::newRow("retick-after-save")
        << QStringList{QStringLiteral("+503"), QStringLiteral("+504"), QStringLiteral("+520"),
                       QStringLiteral("save"), QStringLiteral("+502")}
        << states({2, 1, 1, 1, 1, 3, 3, 3, 1, 1, 1});
    QTest::newRow("text-click-on-partly-ticked-changes-nothing")
        << QStringList{QStringLiteral("+503"), QStringLiteral("~502")}
        << states({2, 2, 1, 3, 3, 3, 3, 3, 3, 3, 3});
    QTest::newRow("box-click-on-partly-ticked-ticks-subtree")
        << QStringList{QStringLiteral("+503"), QStringLiteral("+502")}
        << states({2, 1, 1, 1, 1, 3, 3, 3, 1, 1, 1});
    QTest::newRow("record-without-item-passes-code-on")
        << QStringList{QStringLiteral("+520")} << states({2, 2, 3, 3, 3, 3, 3, 3, 1, 1, 1});
    QTest::newRow("untick-reaches-records-without-items")
        << QStringList{QStringLiteral("+502"), QStringLiteral("-502")}
        << states({3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
}

void TestFolderTree::propagatesClicks()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    addSampleTree();
    run(steps);
    QCOMPARE(snapshot(), expected);
}

void TestFolderTree::appliesOnlyUnrecordedClicks_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("column7");
    QTest::addColumn<bool>("applied");
    QTest::newRow("ticked-recorded-as-ticked") << int(Qt::Checked) << QStringLiteral("1") << false;
    QTest::newRow("ticked-recorded-as-partly") << int(Qt::Checked) << QStringLiteral("2") << true;
    QTest::newRow("ticked-recorded-as-unticked") << int(Qt::Checked) << QStringLiteral("3") << true;
    QTest::newRow("ticked-column-not-a-number") << int(Qt::Checked) << QStringLiteral("x") << true;
    QTest::newRow("unticked-recorded-as-unticked") << int(Qt::Unchecked) << QStringLiteral("3") << true;
    QTest::newRow("unticked-column-empty") << int(Qt::Unchecked) << QString() << false;
    QTest::newRow("partly-never-applied") << int(Qt::PartiallyChecked) << QStringLiteral("3") << false;
}

void TestFolderTree::appliesOnlyUnrecordedClicks()
{
    QFETCH(int, state);
    QFETCH(QString, column7);
    QFETCH(bool, applied);
    QCOMPARE(checkstate::clickNeedsApplying(Qt::CheckState(state), column7), applied);
}

void TestFolderTree::rootClickOfFilePerMessageSourceListsNothing()
{
    addSampleTree();
    AllFilePathInStrListForTree = QStringList{QStringLiteral("/left/over/1.emlx")};
    new QTreeWidgetItem(window->m_pMessageList, QStringList{QString(), QStringLiteral("old row")});
    window->m_pHeaderBox->setPlainText(QStringLiteral("old header"));

    emit window->m_pFolderTree->itemClicked(window->m_pFolderTree->topLevelItem(0), 0);

    QVERIFY(AllFilePathInStrListForTree.isEmpty());
    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 0);
    QVERIFY(window->m_pHeaderBox->toPlainText().isEmpty());
    QVERIFY(window->m_pWebView->isHidden());
    QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Main Identity:"));
    QCOMPARE(window->m_pMessageCountLabel->text(), QStringLiteral("0"));
    QCOMPARE(snapshot(), QStringLiteral("501:3 502:3 503:3 504:3 505:3 506:3 507:3 508:3 510:3 511:3 520:3"));
}

void TestFolderTree::saveResetsBoxesAndColumnSeven()
{
    addSampleTree();
    run({QStringLiteral("+503"), QStringLiteral("+504"), QStringLiteral("+520")});
    QCOMPARE(item(502)->text(7), QStringLiteral("1"));
    run({QStringLiteral("save")});
    for (QTreeWidgetItemIterator it(window->m_pFolderTree); *it; ++it) {
        QCOMPARE((*it)->checkState(0), Qt::Unchecked);
        QCOMPARE((*it)->text(7), QStringLiteral("3"));
    }
    QCOMPARE(snapshot(), QStringLiteral("501:3 502:3 503:3 504:3 505:3 506:3 507:3 508:3 510:3 511:3 520:3"));
}

void TestFolderTree::summarisesSelection_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("summary");
    QTest::newRow("nothing-ticked") << QStringList() << 3;
    QTest::newRow("some-ticked") << QStringList{QStringLiteral("+507")} << 2;
    QTest::newRow("all-ticked") << QStringList{QStringLiteral("+501")} << 1;
}

void TestFolderTree::summarisesSelection()
{
    QFETCH(QStringList, steps);
    QFETCH(int, summary);
    QCOMPARE(int(window->CheckIsSeltiveRecovry()), 3);
    addSampleTree();
    run(steps);
    QCOMPARE(int(window->CheckIsSeltiveRecovry()), summary);
}

QTEST_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
