#pragma once
// Pure helpers of the folder tree: the columns of a folder item, the state
// codes of the folder records and walks over both.

#include <QString>
#include <QtGlobal>

class QTreeWidget;
class QTreeWidgetItem;
struct FldrAtrib;

namespace foldertree {

// Columns of a folder item; only the name column is shown.
constexpr int kNameColumn = 0;
constexpr int kIdColumn = 1;
constexpr int kParentIdColumn = 2;
constexpr int kPathColumn = 3;
constexpr int kStateColumn = 7;
constexpr int kColumnCount = 8;

// Name of the root folder, id llRootId.
extern const QString kRootName;

// A new folder item, without parent: the name with an unticked check box, the
// id, the parent id, the folder path and the state code "3".
QTreeWidgetItem *makeFolderItem(const QString &name, qint64 folderId, qint64 parentId,
                                const QString &folderPath);

// State code of a check state: 1 checked, 2 partly checked, 3 unchecked.
quint8 stateCodeFor(Qt::CheckState state);

// The first record with that folder id, or null.
FldrAtrib *findFldrAtrib(FldrAtrib *first, qint64 folderId);

// Sets the state of every record from first on.
void setAllRecordStates(FldrAtrib *first, quint8 state);

// Unticks the name column of every item of the tree, at every level.
void uncheckAllItems(QTreeWidget *tree);

} // namespace foldertree
