#pragma once
// The folder-id model of a scan: tree paths ("Mail/Inbox/Work") resolved into
// folder ids under the root "Main Identity", kept in the process-wide folder
// maps of scan/scanglobals.h, and the register of the source files attached
// to the tree (listOfPathOfOnlyForTree).
//
// Beside the maps this model keeps a lookup index keyed by (parent id, name)
// and beside the register a set of its paths, so that no lookup walks a map
// or a list. Both follow the process-wide containers: code that fills or
// empties those containers directly (without the functions below) is noticed
// at the next lookup, which then rebuilds the index or the set from them.

#include <QString>
#include <QStringList>

namespace foldermodel {

// True when a folder named exactly name lies directly under parentId; its id
// is then written to *folderId. False otherwise, and nothing is written.
bool findFolder(const QString &name, qint64 parentId, qint64 *folderId);

// Makes the folder name under parentId with the next value of PID, enters it
// in objMapName_FID, objMapFID_PID and objMapFID_Name, leaves its id in
// llParentIdRunning and returns it. No folder-path entry is written.
qint64 createFolder(const QString &name, qint64 parentId);

// Empties the four folder maps and the lookup index beside them; PID and
// llParentIdRunning keep their values.
void clearFolderMaps();

// The folder paths of the pieces of a tree path, taken from the pieces of
// the source file's path, counted from its end: the last tree piece that
// occurs among the disk pieces (letter case ignored) stands at its last
// occurrence, and each tree piece before it at the disk piece as many places
// before; such a piece gets the disk pieces up to and including that place,
// each preceded by "/", when the two are equal (letter case ignored), and an
// empty path otherwise. A tree piece after that last occurring one gets the
// path of the piece before it, "/" and its name (empty when that is empty).
// The top-level piece (index 0) always gets an empty path. So a directory of
// the same name above the profile, or nested below the folder, is never taken.
QStringList folderPathsFor(const QStringList &treePieces, const QStringList &diskPieces);

// Resolves treePath (pieces split at "/", empty pieces kept) from the root
// down, creating the folders that are missing; a new folder below the top
// level gets a folder path derived from diskPath (see folderPathsFor). The id
// of the last piece ends in llParentIdRunning. An empty treePath does nothing.
void resolveTreePath(const QString &treePath, const QString &diskPath);

// resolveTreePath for the Opera Mail tree: every new folder, the top-level
// one included, gets folderPath as its folder path unchanged.
void resolveTreePathWithFolderPath(const QString &treePath, const QString &folderPath);

// Appends path, exactly as given, to listOfPathOfOnlyForTree.
void registerTreePath(const QString &path);
// True when listOfPathOfOnlyForTree holds path (exact, case-sensitive).
bool isTreePathRegistered(const QString &path);
// Empties listOfPathOfOnlyForTree and the set beside it.
void clearTreePaths();

} // namespace foldermodel
