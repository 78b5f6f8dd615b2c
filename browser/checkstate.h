#pragma once
// Three-state selection of the folder tree: a tick or an untick spreads down
// to every sub-folder and up to every ancestor, in the check boxes of the
// items and in the state codes of the folder records, which are what the
// saving thread converts. Column 7 of each item mirrors its check box.
//
// Items are found by folder id through the tree's id index and records
// through the record indexes of browser/folderrecords.h, so no step walks
// the tree or the record list to find one folder.

#include <QHash>
#include <QString>
#include <QtGlobal>

class QTreeWidget;
class QTreeWidgetItem;
struct FldrAtrib;

namespace checkstate {

// Folder items by folder id (the first item made for each id).
using ItemIndex = QHash<qint64, QTreeWidgetItem *>;

// True when a click left the item's check box in a state that its column 7
// does not record, so the change still has to be applied. A partly checked
// box is never applied: only the upward walk sets it.
bool clickNeedsApplying(Qt::CheckState state, const QString &stateColumnText);

// True when item is the root: its parent id equals that of the tree's first item.
bool isRootItem(QTreeWidget *tree, const QTreeWidgetItem *item);

// Code 1: every record 1 and every item checked; any other code: every
// record 3 and every item unchecked. Column 7 is left to recordItemStates.
void markWholeTree(QTreeWidget *tree, quint8 code);

// Breadth-first from folderId through the records' parent ids: every record
// reached takes code, and its item (when it has one) is checked for code 1
// and unchecked otherwise. Records without an item still pass the code on.
// The folder itself is not changed.
void markDescendants(const ItemIndex &items, qint64 folderId, quint8 code);

// From item's parent up to the root, each ancestor is recomputed from the
// check boxes of its direct children (all checked: 1, all unchecked: 3,
// otherwise 2) into its check box, its column 7 and its record.
void markAncestors(QTreeWidget *tree, QTreeWidgetItem *item);

// Writes into column 7 of every folder item the code of its check box.
void recordItemStates(QTreeWidget *tree);

// The first record with that folder id takes code; none, nothing changes.
void updateRecord(qint64 folderId, quint8 code);

// Code of the first record (the root's): 1, 2, or 3 for anything else and
// for an empty list.
quint8 selectionSummary(const FldrAtrib *first);

} // namespace checkstate
