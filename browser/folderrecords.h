#pragma once
// Folder records of the tree: one per folder, the root first, saying which
// folders are to be converted.

#include <QVector>
#include <QtGlobal>
#include <atomic>

// Check-state codes of a folder record.
enum : quint8 { FolderChecked = 1, FolderPartlyChecked = 2, FolderUnchecked = 3 };

// One folder of the tree.
struct FldrAtrib {
    std::atomic<quint8> chState{FolderUnchecked}; // read by the saving thread
    qint64 llParentId = 0;
    qint64 llFolderId = 0;
    FldrAtrib *pNext = nullptr;

    FldrAtrib() = default;
    FldrAtrib(const FldrAtrib &) = delete;
    FldrAtrib &operator=(const FldrAtrib &) = delete;
};

extern FldrAtrib *StartFldrAtrib;
extern FldrAtrib *EndFldrAtrib;

// Appends one record (state unchecked) at the tail of the list.
FldrAtrib *appendFldrAtrib(qint64 folderId, qint64 parentId);
// Releases every record; head and tail end null.
void releaseFldrAtribs();

// Lookups through indexes kept in step with the list by the two functions
// above, so that first-match rules hold without walking the list.
// The first record with that folder id, or null.
FldrAtrib *fldrAtribById(qint64 folderId);
// The records whose parent id is parentId, in list order.
QVector<FldrAtrib *> fldrAtribChildren(qint64 parentId);
