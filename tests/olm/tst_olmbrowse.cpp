// A backup scanned end to end into a main window: the folder tree, the
// message list of a folder click, and the header box and page of selected
// messages, body-less ones included (each row previews its own record).

#include "app/mainwindowfixture.h"

#include "app/safewebview.h"
#include "olm/mailmlrc.h"
#include "support/olmfixture.h"

#include <QTextBrowser>
#include <QTreeWidget>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

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

private:
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
};

void TestOlmBrowse::browsesAScannedBackup()
{
    Archive a;
    a.bytes = sampleArchive().left(sampleArchive().indexOf(centralHeader("x").left(4)));
    a.sized("Local/Mail/Inbox/m3__message_attachment__.xml",
            emails({message({element("OPFMessageCopySubject", "Second without body")})}));
    a.centralDirectory();
    QTemporaryDir dir;
    m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
    QFile file(m_selectedFile);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(a.bytes) == a.bytes.size());
    file.close();

    DirectScan scan;
    connect(&scan, &QMessageSavingThread::MakeTreeWidget, fixture.window, &QConverterMainWindow::OnMakeTreeWidget);
    scan.m_nClientIndex = 5;
    scan.runHere();
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

QTEST_MAIN(TestOlmBrowse)
#include "tst_olmbrowse.moc"
