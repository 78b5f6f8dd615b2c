#include "browser/folderrecords.h"

#include <QHash>

FldrAtrib *StartFldrAtrib = nullptr;
FldrAtrib *EndFldrAtrib = nullptr;

namespace {
QHash<qint64, FldrAtrib *> recordsById;
QHash<qint64, QVector<FldrAtrib *>> recordsByParent;
} // namespace

FldrAtrib *appendFldrAtrib(qint64 folderId, qint64 parentId)
{
    auto *record = new FldrAtrib;
    record->llFolderId = folderId;
    record->llParentId = parentId;
    if (EndFldrAtrib)
        EndFldrAtrib->pNext = record;
    else
        StartFldrAtrib = record;
    EndFldrAtrib = record;
    if (!recordsById.contains(folderId))
        recordsById.insert(folderId, record);
    recordsByParent[parentId].append(record);
    return record;
}

void releaseFldrAtribs()
{
    FldrAtrib *record = StartFldrAtrib;
    while (record) {
        FldrAtrib *next = record->pNext;
        delete record;
        record = next;
    }
    StartFldrAtrib = nullptr;
    EndFldrAtrib = nullptr;
    recordsById.clear();
    recordsByParent.clear();
}

FldrAtrib *fldrAtribById(qint64 folderId)
{
    return recordsById.value(folderId);
}

QVector<FldrAtrib *> fldrAtribChildren(qint64 parentId)
{
    return recordsByParent.value(parentId);
}
