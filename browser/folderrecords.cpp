#include "browser/folderrecords.h"

FldrAtrib *StartFldrAtrib = nullptr;
FldrAtrib *EndFldrAtrib = nullptr;

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
}
