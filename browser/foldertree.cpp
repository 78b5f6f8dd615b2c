#include "browser/foldertree.h"

#include "browser/folderrecords.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace foldertree {

const QString kRootName = QStringLiteral("Main Identity");

QTreeWidgetItem *makeFolderItem(const QString &name, qint64 folderId, qint64 parentId,
                                const QString &folderPath)
{
    auto *item = new QTreeWidgetItem;
    item->setText(kNameColumn, name);
    item->setData(kNameColumn, Qt::CheckStateRole, Qt::Unchecked);
    item->setText(kIdColumn, QString::number(folderId));
    item->setText(kParentIdColumn, QString::number(parentId));
    item->setText(kPathColumn, folderPath);
    item->setText(kStateColumn, QString::number(FolderUnchecked));
    return item;
}

quint8 stateCodeFor(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return FolderChecked;
    case Qt::PartiallyChecked:
        return FolderPartlyChecked;
    case Qt::Unchecked:
        break;
    }
    return FolderUnchecked;
}

FldrAtrib *findFldrAtrib(FldrAtrib *first, qint64 folderId)
{
    for (FldrAtrib *record = first; record; record = record->pNext) {
        if (record->llFolderId == folderId)
            return record;
    }
    return nullptr;
}

void setAllRecordStates(FldrAtrib *first, quint8 state)
{
    for (FldrAtrib *record = first; record; record = record->pNext)
        record->chState = state;
}

void uncheckAllItems(QTreeWidget *tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        (*it)->setData(kNameColumn, Qt::CheckStateRole, Qt::Unchecked);
}

} // namespace foldertree
