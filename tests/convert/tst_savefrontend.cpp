// The save front end in the main window, with every box and chooser
// answered by the test: replacing an existing tree (also one that is a link),
// declining, cancelling, and refusing a destination around the source.

#include "app/mainwindowfixture.h"
#include "app/mybutton.h"
#include "browser/folderrecords.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "convert/saveaswindow.h"
#include "convert/savefrontend.h"
#include "scan/foldermodel.h"
#include "scan/scanglobals.h"
#include "support/scriptedprompter.h"

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestSaveFrontEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.tearDown(); m_dir.reset(); }

    void replaceExistingTree_data();
    void replaceExistingTree();
    void declineAsksForAnotherTarget();
    void cancelledChooserChangesNothing();
    void destinationAroundTheSourceIsRefused();
    void dialogOffersOnlyTargetsWithADriver();

private:
    QString path(const QString &rel) const { return m_dir->path() + rel; }
    // Clicks Save and the OK of the dialog it shows; false when none showed.
    bool saveThroughDialog();
    void writeFile(const QString &file, const QByteArray &bytes);

    MainWindowFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSaveFrontEnd::init()
{
    m_fixture.setUp();
    m_dir = std::make_unique<QTemporaryDir>();
    // A scanned MailMate source with one ticked folder of one message.
    const QString message = path(QStringLiteral("/src/In.mailbox/Messages/1.eml"));
    writeFile(message, "Message-ID: <f1@test>\n\nbody\n");
    m_selectedFile = path(QStringLiteral("/src"));
    pMessageSavingThread->m_nClientIndex = 8;
    bEmlFileFound = true;
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("In"), 501, path(QStringLiteral("/src/In.mailbox")));
    for (FldrAtrib *record = StartFldrAtrib; record; record = record->pNext)
        record->chState = FolderChecked;
    appendMailItem(message, 502);
    foldermodel::registerTreePath(message);
    QVERIFY(QDir().mkpath(path(QStringLiteral("/out"))));
}

void TestSaveFrontEnd::writeFile(const QString &file, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

bool TestSaveFrontEnd::saveThroughDialog()
{
    const int before = m_fixture.window->findChildren<SaveAsWindow *>().size();
    m_pMySaveButton->click();
    const QList<SaveAsWindow *> dialogs = m_fixture.window->findChildren<SaveAsWindow *>();
    if (dialogs.size() != before + 1 || !dialogs.last()->isVisible())
        return false;
    dialogs.last()->Ok_Button->click();
    if (pMailSaving->isRunning() || pMailSaving->isFinished()) {
        pMailSaving->wait(30000);
        QCoreApplication::processEvents();
    }
    return true;
}

void TestSaveFrontEnd::replaceExistingTree_data()
{
    QTest::addColumn<bool>("treeIsLink");
    QTest::newRow("real-tree-removed") << false;
    QTest::newRow("linked-tree-loses-only-its-link") << true;
}

void TestSaveFrontEnd::replaceExistingTree()
{
    QFETCH(bool, treeIsLink);
    const QString tree = path(QStringLiteral("/out/Main Identity.rge"));
    const QString elsewhere = path(QStringLiteral("/elsewhere"));
    writeFile(elsewhere + QStringLiteral("/keep.mbox"), "keep");
    if (treeIsLink)
        QVERIFY(QFile::link(elsewhere, tree));
    else
        writeFile(tree + QStringLiteral("/Mail/old.mbox"), "old");
    ScriptedPrompter prompter;
    prompter.chosenPaths << path(QStringLiteral("/out"));
    prompter.answers << QMessageBox::Yes;

    QVERIFY(saveThroughDialog());

    QCOMPARE(prompter.texts(), (QStringList{savefrontend::replaceQuestion(SaveTarget::Outlook)}));
    QCOMPARE(prompter.choosers.value(0).caption, QStringLiteral("Open Directory"));
    QVERIFY(!QFileInfo(tree).isSymLink());
    QVERIFY(!QFileInfo::exists(tree + QStringLiteral("/Mail/old.mbox")));
    QVERIFY(QFileInfo::exists(elsewhere + QStringLiteral("/keep.mbox")));
    QVERIFY(QFileInfo::exists(tree + QStringLiteral("/Mail/In/In.mbox")));
    QCOMPARE(FileSavingPath, tree);
    QTRY_VERIFY(m_fixture.window->m_pImportWindow->isVisible());
    QCOMPARE(m_fixture.window->m_pImportWindow->InfoLabels->text(),
             QStringLiteral("\nFile saved successfully at location ") + tree
                 + QStringLiteral("\n1 message(s) were saved."));
}

void TestSaveFrontEnd::declineAsksForAnotherTarget()
{
    writeFile(path(QStringLiteral("/out/Main Identity.rge/Mail/old.mbox")), "old");
    ScriptedPrompter prompter;
    prompter.chosenPaths << path(QStringLiteral("/out"));
    prompter.answers << QMessageBox::No;

    QVERIFY(saveThroughDialog());

    QVERIFY(QFileInfo::exists(path(QStringLiteral("/out/Main Identity.rge/Mail/old.mbox"))));
    QVERIFY(!pMailSaving->isFinished() && !pMailSaving->isRunning());
    const QList<SaveAsWindow *> dialogs = m_fixture.window->findChildren<SaveAsWindow *>();
    QCOMPARE(dialogs.size(), 2);
    QVERIFY(dialogs.last()->isVisible());
    QCOMPARE(m_pSaveAs, dialogs.last());
}

void TestSaveFrontEnd::cancelledChooserChangesNothing()
{
    ScriptedPrompter prompter;
    QVERIFY(saveThroughDialog());
    QVERIFY(prompter.boxes.isEmpty());
    QVERIFY(saveDir.isEmpty());
    QVERIFY(!pMailSaving->isFinished() && !pMailSaving->isRunning());
    QCOMPARE(QDir(path(QStringLiteral("/out"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestSaveFrontEnd::destinationAroundTheSourceIsRefused()
{
    // The source lies inside the chosen tree.
    m_selectedFile = path(QStringLiteral("/out/Main Identity.rge/src"));
    QVERIFY(QDir().mkpath(m_selectedFile));
    ScriptedPrompter prompter;
    prompter.chosenPaths << path(QStringLiteral("/out"));
    QVERIFY(saveThroughDialog());
    QCOMPARE(prompter.texts(), (QStringList{savefrontend::kOverlapText}));
    QVERIFY(QFileInfo::exists(m_selectedFile));
    QVERIFY(!pMailSaving->isFinished() && !pMailSaving->isRunning());
}

void TestSaveFrontEnd::dialogOffersOnlyTargetsWithADriver()
{
    bEmlFileFound = false;
    bEmlxFileFound = true;
    pMessageSavingThread->m_nClientIndex = 2;
    ScriptedPrompter prompter;
    m_pMySaveButton->click();
    SaveAsWindow *dialog = m_pSaveAs;
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!dialog->radioButtonforApple->isEnabled());
    QVERIFY(dialog->radioButtonforOutlook->isChecked());

    // A source kind with no driver at all: the user is told, no dialog.
    bEmlxFileFound = false;
    IsPreview = true;
    m_pMySaveButton->click();
    QCOMPARE(prompter.texts(), (QStringList{savefrontend::kNoTargetText}));
    QVERIFY(!IsPreview);
}

QTEST_MAIN(TestSaveFrontEnd)
#include "tst_savefrontend.moc"
