// Progress and end-of-job slots of the main window.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/mybutton.h"
#include "app/progressinfo.h"
#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "browser/foldertree.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "convert/mailsaving.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>

void QConverterMainWindow::ShowProgressDlg()
{
    // Earlier dialogs stay, hidden: one of them may still be asking its abort
    // question, and each answers ProgressDailogHide() the same way.
    auto *dialog = new QProgressInfo(this);
    m_pProgressInfo = dialog;
    m_pProgressBar = new QProgressBar(dialog);
    m_pProgressBar->setGeometry(69, 24, 371, 9);
    // A 9-pixel bar has no room for this platform's percentage text.
    m_pProgressBar->setTextVisible(false);
    dialog->SearchLabel->setText(windowrules::progressLabelText(bForOutlookMail, bForAppleMail));
    dialog->show();
}

void QConverterMainWindow::SetIndivisibleProgress(double value)
{
    if (!m_pProgressBar)
        return;
    if (const std::optional<int> percent = windowrules::progressBarValue(value))
        m_pProgressBar->setValue(*percent);
}

void QConverterMainWindow::SetSubProgress(double value)
{
    m_pStatusProgressBar->hide();
    m_pStatusStopButton->hide();
    if (const std::optional<int> percent = windowrules::progressBarValue(value))
        m_pStatusProgressBar->setValue(*percent);
}

void QConverterMainWindow::SetProgressValueForOlmMail()
{
    m_pStatusProgressBar->setValue(m_pStatusProgressBar->value() + 1);
}

void QConverterMainWindow::SetProgressHide()
{
    if (m_pProgressInfo)
        m_pProgressInfo->hide();
    m_pStatusProgressBar->hide();
    m_pStatusStopButton->hide();
    m_pMySaveButton->setEnabled(true);
    m_pMyOpenButton->setEnabled(true);
    saveAct->setEnabled(true);
}

void QConverterMainWindow::HideProgressBar()
{
    // A job stopped from its progress dialog ends with what Stop said; an
    // end that was already on its way must not tell a second outcome.
    if (m_pProgressInfo && m_pProgressInfo->stopped())
        return;
    if (!bForOutlookMail && !bForAppleMail) {
        const int unreadable = pMessageSavingThread ? pMessageSavingThread->nSkippedFiles.load() : 0;
        const windowrules::Unreadable kind =
            bOlmFileFound ? windowrules::Unreadable::BackupEntries : windowrules::Unreadable::Files;
        showInformation(nullptr, QString(), windowrules::scanCompletedText(unreadable, kind));
        return;
    }
    // Column 7 is reset with the check boxes, so that ticking a folder again
    // after the save is applied as a new tick.
    foldertree::setAllRecordStates(StartFldrAtrib, FolderUnchecked);
    foldertree::setAllItemStates(m_pFolderTree, FolderUnchecked);
    const SaveOutcome outcome = pMailSaving ? pMailSaving->lastOutcome() : SaveOutcome{};
    m_pImportWindow->setSaveOutcome(FileSavingPath, outcome);
    m_pImportWindow->show();
    IsPreview = false;
}

void QConverterMainWindow::OnNoDataIntoFile()
{
    if (m_pProgressInfo)
        m_pProgressInfo->hide();
    showInformation(nullptr, QString(), windowrules::kNoDataText);
    m_pMySaveButton->setEnabled(false);
    m_pMyOpenButton->setEnabled(true);
    bParseDatabaseClose = true;
    bParseDatabase = false;
    bStopFlag = false;
    m_selectedFile = QLatin1String("");
}
