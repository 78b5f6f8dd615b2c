// Every sample store scanned by the real scan, all folders ticked, and saved
// to each target offered for it: nothing skipped, nothing failed, and
// Python's mbox reader finds every message of the sample in the output.

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "convert/mailsaving.h"
#include "convert/savefrontend.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestSaveSamples : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void sampleSavedWhole_data()
    {
        QTest::addColumn<int>("clientIndex");
        QTest::addColumn<QString>("sample");
        QTest::addColumn<int>("messages");
        QTest::newRow("thunderbird") << 3 << "thunderbird-profile" << 11;
        QTest::newRow("eudora") << 6 << "eudora-folder" << 5;
        QTest::newRow("apple-mail-mbox") << 1 << "apple-mail-mbox-export" << 7;
        QTest::newRow("apple-mail-emlx") << 2 << "apple-mail-emlx" << 8;
        QTest::newRow("mailmate") << 8 << "mailmate" << 5;
        QTest::newRow("outspring") << 9 << "outspring-mail" << 5;
        QTest::newRow("opera") << 10 << "opera-mail" << 6;
    }

    void sampleSavedWhole()
    {
        QFETCH(int, clientIndex);
        QFETCH(QString, sample);
        QFETCH(int, messages);
        m_selectedFile = qEnvironmentVariable("CONVERTER_SOURCE_DIR") + QStringLiteral("/samples/") + sample;
        QVERIFY(QFileInfo(m_selectedFile).isDir());

        // The scan, with the folder records the browser would make, all ticked.
        appendFldrAtrib(llRootId, 0)->chState = FolderChecked;
        {
            QMessageSavingThread scan;
            scan.m_nClientIndex = clientIndex;
            connect(&scan, &QMessageSavingThread::MakeTreeWidget, this,
                    [](qlonglong id, const QString &, qlonglong parent, const QString &) {
                        appendFldrAtrib(id, parent)->chState = FolderChecked;
                    }, Qt::DirectConnection);
            scan.SetInitialSettings();
            QVERIFY(scan.wait(60000));
        }

        const savefrontend::TargetButtons offered =
            savefrontend::targetButtonsFor(unsigned(clientIndex), currentSaveSource());
        QVERIFY(savefrontend::anyTargetOffered(offered));
        for (const SaveTarget target : {SaveTarget::AppleMail, SaveTarget::Outlook}) {
            if ((target == SaveTarget::AppleMail && !offered.appleEnabled)
                || (target == SaveTarget::Outlook && !offered.outlookEnabled))
                continue;
            QTemporaryDir out;
            saveDir = out.path();
            QMailSaving saving;
            saving.prepareSave(takeSaveSnapshot(target));
            saving.SetInitialSettings();
            QVERIFY(saving.wait(60000));
            const SaveOutcome outcome = saving.lastOutcome();
            QVERIFY(outcome.written > 0);
            QCOMPARE(outcome.unreadable, qint64(0));
            QCOMPARE(outcome.notWritten, qint64(0));

            QStringList mboxes;
            QDirIterator it(out.path() + QStringLiteral("/") + savefrontend::treeName(target) + QStringLiteral("/Mail"),
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                mboxes << it.next();
            QVERIFY(!mboxes.isEmpty());
            QProcess python;
            python.start(QStringLiteral("python3"),
                         QStringList{qEnvironmentVariable("CONVERTER_SOURCE_DIR")
                                     + QStringLiteral("/tests/convert/mbox_split.py")}
                             + mboxes);
            QVERIFY(python.waitForFinished(60000));
            QCOMPARE(python.exitCode(), 0);
            const QByteArray listing = python.readAllStandardOutput();
            QCOMPARE(listing.count("\nMSG "), messages);
        }
    }
};

QTEST_MAIN(TestSaveSamples)
#include "tst_savesamples.moc"
