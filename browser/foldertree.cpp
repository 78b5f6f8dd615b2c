#include "browser/foldertree.h"

#include "browser/folderrecords.h"

#include <QFont>
#include <QIcon>
#include <QSize>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace foldertree {

const QString kRootName = QStringLiteral("Main Identity");
const QString kFolderIcon = QStringLiteral(":/images/img_Folder.png");
const QString kItemFontFamily = QStringLiteral("Lucida Grande");

QString cleanFolderName(const QString &name)
{
    // Only the first suffix kind found goes: "Old.mbox.mailbox" keeps ".mbox".
    for (const QLatin1String suffix :
         {QLatin1String(".mailbox"), QLatin1String(".imapmbox"), QLatin1String(".mbox")}) {
        if (name.contains(suffix))
            return QString(name).remove(suffix);
    }
    return name;
}

QTreeWidgetItem *makeFolderItem(const QString &name, qint64 folderId, qint64 parentId,
                                const QString &folderPath)
{
    // One shared icon for every item; never destroyed, so it cannot outlive
    // the application object's image support.
    static const QIcon *icon = new QIcon(kFolderIcon);
    auto *item = new QTreeWidgetItem;
    item->setSizeHint(kNameColumn, QSize(kItemSize, kItemSize));
    item->setFont(kNameColumn, QFont(kItemFontFamily, kItemFontPoints));
    item->setIcon(kNameColumn, *icon);
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

Qt::CheckState checkStateForCode(quint8 code)
{
    return code == FolderChecked ? Qt::Checked : Qt::Unchecked;
}

Qt::CheckState checkStateForRecomputedCode(quint8 code)
{
    switch (code) {
    case FolderChecked:
        return Qt::Checked;
    case FolderPartlyChecked:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

quint64 readNumber(const QString &text)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 10);
    return ok ? value : 0;
}

qint64 folderIdOf(const QTreeWidgetItem *item)
{
    return qint64(readNumber(item->text(kIdColumn)));
}

qint64 parentIdOf(const QTreeWidgetItem *item)
{
    return qint64(readNumber(item->text(kParentIdColumn)));
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

void setAllItemStates(QTreeWidget *tree, quint8 code)
{
    const Qt::CheckState state = checkStateForCode(code);
    const QString codeText = QString::number(code);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        (*it)->setData(kNameColumn, Qt::CheckStateRole, state);
        (*it)->setText(kStateColumn, codeText);
    }
}

} // namespace foldertree
