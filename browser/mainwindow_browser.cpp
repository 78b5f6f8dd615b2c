// Folder tree, message lists and message selection of the main window.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/mybutton.h"
#include "app/safewebview.h"
#include "browser/checkstate.h"
#include "browser/folderrecords.h"
#include "browser/foldertree.h"
#include "browser/listsummary.h"
#include "browser/messagelists.h"
#include "browser/previewdispatch.h"
#include "olm/mailmlrc.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFont>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTreeWidget>

#include <cstdio>

namespace {

// One debug line per listed file: off unless QT_LOGGING_RULES turns on
// "converter.browser.list.debug", so a large folder does not flood the terminal.
Q_LOGGING_CATEGORY(lcMessageList, "converter.browser.list", QtInfoMsg)

const QString kStatusFontFamily = QStringLiteral("Lucida Grande");
constexpr int kStatusFontPoints = 11;
const QString kStatusBarStyle = QStringLiteral("QStatusBar::item {border: none;}");

// Rows of one fill. The first row is added and selected on its own, so its
// preview runs before any other row exists; the rest join the list in one
// step at the end, which keeps a fill of tens of thousands of rows linear.
class RowFill
{
public:
    explicit RowFill(QTreeWidget *list) : m_list(list) {}
    ~RowFill() { qDeleteAll(m_pending); }
    RowFill(const RowFill &) = delete;
    RowFill &operator=(const RowFill &) = delete;

    void add(const messagelists::MessageRow &row)
    {
        QTreeWidgetItem *item = messagelists::makeMessageItem(row);
        if (m_firstAdded) {
            m_pending.append(item);
            return;
        }
        m_firstAdded = true;
        m_list->addTopLevelItem(item);
        item->setSelected(true);
    }

    void finish()
    {
        m_list->addTopLevelItems(m_pending);
        m_pending.clear();
    }

private:
    QTreeWidget *m_list;
    QList<QTreeWidgetItem *> m_pending;
    bool m_firstAdded = false;
};

void setControlsEnabled(QConverterMainWindow *window, bool enabled)
{
    window->m_pFolderTree->setEnabled(enabled);
    if (m_pMyOpenButton)
        m_pMyOpenButton->setEnabled(enabled);
    if (m_pMySaveButton)
        m_pMySaveButton->setEnabled(enabled);
}

// First steps of every fill: controls off, and the list fills unsorted and
// unpainted; endFill switches sorting back on through the status report.
void beginFill(QConverterMainWindow *window)
{
    setControlsEnabled(window, false);
    QTreeWidget *list = window->m_pMessageList;
    // Every row has the same size hint; saying so spares the view a walk
    // over all rows for each row it places.
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setUpdatesEnabled(false);
    list->setAlternatingRowColors(true);
}

void endFill(QConverterMainWindow *window, const QString &folderName)
{
    QTreeWidget *list = window->m_pMessageList;
    // Rows have no children, so the top-level rows are every item.
    window->OnStatusBarValue(folderName, uint(list->topLevelItemCount()));
    setControlsEnabled(window, true);
    list->setUpdatesEnabled(true);
    list->scrollToTop();
}

} // namespace

// ---------------------------------------------------------------------------
// Folder tree

void QConverterMainWindow::OnMakeTreeWidget(long long folderId, QString name, long long parentId,
                                            QString folderPath)
{
    // 1. The first folder of a scan makes the root item and record. The
    //    scan that sent it has rebuilt the message lists.
    if (m_pFolderTree->topLevelItemCount() == 0) {
        // Every folder item has the same size hint; saying so keeps each
        // check-box change from costing a walk over the whole tree.
        m_pFolderTree->setUniformRowHeights(true);
        m_folderItemsById.clear();
        messagelists::forgetListIndexes();
        QTreeWidgetItem *root =
            foldertree::makeFolderItem(foldertree::kRootName, llRootId, 0, QString());
        m_pFolderTree->addTopLevelItem(root);
        root->setExpanded(true);
        m_folderItemsById.insert(llRootId, root);
        appendFldrAtrib(llRootId, 0);
    }

    // 2. The folder's item under its parent's; a folder whose parent has no
    //    item is recorded but not shown.
    if (QTreeWidgetItem *parentItem = m_folderItemsById.value(parentId)) {
        QTreeWidgetItem *item =
            foldertree::makeFolderItem(foldertree::cleanFolderName(name), folderId, parentId, folderPath);
        parentItem->addChild(item);
        parentItem->setExpanded(true);
        item->setExpanded(true);
        if (!m_folderItemsById.contains(folderId))
            m_folderItemsById.insert(folderId, item);
    }

    // 3. Its record, whether shown or not.
    appendFldrAtrib(folderId, parentId);
}

void QConverterMainWindow::clearFolderTree()
{
    messagelists::forgetListIndexes();
    m_pFolderTree->clear();
    m_folderItemsById.clear();
    CleanList();
}

void QConverterMainWindow::CleanList()
{
    releaseFldrAtribs();
    releaseMailItems();
}

void QConverterMainWindow::ShowindivisualMailItemsInfo(QTreeWidgetItem *item, int)
{
    if (!item)
        return;

    // 1. A check-box click not yet recorded in column 7 is applied.
    if (checkstate::clickNeedsApplying(item->checkState(foldertree::kNameColumn),
                                       item->text(foldertree::kStateColumn)))
        LeftTreeWidgetItem(item);

    // 2. Empty panes and lists for the folder's messages.
    m_pHeaderBox->clear();
    m_pWebView->hide();
    m_pMessageList->clear();
    AllFilePathInStrListForTree.clear();

    // 3. The filler of the source kind.
    const QString path = item->text(foldertree::kPathColumn);
    const QString name = item->text(foldertree::kNameColumn);
    if (bMboxFileFound) {
        OnGetAllMailofMbox(path, name);
    } else if (bOlmFileFound) {
        OnGetAllMailofOlm(item, 0, name);
    } else if (bMbsFileFound) {
        OnGetAllMailofMbs(path, name);
    } else {
        // The controls stay off from the walk to the end of the fill, which
        // gives them back.
        setControlsEnabled(this, false);
        if (!path.isEmpty())
            OnGetAllFileAndDir(path);
        OnShowIndivisualMailData(name, path);
    }

    m_pFolderTree->setFocus(Qt::OtherFocusReason);
}

void QConverterMainWindow::LeftTreeWidgetItem(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const Qt::CheckState state = item->checkState(foldertree::kNameColumn);
    if (checkstate::isRootItem(m_pFolderTree, item)) {
        if (state == Qt::Checked)
            MarkDirToRootCheckedOrUnchecked(FolderChecked, 0);
        else if (state == Qt::Unchecked)
            MarkDirToRootCheckedOrUnchecked(FolderUnchecked, 0);
    } else {
        const quint8 code = foldertree::stateCodeFor(state);
        UpdateLinkListForParent(quint64(foldertree::folderIdOf(item)), code);
        if (code != FolderPartlyChecked)
            MarkChildAccordingToParent(item, code);
        MarkParentAccordingToChild(item);
    }
    SetRecoverSelectedState();
}

void QConverterMainWindow::MarkDirToRootCheckedOrUnchecked(unsigned char state, unsigned long long)
{
    checkstate::markWholeTree(m_pFolderTree, state);
}

void QConverterMainWindow::MarkChildAccordingToParent(QTreeWidgetItem *item, unsigned char state)
{
    if (!item)
        return;
    checkstate::markDescendants(m_folderItemsById, foldertree::folderIdOf(item), state);
}

void QConverterMainWindow::MarkParentAccordingToChild(QTreeWidgetItem *item)
{
    checkstate::markAncestors(m_pFolderTree, item);
}

void QConverterMainWindow::SetRecoverSelectedState()
{
    checkstate::recordItemStates(m_pFolderTree);
}

void QConverterMainWindow::UpdateLinkListForParent(unsigned long long folderId, unsigned char state)
{
    checkstate::updateRecord(qint64(folderId), state);
}

unsigned char QConverterMainWindow::CheckIsSeltiveRecovry()
{
    return checkstate::selectionSummary(StartFldrAtrib);
}

// ---------------------------------------------------------------------------
// Message lists

void QConverterMainWindow::OnGetAllMailofMbox(const QString &folderPath, const QString &folderName)
{
    beginFill(this);
    m_pMessageList->clear();
    RowFill rows(m_pMessageList);
    for (const MboxMbx *node : messagelists::mboxNodesOfFile(folderPath))
        rows.add(messagelists::mboxRow(*node));
    rows.finish();
    endFill(this, folderName);
}

void QConverterMainWindow::OnGetAllMailofOlm(QTreeWidgetItem *folderItem, int, const QString &folderName)
{
    beginFill(this);
    m_pMessageList->clear();
    RowFill rows(m_pMessageList);
    // The scanning thread appends to the record list while it runs.
    if (folderItem && !(pMessageSavingThread && pMessageSavingThread->isRunning())) {
        const quint64 folderId = foldertree::readNumber(folderItem->text(foldertree::kIdColumn));
        for (int number : messagelists::olmRecordNumbersOfFolder(folderId))
            rows.add(messagelists::olmRow(*messagelists::olmRecordNumbered(number), number));
    }
    rows.finish();
    endFill(this, folderName);
}

void QConverterMainWindow::OnGetAllMailofMbs(const QString &folderPath, const QString &folderName)
{
    beginFill(this);
    m_pMessageList->clear();
    const QString accountDir = messagelists::accountDirectory(folderPath);
    RowFill rows(m_pMessageList);
    for (const MboxMbx *node : messagelists::operaNodesOf(accountDir, folderName))
        rows.add(messagelists::operaRow(*node));
    rows.finish();
    endFill(this, folderName);
}

void QConverterMainWindow::OnGetAllFileAndDir(const QString &directory)
{
    // No event processing here: a click handled in the middle of the walk
    // would refill the list under it.
    AllFilePathInStrListForTree.append(messagelists::listFilesBelow(directory));
}

void QConverterMainWindow::OnShowIndivisualMailData(const QString &folderName, QString folderPath)
{
    beginFill(this);
    RowFill rows(m_pMessageList);
    const QStringList paths = AllFilePathInStrListForTree;
    int unreadable = 0;
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        qCDebug(lcMessageList) << i << "\t" << path << "\t" << paths.size();
        if (!messagelists::belongsToFolder(path, folderPath) || messagelists::isSkippedPath(path))
            continue;

        // A file that does not open is passed over; the others still list.
        listsummary::MessageSummary summary;
        if (!listsummary::summarizeMessageFile(path, &summary)) {
            ++unreadable;
            continue;
        }
        if (summary.hasRow())
            rows.add({summary.displayText(), path, QString(), QString()});
    }
    rows.finish();
    if (unreadable > 0)
        qCWarning(lcMessageList) << unreadable << "message files of" << folderPath << "could not be read";
    endFill(this, folderName);
}

void QConverterMainWindow::OnStatusBarValue(const QString &folderName, uint count)
{
    sSelectedItemList = folderName;
    m_pFolderNameLabel->setText(folderName + QLatin1Char(':'));
    m_pMessageCountLabel->setText(QString::number(count));
    for (QLabel *label : {m_pFolderNameLabel, m_pMessageCountLabel}) {
        label->setFont(QFont(kStatusFontFamily, kStatusFontPoints));
        label->setMargin(0);
    }
    m_pStatusBar->setStyleSheet(kStatusBarStyle);
    m_pMessageList->setSortingEnabled(true);
    m_pStatusProgressBar->hide();
    m_pStatusStopButton->hide();
}

// ---------------------------------------------------------------------------
// Message selection

void QConverterMainWindow::OnMessageSubjectKey()
{
    // The list keeps single selection, so the first selected row is the one.
    const QList<QTreeWidgetItem *> selected = m_pMessageList->selectedItems();
    if (!selected.isEmpty())
        ShowindivisualMailItemsCenter(selected.first(), 0);
}

void QConverterMainWindow::ShowindivisualMailItemsCenter(QTreeWidgetItem *item, int)
{
    if (!item)
        return;
    const QString path = item->text(messagelists::kPathColumn);
    const QString offset = item->text(messagelists::kOffsetColumn);
    const QString length = item->text(messagelists::kLengthColumn);
    m_pHiddenTextBrowser->clear();

    previewdispatch::PreviewCalls &calls = previewdispatch::previewCalls();
    switch (previewdispatch::previewKindFor(bOlmFileFound, bMboxFileFound)) {
    case previewdispatch::PreviewKind::BackupRecord:
        calls.backupRecord(this, item);
        break;
    case previewdispatch::PreviewKind::MboxRange:
        calls.mboxRange(this, path, offset, length);
        break;
    case previewdispatch::PreviewKind::WholeFile:
        calls.wholeFile(this, path);
        break;
    }
}

void QConverterMainWindow::OnMessageSubjectClicked(QTreeWidgetItem *item, int)
{
    if (!item)
        return;
    bool offsetOk = false;
    qint64 offset = item->text(messagelists::kOffsetColumn).toLongLong(&offsetOk, 10);
    if (!offsetOk)
        offset = 0;
    const quint64 length = foldertree::readNumber(item->text(messagelists::kLengthColumn));
    // The scanning thread appends to the record list while it runs.
    if (pMessageSavingThread && pMessageSavingThread->isRunning())
        return;

    // A listed row carries its record's number: body-less messages share the
    // range 0 and 0, so only the number tells them apart.
    const QVariant number = item->data(messagelists::kDisplayColumn, messagelists::kRecordRole);
    const MailMLRC *record = number.isValid() ? messagelists::olmRecordNumbered(number.toInt())
                                              : messagelists::olmRecordAt(offset, length);
    if (!record)
        return;
    // The header preview only reads the record; its parameter is not const
    // for no other reason than its long-standing signature.
    MessageFieldsForThePreview(const_cast<MailMLRC *>(record), 0);
    OnWebViewForOlmFileInHTML(QString::number(record->llBodyOffset), QString::number(record->llBodyLength));
}
