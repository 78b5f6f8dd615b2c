// The save front end of the main window: the Save request, the set-up for a
// target, the destination preparation and the save-stage operations.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "convert/bundleskeleton.h"
#include "convert/convertglobals.h"
#include "convert/mailsaving.h"
#include "convert/outputtree.h"
#include "convert/saveaswindow.h"
#include "convert/savefrontend.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

void QConverterMainWindow::OnSavingFiles()
{
    // A save must not start over a scan that is still filling the records,
    // nor over another save.
    if (isWorkerRunning()) {
        showWarning(this, windowrules::kAppTitle, windowrules::kSaveWhileRunningText);
        return;
    }
    if (!windowrules::saveRequestAccepted(StartFldrAtrib)) {
        showInformation(nullptr, windowrules::kSaveTitle, windowrules::kSelectFolderText);
        return;
    }
    const unsigned clientIndex = pMessageSavingThread ? unsigned(pMessageSavingThread->m_nClientIndex) : 0u;
    if (!savefrontend::anyTargetOffered(savefrontend::targetButtonsFor(clientIndex, currentSaveSource()))) {
        IsPreview = false;
        showInformation(nullptr, windowrules::kSaveTitle, savefrontend::kNoTargetText);
        return;
    }
    m_pSaveAs = new SaveAsWindow(this);
    m_pSaveAs->show();
}

void QConverterMainWindow::OnSavingFilesforOutlook()
{
    setUpSave(SaveTarget::Outlook);
}

void QConverterMainWindow::OnSavingFilesforApple()
{
    setUpSave(SaveTarget::AppleMail);
}

void QConverterMainWindow::setUpSave(SaveTarget target)
{
    // 1. Never two jobs at once: the tree under a running save stays its own.
    if (isWorkerRunning()) {
        showWarning(this, windowrules::kAppTitle, windowrules::kSaveWhileRunningText);
        return;
    }
    const bool outlook = target == SaveTarget::Outlook;
    bStopFlag = false;
    bForOutlookMail = outlook;
    bForAppleMail = !outlook;

    // 2. Destination.
    FileDialogRequest request;
    request.parent = this;
    request.caption = savefrontend::kDirectoryCaption;
    request.directory = QDir::homePath();
    request.options = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;
    request.directoriesOnly = true;
    saveDir = uiPrompter().chooseDirectory(request);
    if (saveDir.isEmpty())
        return;
    if (saveDir.size() > 1 && saveDir.endsWith(QLatin1Char('/')))
        saveDir.chop(1);
    const QString tree = savefrontend::targetTreePath(saveDir, target);

    // 3. The output must neither hold the source nor lie inside it.
    if (outputtree::outputOverlapsSource(tree, m_selectedFile)) {
        showWarning(this, savefrontend::kTitle, savefrontend::kOverlapText);
        return;
    }

    // 4. An existing tree is replaced only on consent, and only when it is
    // really gone: old and new output are never merged.
    if (QFileInfo(tree).isDir()) {
        const QMessageBox::StandardButton answer = showWarning(
            this, savefrontend::kTitle, savefrontend::replaceQuestion(target), QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::No) {
            OnSavingFiles();
            return;
        }
        if (answer != QMessageBox::Yes)
            return;
        if (!outputtree::removeTreeSafely(tree)) {
            showWarning(this, savefrontend::kTitle, savefrontend::removeFailedText(target));
            return;
        }
    }

    // 5. Preparation.
    if (outlook) {
        CreateMailFolder();
        SaveFileProcessStarted(saveDir);
    } else {
        CreateMailFolderforApple();
    }

    // 6. Start request, with the snapshot the saving thread works from.
    nextItr = 0;
    FileSavingIdentification = false;
    FileSavingPath = tree;
    if (pMailSaving) {
        pMailSaving->prepareSave(takeSaveSnapshot(target));
        pMailSaving->SetInitialSettings();
    }
}

void QConverterMainWindow::CreateMailFolder()
{
    makeFolderDirectories(false);
    CreateFilesInMainIdentity(saveDir + QLatin1String("/Main Identity.rge/"));
}

void QConverterMainWindow::CreateMailFolderforApple()
{
    makeFolderDirectories(true);
}

void QConverterMainWindow::makeFolderDirectories(bool forAppleMail)
{
    bForAppleMail = forAppleMail;
    if (!m_pFolderTree || saveDir.isEmpty())
        return;
    const QString root = QDir(saveDir).absolutePath();
    for (QTreeWidgetItemIterator it(m_pFolderTree); *it; ++it) {
        QString folder = (*it)->text(3);
        if (forAppleMail)
            folder.replace(QLatin1String(".rge"), QLatin1String(".mbox"));
        const QString directory = QDir(saveDir + folder).absolutePath();
        // A folder path with ".." in it must not reach outside the destination.
        if (directory == root || !outputtree::pathLiesWithin(directory, root))
            continue;
        QDir().mkdir(directory);
    }
}

void QConverterMainWindow::CreateFilesInMainIdentity(QString path)
{
    // Only an existing bundle gets its skeleton here; the saving thread
    // makes the bundle itself.
    if (!QFileInfo(path + QLatin1String("Contents")).isDir())
        return;
    bundleskeleton::writeIdentitySkeleton(path);
}

void QConverterMainWindow::SaveFileProcessStarted(const QString &dir)
{
    // The stage text is built and shown nowhere: the stage has no effect.
    const QString status = QStringLiteral("Saving started at %1: %2").arg(QDateTime::currentDateTime().toString(), dir);
    Q_UNUSED(status)
}

void QConverterMainWindow::SavingFileProcessCompleted(const QString &dir)
{
    const QString status = QStringLiteral("Saving completed at %1: %2").arg(QDateTime::currentDateTime().toString(), dir);
    Q_UNUSED(status)
}

void QConverterMainWindow::SavingFileProcessAborted(const QString &dir)
{
    outputtree::removeTreeSafely(dir + QLatin1String("/Main Identity.rge"));
    if (preferencesAct)
        preferencesAct->setEnabled(true);
}

void QConverterMainWindow::OnRemoveEmptyDir(const QString &dir)
{
    outputtree::removeEmptyDirectories(dir);
}
