// The source-selection window: client entries and their proposed locations,
// the Browse choosers, Start's checks and the two ways of closing it.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/mainwindow.h"
#include "app/mybutton.h"
#include "convert/mailsaving.h"
#include "platform/consoleuser.h"
#include "scan/messagesavingthread.h"
#include "source/parsedatabase.h"
#include "support/globalsreset.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QPointer>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString kBoxTitle = QStringLiteral("CorvaneMailConverter");
const QString kChooseClient = QStringLiteral("\nChoose a mail client.");
const QString kSelectDatabase = QStringLiteral("\nSelect mailbox database for conversion.");

// A scanning thread whose body only records what it was started with; while
// blocking is set it waits until the test releases the gate.
class RecordingScanThread : public QMessageSavingThread
{
public:
    ~RecordingScanThread() override
    {
        if (isRunning())
            gate.release();
        wait();
    }

    QAtomicInt runs;
    int seenClientIndex = -1;
    QString seenPath;
    std::atomic<bool> blocking{false};
    QSemaphore gate;

protected:
    void run() override
    {
        seenClientIndex = m_nClientIndex;
        seenPath = m_selectedFile;
        runs.ref();
        if (blocking)
            gate.acquire();
    }
};

// A saving thread that waits until the test releases the gate.
class BlockingSaveThread : public QMailSaving
{
public:
    ~BlockingSaveThread() override
    {
        if (isRunning())
            gate.release();
        wait();
    }

    QSemaphore gate;

protected:
    void run() override { gate.acquire(); }
};

QFileDialog::Options directoryOptions()
{
    return QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;
}

} // namespace

class TestParseDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newWindowStartsEmpty();
    void formLayout_data();
    void formLayout();
    void entryProposesDefaultLocation_data();
    void entryProposesDefaultLocation();
    void rootConsoleUser_data();
    void rootConsoleUser();
    void eudoraProposesThunderbirdDirectory();
    void switchingBackReplacesBrowsedDirectory();
    void browseDirectory_data();
    void browseDirectory();
    void browseBackupFile();
    void browseWithoutClient();
    void startChecks_data();
    void startChecks();
    void startRefusedWhileWorkerRuns_data();
    void startRefusedWhileWorkerRuns();
    void closing_data();
    void closing();
    void closingGivesMainWindowControlsBack();

private:
    std::unique_ptr<RecordingScanThread> m_scanThread;
};

void TestParseDatabase::initTestCase()
{
    initConverterResources();
}

void TestParseDatabase::init()
{
    resetAllGlobalsForTest();
    platform::setConsoleUserNameForTest(QStringLiteral("alice"));
    m_scanThread = std::make_unique<RecordingScanThread>();
    pMessageSavingThread = m_scanThread.get();
}

void TestParseDatabase::cleanup()
{
    if (m_scanThread)
        m_scanThread->wait(5000);
    m_scanThread.reset();
    pMessageSavingThread = nullptr;
    platform::clearConsoleUserNameForTest();
    resetAllGlobalsForTest();
}

void TestParseDatabase::newWindowStartsEmpty()
{
    bProcessRunning = true;
    QParseDatabase window;

    QCOMPARE(window.comboBoxForClientList->currentIndex(), 0);
    QCOMPARE(window.comboBoxForClientList->currentText(), QStringLiteral("Select Mail Client"));
    QVERIFY(window.textEdit_FileSelected->text().isEmpty());
    QVERIFY(m_selectedFile.isEmpty());
    QVERIFY2(!bProcessRunning, "creating the window clears the scan-running flag");
    QCOMPARE(m_scanThread->m_nClientIndex, 0);

    const QStringList entries = {
        QStringLiteral("Select Mail Client"),
        QStringLiteral("Apple Mail (.mbox)"),
        QStringLiteral("Apple Mail (.emlx)"),
        QStringLiteral("Thunderbird (.mbox)"),
        QStringLiteral("Postbox (.mbox)"),
        QStringLiteral("Outlook 2011 Backup File (.olm)"),
        QStringLiteral("Eudora (.mbox)"),
        QStringLiteral("SeaMonkey (.mbox)"),
        QStringLiteral("MailMate (.eml)"),
        QStringLiteral("Outspring Mail (.eml, .f.eml)"),
        QStringLiteral("Opera Mail (.mbs)"),
    };
    QStringList shown;
    for (int i = 0; i < window.comboBoxForClientList->count(); ++i)
        shown << window.comboBoxForClientList->itemText(i);
    QCOMPARE(shown, entries);

    // Start at once asks for a client.
    ScriptedPrompter prompter;
    window.show();
    QTest::mouseClick(window.StartButton, Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{kChooseClient});
    QCOMPARE(prompter.boxes.first().title, kBoxTitle);
    QCOMPARE(prompter.boxes.first().icon, QMessageBox::Information);
    QCOMPARE(prompter.boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(prompter.boxes.first().parent, static_cast<QWidget *>(&window));
    QVERIFY(window.isVisible());
    QCOMPARE(m_scanThread->runs.loadAcquire(), 0);
}

void TestParseDatabase::formLayout_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("group-box-one-pixel-taller") << QStringLiteral("groupBox") << QRect(0, 0, 477, 244);
    QTest::newRow("client-caption") << QStringLiteral("label_3") << QRect(5, 16, 140, 26);
    QTest::newRow("client-combo") << QStringLiteral("comboBoxForClientList") << QRect(141, 16, 329, 26);
    QTest::newRow("path-caption") << QStringLiteral("label") << QRect(9, 64, 140, 18);
    QTest::newRow("path-field") << QStringLiteral("textEdit_FileSelected") << QRect(9, 91, 458, 22);
    QTest::newRow("close-button") << QStringLiteral("closeButton") << QRect(337, 120, 65, 28);
    QTest::newRow("browse-button") << QStringLiteral("browseConverterButton") << QRect(402, 120, 65, 28);
    QTest::newRow("steps-text") << QStringLiteral("label_2") << QRect(8, 150, 370, 80);
    QTest::newRow("start-button-fixed-to-32") << QStringLiteral("StartButton") << QRect(420, 190, 32, 32);
    QTest::newRow("start-caption") << QStringLiteral("label_4") << QRect(423, 220, 30, 14);
}

void TestParseDatabase::formLayout()
{
    QFETCH(QString, objectName);
    QFETCH(QRect, geometry);

    QParseDatabase window;
    QWidget *child = window.findChild<QWidget *>(objectName);
    QVERIFY2(child, qPrintable(objectName));
    QCOMPARE(child->geometry(), geometry);
    if (objectName != QLatin1String("groupBox"))
        QCOMPARE(child->parentWidget(), static_cast<QWidget *>(window.groupBox));

    // The window itself: a fixed-size sheet whatever geometry it was given.
    QCOMPARE(window.size(), QSize(477, 243));
    QCOMPARE(window.minimumSize(), QSize(477, 243));
    QCOMPARE(window.maximumSize(), QSize(477, 243));
    QCOMPARE(window.geometry().topLeft(), QPoint(200, 220));
    QCOMPARE(window.windowFlags() & Qt::WindowType_Mask, Qt::WindowFlags(Qt::Sheet));
    QVERIFY(window.windowTitle().isEmpty());
    QVERIFY(window.testAttribute(Qt::WA_KeyCompression));
    QVERIFY(window.textEdit_FileSelected->isReadOnly());
    QCOMPARE(window.StartButton->toolTip(), QStringLiteral("Start Scanning"));
    QVERIFY(window.StartButton->isFlat());
    QVERIFY(window.StartButton->styleSheet().contains(QLatin1String(":/images/img_Start.png")));
    QVERIFY(window.browseConverterButton->isDefault());
    QCOMPARE(window.browseConverterButton->focusPolicy(), Qt::NoFocus);
    QCOMPARE(window.closeButton->text(), QStringLiteral("Close"));
    QCOMPARE(window.browseConverterButton->text(), QStringLiteral("Browse"));
    QVERIFY(window.label_2->wordWrap());
}

void TestParseDatabase::entryProposesDefaultLocation_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");

    QTest::newRow("select-mail-client-empties") << 0 << QString();
    QTest::newRow("apple-mail-mbox-empties") << 1 << QString();
    QTest::newRow("apple-mail-emlx") << 2 << QStringLiteral("/Users/alice/Library/Mail");
    QTest::newRow("thunderbird") << 3 << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("postbox") << 4 << QStringLiteral("/Users/alice/Library/Application Support/Postbox");
    QTest::newRow("olm-backup-empties") << 5 << QString();
    QTest::newRow("eudora") << 6 << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("seamonkey") << 7 << QStringLiteral("/Users/alice/Library/Application Support/SeaMonkey");
    QTest::newRow("mailmate") << 8 << QStringLiteral("/Users/alice/Library/Application Support/MailMate");
    QTest::newRow("outspring-mail")
        << 9 << QStringLiteral("/Users/alice/Library/Application Support/Outspring Mail");
    QTest::newRow("opera-mail") << 10 << QStringLiteral("/Users/alice/Library/Application Support/Opera Mail");
}

void TestParseDatabase::entryProposesDefaultLocation()
{
    QFETCH(int, index);
    QFETCH(QString, expected);

    QParseDatabase window;
    // Start from another entry with a browsed path, so every change is a real change.
    const int previous = index == 10 ? 9 : 10;
    window.comboBoxForClientList->setCurrentIndex(previous);
    m_selectedFile = QStringLiteral("/chosen/earlier");
    window.textEdit_FileSelected->setText(m_selectedFile);

    window.comboBoxForClientList->setCurrentIndex(index);
    QCOMPARE(m_selectedFile, expected);
    QCOMPARE(window.textEdit_FileSelected->text(), expected);
    QCOMPARE(m_scanThread->m_nClientIndex, index);
}

void TestParseDatabase::rootConsoleUser_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root") << QStringLiteral("root") << QStringLiteral("/private/var/root/Library/Mail");
    QTest::newRow("Root-is-not-root") << QStringLiteral("Root") << QStringLiteral("/Users/Root/Library/Mail");
    QTest::newRow("no-console-user") << QString() << QStringLiteral("/Users//Library/Mail");
}

void TestParseDatabase::rootConsoleUser()
{
    QFETCH(QString, userName);
    QFETCH(QString, expected);

    platform::setConsoleUserNameForTest(userName);
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(2);
    QCOMPARE(m_selectedFile, expected);
    QCOMPARE(window.textEdit_FileSelected->text(), expected);
}

void TestParseDatabase::eudoraProposesThunderbirdDirectory()
{
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(3);
    const QString thunderbird = m_selectedFile;
    window.comboBoxForClientList->setCurrentIndex(6);
    QCOMPARE(m_selectedFile, thunderbird);
    QCOMPARE(window.textEdit_FileSelected->text(), thunderbird);
}

void TestParseDatabase::switchingBackReplacesBrowsedDirectory()
{
    ScriptedPrompter prompter;
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(3);
    prompter.chosenPaths.enqueue(QStringLiteral("/mail/elsewhere"));
    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QCOMPARE(m_selectedFile, QStringLiteral("/mail/elsewhere"));

    window.comboBoxForClientList->setCurrentIndex(4);
    window.comboBoxForClientList->setCurrentIndex(3);
    QCOMPARE(m_selectedFile, QStringLiteral("/Users/alice/Library/Thunderbird"));

    // Apple Mail (.mbox) next empties path and field, and Start then asks for the database.
    window.comboBoxForClientList->setCurrentIndex(1);
    QVERIFY(m_selectedFile.isEmpty());
    QVERIFY(window.textEdit_FileSelected->text().isEmpty());
    QTest::mouseClick(window.StartButton, Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{kSelectDatabase});
}

void TestParseDatabase::browseDirectory_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("defaultPath");

    QTest::newRow("apple-mail-mbox-has-no-default") << 1 << QString();
    QTest::newRow("apple-mail-emlx") << 2 << QStringLiteral("/Users/alice/Library/Mail");
    QTest::newRow("thunderbird") << 3 << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("postbox") << 4 << QStringLiteral("/Users/alice/Library/Application Support/Postbox");
    QTest::newRow("eudora") << 6 << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("seamonkey") << 7 << QStringLiteral("/Users/alice/Library/Application Support/SeaMonkey");
    QTest::newRow("mailmate") << 8 << QStringLiteral("/Users/alice/Library/Application Support/MailMate");
    QTest::newRow("outspring-mail")
        << 9 << QStringLiteral("/Users/alice/Library/Application Support/Outspring Mail");
    QTest::newRow("opera-mail") << 10 << QStringLiteral("/Users/alice/Library/Application Support/Opera Mail");
}

void TestParseDatabase::browseDirectory()
{
    QFETCH(int, index);
    QFETCH(QString, defaultPath);

    ScriptedPrompter prompter;
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(index);

    // A chosen directory (with a trailing blank, which must survive) becomes the path.
    const QString chosen = QStringLiteral("/home/alice/Mail store ");
    prompter.chosenPaths.enqueue(chosen);
    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QCOMPARE(prompter.choosers.size(), 1);
    const FileDialogRequest request = prompter.choosers.first();
    QCOMPARE(request.caption, QStringLiteral("Open Directory"));
    QCOMPARE(request.directory, QStringLiteral("/"));
    QCOMPARE(request.options, directoryOptions());
    QVERIFY(request.directoriesOnly);
    QCOMPARE(request.parent, static_cast<QWidget *>(&window));
    QCOMPARE(m_selectedFile, chosen);
    QCOMPARE(window.textEdit_FileSelected->text(), chosen);

    // Cancelling puts the entry's default back into both.
    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QCOMPARE(prompter.choosers.size(), 2);
    QCOMPARE(m_selectedFile, defaultPath);
    QCOMPARE(window.textEdit_FileSelected->text(), defaultPath);
    QVERIFY(prompter.boxes.isEmpty());
}

void TestParseDatabase::browseBackupFile()
{
    ScriptedPrompter prompter;
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(5);

    const QString backup = QStringLiteral("/home/alice/Backups/My Outlook.olm");
    prompter.chosenPaths.enqueue(backup);
    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QCOMPARE(prompter.choosers.size(), 1);
    const FileDialogRequest request = prompter.choosers.first();
    QCOMPARE(request.caption, QStringLiteral("All Files"));
    QVERIFY(request.directory.isEmpty());
    QVERIFY(request.filter.isEmpty());
    QVERIFY(!request.directoriesOnly);
    QCOMPARE(request.parent, static_cast<QWidget *>(&window));
    QCOMPARE(m_selectedFile, backup);
    QCOMPARE(window.textEdit_FileSelected->text(), backup);

    // Cancelling empties the path even after an earlier choice.
    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QVERIFY(m_selectedFile.isEmpty());
    QVERIFY(window.textEdit_FileSelected->text().isEmpty());
    QVERIFY(prompter.boxes.isEmpty());
}

void TestParseDatabase::browseWithoutClient()
{
    ScriptedPrompter prompter;
    QParseDatabase window;
    m_selectedFile = QStringLiteral("/left/over");
    window.textEdit_FileSelected->setText(m_selectedFile);

    QTest::mouseClick(window.browseConverterButton, Qt::LeftButton);
    QVERIFY(prompter.choosers.isEmpty());
    QCOMPARE(prompter.texts(), QStringList{kChooseClient});
    QCOMPARE(prompter.boxes.first().title, kBoxTitle);
    QVERIFY(m_selectedFile.isEmpty());
    QVERIFY(window.textEdit_FileSelected->text().isEmpty());
}

void TestParseDatabase::startChecks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expectedBox");

    QTest::newRow("no-client-no-path") << 0 << QString() << kChooseClient;
    QTest::newRow("no-client-even-with-path") << 0 << QStringLiteral("/Users/alice/Mail") << kChooseClient;
    QTest::newRow("client-without-path") << 3 << QString() << kSelectDatabase;
    QTest::newRow("backup-without-file") << 5 << QString() << kSelectDatabase;
    QTest::newRow("single-blank-counts-as-a-path") << 1 << QStringLiteral(" ") << QString();
    QTest::newRow("thunderbird-with-path") << 3 << QStringLiteral("/Users/alice/Library/Thunderbird")
                                           << QString();
    QTest::newRow("missing-directory-is-accepted") << 8 << QStringLiteral("/does/not/exist") << QString();
}

void TestParseDatabase::startChecks()
{
    QFETCH(int, index);
    QFETCH(QString, path);
    QFETCH(QString, expectedBox);

    ScriptedPrompter prompter;
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(index);
    m_selectedFile = path;
    window.textEdit_FileSelected->setText(path);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.StartButton, Qt::LeftButton);

    if (expectedBox.isEmpty()) {
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(window.isHidden());
        QVERIFY(m_scanThread->wait(5000));
        QCOMPARE(m_scanThread->runs.loadAcquire(), 1);
        QCOMPARE(m_scanThread->seenClientIndex, index);
        QCOMPARE(m_scanThread->seenPath, path);
    } else {
        QCOMPARE(prompter.texts(), QStringList{expectedBox});
        QCOMPARE(prompter.boxes.first().title, kBoxTitle);
        QVERIFY(window.isVisible());
        QVERIFY(m_scanThread->wait(100));
        QCOMPARE(m_scanThread->runs.loadAcquire(), 0);
    }
}

void TestParseDatabase::startRefusedWhileWorkerRuns_data()
{
    QTest::addColumn<bool>("scanRunning");

    QTest::newRow("scan-still-running") << true;
    QTest::newRow("save-still-running") << false;
}

void TestParseDatabase::startRefusedWhileWorkerRuns()
{
    QFETCH(bool, scanRunning);

    BlockingSaveThread saveThread;
    if (scanRunning) {
        m_scanThread->blocking = true;
        m_scanThread->start();
        QTRY_COMPARE(m_scanThread->runs.loadAcquire(), 1);
    } else {
        pMailSaving = &saveThread;
        saveThread.start();
        QTRY_VERIFY(saveThread.isRunning());
    }

    ScriptedPrompter prompter;
    QParseDatabase window;
    window.comboBoxForClientList->setCurrentIndex(3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.StartButton, Qt::LeftButton);

    QCOMPARE(prompter.boxes.size(), 1);
    QCOMPARE(prompter.boxes.first().title, kBoxTitle);
    QCOMPARE(prompter.boxes.first().parent, static_cast<QWidget *>(&window));
    QVERIFY(prompter.boxes.first().text.contains(QLatin1String("running")));
    QVERIFY2(window.isVisible(), "a refused Start keeps the window up");
    QVERIFY2(!bStopFlag, "a refused Start must not stop the running job");

    m_scanThread->blocking = false;
    if (scanRunning)
        m_scanThread->gate.release();
    else
        saveThread.gate.release();
    QVERIFY(m_scanThread->wait(5000));
    QVERIFY(saveThread.wait(5000));
    pMailSaving = nullptr;
    QCOMPARE(m_scanThread->runs.loadAcquire(), scanRunning ? 1 : 0);

    // Once the worker has ended the same Start goes through.
    QTest::mouseClick(window.StartButton, Qt::LeftButton);
    QCOMPARE(prompter.boxes.size(), 1);
    QVERIFY(window.isHidden());
    QVERIFY(m_scanThread->wait(5000));
    QCOMPARE(m_scanThread->runs.loadAcquire(), scanRunning ? 2 : 1);
}

void TestParseDatabase::closing_data()
{
    QTest::addColumn<bool>("throughTitleBar");

    QTest::newRow("close-button") << false;
    QTest::newRow("window-close-control") << true;
}

void TestParseDatabase::closing()
{
    QFETCH(bool, throughTitleBar);

    MyButton openButton;
    MyButton saveButton;
    openButton.setEnabled(false);
    saveButton.setEnabled(true);
    m_pMyOpenButton = &openButton;
    m_pMySaveButton = &saveButton;
    bParseDatabase = true;
    bParseDatabaseClose = false;

    QPointer<QParseDatabase> window = new QParseDatabase;
    window->comboBoxForClientList->setCurrentIndex(3);
    const QString shownPath = window->textEdit_FileSelected->text();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));

    if (throughTitleBar)
        QVERIFY(window->close());
    else
        QTest::mouseClick(window->closeButton, Qt::LeftButton);

    QVERIFY(window);
    QVERIFY(window->isHidden());
    QCOMPARE(m_selectedFile, QStringLiteral(" "));
    QCOMPARE(window->textEdit_FileSelected->text(), shownPath);
    QVERIFY(!bParseDatabase);
    QVERIFY(bParseDatabaseClose);
    QVERIFY(!saveButton.isEnabled());
    QVERIFY(openButton.isEnabled());
    QCOMPARE(m_scanThread->runs.loadAcquire(), 0);
    delete window.data();
}

void TestParseDatabase::closingGivesMainWindowControlsBack()
{
    QTemporaryDir resources;
    QVERIFY(resources.isValid());
    HelpFilePath = resources.path();
    strPlistPathLink = HelpFilePath;
    strPlistPath = HelpFilePath + QStringLiteral("/MailConverterLink.plist");

    QConverterMainWindow mainWindow;
    QVERIFY(m_pParseDatabase);
    QCOMPARE(pConverterWin, &mainWindow);
    QVERIFY(m_pMyOpenButton && m_pMySaveButton);
    QVERIFY(mainWindow.preferencesAct);

    mainWindow.preferencesAct->setEnabled(false);
    m_pMyOpenButton->setEnabled(false);
    m_pMySaveButton->setEnabled(true);
    mainWindow.show();
    mainWindow.ShowParseWindow();
    QVERIFY(m_pParseDatabase->isVisible());

    QTest::mouseClick(m_pParseDatabase->closeButton, Qt::LeftButton);
    QVERIFY(m_pParseDatabase->isHidden());
    QVERIFY(mainWindow.preferencesAct->isEnabled());
    QVERIFY(m_pMyOpenButton->isEnabled());
    QVERIFY(!m_pMySaveButton->isEnabled());
    QCOMPARE(m_selectedFile, QStringLiteral(" "));
    QVERIFY(mainWindow.isVisible());
}

QTEST_MAIN(TestParseDatabase)
#include "tst_parsedatabase.moc"
