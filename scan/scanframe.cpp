#include "scan/scanframe.h"

#include "convert/convertglobals.h"
#include "scan/scanglobals.h"

namespace scanframe {

Routine routineForClient(int clientIndex)
{
    switch (clientIndex) {
    case 1:
    case 3:
    case 4:
    case 6:
    case 7:
        return Routine::MboxFamily;
    case 2:
        return Routine::AppleMailEmlx;
    case 5:
        return Routine::OlmBackup;
    case 8:
        return Routine::MailMateEml;
    case 9:
        return Routine::OutspringEml;
    case 10:
        return Routine::OperaMbs;
    default:
        return Routine::None;
    }
}

std::atomic<bool> *sourceFlagFor(Routine routine)
{
    switch (routine) {
    case Routine::MboxFamily:
        return &bMboxFileFound;
    case Routine::AppleMailEmlx:
        return &bEmlxFileFound;
    case Routine::OlmBackup:
        return &bOlmFileFound;
    case Routine::MailMateEml:
        return &bEmlFileFound;
    case Routine::OutspringEml:
        return &bemlandfemlfileFound;
    case Routine::OperaMbs:
        return &bMbsFileFound;
    case Routine::None:
        break;
    }
    return nullptr;
}

void clearSourceAndTargetFlags()
{
    bMboxFileFound = false;
    bEmlxFileFound = false;
    bOlmFileFound = false;
    bEmlFileFound = false;
    bemlandfemlfileFound = false;
    bMbsFileFound = false;
    bForAppleMail = false;
    bForOutlookMail = false;
}

void clearWorkingPathLists()
{
    listOfPath1.clear();
    listOfPathOfOnlyEmlx.clear();
    listOfPathOfOnlyEml.clear();
    listOfPathOfEmlxPart.clear();
    AllFilePathInStrList.clear();
}

bool TreeRow::operator==(const TreeRow &other) const
{
    return folderId == other.folderId && name == other.name && parentId == other.parentId
           && folderPath == other.folderPath;
}

QList<TreeRow> treeRows(const QMap<qint64, qint64> &parentOf, const QMap<qint64, QString> &nameOf,
                        const QMap<qint64, QString> &pathOf)
{
    QList<TreeRow> rows;
    rows.reserve(parentOf.size());
    // QMap iterates in ascending key order, which puts every parent before
    // its children because a folder always gets its id after its parent.
    for (auto it = parentOf.constBegin(); it != parentOf.constEnd(); ++it) {
        TreeRow row;
        row.folderId = it.key();
        row.name = nameOf.value(it.key());
        row.parentId = it.value();
        row.folderPath = pathOf.value(it.key());
        rows.append(row);
    }
    return rows;
}

} // namespace scanframe

QDebug operator<<(QDebug debug, const scanframe::TreeRow &row)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "TreeRow(" << row.folderId << ", " << row.name << ", parent "
                    << row.parentId << ", " << row.folderPath << ')';
    return debug;
}
