// The scanning thread frame: flag protocol, dispatch by client index, the
// reset between scans and the hand-over of the folder tree.

#include <algorithm>
#include "app/appglobals.h"
#include "app/converterresources.h"
#include "convert/convertglobals.h"
#include "scan/messagesavingthread.h"
#include "scan/scanframe.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <stdexcept>
#include <sys/resource.h>

namespace scanframe {
char *toString(const TreeRow &row)
{
    return QTest::toString(QStringLiteral("TreeRow(%1, \"%2\", parent %3, \"%4\")")
                               .arg(row.folderId)
                               .arg(row.name)
                               .arg(row.parentId)
                               .arg(row.folderPath));
}
} // namespace scanframe

namespace {

// A scanning thread whose discovery routine a test can replace; run() is
// reachable so a scan can also run in the test thread itself.
class ScriptedScan : public QMessageSavingThread
{
public:
    using QMessageSavingThread::run;

    std::function<void(ScriptedScan &, int)> routine;
    std::atomic<int> routineCalls{0};

    void runStubRoutine(int clientIndex) { QMessageSavingThread::runDiscoveryRoutine(clientIndex); }

protected:
    void runDiscoveryRoutine(int clientIndex) override
    {
        ++routineCalls;
        if (routine)
            routine(*this, clientIndex);
        else
            QMessageSavingThread::runDiscoveryRoutine(clientIndex);
    }
};

// Records every signal of a scan in order, as text.
void attachLog(QMessageSavingThread &scan, QObject *context, QStringList &log)
{
    auto add = [&log](const QString &entry) { log.append(entry); };
    QObject::connect(&scan, &QMessageSavingThread::OnShowProgressDlg, context,
                     [add] { add(QStringLiteral("show")); });
    QObject::connect(&scan, &QMessageSavingThread::OnSubProgressHide, context,
                     [add] { add(QStringLiteral("subhide")); });
    QObject::connect(&scan, &QMessageSavingThread::ProgressDailogHide, context,
                     [add] { add(QStringLiteral("hide")); });
    QObject::connect(&scan, &QMessageSavingThread::FinishScaning, context,
                     [add] { add(QStringLiteral("finish")); });
    QObject::connect(&scan, &QMessageSavingThread::NoDataIntoFile, context,
                     [add] { add(QStringLiteral("nodata")); });
    QObject::connect(&scan, &QMessageSavingThread::OnIndivisibleProgressvalue, context,
                     [add](double value) { add(QStringLiteral("progress %1").arg(value)); });
    QObject::connect(&scan, &QMessageSavingThread::MakeTreeWidget, context,
                     [add](qlonglong id, const QString &name, qlonglong parent, const QString &path) {
                         add(QStringLiteral("tree %1 '%2' %3 '%4'").arg(id).arg(name).arg(parent).arg(path));
                     });
}

// Which of the six source flags are set.
QStringList setSourceFlags()
{
    QStringList names;
    const std::pair<const char *, std::atomic<bool> *> flags[] = {
        {"bMboxFileFound", &bMboxFileFound}, {"bEmlxFileFound", &bEmlxFileFound},
        {"bOlmFileFound", &bOlmFileFound},   {"bEmlFileFound", &bEmlFileFound},
        {"bemlandfemlfileFound", &bemlandfemlfileFound}, {"bMbsFileFound", &bMbsFileFound},
    };
    for (const auto &flag : flags) {
        if (*flag.second)
            names.append(QLatin1String(flag.first));
    }
    return names;
}

void setEveryFlag()
{
    for (std::atomic<bool> *flag : {&bMboxFileFound, &bEmlxFileFound, &bOlmFileFound, &bEmlFileFound,
                                    &bemlandfemlfileFound, &bMbsFileFound, &bForAppleMail,
                                    &bForOutlookMail, &bProcessRunning, &bStopFlag, &bParseDatabase,
                                    &bParseDatabaseClose, &bCheckFucntion})
        *flag = true;
}

// What a tree builder leaves for one new folder.
qint64 addFolder(const QString &name, qint64 parent, const QString &path = QString())
{
    const qint64 id = ++PID;
    objMapName_FID.insert(name, id);
    objMapFID_PID.insert(id, parent);
    objMapFID_Name.insert(id, name);
    if (!path.isNull())
        MapLeftTreePath.insert(id, path);
    return id;
}

void appendMboxNode(const QString &path)
{
    auto *node = new MboxMbx;
    node->szFilePath = path;
    if (TmpMboxMbxPtrEnd)
        TmpMboxMbxPtrEnd->pNext = node;
    else
        TmpMboxMbxPtrStart = node;
    TmpMboxMbxPtrEnd = node;
}

using scanframe::TreeRow;
using ParentMap = QMap<qint64, qint64>;
using TextMap = QMap<qint64, QString>;

TreeRow row(qint64 id, const QString &name, qint64 parent, const QString &path)
{
    TreeRow r;
    r.folderId = id;
    r.name = name;
    r.parentId = parent;
    r.folderPath = path;
    return r;
}

} // namespace

Q_DECLARE_METATYPE(scanframe::TreeRow)

class TestScanThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initConverterResources(); }
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void constructionClearsStopFlag()
    {
        bStopFlag = true;
        QMessageSavingThread scan;
        QVERIFY(!bStopFlag);
        QCOMPARE(scan.m_nClientIndex, 0);
    }

    void clientIndexOutsideRangeRunsNothing_data()
    {
        QTest::addColumn<int>("clientIndex");
        QTest::newRow("no-client-chosen") << 0;
        QTest::newRow("negative-index") << -1;
        QTest::newRow("one-past-opera-mail") << 11;
        QTest::newRow("far-outside") << 1000;
    }

    void clientIndexOutsideRangeRunsNothing()
    {
        QFETCH(int, clientIndex);
        setEveryFlag();
        ScriptedScan scan;
        setEveryFlag(); // construction cleared the stop flag
        scan.m_nClientIndex = clientIndex;
        QStringList log;
        attachLog(scan, this, log);

        scan.run();

        QCOMPARE(log, QStringList());
        QCOMPARE(scan.routineCalls.load(), 0);
        QCOMPARE(setSourceFlags(), QStringList());
        QVERIFY(!bForAppleMail);
        QVERIFY(!bForOutlookMail);
        QVERIFY(!bProcessRunning);
        QVERIFY(!bStopFlag);
        QVERIFY(!bParseDatabase);
        QVERIFY(!bParseDatabaseClose);
        QVERIFY(!bCheckFucntion);
    }

    void clientIndexSetsItsSourceFlag_data()
    {
        QTest::addColumn<int>("clientIndex");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("nextItrAfter");
        QTest::newRow("apple-mail-mbox") << 1 << "bMboxFileFound" << 0;
        QTest::newRow("apple-mail-emlx") << 2 << "bEmlxFileFound" << 7;
        QTest::newRow("thunderbird") << 3 << "bMboxFileFound" << 0;
        QTest::newRow("postbox") << 4 << "bMboxFileFound" << 0;
        QTest::newRow("outlook-backup") << 5 << "bOlmFileFound" << 7;
        QTest::newRow("eudora") << 6 << "bMboxFileFound" << 0;
        QTest::newRow("seamonkey") << 7 << "bMboxFileFound" << 0;
        QTest::newRow("mailmate") << 8 << "bEmlFileFound" << 7;
        QTest::newRow("outspring-mail") << 9 << "bemlandfemlfileFound" << 7;
        QTest::newRow("opera-mail") << 10 << "bMbsFileFound" << 7;
    }

    void clientIndexSetsItsSourceFlag()
    {
        QFETCH(int, clientIndex);
        QFETCH(QString, flag);
        QFETCH(int, nextItrAfter);
        ScriptedScan scan;
        setEveryFlag();
        nextItr = 7;
        scan.m_nClientIndex = clientIndex;
        QStringList log;
        attachLog(scan, this, log);

        scan.run();

        QCOMPARE(setSourceFlags(), QStringList{flag});
        QVERIFY(!bForAppleMail);
        QVERIFY(!bForOutlookMail);
        QCOMPARE(scan.routineCalls.load(), 1);
        // No source path: nothing reaches a builder, so every routine ends
        // with the no-data report (its progress values aside).
        log.erase(std::remove_if(log.begin(), log.end(),
                                 [](const QString &entry) {
                                     return entry.startsWith(QLatin1String("progress"));
                                 }),
                  log.end());
        // The backup reader also hides its progress dialog when the file
        // does not open.
        const QStringList expected = clientIndex == 5
                                         ? QStringList{QStringLiteral("show"), QStringLiteral("subhide"),
                                                       QStringLiteral("hide"), QStringLiteral("nodata")}
                                         : QStringList{QStringLiteral("show"), QStringLiteral("nodata")};
        QCOMPARE(log, expected);
        QCOMPARE(nextItr, nextItrAfter);
        QVERIFY(!bProcessRunning);
        QVERIFY(!bStopFlag);
        QVERIFY(!bParseDatabase);
        QVERIFY(!bParseDatabaseClose);
    }

    void scanRaisesOpenFileLimit()
    {
        struct rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const struct rlimit original = limit;
        limit.rlim_cur = 256;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 256)
            QSKIP("hard limit of open files below 256");
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);

        ScriptedScan scan;
        scan.run();

        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const rlim_t expected = (original.rlim_max != RLIM_INFINITY && original.rlim_max < 2048)
                                    ? original.rlim_max
                                    : rlim_t(2048);
        QVERIFY2(limit.rlim_cur >= expected, qPrintable(QString::number(qulonglong(limit.rlim_cur))));
        ::setrlimit(RLIMIT_NOFILE, &original);
    }

    void treeRowsInAscendingIdOrder_data()
    {
        QTest::addColumn<ParentMap>("parents");
        QTest::addColumn<TextMap>("names");
        QTest::addColumn<TextMap>("paths");
        QTest::addColumn<QList<TreeRow>>("expected");

        QTest::newRow("empty-maps-give-no-rows")
            << ParentMap() << TextMap() << TextMap()
            << QList<TreeRow>();
        QTest::newRow("parents-before-children-whatever-the-insertion-order")
            << ParentMap{{504, 503}, {502, 501}, {503, 502}}
            << TextMap{{502, QStringLiteral("Mail")}, {503, QStringLiteral("Inbox")},
                                     {504, QStringLiteral("Sub")}}
            << TextMap{{503, QStringLiteral("/S/Inbox.mbox")},
                                     {504, QStringLiteral("/S/Inbox.sbd/Sub")}}
            << QList<TreeRow>{row(502, QStringLiteral("Mail"), 501, QString()),
                              row(503, QStringLiteral("Inbox"), 502, QStringLiteral("/S/Inbox.mbox")),
                              row(504, QStringLiteral("Sub"), 503, QStringLiteral("/S/Inbox.sbd/Sub"))};
        QTest::newRow("missing-name-and-path-are-empty")
            << ParentMap{{502, 501}} << TextMap() << TextMap()
            << QList<TreeRow>{row(502, QString(), 501, QString())};
        QTest::newRow("ids-without-parent-entry-are-not-folders")
            << ParentMap{{510, 501}}
            << TextMap{{509, QStringLiteral("Orphan")}, {510, QStringLiteral("Kept")}}
            << TextMap{{511, QStringLiteral("/x")}}
            << QList<TreeRow>{row(510, QStringLiteral("Kept"), 501, QString())};
        QTest::newRow("ids-beyond-32-bits-sort-numerically")
            << ParentMap{{Q_INT64_C(5000000000), 501}, {600, 501}}
            << TextMap() << TextMap()
            << QList<TreeRow>{row(600, QString(), 501, QString()),
                              row(Q_INT64_C(5000000000), QString(), 501, QString())};
    }

    void treeRowsInAscendingIdOrder()
    {
        QFETCH(ParentMap, parents);
        QFETCH(TextMap, names);
        QFETCH(TextMap, paths);
        QFETCH(QList<TreeRow>, expected);
        QCOMPARE(scanframe::treeRows(parents, names, paths), expected);
    }

    void cleanLinkedListDropsIndexAndMapsOnly()
    {
        appendMboxNode(QStringLiteral("/S/Inbox"));
        appendMboxNode(QStringLiteral("/S/Sent"));
        addFolder(QStringLiteral("Mail"), llRootId);
        addFolder(QStringLiteral("Inbox"), 502, QStringLiteral("/S/Inbox"));
        appendMailItem(QStringLiteral("/S/1.eml"), 503);
        listOfPathOfOnlyForTree << QStringLiteral("/S/1.eml");
        const qint64 counter = PID;

        QMessageSavingThread scan;
        scan.CleanLinkedList();

        QVERIFY(!TmpMboxMbxPtrStart);
        QVERIFY(!TmpMboxMbxPtrEnd);
        QVERIFY(objMapName_FID.isEmpty());
        QVERIFY(objMapFID_PID.isEmpty());
        QVERIFY(objMapFID_Name.isEmpty());
        QVERIFY(MapLeftTreePath.isEmpty());
        QCOMPARE(PID, counter);
        QVERIFY(StartMailItem);
        QCOMPARE(StartMailItem->pPath, QStringLiteral("/S/1.eml"));
        QCOMPARE(listOfPathOfOnlyForTree, QStringList{QStringLiteral("/S/1.eml")});
    }

    void foldersReachTheTreeAfterTheEndSignalsInIdOrder()
    {
        ScriptedScan scan;
        scan.m_nClientIndex = 3;
        scan.routine = [](ScriptedScan &self, int) {
            emit self.OnShowProgressDlg();
            const qint64 mail = addFolder(QStringLiteral("Mail"), llRootId);
            const qint64 inbox = addFolder(QStringLiteral("Inbox"), mail, QStringLiteral("/S/Inbox"));
            addFolder(QStringLiteral("Sent"), mail, QStringLiteral("/S/Sent"));
            addFolder(QStringLiteral("Work"), inbox, QStringLiteral("/S/Inbox.sbd/Work"));
            emit self.OnSubProgressHide();
            emit self.ProgressDailogHide();
            emit self.FinishScaning();
        };
        QStringList log;
        attachLog(scan, this, log);

        // Started for real: the signals cross into this thread queued.
        scan.SetInitialSettings();
        QVERIFY(scan.wait(10000));
        QTRY_COMPARE(log.size(), 8);
        QCOMPARE(log, (QStringList{QStringLiteral("show"), QStringLiteral("subhide"),
                                   QStringLiteral("hide"), QStringLiteral("finish"),
                                   QStringLiteral("tree 502 'Mail' 501 ''"),
                                   QStringLiteral("tree 503 'Inbox' 502 '/S/Inbox'"),
                                   QStringLiteral("tree 504 'Sent' 502 '/S/Sent'"),
                                   QStringLiteral("tree 505 'Work' 503 '/S/Inbox.sbd/Work'")}));
        QCOMPARE(setSourceFlags(), QStringList{QStringLiteral("bMboxFileFound")});
    }

    void startDuringScanOnlyStopsIt()
    {
        ScriptedScan scan;
        scan.m_nClientIndex = 8;
        QSemaphore entered;
        QSemaphore carryOn;
        std::atomic<bool> runningSeen{false};
        std::atomic<bool> stopSeen{false};
        scan.routine = [&](ScriptedScan &, int) {
            addFolder(QStringLiteral("Mail"), llRootId);
            runningSeen = bool(bProcessRunning);
            entered.release();
            carryOn.acquire();
            stopSeen = bool(bStopFlag);
        };
        QStringList log;
        attachLog(scan, this, log);

        scan.SetInitialSettings();
        QVERIFY(entered.tryAcquire(1, 10000));
        QVERIFY(scan.isRunning());
        QCOMPARE(scan.priority(), QThread::LowPriority);
        QVERIFY(runningSeen);

        scan.SetInitialSettings();
        QVERIFY(bStopFlag);
        carryOn.release();
        QVERIFY(scan.wait(10000));

        QVERIFY(stopSeen);
        QCOMPARE(scan.routineCalls.load(), 1);
        QVERIFY(!bStopFlag);
        QVERIFY(!bProcessRunning);
        // The folder found before the stop still reaches the tree.
        QTRY_COMPARE(log, QStringList{QStringLiteral("tree 502 'Mail' 501 ''")});

        // Once idle, the next Start runs a new scan.
        scan.SetInitialSettings();
        QVERIFY(entered.tryAcquire(1, 10000));
        carryOn.release();
        QVERIFY(scan.wait(10000));
        QCOMPARE(scan.routineCalls.load(), 2);
    }

    void secondScanStartsEmptyAndCountsOn()
    {
        ScriptedScan scan;
        scan.m_nClientIndex = 4;
        QList<bool> startedEmpty;
        scan.routine = [&](ScriptedScan &, int) {
            startedEmpty << (objMapName_FID.isEmpty() && objMapFID_PID.isEmpty()
                             && objMapFID_Name.isEmpty() && MapLeftTreePath.isEmpty()
                             && !TmpMboxMbxPtrStart && !TmpMboxMbxPtrEnd);
            const qint64 mail = addFolder(QStringLiteral("Mail"), llRootId);
            addFolder(QStringLiteral("Inbox"), mail, QStringLiteral("/S/Inbox"));
            appendMboxNode(QStringLiteral("/S/Inbox"));
        };
        QStringList log;
        attachLog(scan, this, log);

        scan.run();
        QCOMPARE(log, (QStringList{QStringLiteral("tree 502 'Mail' 501 ''"),
                                   QStringLiteral("tree 503 'Inbox' 502 '/S/Inbox'")}));
        log.clear();
        scan.run();

        QCOMPARE(startedEmpty, (QList<bool>{true, true}));
        QCOMPARE(log, (QStringList{QStringLiteral("tree 504 'Mail' 501 ''"),
                                   QStringLiteral("tree 505 'Inbox' 504 '/S/Inbox'")}));
        // What the last scan built stays for the browser.
        QVERIFY(TmpMboxMbxPtrStart);
        QCOMPARE(objMapFID_PID.size(), 2);
    }

    void workingListsAreEmptiedAfterTheScan()
    {
        ScriptedScan scan;
        scan.m_nClientIndex = 10;
        listOfPath1 << QStringLiteral("line");
        listOfPathOfOnlyEmlx << QStringLiteral("/S/1.emlx");
        listOfPathOfEmlxPart << QStringLiteral("/S/1.partial.emlx");
        AllFilePathInStrList << QStringLiteral("/S/Inbox");
        listOfPathOfOnlyMbs << QStringLiteral("/S/old.mbs");
        scan.routine = [](ScriptedScan &, int) {
            // What a routine finds during the scan is dropped as well.
            listOfPathOfOnlyEml << QStringLiteral("/S/2.eml");
            listOfPathOfOnlyMbs << QStringLiteral("/S/new.mbs");
            listOfPathOfOnlyForTree << QStringLiteral("/S/new.mbs");
            GetAllFilePathInStrList = QStringLiteral("/S/Inbox");
            bCheckFucntion = true;
        };

        scan.run();

        QVERIFY(listOfPath1.isEmpty());
        QVERIFY(listOfPathOfOnlyEmlx.isEmpty());
        QVERIFY(listOfPathOfOnlyEml.isEmpty());
        QVERIFY(listOfPathOfEmlxPart.isEmpty());
        QVERIFY(AllFilePathInStrList.isEmpty());
        QCOMPARE(listOfPathOfOnlyMbs, (QStringList{QStringLiteral("/S/old.mbs"), QStringLiteral("/S/new.mbs")}));
        QCOMPARE(listOfPathOfOnlyForTree, QStringList{QStringLiteral("/S/new.mbs")});
        QCOMPARE(GetAllFilePathInStrList, QStringLiteral("/S/Inbox"));
        QVERIFY(!bCheckFucntion);
    }

    void failingRoutineNeitherEscapesNorHides()
    {
        ScriptedScan scan;
        scan.m_nClientIndex = 2;
        scan.routine = [](ScriptedScan &self, int) {
            emit self.OnShowProgressDlg();
            addFolder(QStringLiteral("Mail"), llRootId);
            throw std::runtime_error("unreadable store");
        };
        QStringList log;
        attachLog(scan, this, log);

        scan.run();

        QCOMPARE(log, (QStringList{QStringLiteral("show"), QStringLiteral("nodata"),
                                   QStringLiteral("tree 502 'Mail' 501 ''")}));
        QVERIFY(!bProcessRunning);
        QVERIFY(!bStopFlag);
        QCOMPARE(setSourceFlags(), QStringList{QStringLiteral("bEmlxFileFound")});
    }
};

QTEST_MAIN(TestScanThread)
#include "tst_scanthread.moc"
