#include "browser/checkstate.h"

#include "browser/folderrecords.h"
#include "browser/foldertree.h"

#include <QSet>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVector>

namespace checkstate {

namespace {

QString codeText(quint8 code)
{
    return QString::number(code);
}

// The code a parent takes from its direct children, judged from the state
// of the child that changed; 0 when that state is none of the three.
quint8 recomputedParentCode(const QTreeWidgetItem *parent, Qt::CheckState changedState)
{
    if (changedState == Qt::Checked || changedState == Qt::PartiallyChecked) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i)->checkState(foldertree::kNameColumn) != Qt::Checked)
                return FolderPartlyChecked;
        }
        return FolderChecked;
    }
    if (changedState == Qt::Unchecked) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i)->checkState(foldertree::kNameColumn) != Qt::Unchecked)
                return FolderPartlyChecked;
        }
        return FolderUnchecked;
    }
    return 0;
}

} // namespace

bool clickNeedsApplying(Qt::CheckState state, const QString &stateColumnText)
{
    const quint64 recorded = foldertree::readNumber(stateColumnText);
    if (state == Qt::Checked)
        return recorded != FolderChecked;
    if (state == Qt::Unchecked)
        return recorded != 0;
    return false;
}

bool isRootItem(QTreeWidget *tree, const QTreeWidgetItem *item)
{
    const QTreeWidgetItem *first = tree->topLevelItem(0);
    const qint64 rootParent = first ? foldertree::parentIdOf(first) : 0;
    return foldertree::parentIdOf(item) == rootParent;
}

void markWholeTree(QTreeWidget *tree, quint8 code)
{
    const quint8 recordCode = code == FolderChecked ? FolderChecked : FolderUnchecked;
    foldertree::setAllRecordStates(StartFldrAtrib, recordCode);
    const Qt::CheckState state = foldertree::checkStateForCode(code);
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        (*it)->setData(foldertree::kNameColumn, Qt::CheckStateRole, state);
}

void markDescendants(const ItemIndex &items, qint64 folderId, quint8 code)
{
    const Qt::CheckState state = foldertree::checkStateForCode(code);
    QVector<qint64> pending{folderId};
    // A folder listed twice is expanded once, so the walk ends even on
    // records whose parent ids form a loop.
    QSet<qint64> expanded;
    for (int position = 0; position < pending.size(); ++position) {
        const qint64 id = pending.at(position);
        if (expanded.contains(id))
            continue;
        expanded.insert(id);
        const QVector<FldrAtrib *> children = fldrAtribChildren(id);
        for (FldrAtrib *record : children) {
            if (QTreeWidgetItem *item = items.value(record->llFolderId))
                item->setData(foldertree::kNameColumn, Qt::CheckStateRole, state);
            pending.append(record->llFolderId);
            record->chState = code;
        }
    }
}

void markAncestors(QTreeWidget *tree, QTreeWidgetItem *item)
{
    while (item && item->parent() && !isRootItem(tree, item)) {
        QTreeWidgetItem *parent = item->parent();
        const quint8 code = recomputedParentCode(parent, item->checkState(foldertree::kNameColumn));
        if (code == 0)
            return;
        parent->setData(foldertree::kNameColumn, Qt::CheckStateRole,
                        foldertree::checkStateForRecomputedCode(code));
        parent->setText(foldertree::kStateColumn, codeText(code));
        updateRecord(foldertree::folderIdOf(parent), code);
        item = parent;
    }
}

void recordItemStates(QTreeWidget *tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const Qt::CheckState state = (*it)->checkState(foldertree::kNameColumn);
        (*it)->setText(foldertree::kStateColumn, codeText(foldertree::stateCodeFor(state)));
    }
}

void updateRecord(qint64 folderId, quint8 code)
{
    if (FldrAtrib *record = fldrAtribById(folderId))
        record->chState = code;
}

quint8 selectionSummary(const FldrAtrib *first)
{
    if (!first)
        return FolderUnchecked;
    const quint8 code = first->chState;
    return code == FolderChecked || code == FolderPartlyChecked ? code : quint8(FolderUnchecked);
}

} // namespace checkstate
