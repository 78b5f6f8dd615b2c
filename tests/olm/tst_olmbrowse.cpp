// A backup scanned end to end into a main window: the folder tree, the
// message list of a folder click, and the header box and page of selected
// messages, body-less ones included (each row previews its own record), a
// large body shown in part, and a backup that is no longer a regular file.

#include "app/mainwindowfixture.h"

#include "app/safewebview.h"
#include "olm/mailmlrc.h"
#include "preview/bodydecode.h"
#include "support/fiforelease.h"
#include "support/olmfixture.h"

#include <QSignalSpy>
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

private:
    // Writes the archive as m_selectedFile and scans it into the window.
    void scanBackup(const QByteArray &archive)
    {
        m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
        QFile::remove(m_selectedFile);
        QFile file(m_selectedFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size());
        file.close();
        DirectScan scan;
        connect(&scan, &QMessageSavingThread::MakeTreeWidget, fixture.window,
                &QConverterMainWindow::OnMakeTreeWidget);
        scan.m_nClientIndex = 5;
        scan.runHere();
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
    QVERIFY(projects.endsWith(QStringLiteral("|Hello")));

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
    // A comment (cheap to lay out) up to a word that ends on the 4 MiB
    // boundary; tail behind it.
    const QByteArray lastWord("LASTWORD");
    const QByteArray shown = "<!--" + QByteArray(preview::kMaxShownBodyBytes - 7 - lastWord.size(), 'x') + "-->" + lastWord;
    QCOMPARE(shown.size(), preview::kMaxShownBodyBytes);
    Archive a;
    a.sized("Local/Mail/Inbox/m1__message_attachment__.xml", emails({simpleMessage("Large", shown + tail)}));
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

QTEST_MAIN(TestOlmBrowse)
#include "tst_olmbrowse.moc"
