#include "scan/messagesavingthread.h"

#include "app/appglobals.h"
#include "platform/resourcelimit.h"
#include "scan/foldermodel.h"
#include "scan/scanframe.h"
#include "scan/scanglobals.h"

namespace {
// A large mail store keeps many files open at once while it is walked.
constexpr unsigned long kOpenFileLimit = 2048;
} // namespace

QMessageSavingThread::QMessageSavingThread(QObject *parent)
    : WorkerThread(parent)
{
}

QMessageSavingThread::~QMessageSavingThread()
{
    stopAndWait();
}

void QMessageSavingThread::CleanLinkedList()
{
    releaseMboxMbxList();
    foldermodel::clearFolderMaps();
}

void QMessageSavingThread::run()
{
    try {
        // 1. A new scan: no source kind and no target yet
        scanframe::clearSourceAndTargetFlags();
        bProcessRunning = true;

        // 2. Room for the files a large store keeps open
        platform::raiseOpenFileLimit(kOpenFileLimit);

        // 3. Drop the message index and folder maps of the previous scan
        CleanLinkedList();

        // 4. Fresh stop request and source-window state
        bStopFlag = false;
        bParseDatabase = false;
        bParseDatabaseClose = false;

        // 5. The one discovery routine of the chosen client
        const int clientIndex = m_nClientIndex;
        if (std::atomic<bool> *sourceFlag =
                scanframe::sourceFlagFor(scanframe::routineForClient(clientIndex))) {
            *sourceFlag = true;
            try {
                runDiscoveryRoutine(clientIndex);
            } catch (...) {
                // A routine that broke off found nothing the user can rely
                // on; say so rather than leave the progress dialog up.
                emit NoDataIntoFile();
            }
        }

        // 6. The scan is over
        bStopFlag = false;
        bProcessRunning = false;
        bCheckFucntion = false;

        // 7. Working lists are not kept between scans
        scanframe::clearWorkingPathLists();

        // 8. Hand the folders to the tree, parents first; after a stop the
        //    folders found so far still arrive.
        const QList<scanframe::TreeRow> rows =
            scanframe::treeRows(objMapFID_PID, objMapFID_Name, MapLeftTreePath);
        for (const scanframe::TreeRow &row : rows)
            emit MakeTreeWidget(row.folderId, row.name, row.parentId, row.folderPath);
    } catch (...) {
        bStopFlag = false;
        bProcessRunning = false;
        bCheckFucntion = false;
    }
}

void QMessageSavingThread::runDiscoveryRoutine(int clientIndex)
{
    switch (scanframe::routineForClient(clientIndex)) {
    case scanframe::Routine::MboxFamily:
        PostBoxFileSearch();
        nextItr = 0;
        break;
    case scanframe::Routine::AppleMailEmlx:
        FileSearch();
        break;
    case scanframe::Routine::OlmBackup:
        CreateFile();
        break;
    case scanframe::Routine::MailMateEml:
        FileSearchForEml();
        break;
    case scanframe::Routine::OutspringEml:
        FileSearchForEmlandfEml();
        break;
    case scanframe::Routine::OperaMbs:
        FileSearchForMbs();
        break;
    case scanframe::Routine::None:
        break;
    }
}
