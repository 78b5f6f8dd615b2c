#include "app/windowrules.h"

#include "browser/folderrecords.h"

#include <cmath>

namespace windowrules {

const QString kAppTitle = QStringLiteral("CorvaneMailConverter");
const QString kScanCompletedText = QStringLiteral("\nMailbox scan completed successfully.");
const QString kNoDataText = QStringLiteral("\nSelected file is either invalid or empty.");
const QString kProcessAbortedText = QStringLiteral("\nProcess Aborted.");
const QString kSavingLabelText = QStringLiteral("Saving Database File ...");
const QString kScanningLabelText = QStringLiteral("Scanning Database File ...");
const QString kAbortQuestionText = QStringLiteral("Process cannot be resumed from the current stage.");
const QString kAbortQuestionInformativeText = QStringLiteral("Do you want to abort the current process?");
const QString kAppRunningText =
    QStringLiteral("Application Running !!\nPlease halt the current process to Exit.");
const QString kCloseQuestionText = QStringLiteral("\nDo you want to close Corvane Mail Converter? ");
const QString kJobRunningText = QStringLiteral(
    "\nA scan or a save is running.\nPlease stop the current process before you open another mailbox.");
const QString kSaveWhileRunningText = QStringLiteral(
    "\nA scan or a save is running.\nPlease stop the current process before you save.");
const QString kSaveTitle = QStringLiteral("Corvane Apple Mail to Outlook 2011 Converter");
const QString kSelectFolderText = QStringLiteral("Select a folder to save.");

QPoint initialWindowPosition(QSize desktop, QSize window)
{
    // C++ integer division truncates toward zero, as the placement rule wants.
    const int x = (desktop.width() - window.width()) / 2 - 100;
    const int y = (desktop.height() - window.height()) / 2 - 100;
    return QPoint(x, y);
}

std::optional<int> progressBarValue(double percent)
{
    if (!std::isfinite(percent))
        return std::nullopt;
    const double truncated = std::trunc(percent);
    if (truncated < 0.0 || truncated > 100.0)
        return std::nullopt;
    return static_cast<int>(truncated);
}

QString progressLabelText(bool forOutlookMail, bool forAppleMail)
{
    return (forOutlookMail || forAppleMail) ? kSavingLabelText : kScanningLabelText;
}

QString saveCompletedText(const QString &fileSavingPath)
{
    return QStringLiteral("\nFile saved successfully at location ") + fileSavingPath;
}

QString scanCompletedText(int unreadable, Unreadable kind)
{
    if (unreadable <= 0)
        return kScanCompletedText;
    if (kind == Unreadable::BackupEntries) {
        if (unreadable == 1)
            return kScanCompletedText + QStringLiteral("\n1 backup entry could not be read.");
        return kScanCompletedText + QStringLiteral("\n%1 backup entries could not be read.").arg(unreadable);
    }
    if (unreadable == 1)
        return kScanCompletedText + QStringLiteral("\n1 file could not be read.");
    return kScanCompletedText + QStringLiteral("\n%1 files could not be read.").arg(unreadable);
}

QString saveAbortedText(const QString &fileSavingPath)
{
    return QStringLiteral("\nProcess aborted. File saved Successfully at location ") + fileSavingPath;
}

OpenDecision decideOpen(bool parseDatabase, bool parseDatabaseClose, bool stopFlag)
{
    OpenDecision decision;
    decision.clearStopFlag = !parseDatabase;
    if (decision.clearStopFlag)
        stopFlag = false;
    decision.remakeSourceWindow = parseDatabaseClose;
    if (decision.remakeSourceWindow)
        parseDatabase = true;
    decision.resetOnly = parseDatabase || stopFlag;
    decision.ask = !decision.resetOnly;
    return decision;
}

CloseDecision decideClose(bool processRunning, bool workerRunning, int confirmedCloses)
{
    if (processRunning || workerRunning)
        return CloseDecision::Refuse;
    if (confirmedCloses != 0)
        return CloseDecision::Accept;
    return CloseDecision::Ask;
}

bool saveRequestAccepted(const FldrAtrib *firstRecord)
{
    if (!firstRecord)
        return false;
    const quint8 state = firstRecord->chState;
    return state == FolderChecked || state == FolderPartlyChecked;
}

QString helpPageUrlText(const QString &resourcesPath)
{
    return QStringLiteral("file://") + resourcesPath + QStringLiteral("/help/Corvane_Mail_Converter.htm");
}

QString eulaUrlText(const QString &resourcesPath)
{
    return QStringLiteral("file://") + resourcesPath + QStringLiteral("/Eula.pdf");
}

QString mailtoUrlText(const QString &address)
{
    return QStringLiteral("mailto:") + address;
}

} // namespace windowrules
