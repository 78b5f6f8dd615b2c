#pragma once
// Pure helpers of the folder tree: the columns of a folder item, the state
// codes of the folder records, the name clean-up and walks over both.

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
// Look of a folder item's name column.
extern const QString kFolderIcon;
extern const QString kItemFontFamily;
constexpr int kItemFontPoints = 11;
constexpr int kItemSize = 22;

// The name a folder shows: the first of ".mailbox", ".imapmbox" and ".mbox"
// that the name contains (exact case) is removed wherever it stands.
QString cleanFolderName(const QString &name);

// A new folder item, without parent: the name (as given) with an unticked
// check box, icon, font and size hint, the id, the parent id, the folder
// path and the state code "3".
QTreeWidgetItem *makeFolderItem(const QString &name, qint64 folderId, qint64 parentId,
                                const QString &folderPath);

// State code of a check state: 1 checked, 2 partly checked, 3 unchecked.
quint8 stateCodeFor(Qt::CheckState state);
// Check state an item takes from a code: code 1 checked, anything else unchecked.
Qt::CheckState checkStateForCode(quint8 code);
// Check state an item takes when recomputed from a code: 1, 2 or 3.
Qt::CheckState checkStateForRecomputedCode(quint8 code);

// A column text read as an unsigned decimal number; any other text reads as 0.
quint64 readNumber(const QString &text);
// The item's folder id (column 1) and parent id (column 2), read as numbers.
qint64 folderIdOf(const QTreeWidgetItem *item);
qint64 parentIdOf(const QTreeWidgetItem *item);

// The first record with that folder id, or null (walks the list from first).
FldrAtrib *findFldrAtrib(FldrAtrib *first, qint64 folderId);

// Sets the state of every record from first on.
void setAllRecordStates(FldrAtrib *first, quint8 state);

// Gives every item of the tree, at every level, the check state of code and
// writes the code into its column 7, as the end of a save leaves them.
void setAllItemStates(QTreeWidget *tree, quint8 code);

} // namespace foldertree
