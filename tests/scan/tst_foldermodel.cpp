// The folder-id model: tree paths resolved into folder ids, the folder maps
// and their lookup index, and the register of files attached to the tree.

#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include <QtTest>

namespace {

// Every folder of the maps as "id 'name' under parent path", the path in
// brackets, or "-" when the folder has no folder-path entry.
QStringList folderRows()
{
    QStringList rows;
    for (auto it = objMapFID_PID.cbegin(); it != objMapFID_PID.cend(); ++it) {
        const qint64 id = it.key();
        const QString path = MapLeftTreePath.contains(id)
                                 ? QLatin1Char('[') + MapLeftTreePath.value(id) + QLatin1Char(']')
                                 : QStringLiteral("-");
        rows.append(QStringLiteral("%1 '%2' under %3 %4")
                        .arg(id)
                        .arg(objMapFID_Name.value(id))
                        .arg(it.value())
                        .arg(path));
    }
    return rows;
}

// One resolver call written as "tree|second argument".
void resolve(const QString &call, bool opera)
{
    const int bar = call.indexOf(QLatin1Char('|'));
    const QString tree = call.left(bar);
    const QString second = call.mid(bar + 1);
    if (opera)
        QMessageSavingThread::treeCreatorOperaMail(tree, second);
    else
        QMessageSavingThread::treeCreator(tree, second, QStringLiteral("unused"));
}

} // namespace

class TestFolderModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void resolvesTreePaths_data();
    void resolvesTreePaths();
    void lookupFindsOnlyUnderTheParentAsked_data();
    void lookupFindsOnlyUnderTheParentAsked();
    void idsContinueAcrossScans();
    void indexFollowsMapsChangedElsewhere();
    void manyFoldersOfOneNameKeepTheirIds();
    void registerHoldsExactPaths();
};

void TestFolderModel::resolvesTreePaths_data()
{
    QTest::addColumn<bool>("opera");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<qint64>>("running");

    QTest::newRow("disk-prefix-before-first-new-folder")
        << false
        << QStringList{QStringLiteral("Mail/Inbox/Work|/data/Mail/Inbox/Work/12.eml"),
                       QStringLiteral("Mail/Inbox/Home|/data/Mail/Inbox/Home/3.eml")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 [/data/Mail/Inbox]"),
                       QStringLiteral("504 'Work' under 503 [/data/Mail/Inbox/Work]"),
                       QStringLiteral("505 'Home' under 503 [/data/Mail/Inbox/Home]")}
        << QList<qint64>{504, 505};
    QTest::newRow("same-path-twice-makes-nothing-new")
        << false
        << QStringList{QStringLiteral("Mail/Inbox|/d/Inbox/1.eml"),
                       QStringLiteral("Mail/Inbox|/d/Inbox/2.eml")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 [/d/Inbox]")}
        << QList<qint64>{503, 503};
    QTest::newRow("empty-tree-path-keeps-running-id")
        << false << QStringList{QStringLiteral("|/d/1.eml")} << QStringList() << QList<qint64>{77};
    QTest::newRow("letter-case-makes-two-folders")
        << false << QStringList{QStringLiteral("Mail/Inbox|/d/x"), QStringLiteral("Mail/INBOX|/d/x")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 []"),
                       QStringLiteral("504 'INBOX' under 502 []")}
        << QList<qint64>{503, 504};
    QTest::newRow("same-name-under-two-parents")
        << false
        << QStringList{QStringLiteral("Mail/A/Sent|/r/A/Sent/1"), QStringLiteral("Mail/B/Sent|/r/B/Sent/1"),
                       QStringLiteral("Mail/A/Sent|/r/A/Sent/2")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'A' under 502 [/r/A]"),
                       QStringLiteral("504 'Sent' under 503 [/r/A/Sent]"),
                       QStringLiteral("505 'B' under 502 [/r/B]"),
                       QStringLiteral("506 'Sent' under 505 [/r/B/Sent]")}
        << QList<qint64>{504, 506, 504};
    QTest::newRow("leading-slash-gives-top-level-without-name")
        << false << QStringList{QStringLiteral("/Mail|/x/Mail/1.eml")}
        << QStringList{QStringLiteral("502 '' under 501 -"),
                       QStringLiteral("503 'Mail' under 502 [/x/Mail]")}
        << QList<qint64>{503};
    QTest::newRow("same-name-above-profile-never-taken")
        << false << QStringList{QStringLiteral("Mail/Inbox|/x/inbox/Mail/Inbox/1.eml")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 [/x/inbox/Mail/Inbox]")}
        << QList<qint64>{503};
    QTest::newRow("folder-named-like-outer-directory-under-existing-parent")
        << false
        << QStringList{QStringLiteral("Mail/Local Folders/Trash|/h/INBOX/p/Mail/Local Folders/Trash"),
                       QStringLiteral("Mail/Local Folders/Inbox|/h/INBOX/p/Mail/Local Folders/Inbox")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Local Folders' under 502 [/h/INBOX/p/Mail/Local Folders]"),
                       QStringLiteral("504 'Trash' under 503 [/h/INBOX/p/Mail/Local Folders/Trash]"),
                       QStringLiteral("505 'Inbox' under 503 [/h/INBOX/p/Mail/Local Folders/Inbox]")}
        << QList<qint64>{504, 505};
    QTest::newRow("nested-folder-of-same-name-keeps-its-place")
        << false << QStringList{QStringLiteral("Mail/Inbox/Inbox|/p/Mail/Inbox/Inbox")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 [/p/Mail/Inbox]"),
                       QStringLiteral("504 'Inbox' under 503 [/p/Mail/Inbox/Inbox]")}
        << QList<qint64>{504};
    QTest::newRow("folder-path-keeps-the-disk-letter-case")
        << false << QStringList{QStringLiteral("Mail/Inbox|/x/Mail/INBOX")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Inbox' under 502 [/x/Mail/INBOX]")}
        << QList<qint64>{503};
    QTest::newRow("unmatched-folder-empty-path-next-searches-again")
        << false << QStringList{QStringLiteral("Mail/Zed/Inbox|/x/Inbox/1.eml")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"),
                       QStringLiteral("503 'Zed' under 502 []"),
                       QStringLiteral("504 'Inbox' under 503 [/x/Inbox]")}
        << QList<qint64>{504};
    QTest::newRow("trailing-slash-gives-folder-without-name")
        << false << QStringList{QStringLiteral("Mail/|/x/Mail/1.eml")}
        << QStringList{QStringLiteral("502 'Mail' under 501 -"), QStringLiteral("503 '' under 502 []")}
        << QList<qint64>{503};
    QTest::newRow("opera-every-new-folder-gets-the-file")
        << true
        << QStringList{QStringLiteral("Mail/Home/Inbox|/o/store/acc1/1.mbs"),
                       QStringLiteral("Mail/Home/Inbox/Old|/o/store/acc1/2.mbs")}
        << QStringList{QStringLiteral("502 'Mail' under 501 [/o/store/acc1/1.mbs]"),
                       QStringLiteral("503 'Home' under 502 [/o/store/acc1/1.mbs]"),
                       QStringLiteral("504 'Inbox' under 503 [/o/store/acc1/1.mbs]"),
                       QStringLiteral("505 'Old' under 504 [/o/store/acc1/2.mbs]")}
        << QList<qint64>{504, 505};
    QTest::newRow("opera-empty-account-and-location-pieces")
        << true << QStringList{QStringLiteral("Mail//|/o/1.mbs")}
        << QStringList{QStringLiteral("502 'Mail' under 501 [/o/1.mbs]"),
                       QStringLiteral("503 '' under 502 [/o/1.mbs]"),
                       QStringLiteral("504 '' under 503 [/o/1.mbs]")}
        << QList<qint64>{504};
    QTest::newRow("opera-empty-tree-path-keeps-running-id")
        << true << QStringList{QStringLiteral("|/o/1.mbs")} << QStringList() << QList<qint64>{77};
}

void TestFolderModel::resolvesTreePaths()
{
    QFETCH(bool, opera);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, rows);
    QFETCH(QList<qint64>, running);

    llParentIdRunning = 77;
    QList<qint64> seen;
    for (const QString &call : calls) {
        resolve(call, opera);
        seen.append(llParentIdRunning);
    }
    QCOMPARE(folderRows(), rows);
    QCOMPARE(seen, running);
    QCOMPARE(objMapName_FID.size(), rows.size());
}

void TestFolderModel::lookupFindsOnlyUnderTheParentAsked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("parent");
    QTest::addColumn<bool>("found");
    QTest::addColumn<qint64>("id");

    // Built by the test: Mail 502, A 503, Sent 504 (under A), B 505, Sent 506 (under B).
    QTest::newRow("top-level-under-root") << QStringLiteral("Mail") << qint64(501) << true << qint64(502);
    QTest::newRow("sent-under-a") << QStringLiteral("Sent") << qint64(503) << true << qint64(504);
    QTest::newRow("sent-under-b") << QStringLiteral("Sent") << qint64(505) << true << qint64(506);
    QTest::newRow("sent-only-under-other-parents") << QStringLiteral("Sent") << qint64(502) << false << qint64(-1);
    QTest::newRow("other-letter-case") << QStringLiteral("sent") << qint64(503) << false << qint64(-1);
    QTest::newRow("unknown-name") << QStringLiteral("Drafts") << qint64(501) << false << qint64(-1);
}

void TestFolderModel::lookupFindsOnlyUnderTheParentAsked()
{
    QFETCH(QString, name);
    QFETCH(qint64, parent);
    QFETCH(bool, found);
    QFETCH(qint64, id);

    QMessageSavingThread::treeCreator(QStringLiteral("Mail/A/Sent"), QString(), QString());
    QMessageSavingThread::treeCreator(QStringLiteral("Mail/B/Sent"), QString(), QString());
    long long result = -1;
    QCOMPARE(QMessageSavingThread::GetParentId(name, parent, &result), found);
    QCOMPARE(qint64(result), id);
}

void TestFolderModel::idsContinueAcrossScans()
{
    QMessageSavingThread thread;
    QMessageSavingThread::treeCreator(QStringLiteral("Mail/Inbox"), QString(), QString());
    QCOMPARE(llParentIdRunning, qint64(503));

    thread.CleanLinkedList();
    QVERIFY(objMapName_FID.isEmpty() && objMapFID_PID.isEmpty() && objMapFID_Name.isEmpty()
            && MapLeftTreePath.isEmpty());
    QCOMPARE(llParentIdRunning, qint64(503));
    long long id = -1;
    QVERIFY(!QMessageSavingThread::GetParentId(QStringLiteral("Mail"), llRootId, &id));

    // The second scan makes the same folders anew with higher ids.
    QMessageSavingThread::treeCreator(QStringLiteral("Mail/Inbox"), QString(), QString());
    QCOMPARE(folderRows(), (QStringList{QStringLiteral("504 'Mail' under 501 -"),
                                        QStringLiteral("505 'Inbox' under 504 []")}));
}

void TestFolderModel::indexFollowsMapsChangedElsewhere()
{
    QMessageSavingThread::treeCreator(QStringLiteral("Mail/Inbox"), QString(), QString());

    // Maps emptied without the model: the old folders are gone for the lookup too.
    objMapName_FID.clear();
    objMapFID_PID.clear();
    objMapFID_Name.clear();
    long long id = -1;
    QVERIFY(!QMessageSavingThread::GetParentId(QStringLiteral("Mail"), llRootId, &id));

    // A folder entered straight into the maps is found, and not made twice.
    objMapName_FID.insert(QStringLiteral("Olm"), 900);
    objMapFID_PID.insert(900, llRootId);
    objMapFID_Name.insert(900, QStringLiteral("Olm"));
    QVERIFY(QMessageSavingThread::GetParentId(QStringLiteral("Olm"), llRootId, &id));
    QCOMPARE(qint64(id), qint64(900));

    // Emptied and refilled to the same size with other ids.
    objMapName_FID.clear();
    objMapFID_PID.clear();
    objMapName_FID.insert(QStringLiteral("Olm"), 901);
    objMapFID_PID.insert(901, 502);
    QVERIFY(!QMessageSavingThread::GetParentId(QStringLiteral("Olm"), llRootId, &id));
    QVERIFY(QMessageSavingThread::GetParentId(QStringLiteral("Olm"), 502, &id));
    QCOMPARE(qint64(id), qint64(901));
}

void TestFolderModel::manyFoldersOfOneNameKeepTheirIds()
{
    // Every account has an Inbox: each resolves under its own account, and
    // resolving them all again makes nothing new.
    const int accounts = 2000;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < accounts; ++i)
            QMessageSavingThread::treeCreator(QStringLiteral("Mail/acc%1/Inbox").arg(i),
                                              QString(), QString());
    }
    QCOMPARE(objMapFID_PID.size(), 1 + 2 * accounts);
    QCOMPARE(objMapName_FID.values(QStringLiteral("Inbox")).size(), accounts);
    long long id = 0;
    QVERIFY(QMessageSavingThread::GetParentId(QStringLiteral("acc1999"), 502, &id));
    QVERIFY(QMessageSavingThread::GetParentId(QStringLiteral("Inbox"), id, &id));
    QCOMPARE(objMapFID_Name.value(id), QStringLiteral("Inbox"));
    QCOMPARE(objMapFID_PID.value(objMapFID_PID.value(id)), qint64(502));
}

void TestFolderModel::registerHoldsExactPaths()
{
    const QString lead = QStringLiteral("/S/ Inbox.mbox/1.emlx");
    const QString trail = QStringLiteral("/S/Inbox.mbox /1.emlx");
    foldermodel::registerTreePath(lead);
    foldermodel::registerTreePath(trail);
    QCOMPARE(listOfPathOfOnlyForTree, (QStringList{lead, trail}));
    QVERIFY(foldermodel::isTreePathRegistered(lead));
    QVERIFY(foldermodel::isTreePathRegistered(trail));
    QVERIFY(!foldermodel::isTreePathRegistered(QStringLiteral("/S/Inbox.mbox/1.emlx")));
    QVERIFY(!foldermodel::isTreePathRegistered(lead.toUpper()));

    // The list emptied directly (as opening another source does) empties the set.
    listOfPathOfOnlyForTree.clear();
    QVERIFY(!foldermodel::isTreePathRegistered(lead));
    // Appended directly: seen as well.
    listOfPathOfOnlyForTree.append(trail);
    QVERIFY(foldermodel::isTreePathRegistered(trail));

    foldermodel::clearTreePaths();
    QVERIFY(listOfPathOfOnlyForTree.isEmpty());
    QVERIFY(!foldermodel::isTreePathRegistered(trail));
}

QTEST_GUILESS_MAIN(TestFolderModel)
#include "tst_foldermodel.moc"
