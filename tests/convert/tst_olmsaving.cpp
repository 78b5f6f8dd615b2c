// The backup (.olm) to Apple Mail driver: signal order, files made, a stop,
// a backup that does not open, folder paths that try to leave the tree.

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "convert/convertglobals.h"
#include "convert/mailsaving.h"
#include "convert/olmsaving.h"
#include "olm/mailmlrc.h"
#include "platform/finderinfo.h"
#include "support/fiforelease.h"
#include "support/globalsreset.h"
#include "support/olmfixture.h"
#include "support/testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

using testfiles::readAll;
using testfiles::filesBelow;

// Records every signal of a run, in order, on the thread that emits it.
struct SignalLog {
    QStringList names;
    QList<double> progress;

    void attach(QMailSaving &saving)
    {
        auto log = [this](const char *name) { return [this, name] { names.append(QLatin1String(name)); }; };
        QObject::connect(&saving, &QMailSaving::OnShowProgressDlg, log("show"));
        QObject::connect(&saving, &QMailSaving::ShowProgressLabel, log("label"));
        QObject::connect(&saving, &QMailSaving::OnSubProgressHide, log("subhide"));
        QObject::connect(&saving, &QMailSaving::ProgressDailogHide, log("hide"));
        QObject::connect(&saving, &QMailSaving::FinishSaving, log("finish"));
        QObject::connect(&saving, &QMailSaving::NoDataIntoFile, log("nodata"));
        QObject::connect(&saving, &QMailSaving::OnIndivisibleProgressvalue, &saving, [this](double value) {
            progress.append(value);
            if (stopAt >= 0 && value >= stopAt)
                bStopFlag = true;
        }, Qt::DirectConnection);
    }
    double stopAt = -1;
};

} // namespace

class TestOlmSaving : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { resetAllGlobalsForTest(); }

    void folderComponents_data();
    void folderComponents();
    void writesRecordsOfTickedFolders();
    void stopEndsWithoutEndSignals();
    void unreadableBackupWritesNothing_data();
    void unreadableBackupWritesNothing();
    void sampleBackupSavedWhole();
    void addressesOfAScannedBackup_data();
    void addressesOfAScannedBackup();
    void shortReadCountsAsWrittenIncompletely_data();
    void shortReadCountsAsWrittenIncompletely();
    void bodiesOfAScannedBackupReadBack_data();
    void bodiesOfAScannedBackupReadBack();

private:
    MailMLRC *addRecord(quint64 folderId, const QByteArray &folderPath, const QByteArray &body);
    void run(SignalLog &log, const QString &backupPath, SaveOutcome *outcome = nullptr);
    int scanAndSave(const QString &backupPath, QStringList *mboxes);

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_backup;
};

void TestOlmSaving::init()
{
    resetAllGlobalsForTest();
    m_dir = std::make_unique<QTemporaryDir>();
    m_backup.clear();
}

MailMLRC *TestOlmSaving::addRecord(quint64 folderId, const QByteArray &folderPath, const QByteArray &body)
{
    MailMLRC *record = appendMailMLRC();
    record->llFolderId = folderId;
    record->szFolderPath = folderPath;
    record->szReceivedTime = "Fri, 19 Dec 2014 10:37:38 +0530";
    record->szSubject = "s";
    record->llBodyOffset = m_backup.size();
    record->llBodyLength = body.size();
    m_backup += body;
    return record;
}

void TestOlmSaving::run(SignalLog &log, const QString &backupPath, SaveOutcome *outcome)
{
    QFile backup(m_dir->filePath(QStringLiteral("backup.olm")));
    QVERIFY(backup.open(QIODevice::WriteOnly));
    backup.write(m_backup);
    backup.close();

    SaveSnapshot snapshot;
    snapshot.source = SaveSource::Olm;
    snapshot.target = SaveTarget::AppleMail;
    snapshot.selectedRoot = backupPath.isEmpty() ? backup.fileName() : backupPath;
    snapshot.saveDir = m_dir->filePath(QStringLiteral("out"));
    snapshot.folders = {SaveSnapshot::Folder{10, {}}, SaveSnapshot::Folder{11, {}}};
    QMailSaving saving;
    log.attach(saving);
    saving.prepareSave(snapshot);
    saving.SetInitialSettings();
    QVERIFY(saving.wait(30000));
    if (outcome)
        *outcome = saving.lastOutcome();
}

void TestOlmSaving::folderComponents_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("file");
    QTest::newRow("one-folder") << QByteArray("Inbox") << QStringLiteral("Mail/Inbox/Inbox.mbox");
    QTest::newRow("nested") << QByteArray("A/B") << QStringLiteral("Mail/A/B/B.mbox");
    QTest::newRow("empty-is-folder1") << QByteArray() << QStringLiteral("Mail/Folder1/Folder1.mbox");
    QTest::newRow("dot-dot-dropped") << QByteArray("../../x/./y/") << QStringLiteral("Mail/x/y/y.mbox");
    QTest::newRow("only-dots-folder1") << QByteArray("/../..") << QStringLiteral("Mail/Folder1/Folder1.mbox");
}

void TestOlmSaving::folderComponents()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, file);
    const outputpaths::OutputTarget target = olmsaving::recordTarget(QStringLiteral("/d"), path);
    QCOMPARE(target.file, QStringLiteral("/d/Main Identity.mbox/") + file);
}

void TestOlmSaving::writesRecordsOfTickedFolders()
{
    addRecord(10, "Inbox", "<html>one</html>");
    addRecord(12, "Unticked", "never");
    addRecord(11, "../../escape", "two");
    addRecord(10, "Inbox", QByteArray());
    addRecord(10, "Inbox", "three")->llBodyLength = -5;
    SignalLog log;
    run(log, QString());

    QCOMPARE(log.names, QStringList({QStringLiteral("show"), QStringLiteral("label"), QStringLiteral("subhide"), QStringLiteral("hide"), QStringLiteral("finish")}));
    QCOMPARE(log.progress, QList<double>({0, 25, 50, 75, 100}));
    QCOMPARE(ulCount.load(), quint64(4));
    QCOMPARE(filesBelow(m_dir->path()),
             QStringList({QStringLiteral("backup.olm"), QStringLiteral("out/Main Identity.mbox/Mail/Inbox/Inbox.mbox"), QStringLiteral("out/Main Identity.mbox/Mail/escape/escape.mbox")}));
    const QString inbox = m_dir->filePath(QStringLiteral("out/Main Identity.mbox/Mail/Inbox/Inbox.mbox"));
    const QByteArray mbox = readAll(inbox);
    QCOMPARE(mbox.count("\nFrom ???@???") + int(mbox.startsWith("From ???@???")), 3);
    QVERIFY(mbox.contains("<html>one</html>"));
    QVERIFY(!mbox.contains("never"));
    quint32 type = 0, creator = 0;
    if (platform::finderInfo(inbox, &type, &creator)) {
        QCOMPARE(type, platform::kFourCharMBOX);
        QCOMPARE(creator, platform::kFourCharOPIM);
    }
    QVERIFY(FileSavingIdentification);
}

void TestOlmSaving::stopEndsWithoutEndSignals()
{
    addRecord(10, "Inbox", "one");
    addRecord(10, "Inbox", "two");
    addRecord(11, "Other", "three");
    SignalLog log;
    log.stopAt = 33;
    run(log, QString());

    QCOMPARE(log.names, QStringList({QStringLiteral("show"), QStringLiteral("label")}));
    const QByteArray mbox = readAll(m_dir->filePath(QStringLiteral("out/Main Identity.mbox/Mail/Inbox/Inbox.mbox")));
    QVERIFY(mbox.contains(">one</pre></html>"));
    QVERIFY(!mbox.contains("two"));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("out/Main Identity.mbox/Mail/Other"))));
}

void TestOlmSaving::unreadableBackupWritesNothing_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("missing-backup") << false;
    QTest::newRow("fifo-in-place-of-backup") << true;
}

void TestOlmSaving::unreadableBackupWritesNothing()
{
    QFETCH(bool, fifo);
    addRecord(10, "Inbox", "one");
    const QString path = m_dir->filePath(QStringLiteral("gone.olm"));
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    SignalLog log;
    {
        FifoRelease release(path);
        run(log, path);
        QVERIFY2(!release.releasedAReader(), "the save waited in the open of a FIFO");
    }

    QCOMPARE(log.names, QStringList({QStringLiteral("show"), QStringLiteral("label"), QStringLiteral("subhide"), QStringLiteral("hide"), QStringLiteral("nodata")}));
    QVERIFY(log.progress.isEmpty());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("out"))));
}

// Scans the backup as the program does, ticks every folder, saves it for
// Apple Mail into out/ and gives the mbox files written; returns the number
// of records, every one of which must have been written.
int TestOlmSaving::scanAndSave(const QString &backupPath, QStringList *mboxes)
{
    m_selectedFile = backupPath;
    appendFldrAtrib(llRootId, 0)->chState = FolderChecked;
    {
        QMessageSavingThread scan;
        scan.m_nClientIndex = 5;
        connect(&scan, &QMessageSavingThread::MakeTreeWidget, this,
                [](qlonglong id, const QString &, qlonglong parent, const QString &) {
                    appendFldrAtrib(id, parent)->chState = FolderChecked;
                }, Qt::DirectConnection);
        scan.SetInitialSettings();
        if (!scan.wait(60000))
            return -1;
    }
    int records = 0;
    for (const MailMLRC *record = TmpMlrcPtrStart; record; record = record->pNext)
        ++records;

    saveDir = m_dir->filePath(QStringLiteral("out"));
    QMailSaving saving;
    saving.prepareSave(takeSaveSnapshot(SaveTarget::AppleMail));
    saving.SetInitialSettings();
    if (!saving.wait(60000) || saving.lastOutcome().written != records
        || saving.lastOutcome().notWritten + saving.lastOutcome().unreadable != 0)
        return -1;
    for (const QString &file : filesBelow(saveDir))
        mboxes->append(saveDir + QLatin1Char('/') + file);
    return records;
}

void TestOlmSaving::sampleBackupSavedWhole()
{
    // The sample backup scanned by the reader, every folder ticked, saved,
    // and read back by Python's mailbox and email packages.
    const QString sample = qEnvironmentVariable("CONVERTER_SOURCE_DIR")
                           + QStringLiteral("/samples/outlook-backup/Outlook Backup.olm");
    if (!QFileInfo::exists(sample))
        QSKIP("the sample backup is not in this tree");
    QStringList mboxes;
    const int records = scanAndSave(sample, &mboxes);
    QVERIFY(records > 0);
    const QString script = QStringLiteral(
        "import sys, mailbox, email.policy\n"
        "n = 0\n"
        "for path in sys.argv[1:]:\n"
        "    box = mailbox.mbox(path, factory=lambda f: email.message_from_binary_file(f, policy=email.policy.default))\n"
        "    for msg in box:\n"
        "        n += 1\n"
        "        for part in msg.walk():\n"
        "            assert not part.defects, (path, part.defects)\n"
        "            if not part.is_multipart(): part.get_payload(decode=True)\n"
        "print(n)\n");
    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + mboxes);
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QCOMPARE(python.readAllStandardOutput().trimmed().toInt(), records);
}

void TestOlmSaving::addressesOfAScannedBackup_data()
{
    using olmfixture::address;
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("to-escaped-amp-decoded")
        << QByteArray("OPFMessageCopyToAddresses") << address("a&amp;b@x", "B") << QByteArray("To: B <a&b@x>\n");
    QTest::newRow("to-double-escaped-lt-decoded-once")
        << QByteArray("OPFMessageCopyToAddresses") << address("a&amp;lt;b@x", QByteArray(), false)
        << QByteArray("To: \"a&lt;b@x\" <a&lt;b@x>\n");
    QTest::newRow("cc-double-escaped-amp-decoded-once")
        << QByteArray("OPFMessageCopyCCAddresses") << address("a&amp;amp;b@x", "B") << QByteArray("Cc: B <a&amp;b@x>\n");
    QTest::newRow("from-double-escaped-gt-decoded-once")
        << QByteArray("OPFMessageCopyFromAddresses") << address("a&amp;gt;b@x", "A")
        << QByteArray("From: A <a&gt;b@x>\n");
}

// Address entities are decoded once on the way from the backup's XML to the
// written header, whichever side does it.
void TestOlmSaving::addressesOfAScannedBackup()
{
    using namespace olmfixture;
    QFETCH(QByteArray, element);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, line);
    Archive archive;
    archive.sized("Local/Mail/Inbox/m1__message_attachment__.xml",
                  emails({message({olmfixture::element("OPFMessageCopySubject", "s"),
                                   olmfixture::element(element, addresses),
                                   olmfixture::element("OPFMessageCopySentTime", "2014-12-19T05:07:38")})}));
    archive.centralDirectory();
    const QString backupPath = m_dir->filePath(QStringLiteral("addresses.olm"));
    QVERIFY(testfiles::writeFile(backupPath, archive.bytes));

    QStringList mboxes;
    QCOMPARE(scanAndSave(backupPath, &mboxes), 1);
    QCOMPARE(mboxes.size(), 1);
    const QByteArray mbox = readAll(mboxes.first());
    QVERIFY2(mbox.contains('\n' + line), mbox.constData());
}

void TestOlmSaving::shortReadCountsAsWrittenIncompletely_data()
{
    QTest::addColumn<bool>("bodyCut");
    QTest::addColumn<bool>("attachmentCut");
    QTest::addColumn<int>("incomplete");
    QTest::addColumn<QString>("text");
    QTest::newRow("every-range-whole") << false << false << 0
                                       << "\nFile saved successfully at location /o\n3 message(s) were saved.";
    const QString oneIncomplete = QStringLiteral("\nFile saved at location /o, with problems.\n"
                                                 "3 of 3 message(s) were saved.\n"
                                                 "1 message(s) could not be read whole and were saved incompletely.");
    QTest::newRow("body-beyond-the-end-of-the-backup") << true << false << 1 << oneIncomplete;
    QTest::newRow("attachment-beyond-the-end-of-the-backup") << false << true << 1 << oneIncomplete;
    QTest::newRow("body-and-attachment-of-one-message-cut") << true << true << 1 << oneIncomplete;
}

void TestOlmSaving::shortReadCountsAsWrittenIncompletely()
{
    QFETCH(bool, bodyCut);
    QFETCH(bool, attachmentCut);
    QFETCH(int, incomplete);
    QFETCH(QString, text);
    addRecord(10, "Inbox", "<html>first</html>");
    addRecord(11, "Other", "<html>other</html>");
    // The last record's ranges run to the end of the backup, or past it.
    MailMLRC *last = addRecord(10, "Inbox", "<html>last");
    const QByteArray attachment = "attachment bytes";
    last->pAttachNames = "a.bin;";
    last->pAttachContentTypes = "application/octet-stream;";
    last->pAttachContentIDs = "no;";
    last->pAttachURLs = "entry;";
    last->pAttachOffsets = QByteArray::number(m_backup.size()) + ';';
    last->pAttachSizes = QByteArray::number(attachment.size() + (attachmentCut ? 4096 : 0)) + ';';
    m_backup += attachment;
    if (bodyCut)
        last->llBodyLength = m_backup.size() - last->llBodyOffset + 4096;
    SignalLog log;
    SaveOutcome outcome;
    run(log, QString(), &outcome);

    QCOMPARE(log.names.last(), QStringLiteral("finish"));
    QCOMPARE(outcome.written, qint64(3));
    QCOMPARE(outcome.incomplete, qint64(incomplete));
    QCOMPARE(outcome.unreadable + outcome.notWritten, qint64(0));
    QCOMPARE(saveOutcomeText(QStringLiteral("/o"), outcome), text);
    // What could be read was written.
    const QByteArray mbox = readAll(m_dir->filePath(QStringLiteral("out/Main Identity.mbox/Mail/Inbox/Inbox.mbox")));
    QVERIFY(mbox.contains("&lt;html&gt;last"));
    QVERIFY(mbox.contains(attachment.toBase64().left(16)));
}

void TestOlmSaving::bodiesOfAScannedBackupReadBack_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("key"); // "text": as a reader shows the html; "html": its bytes
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain-text-keeps-lines-tabs-and-markup-characters")
        << QByteArray("Reply to &lt;addr@x&gt;, not the list.\r\n\tif (a &lt; b &amp;&amp; c &gt; d)\r\n\r\n"
                      "From here on\r\n-- \r\nAnn")
        << QStringLiteral("text")
        << QByteArray("Reply to <addr@x>, not the list.\n\tif (a < b && c > d)\n\nFrom here on\n-- \nAnn");
    QTest::newRow("plain-text-lone-cr-and-lf-end-lines")
        << QByteArray("one\rtwo\nthree\r\r\n") << QStringLiteral("text") << QByteArray("one\ntwo\nthree\n\n");
    // Every second byte a CR: some read of a long body ends between CR and LF.
    const int lines = 600000;
    QTest::newRow("cr-lf-split-between-two-reads-ends-one-line")
        << "x" + QByteArray("\r\n").repeated(lines) << QStringLiteral("text") << "x" + QByteArray(lines, '\n');
    QTest::newRow("html-document-written-as-it-is")
        << QByteArray("&lt;HTML&gt;&lt;p&gt;One &amp;amp; &lt;b&gt;two&lt;/b&gt;&lt;/p&gt;\r\n&lt;/Html&gt;")
        << QStringLiteral("html") << QByteArray("<HTML><p>One &amp; <b>two</b></p>\n</Html>");
}

// A body scanned from a backup and saved, read back by Python's email
// package: plain text shows its own lines and characters, an HTML document
// is carried as it is.
void TestOlmSaving::bodiesOfAScannedBackupReadBack()
{
    using namespace olmfixture;
    QFETCH(QByteArray, stored);
    QFETCH(QString, key);
    QFETCH(QByteArray, expected);
    Archive archive;
    archive.sized("Local/Mail/Inbox/m1__message_attachment__.xml", emails({simpleMessage("s", stored)}));
    archive.centralDirectory();
    const QString backupPath = m_dir->filePath(QStringLiteral("bodies.olm"));
    QVERIFY(testfiles::writeFile(backupPath, archive.bytes));
    QStringList mboxes;
    QCOMPARE(scanAndSave(backupPath, &mboxes), 1);
    QCOMPARE(mboxes.size(), 1);

    const QJsonObject message{{QStringLiteral("subject"), QStringLiteral("s")},
                              {QStringLiteral("from"), QJsonArray{QJsonArray{QStringLiteral("From"),
                                                                             QStringLiteral("from@example.org")}}},
                              {key, QString::fromLatin1(expected.toBase64())}};
    const QString json = m_dir->filePath(QStringLiteral("expected.json"));
    QVERIFY(testfiles::writeFile(json, QJsonDocument(QJsonObject{{mboxes.first(), QJsonArray{message}}}).toJson()));
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {qEnvironmentVariable("CONVERTER_SOURCE_DIR") + QStringLiteral("/tests/convert/olm_parseback.py"), json});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, (python.readAllStandardOutput() + python.readAllStandardError()).constData());
}

QTEST_GUILESS_MAIN(TestOlmSaving)
#include "tst_olmsaving.moc"
