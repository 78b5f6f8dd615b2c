// Opening another source and the close guard of the main window.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/mybutton.h"
#include "app/progressinfo.h"
#include "app/safewebview.h"
#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "convert/mailsaving.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "source/parsedatabase.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>

void QConverterMainWindow::OnOpenFile()
{
    // A running job reads the records, lists and paths that Open releases.
    if (isWorkerRunning()) {
        showWarning(this, windowrules::kAppTitle, windowrules::kJobRunningText);
        return;
    }

    OnOpenLeave();
    const windowrules::OpenDecision decision =
        windowrules::decideOpen(bParseDatabase, bParseDatabaseClose, bStopFlag);
    if (decision.clearStopFlag)
        bStopFlag = false;
    if (decision.remakeSourceWindow)
        remakeSourceWindow();

    if (decision.resetOnly) {
        resetPanesForNewSource();
        m_pMyOpenButton->setEnabled(true);
        m_pMySaveButton->setEnabled(false);
        openAct->setEnabled(true);
        saveAct->setEnabled(false);
        m_pMyOpenButton->setEnabled(false);
        return;
    }

    const QString question = QCoreApplication::translate(
        "QMainWindow",
        "Current scan information will be discarded if you select another mailbox. Do you want to continue?");
    if (showWarning(this, windowrules::kAppTitle, question, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;

    bParseDatabase = false;
    resetPanesForNewSource();
    listOfPathOfOnlyForTree.clear();
    m_pMySaveButton->setEnabled(false);
    saveAct->setEnabled(false);
    m_pMyOpenButton->setEnabled(true);
    openAct->setEnabled(true);
    remakeSourceWindow();
}

void QConverterMainWindow::resetPanesForNewSource()
{
    m_pWebView->showBlankPage();
    m_pWebView->show();
    clearFolderTree();
    m_pMessageList->clear();
    m_pHeaderBox->clear();
    m_pHiddenTextBrowser->clear();
    m_pWebView->hide();
    m_pFolderNameLabel->clear();
    m_pMessageCountLabel->clear();
}

void QConverterMainWindow::remakeSourceWindow()
{
    bParseDatabase = true;
    if (m_pParseDatabase) {
        delete m_pParseDatabase;
        m_pParseDatabase = nullptr;
    }
    m_pParseDatabase = new QParseDatabase(this);
    m_pMySaveButton->setEnabled(false);
    m_pMyOpenButton->setEnabled(false);
    if (pMessageSavingThread)
        pMessageSavingThread->m_nClientIndex = 0;
    m_pParseDatabase->show();
    m_selectedFile = QLatin1String("");
}

void QConverterMainWindow::closeEvent(QCloseEvent *event)
{
    switch (windowrules::decideClose(bProcessRunning, isWorkerRunning(), closeevent)) {
    case windowrules::CloseDecision::Refuse:
        if (m_pProgressInfo)
            m_pProgressInfo->show();
        showWarning(this, windowrules::kAppTitle, windowrules::kAppRunningText);
        event->ignore();
        return;
    case windowrules::CloseDecision::Ask:
        if (showWarning(this, windowrules::kAppTitle, windowrules::kCloseQuestionText,
                        QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        ++closeevent;
        break;
    case windowrules::CloseDecision::Accept:
        break;
    }

    // Nothing may still be writing when the process ends.
    bStopFlag = true;
    if (pMessageSavingThread)
        pMessageSavingThread->wait();
    if (pMailSaving)
        pMailSaving->wait();
    event->accept();
}
