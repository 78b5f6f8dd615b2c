// A backup scanned end to end into a main window: the folder tree, the
// message list of a folder click, and the header box and page of selected
// messages, body-less ones included (each row previews its own record), a
// large body shown in part, and a backup that is no longer a regular file;
// the entries it could not read told at the end of the scan; messages in no
// folder listed, previewed and saved from a folder of their own.

#include "app/mainwindowfixture.h"

#include "app/safewebview.h"
#include "convert/mailsaving.h"
#include "olm/mailmlrc.h"
#include "preview/bodydecode.h"
#include "support/fiforelease.h"
#include "olm/olmwalker.h"
#include "scan/scanglobals.h"
#include "support/olmfixture.h"
#include "support/scriptedprompter.h"
#include "support/testfiles.h"

#include <QSignalSpy>
#include <QProcess>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

#include <sys/stat.h>

using namespace olmfixture;

namespace {

class DirectScan : public QMessageSavingThread
{
public:
    void runHere() { run(); }
};

} // namespace

class TestOlmBrowse : public QObject
{
    Q_OBJECT

private slots:
    void init() { fixture.setUp(); }
    void cleanup() { fixture.tearDown(); }
    void browsesAScannedBackup();
    void largeBodyShownInPart_data();
    void largeBodyShownInPart();
    void backupReplacedByFifoIsNotWaitedFor();
    void tellsTheEntriesItCouldNotRead_data();
    void tellsTheEntriesItCouldNotRead();
    void listsPreviewsAndSavesUnfiledMessages();

private:
    // Writes head, a hole of holeSize zero bytes (never written) and tail as
    // m_selectedFile, in place of whatever stood there (a FIFO, say).
    void writeBackup(const QByteArray &head, qint64 holeSize = 0, const QByteArray &tail = QByteArray())
    {
        m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
        QFile::remove(m_selectedFile);
        QFile file(m_selectedFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size());
        QVERIFY(file.seek(head.size() + holeSize) && file.write(tail) == tail.size());
    }
    // Writes the archive and scans it into the window.
    void scanBackup(const QByteArray &archive)
    {
        writeBackup(archive);
        DirectScan scan;
        connect(&scan, &QMessageSavingThread::MakeTreeWidget, fixture.window,
                &QConverterMainWindow::OnMakeTreeWidget);
        scan.m_nClientIndex = 5;
        scan.runHere();
    }
    // Scans the backup on the window's scanning thread and delivers its
    // signals to the window.
    void scanOnTheScanningThread()
    {
        pMessageSavingThread->m_nClientIndex = 5;
        pMessageSavingThread->SetInitialSettings();
        QVERIFY(pMessageSavingThread->wait(60000));
        QCoreApplication::processEvents();
    }

    QTreeWidgetItem *folder(const QString &id) const
    {
        return fixture.window->m_pFolderTree->findItems(id, Qt::MatchExactly | Qt::MatchRecursive, 1).value(0);
    }
    // Selects row i of the message list and returns header and page text.
    QString select(int i) const
    {
        QConverterMainWindow *w = fixture.window;
        w->m_pMessageList->clearSelection();
        w->m_pMessageList->topLevelItem(i)->setSelected(true);
        return w->m_pHeaderBox->toPlainText() + QStringLiteral("|")
               + w->m_pWebView->page()->mainFrame()->toPlainText();
    }

    MainWindowFixture fixture;
    QTemporaryDir dir;
};

void TestOlmBrowse::browsesAScannedBackup()
{
    Archive a;
    a.bytes = sampleArchive().left(sampleArchive().indexOf(centralHeader("x").left(4)));
    a.sized("Local/Mail/Inbox/m3__message_attachment__.xml",
            emails({message({element("OPFMessageCopySubject", "Second without body")})}));
    a.centralDirectory();
    scanBackup(a.bytes);
    QVERIFY(folder(QStringLiteral("502")) && folder(QStringLiteral("503")));

    // The folder with attachments: header lines, attachment names, the page.
    emit fixture.window->m_pFolderTree->itemClicked(folder(QStringLiteral("503")), 0);
    QCOMPARE(fixture.window->m_pMessageList->topLevelItemCount(), 1);
    const QString projects = select(0);
    QVERIFY2(projects.contains(QStringLiteral("With attachments")), qPrintable(projects));
    QVERIFY(projects.contains(QStringLiteral("Attachments: a.txt\nb.txt")));
    // Its body is no HTML document: its markup shows as text.
    QVERIFY2(projects.endsWith(QStringLiteral("|<b>Hello</b>")), qPrintable(projects));

    // Two body-less messages share offset and length 0; each row shows its own.
    emit fixture.window->m_pFolderTree->itemClicked(folder(QStringLiteral("502")), 0);
    QCOMPARE(fixture.window->m_pMessageList->topLevelItemCount(), 2);
    fixture.window->m_pMessageList->sortItems(1, Qt::AscendingOrder);
    const QString first = select(0);
    const QString second = select(1);
    QVERIFY2(first.contains(QStringLiteral("No body")) && first.endsWith(QLatin1Char('|')), qPrintable(first));
    QVERIFY2(second.contains(QStringLiteral("Second without body")), qPrintable(second));
}

void TestOlmBrowse::largeBodyShownInPart_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("body-of-4-mib-shown-whole") << QByteArray();
    QTest::newRow("body-over-4-mib-cut-with-note") << QByteArray("TAIL beyond the cut");
}

void TestOlmBrowse::largeBodyShownInPart()
{
    QFETCH(QByteArray, tail);
    // An HTML document with a comment (cheap to lay out) up to a word that
    // ends on the 4 MiB boundary; tail behind it.
    const QByteArray lastWord("LASTWORD");
    const QByteArray document("<html></html>");
    const QByteArray comment = "<!--" + QByteArray(preview::kMaxShownBodyBytes - 20 - lastWord.size(), 'x') + "-->";
    QCOMPARE(document.size() + comment.size() + lastWord.size(), preview::kMaxShownBodyBytes);
    Archive a;
    a.sized("Local/Mail/Inbox/m1__message_attachment__.xml",
            emails({simpleMessage("Large", "&lt;html&gt;&lt;/html&gt;" + comment + lastWord + tail)}));
    a.centralDirectory();
    scanBackup(a.bytes);
    emit fixture.window->m_pFolderTree->itemClicked(folder(QStringLiteral("502")), 0);
    QCOMPARE(fixture.window->m_pMessageList->topLevelItemCount(), 1);

    const QString page = select(0).section(QLatin1Char('|'), 1);
    const QString note = tail.isEmpty() ? QString() : QStringLiteral("\n") + preview::kBodyCutNote;
    QCOMPARE(page, QString::fromLatin1(lastWord) + note);
}

void TestOlmBrowse::backupReplacedByFifoIsNotWaitedFor()
{
    scanBackup(sampleArchive());
    emit fixture.window->m_pFolderTree->itemClicked(folder(QStringLiteral("503")), 0);
    QCOMPARE(fixture.window->m_pMessageList->topLevelItemCount(), 1);
    // After the scan, a FIFO takes the backup's place.
    QVERIFY(QFile::remove(m_selectedFile));
    QCOMPARE(::mkfifo(QFile::encodeName(m_selectedFile).constData(), 0600), 0);

    FifoRelease release(m_selectedFile);
    const QString shown = select(0);
    QVERIFY2(!release.releasedAReader(), "the preview waited in the open of a FIFO");
    // As for an unreadable file: the header box is filled, the page empty.
    QVERIFY2(shown.contains(QStringLiteral("With attachments")) && shown.endsWith(QLatin1Char('|')),
             qPrintable(shown));
}

namespace {

// The sample's two attachments and its message listing both; the second
// attachment or the message may be stored compressed.
QByteArray backupWith(quint16 secondAttachmentMethod, quint16 messageMethod)
{
    Archive a;
    a.sized("Local/com.microsoft.__Attachments/a1", "first attachment");
    a.sized("Local/com.microsoft.__Attachments/a2", "second", secondAttachmentMethod);
    a.sized("Local/Mail/Inbox/Projects/m1__message_attachment__.xml",
            emails({message({element("OPFMessageCopySubject", "With attachments"),
                             element("OPFMessageCopyAttachmentList",
                                     attachment("c1", "text/plain", "a.txt", "Local/com.microsoft.__Attachments/a1")
                                         + attachment("", "text/plain", "b.txt",
                                                      "Local/com.microsoft.__Attachments/a2"))})}));
    a.sized("Local/Mail/Inbox/m2__message_attachment__.xml", emails({simpleMessage("Second", "b")}), messageMethod);
    a.centralDirectory();
    return a.bytes;
}

const MailMLRC *recordWithSubject(const QByteArray &subject)
{
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext) {
        if (r->szSubject == subject)
            return r;
    }
    return nullptr;
}

} // namespace

void TestOlmBrowse::tellsTheEntriesItCouldNotRead_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("hole");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("attachments");

    const QString completed = QStringLiteral("\nMailbox scan completed successfully.");
    const QByteArray both = "a.txt;b.txt;";
    // Only the size fields claim the data: the hole is never written.
    const qint64 oversized = olm::kMaxPayloadBytes + 1;
    const QByteArray oversizedHeader = localHeader("Local/Mail/Inbox/big__message_attachment__.xml", 7, 0xFFFFFFFF,
                                                   0xFFFFFFFF, zip64Block(oversized, oversized));
    QTest::newRow("every-entry-read") << QByteArray() << qint64(0) << backupWith(0, 0) << completed << both;
    QTest::newRow("compressed-message-entry")
        << QByteArray() << qint64(0) << backupWith(0, 8) << completed + QStringLiteral("\n1 backup entry could not be read.")
        << both;
    QTest::newRow("compressed-attachment-keeps-the-other")
        << QByteArray() << qint64(0) << backupWith(8, 0)
        << completed + QStringLiteral("\n1 backup entry could not be read.") << QByteArray("a.txt;");
    QTest::newRow("oversized-message-entry")
        << oversizedHeader << oversized << backupWith(0, 0)
        << completed + QStringLiteral("\n1 backup entry could not be read.") << both;
    QTest::newRow("oversized-and-compressed")
        << oversizedHeader << oversized << backupWith(8, 8)
        << completed + QStringLiteral("\n3 backup entries could not be read.") << QByteArray("a.txt;");
}

void TestOlmBrowse::tellsTheEntriesItCouldNotRead()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, hole);
    QFETCH(QByteArray, tail);
    QFETCH(QString, text);
    QFETCH(QByteArray, attachments);
    ScriptedPrompter prompter;
    writeBackup(head, hole, tail);
    scanOnTheScanningThread();

    QCOMPARE(prompter.texts(), QStringList{text});
    const MailMLRC *record = recordWithSubject("With attachments");
    QVERIFY(record);
    QCOMPARE(record->pAttachNames, attachments);
    // The attachments kept point at their own data.
    const QList<QByteArray> offsets = record->pAttachOffsets.split(';');
    const QList<QByteArray> sizes = record->pAttachSizes.split(';');
    QFile backup(m_selectedFile);
    QVERIFY(backup.open(QIODevice::ReadOnly) && backup.seek(offsets[0].toLongLong()));
    QCOMPARE(backup.read(sizes[0].toLongLong()), QByteArray("first attachment"));
}

void TestOlmBrowse::listsPreviewsAndSavesUnfiledMessages()
{
    // The sample ends with a streamed emails element: its message names no folder.
    ScriptedPrompter prompter;
    writeBackup(sampleArchive());
    scanOnTheScanningThread();
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("\nMailbox scan completed successfully.")});

    QTreeWidgetItem *unfiled = fixture.window->m_pFolderTree->findItems(
        QStringLiteral("Unfiled"), Qt::MatchExactly | Qt::MatchRecursive, 0).value(0);
    QVERIFY(unfiled);
    QCOMPARE(unfiled->text(2), QString::number(llRootId));
    emit fixture.window->m_pFolderTree->itemClicked(unfiled, 0);
    QCOMPARE(fixture.window->m_pMessageList->topLevelItemCount(), 1);
    const QString preview = select(0);
    QVERIFY2(preview.contains(QStringLiteral("Streamed")) && preview.endsWith(QStringLiteral("|streamed body")),
             qPrintable(preview));

    // Ticked alone and saved: the folder's own mbox file holds the message.
    unfiled->setCheckState(0, Qt::Checked);
    emit fixture.window->m_pFolderTree->itemClicked(unfiled, 0);
    saveDir = dir.filePath(QStringLiteral("out"));
    QMailSaving saving;
    saving.prepareSave(takeSaveSnapshot(SaveTarget::AppleMail));
    saving.SetInitialSettings();
    QVERIFY(saving.wait(60000));
    QCOMPARE(saving.lastOutcome().written, qint64(1));
    const QString mbox = QStringLiteral("Main Identity.mbox/Mail/Unfiled/Unfiled.mbox");
    QCOMPARE(testfiles::filesBelow(saveDir), QStringList{mbox});
    // Python's mailbox and email packages read it back.
    const QString script = QStringLiteral(
        "import sys, mailbox, email.policy\n"
        "box = mailbox.mbox(sys.argv[1], factory=lambda f: email.message_from_binary_file(f, policy=email.policy.default))\n"
        "for msg in box:\n"
        "    body = msg.get_body(('html', 'plain'))\n"
        "    print(msg['subject'], '|', body.get_content().strip())\n");
    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script, saveDir + QLatin1Char('/') + mbox});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()), QStringLiteral("Streamed | <html><pre style=\"white-space: pre-wrap\">streamed body</pre></html>\n"));
}

QTEST_MAIN(TestOlmBrowse)
#include "tst_olmbrowse.moc"
