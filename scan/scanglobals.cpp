#include "scan/scanglobals.h"

#include "scan/foldermodel.h"
#include "scan/operamail.h"

std::atomic<bool> bMboxFileFound{false};
std::atomic<bool> bEmlxFileFound{false};
std::atomic<bool> bOlmFileFound{false};
std::atomic<bool> bEmlFileFound{false};
std::atomic<bool> bemlandfemlfileFound{false};
std::atomic<bool> bMbsFileFound{false};

qint32 nextItr = 0;
QString GetAllFilePathInStrList;
std::atomic<bool> bCheckFucntion{false};

QStringList listOfPath1;
QStringList listOfPathOfOnlyEml;
QStringList listOfPathOfOnlyEmlx;
QStringList listOfPathOfEmlxPart;
QStringList listOfPathOfOnlyMbs;
QStringList AllFilePathInStrList;
QStringList listOfPathOfOnlyForTree;

MailItem *StartMailItem = nullptr;
MailItem *EndMailItem = nullptr;

MboxMbx *TmpMboxMbxPtrStart = nullptr;
MboxMbx *TmpMboxMbxPtrEnd = nullptr;

QMultiMap<QString, qint64> objMapName_FID;
QMap<qint64, qint64> objMapFID_PID;
QMap<qint64, QString> objMapFID_Name;
QMap<qint64, QString> MapLeftTreePath;

qint64 PID = llRootId;
qint64 llParentIdRunning = 0;

void appendMailItem(const QString &path, qint64 folderId)
{
    auto *item = new MailItem;
    item->pPath = path;
    item->nPathBytes = qint32(2 * path.size());
    item->llFolderId = folderId;
    if (EndMailItem)
        EndMailItem->pNext = item;
    else
        StartMailItem = item;
    EndMailItem = item;
}

void releaseMailItems()
{
    MailItem *item = StartMailItem;
    while (item) {
        MailItem *next = item->pNext;
        delete item;
        item = next;
    }
    StartMailItem = nullptr;
    EndMailItem = nullptr;
}

void releaseMboxMbxList()
{
    MboxMbx *node = TmpMboxMbxPtrStart;
    while (node) {
        MboxMbx *next = node->pNext;
        delete node;
        node = next;
    }
    TmpMboxMbxPtrStart = nullptr;
    TmpMboxMbxPtrEnd = nullptr;
}

QDebug operator<<(QDebug debug, const MailItem &item)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MailItem(" << item.pPath << ", folder " << item.llFolderId << ')';
    return debug;
}

QDebug operator<<(QDebug debug, const MboxMbx &node)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MboxMbx(" << node.szFilePath << " @" << node.llOffset << '+'
                    << node.llLength << ", from " << node.szFrom << ", subject "
                    << node.szSubject << ", location " << node.szLocation << ')';
    return debug;
}

void resetScanGlobalsForTest()
{
    bMboxFileFound = false;
    bEmlxFileFound = false;
    bOlmFileFound = false;
    bEmlFileFound = false;
    bemlandfemlfileFound = false;
    bMbsFileFound = false;
    nextItr = 0;
    GetAllFilePathInStrList.clear();
    bCheckFucntion = false;
    listOfPath1.clear();
    listOfPathOfOnlyEml.clear();
    listOfPathOfOnlyEmlx.clear();
    listOfPathOfEmlxPart.clear();
    listOfPathOfOnlyMbs.clear();
    AllFilePathInStrList.clear();
    listOfPathOfOnlyForTree.clear();
    releaseMailItems();
    releaseMboxMbxList();
    objMapName_FID.clear();
    objMapFID_PID.clear();
    objMapFID_Name.clear();
    MapLeftTreePath.clear();
    PID = llRootId;
    llParentIdRunning = 0;
    foldermodel::clearFolderMaps();
    foldermodel::clearTreePaths();
    operamail::forgetKeptMbsFile();
}
