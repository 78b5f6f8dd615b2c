#include "app/progressinfo.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "app/mybutton.h"
#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "convert/mailsaving.h"
#include "scan/messagesavingthread.h"

#include <QAction>
#include <QCloseEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QProgressBar>

namespace {

const QString kStopButtonStyle = QStringLiteral(
    "QPushButton{min-height: 32px;min-width: 32px; border-image: url(:/images/img_Stop.png)}"
    "QPushButton:hover { border-image: url(:/images/img_HoverStop.png)}"
    "QPushButton:pressed { border-image: url(:/images/img_StopClick.png);}"
    "QPushButton:disabled { border-image: url(:/images/img_StopClick.png);}");

void enableOpenAndSaveButtons()
{
    if (m_pMySaveButton)
        m_pMySaveButton->setEnabled(true);
    if (m_pMyOpenButton)
        m_pMyOpenButton->setEnabled(true);
}

} // namespace

QProgressInfo::QProgressInfo(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    init();
    connect(stopButton, SIGNAL(clicked()), this, SLOT(OnStop()));
    if (pMessageSavingThread)
        connect(pMessageSavingThread, SIGNAL(ProgressDailogHide()), this, SLOT(OnProgressDailogHide()));
    if (pMailSaving)
        connect(pMailSaving, SIGNAL(ProgressDailogHide()), this, SLOT(OnProgressDailogHide()));
}

QProgressInfo::~QProgressInfo() = default;

void QProgressInfo::init()
{
    setWindowFlags(Qt::Sheet);
    stopButton->setStyleSheet(kStopButtonStyle);
    stopButton->setFixedSize(32, 32);
}

void QProgressInfo::OnProgressDailogHide()
{
    hide();
    bParseDatabase = false;
    enableOpenAndSaveButtons();
}

void QProgressInfo::reject()
{
}

void QProgressInfo::keyPressEvent(QKeyEvent *event)
{
    event->ignore();
}

void QProgressInfo::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void QProgressInfo::hideEvent(QHideEvent *event)
{
    // Every end of a job hides the sheet before it tells its outcome: the
    // question goes first, so the outcome never stands over a question
    // that has nothing left to abort.
    if (!event->spontaneous())
        uiPrompter().closeBoxesOf(this);
    QDialog::hideEvent(event);
}

void QProgressInfo::OnStop()
{
    MessageBoxRequest question;
    question.icon = QMessageBox::Warning;
    question.parent = this;
    question.text = windowrules::kAbortQuestionText;
    question.informativeText = windowrules::kAbortQuestionInformativeText;
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::No;
    if (uiPrompter().ask(question) != QMessageBox::Yes)
        return;
    // The job ran on while the question was open. When it ended meanwhile,
    // its end hid this dialog and told its outcome: there is nothing left
    // to abort, and a second outcome would contradict the first.
    if (isHidden())
        return;

    m_stopped = true;
    hide();
    QConverterMainWindow *window = pMainWindow;
    if (window && window->preferencesAct)
        window->preferencesAct->setEnabled(true);

    if (IsPreview) {
        // A save is running: it ends at its next look at the stop flag.
        IsPreview = false;
        bStopFlag = true;
        bProcessRunning = false;
        bParseDatabase = false;
        bParseDatabaseClose = false;
        if (FileSavingIdentification) {
            if (window && window->m_pImportWindow) {
                window->m_pImportWindow->setInfoText(windowrules::saveAbortedText(FileSavingPath));
                window->m_pImportWindow->show();
            }
            FileSavingIdentification = false;
        }
    } else {
        // A scan is running. The flags are written before the box, so the
        // scan stops at once rather than when the user dismisses it.
        bStopFlag = true;
        bProcessRunning = false;
        bParseDatabase = false;
        bParseDatabaseClose = false;
        showInformation(nullptr, QString(), windowrules::kProcessAbortedText);
        if (window && window->m_pStatusProgressBar)
            window->m_pStatusProgressBar->hide();
    }

    enableOpenAndSaveButtons();
    if (window && window->saveAct)
        window->saveAct->setEnabled(true);
}
