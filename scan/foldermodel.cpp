#include "scan/foldermodel.h"

#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QVector>

namespace foldermodel {

namespace {

using FolderKey = QPair<qint64, QString>;

// (parent id, name) to folder id, and how many objMapName_FID entries it
// has taken in; a different count means the maps changed behind its back.
QHash<FolderKey, qint64> folderIndex;
int indexedEntries = 0;

// The paths of listOfPathOfOnlyForTree, and the list's size and last entry
// when the set last matched it.
QSet<QString> registeredPaths;
int registeredCount = 0;
QString lastRegistered;

void rebuildFolderIndex()
{
    folderIndex.clear();
    // A name's ids come most recently added first; the first id seen under
    // a parent is the one the lookup would have taken.
    for (auto it = objMapName_FID.cbegin(); it != objMapName_FID.cend(); ++it) {
        const FolderKey key(objMapFID_PID.value(it.value(), 0), it.key());
        if (!folderIndex.contains(key))
            folderIndex.insert(key, it.value());
    }
    indexedEntries = objMapName_FID.size();
}

void keepFolderIndexInStep()
{
    if (objMapName_FID.size() != indexedEntries)
        rebuildFolderIndex();
}

void noteRegisteredState()
{
    registeredCount = listOfPathOfOnlyForTree.size();
    lastRegistered = registeredCount > 0 ? listOfPathOfOnlyForTree.constLast() : QString();
}

void keepRegisteredPathsInStep()
{
    const bool inStep = listOfPathOfOnlyForTree.size() == registeredCount
                        && (registeredCount == 0
                            || listOfPathOfOnlyForTree.constLast() == lastRegistered);
    if (inStep)
        return;
    registeredPaths = QSet<QString>(listOfPathOfOnlyForTree.cbegin(),
                                    listOfPathOfOnlyForTree.cend());
    noteRegisteredState();
}

} // namespace

bool findFolder(const QString &name, qint64 parentId, qint64 *folderId)
{
    keepFolderIndexInStep();
    const FolderKey key(parentId, name);
    auto it = folderIndex.constFind(key);
    if (it != folderIndex.cend() && objMapFID_PID.value(it.value(), 0) != parentId) {
        // Maps emptied and refilled to the same size elsewhere: start afresh.
        rebuildFolderIndex();
        it = folderIndex.constFind(key);
    }
    if (it == folderIndex.cend())
        return false;
    *folderId = it.value();
    return true;
}

qint64 createFolder(const QString &name, qint64 parentId)
{
    keepFolderIndexInStep();
    const qint64 id = ++PID;
    objMapName_FID.insert(name, id);
    objMapFID_PID.insert(id, parentId);
    objMapFID_Name.insert(id, name);
    folderIndex.insert(FolderKey(parentId, name), id);
    indexedEntries = objMapName_FID.size();
    llParentIdRunning = id;
    return id;
}

void clearFolderMaps()
{
    MapLeftTreePath.clear();
    objMapName_FID.clear();
    objMapFID_PID.clear();
    objMapFID_Name.clear();
    folderIndex.clear();
    indexedEntries = 0;
}

QStringList folderPathsFor(const QStringList &treePieces, const QStringList &diskPieces)
{
    const int count = treePieces.size();
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(QString());

    // 1. The anchor: the deepest tree piece that occurs on disk, at its last place.
    int anchorPiece = -1;
    int anchorDisk = -1;
    for (int piece = count - 1; piece >= 1 && anchorPiece < 0; --piece) {
        for (int disk = diskPieces.size() - 1; disk >= 0; --disk) {
            if (diskPieces.at(disk).compare(treePieces.at(piece), Qt::CaseInsensitive) == 0) {
                anchorPiece = piece;
                anchorDisk = disk;
                break;
            }
        }
    }
    if (anchorPiece < 0)
        return paths;

    // 2. The anchor and the pieces above it, place by place.
    QString prefix;
    QVector<QString> prefixes; // "/" + disk pieces 0..i, for each i up to the anchor
    for (int disk = 0; disk <= anchorDisk; ++disk) {
        prefix += QLatin1Char('/') + diskPieces.at(disk);
        prefixes.append(prefix);
    }
    for (int piece = anchorPiece; piece >= 1; --piece) {
        const int disk = anchorDisk - (anchorPiece - piece);
        if (disk < 0)
            break;
        if (diskPieces.at(disk).compare(treePieces.at(piece), Qt::CaseInsensitive) == 0)
            paths[piece] = prefixes.at(disk);
    }

    // 3. Pieces below the anchor that the disk path does not show.
    for (int piece = anchorPiece + 1; piece < count; ++piece) {
        if (!paths.at(piece - 1).isEmpty())
            paths[piece] = paths.at(piece - 1) + QLatin1Char('/') + treePieces.at(piece);
    }
    return paths;
}

void resolveTreePath(const QString &treePath, const QString &diskPath)
{
    if (treePath.isEmpty())
        return;
    const QStringList pieces = treePath.split(QLatin1Char('/'));

    // A top-level folder has no folder path of its own.
    if (!findFolder(pieces.first(), llRootId, &llParentIdRunning))
        createFolder(pieces.first(), llRootId);

    QStringList folderPaths;
    for (int i = 1; i < pieces.size(); ++i) {
        const QString &name = pieces.at(i);
        const qint64 parentId = llParentIdRunning;
        if (findFolder(name, parentId, &llParentIdRunning))
            continue;
        const qint64 id = createFolder(name, parentId);
        if (folderPaths.isEmpty())
            folderPaths = folderPathsFor(pieces, diskPath.split(QLatin1Char('/'), Qt::SkipEmptyParts));
        MapLeftTreePath.insert(id, folderPaths.at(i));
    }
}

void resolveTreePathWithFolderPath(const QString &treePath, const QString &folderPath)
{
    if (treePath.isEmpty())
        return;
    qint64 parentId = llRootId;
    for (const QString &name : treePath.split(QLatin1Char('/'))) {
        if (!findFolder(name, parentId, &llParentIdRunning))
            MapLeftTreePath.insert(createFolder(name, parentId), folderPath);
        parentId = llParentIdRunning;
    }
}

void registerTreePath(const QString &path)
{
    keepRegisteredPathsInStep();
    listOfPathOfOnlyForTree.append(path);
    registeredPaths.insert(path);
    noteRegisteredState();
}

bool isTreePathRegistered(const QString &path)
{
    keepRegisteredPathsInStep();
    return registeredPaths.contains(path);
}

void clearTreePaths()
{
    listOfPathOfOnlyForTree.clear();
    registeredPaths.clear();
    noteRegisteredState();
}

} // namespace foldermodel

bool QMessageSavingThread::GetParentId(QString name, long long parentId, long long *folderId)
{
    return foldermodel::findFolder(name, parentId, folderId);
}

void QMessageSavingThread::treeCreator(QString treePath, QString diskPath, QString)
{
    foldermodel::resolveTreePath(treePath, diskPath);
}

void QMessageSavingThread::treeCreatorOperaMail(QString folderPath, QString filePath)
{
    foldermodel::resolveTreePathWithFolderPath(folderPath, filePath);
}
