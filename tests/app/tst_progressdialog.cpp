// The progress sheet of a job and the main window's end-of-job slots: the
// form, Escape and window close, the bar values, Stop with each answer, and
// what every slot does to the controls.

#include "mainwindowfixture.h"

#include "app/converterresources.h"
#include "app/mybutton.h"
#include "app/progressinfo.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "support/scriptedprompter.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

// The four controls whose enabled state the end-of-job slots change.
struct Controls {
    bool open;
    bool save;
    bool saveAction;
    bool preferences;
};

Controls readControls(QConverterMainWindow *window)
{
    return {m_pMyOpenButton->isEnabled(), m_pMySaveButton->isEnabled(), window->saveAct->isEnabled(),
            window->preferencesAct->isEnabled()};
}

void setControls(QConverterMainWindow *window, bool enabled)
{
    m_pMyOpenButton->setEnabled(enabled);
    m_pMySaveButton->setEnabled(enabled);
    window->saveAct->setEnabled(enabled);
    window->preferencesAct->setEnabled(enabled);
}

// Expected effect of a slot on one control.
enum Effect { Unchanged, Enabled, Disabled };

bool expectedState(Effect effect, bool before)
{
    return effect == Unchanged ? before : effect == Enabled;
}

// Records the stop and process flags at the moment a box is asked.
class FlagRecordingPrompter : public ScriptedPrompter
{
public:
    QMessageBox::StandardButton ask(const MessageBoxRequest &request) override
    {
        stopFlagAtAsk.append(bStopFlag);
        processRunningAtAsk.append(bProcessRunning);
        parseDatabaseAtAsk.append(bParseDatabase);
        parseDatabaseCloseAtAsk.append(bParseDatabaseClose);
        return ScriptedPrompter::ask(request);
    }

    QList<bool> stopFlagAtAsk;
    QList<bool> processRunningAtAsk;
    QList<bool> parseDatabaseAtAsk;
    QList<bool> parseDatabaseCloseAtAsk;
};

// Answers like ScriptedPrompter and, while the box with a given text is
// open, lets the job go on as the box's own event loop would.
class JobGoesOnPrompter : public ScriptedPrompter
{
public:
    QMessageBox::StandardButton ask(const MessageBoxRequest &request) override
    {
        const QMessageBox::StandardButton answer = ScriptedPrompter::ask(request);
        if (const std::function<void()> goOn = whileOpen.take(request.text))
            goOn();
        return answer;
    }

    QHash<QString, std::function<void()>> whileOpen;
};

// The end of a job as its thread signals it.
void scanEnds()
{
    emit pMessageSavingThread->OnSubProgressHide();
    emit pMessageSavingThread->ProgressDailogHide();
    emit pMessageSavingThread->FinishScaning();
}

void scanFindsNothing()
{
    emit pMessageSavingThread->NoDataIntoFile();
}

void saveEnds()
{
    emit pMailSaving->OnSubProgressHide();
    emit pMailSaving->ProgressDailogHide();
    emit pMailSaving->FinishSaving();
}

const QString kAbortQuestion = QStringLiteral("Process cannot be resumed from the current stage.");
const QString kAborted = QStringLiteral("\nProcess Aborted.");
const QString kScanCompleted = QStringLiteral("\nMailbox scan completed successfully.");
const QString kNoData = QStringLiteral("\nSelected file is either invalid or empty.");

void clickStop(QProgressInfo *dialog)
{
    dialog->stopButton->click();
}

// The abort question when it is on screen.
QMessageBox *shownQuestion()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->text() == kAbortQuestion)
            return box;
    }
    return nullptr;
}

// Shows the abort question in a real box, as the program does, and answers
// every other box from the script, noting when the question was on screen.
class RealQuestionPrompter : public ScriptedPrompter
{
public:
    QMessageBox::StandardButton ask(const MessageBoxRequest &request) override
    {
        if (request.text == kAbortQuestion)
            return UiPrompter::ask(request);
        stacked = stacked || shownQuestion();
        return ScriptedPrompter::ask(request);
    }

    bool stacked = false;
};

} // namespace

Q_DECLARE_METATYPE(std::function<void(QConverterMainWindow *)>)
Q_DECLARE_METATYPE(std::function<void()>)

class TestProgressDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formControls_data();
    void formControls();
    void dialogSettings();
    void escapeAndWindowCloseAreIgnored();
    void labelTellsScanFromSave_data();
    void labelTellsScanFromSave();
    void progressValues_data();
    void progressValues();
    void valuesBeforeAnyDialogAreIgnored();
    void subProgressKeepsStatusBarHidden();
    void stopAnsweredNo();
    void stopYesDuringSave_data();
    void stopYesDuringSave();
    void stopYesDuringScanWritesFlagsBeforeTheBox();
    void jobEndAndStopTellOneOutcome_data();
    void jobEndAndStopTellOneOutcome();
    void jobEndClosesTheOpenQuestion_data();
    void jobEndClosesTheOpenQuestion();
    void progressDialogHideReachesEveryDialog();
    void hideProgressBarAfterSave();
    void hideProgressBarAfterScan_data();
    void hideProgressBarAfterScan();
    void noDataIntoFile();
    void controlsAfterEachEvent_data();
    void controlsAfterEachEvent();

private:
    QProgressInfo *newProgressDialog();

    MainWindowFixture fixture;
    QConverterMainWindow *window = nullptr;
};

void TestProgressDialog::initTestCase()
{
    initConverterResources();
}

void TestProgressDialog::init()
{
    fixture.setUp();
    window = fixture.window;
}

void TestProgressDialog::cleanup()
{
    fixture.tearDown();
    window = nullptr;
}

QProgressInfo *TestProgressDialog::newProgressDialog()
{
    emit pMessageSavingThread->OnShowProgressDlg();
    return window->m_pProgressInfo;
}

void TestProgressDialog::formControls_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("group-box") << QStringLiteral("groupBox") << QStringLiteral("QGroupBox")
                               << QStringLiteral("ProgressDialog") << QRect(0, 0, 450, 80);
    QTest::newRow("search-label") << QStringLiteral("SearchLabel") << QStringLiteral("QLabel")
                                  << QStringLiteral("groupBox") << QRect(69, 40, 231, 20);
    QTest::newRow("empty-label") << QStringLiteral("label_2") << QStringLiteral("QLabel")
                                 << QStringLiteral("groupBox") << QRect(12, 9, 48, 47);
    QTest::newRow("logo-label") << QStringLiteral("label") << QStringLiteral("QLabel")
                                << QStringLiteral("groupBox") << QRect(9, 5, 52, 52);
    QTest::newRow("stop-button") << QStringLiteral("stopButton") << QStringLiteral("QPushButton")
                                 << QStringLiteral("groupBox") << QRect(415, 45, 32, 32);
}

void TestProgressDialog::formControls()
{
    QFETCH(QString, objectName);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QProgressInfo dialog(window);
    auto *widget = dialog.findChild<QWidget *>(objectName);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
}

void TestProgressDialog::dialogSettings()
{
    QProgressInfo dialog(window);
    QCOMPARE(dialog.objectName(), QStringLiteral("ProgressDialog"));
    QCOMPARE(dialog.minimumSize(), QSize(450, 80));
    QCOMPARE(dialog.maximumSize(), QSize(450, 80));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QVERIFY(!dialog.autoFillBackground());
    QCOMPARE(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Sheet & Qt::WindowType_Mask);
    QCOMPARE(dialog.parentWidget(), window);

    QCOMPARE(dialog.SearchLabel->font().pointSize(), 11);
    QVERIFY(dialog.SearchLabel->wordWrap());
    QCOMPARE(dialog.SearchLabel->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(dialog.SearchLabel->frameShape(), QFrame::NoFrame);
    QVERIFY(dialog.SearchLabel->text().isEmpty());
    QVERIFY(dialog.groupBox->title().isEmpty());
    QVERIFY(!dialog.label->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(dialog.label->hasScaledContents());

    QCOMPARE(dialog.stopButton->size(), QSize(32, 32));
    QCOMPARE(dialog.stopButton->minimumSize(), QSize(32, 32));
    QCOMPARE(dialog.stopButton->maximumSize(), QSize(32, 32));
    QCOMPARE(dialog.stopButton->iconSize(), QSize(98, 98));
    QCOMPARE(dialog.stopButton->toolTip(), QStringLiteral("Stop"));
    QVERIFY(dialog.stopButton->isFlat());
    QVERIFY(!dialog.stopButton->isCheckable());
    QVERIFY(!dialog.stopButton->autoDefault());
    QVERIFY(!dialog.stopButton->isDefault());
    QVERIFY(dialog.stopButton->text().isEmpty());
    QVERIFY(dialog.stopButton->styleSheet().contains(QLatin1String("img_Stop.png")));
    QVERIFY(dialog.stopButton->styleSheet().contains(QLatin1String("QPushButton:hover { border-image: url(:/images/img_HoverStop.png)}")));
}

void TestProgressDialog::escapeAndWindowCloseAreIgnored()
{
    QProgressInfo *dialog = newProgressDialog();
    QVERIFY(dialog->isVisible());

    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());

    QVERIFY(!dialog->close());
    QVERIFY(dialog->isVisible());

    dialog->reject();
    QVERIFY(dialog->isVisible());
}

void TestProgressDialog::labelTellsScanFromSave_data()
{
    QTest::addColumn<bool>("forAppleMail");
    QTest::addColumn<bool>("forOutlookMail");
    QTest::addColumn<QString>("label");
    QTest::newRow("scan") << false << false << QStringLiteral("Scanning Database File ...");
    QTest::newRow("save-for-apple-mail") << true << false << QStringLiteral("Saving Database File ...");
    QTest::newRow("save-for-outlook") << false << true << QStringLiteral("Saving Database File ...");
}

void TestProgressDialog::labelTellsScanFromSave()
{
    QFETCH(bool, forAppleMail);
    QFETCH(bool, forOutlookMail);
    QFETCH(QString, label);
    bForAppleMail = forAppleMail;
    bForOutlookMail = forOutlookMail;
    QProgressInfo *dialog = newProgressDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->SearchLabel->text(), label);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(window->m_pProgressBar->parentWidget(), dialog);
    QCOMPARE(window->m_pProgressBar->geometry(), QRect(69, 24, 371, 9));
    QCOMPARE(window->m_pProgressBar->minimum(), 0);
    QCOMPARE(window->m_pProgressBar->maximum(), 100);
}

void TestProgressDialog::progressValues_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("shown");
    const int unchanged = 37;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("fraction-truncated") << 42.7 << 42;
    QTest::newRow("just-below-hundred") << 99.9 << 99;
    QTest::newRow("hundred") << 100.0 << 100;
    QTest::newRow("just-above-hundred-truncates-to-hundred") << 100.5 << 100;
    QTest::newRow("above-range") << 150.0 << unchanged;
    QTest::newRow("negative") << -1.0 << unchanged;
    QTest::newRow("small-negative-truncates-to-zero") << -0.5 << 0;
    QTest::newRow("not-a-number") << std::nan("") << unchanged;
    QTest::newRow("infinite") << HUGE_VAL << unchanged;
}

void TestProgressDialog::progressValues()
{
    QFETCH(double, value);
    QFETCH(int, shown);
    newProgressDialog();
    emit pMessageSavingThread->OnIndivisibleProgressvalue(37.0);
    QCOMPARE(window->m_pProgressBar->value(), 37);
    emit pMessageSavingThread->OnIndivisibleProgressvalue(value);
    QCOMPARE(window->m_pProgressBar->value(), shown);
    emit pMailSaving->OnIndivisibleProgressvalue(12.9);
    QCOMPARE(window->m_pProgressBar->value(), 12);
}

void TestProgressDialog::valuesBeforeAnyDialogAreIgnored()
{
    QVERIFY(!window->m_pProgressInfo);
    ScriptedPrompter prompter;
    window->SetIndivisibleProgress(50.0);
    window->SetProgressHide();
    window->OnNoDataIntoFile();
    QVERIFY(!window->m_pProgressInfo);
    QVERIFY(!window->m_pProgressBar);
}

void TestProgressDialog::subProgressKeepsStatusBarHidden()
{
    window->show();
    window->m_pStatusProgressBar->show();
    window->m_pStatusStopButton->show();
    emit pMessageSavingThread->OnSubProgressvalue(64.8);
    QVERIFY(window->m_pStatusProgressBar->isHidden());
    QVERIFY(window->m_pStatusStopButton->isHidden());
    QCOMPARE(window->m_pStatusProgressBar->value(), 64);
    window->SetProgressValueForOlmMail();
    QCOMPARE(window->m_pStatusProgressBar->value(), 65);
}

void TestProgressDialog::stopAnsweredNo()
{
    QProgressInfo *dialog = newProgressDialog();
    bProcessRunning = true;
    IsPreview = false;
    setControls(window, false);
    ScriptedPrompter prompter;
    prompter.answers.enqueue(QMessageBox::No);

    clickStop(dialog);

    QCOMPARE(prompter.boxes.size(), 1);
    const MessageBoxRequest &question = prompter.boxes.first();
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.parent, static_cast<QWidget *>(dialog));
    QVERIFY(question.title.isEmpty());
    QCOMPARE(question.text, QStringLiteral("Process cannot be resumed from the current stage."));
    QCOMPARE(question.informativeText, QStringLiteral("Do you want to abort the current process?"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);

    QVERIFY(dialog->isVisible());
    QVERIFY(!bStopFlag);
    QVERIFY(bProcessRunning);
    const Controls after = readControls(window);
    QVERIFY(!after.open && !after.save && !after.saveAction && !after.preferences);
}

void TestProgressDialog::stopYesDuringSave_data()
{
    QTest::addColumn<bool>("written");
    QTest::newRow("before-anything-was-written") << false;
    QTest::newRow("after-messages-were-written") << true;
}

void TestProgressDialog::stopYesDuringSave()
{
    QFETCH(bool, written);
    bForAppleMail = true;
    QProgressInfo *dialog = newProgressDialog();
    IsPreview = true;
    FileSavingIdentification = written;
    FileSavingPath = QStringLiteral("/tmp/out dir/Main Identity.mbox");
    bProcessRunning = true;
    bParseDatabase = true;
    bParseDatabaseClose = true;
    setControls(window, false);
    ScriptedPrompter prompter;
    prompter.answers.enqueue(QMessageBox::Yes);

    clickStop(dialog);

    QCOMPARE(prompter.boxes.size(), 1);
    QVERIFY(dialog->isHidden());
    QVERIFY(!IsPreview);
    QVERIFY(bStopFlag);
    QVERIFY(!bProcessRunning);
    QVERIFY(!bParseDatabase);
    QVERIFY(!bParseDatabaseClose);
    QVERIFY(!FileSavingIdentification);
    QCOMPARE(window->m_pImportWindow->isVisible(), written);
    if (written) {
        QCOMPARE(window->m_pImportWindow->InfoLabels->text(),
                 QStringLiteral("\nProcess aborted. File saved Successfully at location /tmp/out dir/Main Identity.mbox"));
    }
    const Controls after = readControls(window);
    QVERIFY(after.open && after.save && after.saveAction && after.preferences);
}

void TestProgressDialog::stopYesDuringScanWritesFlagsBeforeTheBox()
{
    QProgressInfo *dialog = newProgressDialog();
    IsPreview = false;
    bProcessRunning = true;
    bParseDatabase = true;
    bParseDatabaseClose = true;
    window->m_pStatusProgressBar->show();
    setControls(window, false);
    FlagRecordingPrompter prompter;
    prompter.answers.enqueue(QMessageBox::Yes);

    clickStop(dialog);

    QCOMPARE(prompter.texts(),
             QStringList({QStringLiteral("Process cannot be resumed from the current stage."),
                          QStringLiteral("\nProcess Aborted.")}));
    const MessageBoxRequest &aborted = prompter.boxes.at(1);
    QCOMPARE(aborted.icon, QMessageBox::Information);
    QCOMPARE(aborted.parent, nullptr);
    QVERIFY(aborted.title.isEmpty());
    QCOMPARE(aborted.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // When the user reads "Process Aborted." the scan has already been told.
    QCOMPARE(prompter.stopFlagAtAsk.at(1), true);
    QCOMPARE(prompter.processRunningAtAsk.at(1), false);
    QCOMPARE(prompter.parseDatabaseAtAsk.at(1), false);
    QCOMPARE(prompter.parseDatabaseCloseAtAsk.at(1), false);
    // ... and not before the user said Yes.
    QCOMPARE(prompter.stopFlagAtAsk.at(0), false);

    QVERIFY(dialog->isHidden());
    QVERIFY(window->m_pStatusProgressBar->isHidden());
    QVERIFY(!window->m_pImportWindow->isVisible());
    const Controls after = readControls(window);
    QVERIFY(after.open && after.save && after.saveAction && after.preferences);
}

void TestProgressDialog::jobEndAndStopTellOneOutcome_data()
{
    using JobEnd = std::function<void()>;
    QTest::addColumn<bool>("saving");
    QTest::addColumn<JobEnd>("whileAsked");
    QTest::addColumn<JobEnd>("whileAbortShown");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("stopRequested");

    QTest::newRow("scan-completes-while-asked")
        << false << JobEnd(scanEnds) << JobEnd()
        << QStringList{kAbortQuestion, QStringLiteral("\nMailbox scan completed successfully.")} << false;
    QTest::newRow("scan-finds-nothing-while-asked")
        << false << JobEnd(scanFindsNothing) << JobEnd()
        << QStringList{kAbortQuestion, QStringLiteral("\nSelected file is either invalid or empty.")} << false;
    QTest::newRow("save-completes-while-asked")
        << true << JobEnd(saveEnds) << JobEnd() << QStringList{kAbortQuestion} << false;
    QTest::newRow("scan-end-already-on-its-way-after-yes")
        << false << JobEnd() << JobEnd(scanEnds) << QStringList{kAbortQuestion, kAborted} << true;
}

void TestProgressDialog::jobEndAndStopTellOneOutcome()
{
    using JobEnd = std::function<void()>;
    QFETCH(bool, saving);
    QFETCH(JobEnd, whileAsked);
    QFETCH(JobEnd, whileAbortShown);
    QFETCH(QStringList, boxes);
    QFETCH(bool, stopRequested);

    bForAppleMail = saving;
    QProgressInfo *dialog = newProgressDialog();
    IsPreview = saving;
    FileSavingPath = QStringLiteral("/dest/Main Identity.mbox");
    bProcessRunning = !saving;
    JobGoesOnPrompter prompter;
    prompter.answers.enqueue(QMessageBox::Yes);
    if (whileAsked)
        prompter.whileOpen.insert(kAbortQuestion, whileAsked);
    if (whileAbortShown)
        prompter.whileOpen.insert(kAborted, whileAbortShown);

    clickStop(dialog);

    QCOMPARE(prompter.texts(), boxes);
    QCOMPARE(bool(bStopFlag), stopRequested);
    QVERIFY(dialog->isHidden());
    // A save that ended tells its end in the save-completed dialog, and only there.
    QCOMPARE(window->m_pImportWindow->isVisible(), saving);
    if (saving) {
        QCOMPARE(window->m_pImportWindow->InfoLabels->text(),
                 QStringLiteral("\nNothing was saved at location /dest/Main Identity.mbox."));
    }
}

void TestProgressDialog::jobEndClosesTheOpenQuestion_data()
{
    using JobEnd = std::function<void()>;
    QTest::addColumn<bool>("saving");
    QTest::addColumn<JobEnd>("jobEnd");
    QTest::addColumn<QStringList>("endBoxes");
    QTest::newRow("scan-completes") << false << JobEnd(scanEnds) << QStringList{kScanCompleted};
    QTest::newRow("scan-finds-nothing") << false << JobEnd(scanFindsNothing) << QStringList{kNoData};
    QTest::newRow("save-completes") << true << JobEnd(saveEnds) << QStringList();
}

void TestProgressDialog::jobEndClosesTheOpenQuestion()
{
    using JobEnd = std::function<void()>;
    QFETCH(bool, saving);
    QFETCH(JobEnd, jobEnd);
    QFETCH(QStringList, endBoxes);
    bForAppleMail = saving;
    QProgressInfo *dialog = newProgressDialog();
    IsPreview = saving;
    RealQuestionPrompter prompter;
    bool openAfterJobEnd = true;
    QTimer::singleShot(0, dialog, [&] {
        jobEnd();
        openAfterJobEnd = shownQuestion();
    });
    // A question left open is closed later, so that the test fails, not waits.
    QTimer::singleShot(2000, dialog, [] {
        if (QMessageBox *question = shownQuestion())
            question->reject();
    });

    clickStop(dialog);

    QVERIFY(!openAfterJobEnd);
    QCOMPARE(prompter.texts(), endBoxes);
    QVERIFY(!prompter.stacked);
    QVERIFY(!bStopFlag);
    QCOMPARE(window->m_pImportWindow->isVisible(), saving);
}

void TestProgressDialog::progressDialogHideReachesEveryDialog()
{
    QProgressInfo *first = newProgressDialog();
    first->hide();
    QProgressInfo *second = newProgressDialog();
    QVERIFY(first != second);
    QVERIFY(second->isVisible());
    bParseDatabase = true;
    setControls(window, false);

    emit pMailSaving->ProgressDailogHide();

    QVERIFY(second->isHidden());
    QVERIFY(first->isHidden());
    QVERIFY(!bParseDatabase);
    QVERIFY(m_pMyOpenButton->isEnabled());
    QVERIFY(m_pMySaveButton->isEnabled());
    QVERIFY(!window->saveAct->isEnabled());

    second->show();
    emit pMessageSavingThread->ProgressDailogHide();
    QVERIFY(second->isHidden());
}

void TestProgressDialog::hideProgressBarAfterSave()
{
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
    emit pMessageSavingThread->MakeTreeWidget(503, QStringLiteral("Work"), 502, QStringLiteral("Mail/Inbox/Work"));
    for (FldrAtrib *record = StartFldrAtrib; record; record = record->pNext)
        record->chState = FolderChecked;
    QTreeWidgetItem *root = window->m_pFolderTree->topLevelItem(0);
    root->setCheckState(0, Qt::Checked);
    root->child(0)->setCheckState(0, Qt::PartiallyChecked);
    root->child(0)->child(0)->setCheckState(0, Qt::Checked);
    bForOutlookMail = true;
    IsPreview = true;
    FileSavingIdentification = true;
    FileSavingPath = QStringLiteral("/dest/Main Identity.rge");
    ScriptedPrompter prompter;

    emit pMailSaving->FinishSaving();

    QVERIFY(prompter.boxes.isEmpty());
    int records = 0;
    for (FldrAtrib *record = StartFldrAtrib; record; record = record->pNext, ++records)
        QCOMPARE(int(record->chState), int(FolderUnchecked));
    QCOMPARE(records, 3);
    QCOMPARE(root->checkState(0), Qt::Unchecked);
    QCOMPARE(root->child(0)->checkState(0), Qt::Unchecked);
    QCOMPARE(root->child(0)->child(0)->checkState(0), Qt::Unchecked);
    QVERIFY(window->m_pImportWindow->isVisible());
    // No run wrote anything, so the dialog claims no save.
    QCOMPARE(window->m_pImportWindow->InfoLabels->text(),
             QStringLiteral("\nNothing was saved at location /dest/Main Identity.rge."));
    // ... with a warning in place of the logo and no prompt to import.
    QVERIFY(window->m_pImportWindow->label->pixmap(Qt::ReturnByValue).toImage()
            != QPixmap(QStringLiteral(":/images/img_logo_progressbar.png")).toImage());
    QVERIFY(!window->m_pImportWindow->label_3->isVisibleTo(window->m_pImportWindow));
    QVERIFY(!IsPreview);
    QVERIFY(bForOutlookMail);
    QVERIFY(FileSavingIdentification);
}

void TestProgressDialog::hideProgressBarAfterScan_data()
{
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("text");

    QTest::newRow("every-file-read") << 0 << QStringLiteral("\nMailbox scan completed successfully.");
    QTest::newRow("one-unreadable-file")
        << 1 << QStringLiteral("\nMailbox scan completed successfully.\n1 file could not be read.");
    QTest::newRow("several-unreadable-files")
        << 3 << QStringLiteral("\nMailbox scan completed successfully.\n3 files could not be read.");
}

void TestProgressDialog::hideProgressBarAfterScan()
{
    QFETCH(int, unreadable);
    QFETCH(QString, text);
    ScriptedPrompter prompter;
    bParseDatabase = true;
    pMessageSavingThread->nSkippedFiles = unreadable;
    emit pMessageSavingThread->FinishScaning();
    pMessageSavingThread->nSkippedFiles = 0;
    QCOMPARE(prompter.boxes.size(), 1);
    const MessageBoxRequest &box = prompter.boxes.first();
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.parent, nullptr);
    QVERIFY(box.title.isEmpty());
    QVERIFY(!window->m_pImportWindow->isVisible());
    QVERIFY(bParseDatabase);
}

void TestProgressDialog::noDataIntoFile()
{
    QProgressInfo *dialog = newProgressDialog();
    bParseDatabase = true;
    bParseDatabaseClose = false;
    bStopFlag = true;
    m_selectedFile = QStringLiteral("/some/source");
    ScriptedPrompter prompter;

    emit pMessageSavingThread->NoDataIntoFile();

    QCOMPARE(prompter.texts(), QStringList(QStringLiteral("\nSelected file is either invalid or empty.")));
    QCOMPARE(prompter.boxes.first().parent, nullptr);
    QVERIFY(prompter.boxes.first().title.isEmpty());
    QVERIFY(dialog->isHidden());
    QVERIFY(!m_pMySaveButton->isEnabled());
    QVERIFY(m_pMyOpenButton->isEnabled());
    QVERIFY(bParseDatabaseClose);
    QVERIFY(!bParseDatabase);
    QVERIFY(!bStopFlag);
    QVERIFY(m_selectedFile.isEmpty());
}

void TestProgressDialog::controlsAfterEachEvent_data()
{
    using Event = std::function<void(QConverterMainWindow *)>;
    QTest::addColumn<Event>("event");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("save");
    QTest::addColumn<int>("saveAction");
    QTest::addColumn<int>("preferences");

    QTest::newRow("show-progress-dialog")
        << Event([](QConverterMainWindow *) { emit pMessageSavingThread->OnShowProgressDlg(); })
        << int(Unchanged) << int(Unchanged) << int(Unchanged) << int(Unchanged);
    QTest::newRow("set-progress-hide")
        << Event([](QConverterMainWindow *) { emit pMessageSavingThread->OnSubProgressHide(); })
        << int(Enabled) << int(Enabled) << int(Enabled) << int(Unchanged);
    QTest::newRow("progress-dialog-hide")
        << Event([](QConverterMainWindow *) { emit pMessageSavingThread->ProgressDailogHide(); })
        << int(Enabled) << int(Enabled) << int(Unchanged) << int(Unchanged);
    QTest::newRow("hide-progress-bar-after-scan")
        << Event([](QConverterMainWindow *) { emit pMessageSavingThread->FinishScaning(); })
        << int(Unchanged) << int(Unchanged) << int(Unchanged) << int(Unchanged);
    QTest::newRow("no-data-into-file")
        << Event([](QConverterMainWindow *) { emit pMessageSavingThread->NoDataIntoFile(); })
        << int(Enabled) << int(Disabled) << int(Unchanged) << int(Unchanged);
    QTest::newRow("stop-answered-yes")
        << Event([](QConverterMainWindow *w) {
               ScriptedPrompter prompter;
               prompter.answers.enqueue(QMessageBox::Yes);
               w->m_pProgressInfo->stopButton->click();
           })
        << int(Enabled) << int(Enabled) << int(Enabled) << int(Enabled);
    QTest::newRow("stop-answered-no")
        << Event([](QConverterMainWindow *w) {
               ScriptedPrompter prompter;
               prompter.answers.enqueue(QMessageBox::No);
               w->m_pProgressInfo->stopButton->click();
           })
        << int(Unchanged) << int(Unchanged) << int(Unchanged) << int(Unchanged);
}

void TestProgressDialog::controlsAfterEachEvent()
{
    using Event = std::function<void(QConverterMainWindow *)>;
    QFETCH(Event, event);
    QFETCH(int, open);
    QFETCH(int, save);
    QFETCH(int, saveAction);
    QFETCH(int, preferences);

    // Run from both starting states, so that "unchanged" is told apart from
    // "enabled" and "disabled".
    for (const bool before : {false, true}) {
        ScriptedPrompter quiet;
        emit pMessageSavingThread->OnShowProgressDlg();
        setControls(window, before);
        event(window);
        const Controls after = readControls(window);
        QCOMPARE(after.open, expectedState(Effect(open), before));
        QCOMPARE(after.save, expectedState(Effect(save), before));
        QCOMPARE(after.saveAction, expectedState(Effect(saveAction), before));
        QCOMPARE(after.preferences, expectedState(Effect(preferences), before));
    }
}

QTEST_MAIN(TestProgressDialog)
#include "tst_progressdialog.moc"
