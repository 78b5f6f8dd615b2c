// Folder tree and message list members of the main window.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/safewebview.h"
#include "browser/folderrecords.h"
#include "browser/foldertree.h"
#include "scan/scanglobals.h"

#include <QFont>
#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>

void QConverterMainWindow::OnMakeTreeWidget(long long folderId, QString name, long long parentId,
                                            QString folderPath)
{
    if (m_pFolderTree->topLevelItemCount() == 0) {
        m_folderItemsById.clear();
        QTreeWidgetItem *root = foldertree::makeFolderItem(foldertree::kRootName, llRootId, 0, QString());
        m_pFolderTree->addTopLevelItem(root);
        m_folderItemsById.insert(llRootId, root);
        appendFldrAtrib(llRootId, 0);
    }

    // A folder whose parent has no item yet is recorded but not shown.
    if (QTreeWidgetItem *parentItem = m_folderItemsById.value(parentId)) {
        QTreeWidgetItem *item = foldertree::makeFolderItem(name, folderId, parentId, folderPath);
        parentItem->addChild(item);
        if (!m_folderItemsById.contains(folderId))
            m_folderItemsById.insert(folderId, item);
    }
    appendFldrAtrib(folderId, parentId);
}

void QConverterMainWindow::clearFolderTree()
{
    m_pFolderTree->clear();
    m_folderItemsById.clear();
    CleanList();
}

void QConverterMainWindow::CleanList()
{
    releaseFldrAtribs();
    releaseMailItems();
}

void QConverterMainWindow::OnStatusBarValue(const QString &folderName, uint count)
{
    sSelectedItemList = folderName;
    m_pFolderNameLabel->setText(folderName + QLatin1Char(':'));
    m_pMessageCountLabel->setText(QString::number(count));
    m_pFolderNameLabel->setFont(QFont(QStringLiteral("Lucida Grande"), 9));
    m_pMessageCountLabel->setFont(QFont(QStringLiteral("Lucida Grande"), 9));
    m_pMessageList->setSortingEnabled(true);
}

void QConverterMainWindow::ShowindivisualMailItemsInfo(QTreeWidgetItem *item, int)
{
    if (!item)
        return;
    const quint8 code = foldertree::stateCodeFor(item->checkState(foldertree::kNameColumn));
    const qint64 folderId = item->text(foldertree::kIdColumn).toLongLong();
    if (FldrAtrib *record = foldertree::findFldrAtrib(StartFldrAtrib, folderId))
        record->chState = code;
    item->setText(foldertree::kStateColumn, QString::number(code));
    m_pMessageList->clear();
    m_pWebView->hide();
}

void QConverterMainWindow::OnMessageSubjectKey()
{
    m_pHeaderBox->clear();
}
