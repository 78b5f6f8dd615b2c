// The saving thread object: stop-flag protocol of its start request and the
// end signals of a save that writes nothing; the save dialog shell.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "convert/mailsaving.h"
#include "convert/saveaswindow.h"
#include "support/globalsreset.h"

#include <QSemaphore>
#include <QtTest>

namespace {

// A saving thread whose job blocks until the test lets it go.
class BlockingSave : public QMailSaving
{
public:
    QSemaphore entered;
    QSemaphore carryOn;
    std::atomic<int> runs{0};
    std::atomic<bool> stopAtEntry{false};
    std::atomic<bool> stopAtEnd{false};

protected:
    void run() override
    {
        ++runs;
        stopAtEntry = bool(bStopFlag);
        entered.release();
        carryOn.acquire();
        stopAtEnd = bool(bStopFlag);
    }
};

} // namespace

class TestMailSaving : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initConverterResources(); }
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void constructionClearsStopFlag()
    {
        bStopFlag = true;
        QMailSaving saving;
        QVERIFY(!bStopFlag);
        QVERIFY(!saving.isRunning());
    }

    void saveThatWritesNothingNeverReportsSuccess()
    {
        // A source with a driver but no ticked message: the end signals come
        // once, and the outcome says that nothing was written.
        QMailSaving saving;
        SaveSnapshot snapshot;
        snapshot.source = SaveSource::MailMate;
        snapshot.target = SaveTarget::AppleMail;
        saving.prepareSave(snapshot);
        QStringList log;
        connect(&saving, &QMailSaving::OnShowProgressDlg, this, [&] { log << QStringLiteral("show"); });
        connect(&saving, &QMailSaving::NoDataIntoFile, this, [&] { log << QStringLiteral("nodata"); });
        connect(&saving, &QMailSaving::FinishSaving, this, [&] { log << QStringLiteral("finish"); });
        connect(&saving, &QMailSaving::ProgressDailogHide, this, [&] { log << QStringLiteral("hide"); });

        saving.SetInitialSettings();
        QVERIFY(saving.wait(10000));
        QTRY_COMPARE(log, (QStringList{QStringLiteral("show"), QStringLiteral("hide"), QStringLiteral("finish")}));
        QCOMPARE(saving.lastOutcome().written, qint64(0));
        QCOMPARE(saveOutcomeText(QStringLiteral("/d/T"), saving.lastOutcome()),
                 QStringLiteral("\nNothing was saved at location /d/T."));
    }

    void startRequestWhileSavingOnlyStops()
    {
        BlockingSave saving;
        bStopFlag = true; // left over from an earlier stop

        saving.SetInitialSettings();
        QVERIFY(saving.entered.tryAcquire(1, 10000));
        QVERIFY(!saving.stopAtEntry);

        saving.SetInitialSettings();
        QVERIFY(bStopFlag);
        saving.carryOn.release();
        QVERIFY(saving.wait(10000));
        QVERIFY(saving.stopAtEnd);
        QCOMPARE(saving.runs.load(), 1);

        // Idle again: the next request starts a new save with a clear flag.
        saving.SetInitialSettings();
        QVERIFY(saving.entered.tryAcquire(1, 10000));
        QVERIFY(!saving.stopAtEntry);
        saving.carryOn.release();
        QVERIFY(saving.wait(10000));
        QCOMPARE(saving.runs.load(), 2);
    }

    void startsAtLowPriority()
    {
        BlockingSave saving;
        saving.SetInitialSettings();
        QVERIFY(saving.entered.tryAcquire(1, 10000));
        const QThread::Priority priority = saving.priority();
        saving.carryOn.release();
        QVERIFY(saving.wait(10000));
        QCOMPARE(priority, QThread::LowPriority);
    }

    void saveDialogIsAHiddenChildOfItsParent()
    {
        QWidget parent;
        SaveAsWindow dialog(&parent);
        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Form"));
    }
};

QTEST_MAIN(TestMailSaving)
#include "tst_mailsaving.moc"
