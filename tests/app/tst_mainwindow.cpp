// The main window as main builds it: actions, menus, toolbars, status bar
// and panes; its placement; the hover images; Open, Save and the close guard;
// the help links; and the folder tree it builds from the scanner's folders.

#include "mainwindowfixture.h"

#include "app/converterresources.h"
#include "app/mybutton.h"
#include "app/progressinfo.h"
#include "app/safewebview.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "convert/importwindow.h"
#include "convert/saveaswindow.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/preferencesdialog.h"
#include "platform/urlopener.h"
#include "scan/scanglobals.h"
#include "source/parsedatabase.h"
#include "support/scriptedprompter.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QList<QAction *> actionsInOrder(QConverterMainWindow *w)
{
    return {w->aboutAct,        w->licenseAct,      w->preferencesAct,   w->openAct,
            w->saveAct,         w->helpAct,         w->emailSupportAct,  w->viewSupportAct,
            w->knowledgeBaseAct, w->generateTicketAct};
}

// Texts of a menu's entries, a separator shown as "-".
QStringList menuEntries(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return entries;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(64, 64)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const QString &path)
{
    return iconImage(QIcon(path));
}

// The folder records as "id<parent:state", in list order.
QStringList recordsAsText()
{
    QStringList records;
    for (const FldrAtrib *record = StartFldrAtrib; record; record = record->pNext) {
        records.append(QStringLiteral("%1<%2:%3")
                           .arg(record->llFolderId)
                           .arg(record->llParentId)
                           .arg(int(record->chState)));
    }
    return records;
}

int mailItemCount()
{
    int count = 0;
    for (const MailItem *item = StartMailItem; item; item = item->pNext)
        ++count;
    return count;
}

// Every item of a tree as "id/name", depth-first, children indented by "  ".
QStringList treeAsText(QTreeWidgetItem *item, int depth = 0)
{
    QStringList lines{QString(2 * depth, QLatin1Char(' ')) + item->text(1) + QLatin1Char('/') + item->text(0)};
    for (int i = 0; i < item->childCount(); ++i)
        lines += treeAsText(item->child(i), depth + 1);
    return lines;
}

class RecordingOpener : public platform::UrlOpener
{
public:
    RecordingOpener() { platform::setUrlOpener(this); }
    ~RecordingOpener() override { platform::setUrlOpener(nullptr); }
    bool openUrl(const QUrl &url) override
    {
        urls.append(url);
        return true;
    }
    QList<QUrl> urls;
};

void writePlist(const QString &path, const QList<QPair<QString, QString>> &entries)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n<dict>\n";
    for (const auto &entry : entries) {
        xml += "  <key>" + entry.first.toHtmlEscaped().toUtf8() + "</key>\n";
        xml += "  <string>" + entry.second.toHtmlEscaped().toUtf8() + "</string>\n";
    }
    xml += "</dict>\n</plist>\n";
    file.write(xml);
}

bool sendClose(QConverterMainWindow *window)
{
    QCloseEvent event;
    QApplication::sendEvent(window, &event);
    return event.isAccepted();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void actions_data();
    void actions();
    void menus();
    void toolbars();
    void toolbarButtons_data();
    void toolbarButtons();
    void clickingAButtonTogglesItAndRunsItsSlot();
    void statusBar();
    void panes();
    void paneWidthsAtMinimumWindowSize();
    void stateAfterConstruction();
    void placementRule_data();
    void placementRule();
    void windowIsPlacedByTheRule();
    void dialogsFromTheMenus();
    void hoverImages_data();
    void hoverImages();
    void statusStopButtonClearsStopFlag();

    void makeTreeWidgetBuildsRootFirst();
    void folderClickRecordsCheckState_data();
    void folderClickRecordsCheckState();
    void messageSelectionClearsHeaderBox();
    void statusBarValue();
    void folderNameWithMarkupShowsAsText_data();
    void folderNameWithMarkupShowsAsText();
    void cleanListReleasesRecords();

    void openOutcomes_data();
    void openOutcomes();
    void openRefusedWhileAWorkerRuns_data();
    void openRefusedWhileAWorkerRuns();

    void closeGuard_data();
    void closeGuard();
    void quitGoesThroughTheCloseGuard_data();
    void quitGoesThroughTheCloseGuard();
    void confirmedCloseIsNotAskedAgain();
    void closeRefusedWhileAWorkerRuns_data();
    void closeRefusedWhileAWorkerRuns();

    void bundleFileLinks_data();
    void bundleFileLinks();
    void supportLinks_data();
    void supportLinks();
    void supportLinkReadsThePropertyListAfresh();

    void savingWithoutATickedFolder_data();
    void savingWithoutATickedFolder();
    void savingRefusedWhileAWorkerRuns_data();
    void savingRefusedWhileAWorkerRuns();

private:
    // Fills the window the way a finished scan and a browse leave it.
    void loadScan();

    MainWindowFixture fixture;
    QConverterMainWindow *window = nullptr;
};

void TestMainWindow::initTestCase()
{
    initConverterResources();
}

void TestMainWindow::init()
{
    fixture.setUp();
    window = fixture.window;
}

void TestMainWindow::cleanup()
{
    fixture.tearDown();
    window = nullptr;
}

void TestMainWindow::loadScan()
{
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
    emit pMessageSavingThread->MakeTreeWidget(503, QStringLiteral("Work"), 502, QStringLiteral("Mail/Inbox/Work"));
    appendMailItem(QStringLiteral("/src/Inbox.mbox"), 502);
    appendMailItem(QStringLiteral("/src/Inbox.sbd/Work"), 503);
    listOfPathOfOnlyForTree = QStringList{QStringLiteral("/src/Inbox.mbox")};
    auto *message = new QTreeWidgetItem(window->m_pMessageList);
    message->setText(1, QStringLiteral("A message"));
    window->m_pHeaderBox->setPlainText(QStringLiteral("From: someone"));
    window->m_pFolderNameLabel->setText(QStringLiteral("Inbox:"));
    window->m_pMessageCountLabel->setText(QStringLiteral("1"));
    m_pMyOpenButton->setEnabled(true);
    m_pMySaveButton->setEnabled(true);
    window->openAct->setEnabled(true);
    window->saveAct->setEnabled(true);
    window->OnOpenEnter();
    pMessageSavingThread->m_nClientIndex = 4;
    m_selectedFile = QStringLiteral("/src");
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("ownedByWindow");
    QTest::addColumn<bool>("enabled");
    const int heuristic = QAction::TextHeuristicRole;
    QTest::newRow("about") << 0 << QStringLiteral("&About") << QString() << int(QAction::AboutRole) << true << true;
    QTest::newRow("license") << 1 << QStringLiteral("&License Agreement") << QString()
                             << int(QAction::ApplicationSpecificRole) << false << true;
    QTest::newRow("preferences") << 2 << QStringLiteral("&Preferences...") << QString()
                                 << int(QAction::PreferencesRole) << true << true;
    QTest::newRow("open") << 3 << QStringLiteral("Open File") << QStringLiteral("Open File") << heuristic << true
                          << true;
    QTest::newRow("save-disabled-at-start") << 4 << QStringLiteral("Save Converted File")
                                            << QStringLiteral("Save Converted File") << heuristic << true << false;
    QTest::newRow("help-topics") << 5 << QStringLiteral("&Help Topics") << QString() << heuristic << true << true;
    QTest::newRow("email-support") << 6 << QStringLiteral("&Email to Corvane Support") << QString() << heuristic
                                   << true << true;
    QTest::newRow("view-support") << 7 << QStringLiteral("&View Support Section") << QString() << heuristic << true
                                  << true;
    QTest::newRow("knowledge-base") << 8 << QStringLiteral("&View Knowledgebase Articles") << QString() << heuristic
                                    << true << true;
    QTest::newRow("submit-enquiry") << 9 << QStringLiteral("&Submit Enquiry") << QString() << heuristic << true
                                    << true;
}

void TestMainWindow::actions()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(int, role);
    QFETCH(bool, ownedByWindow);
    QFETCH(bool, enabled);
    QAction *action = actionsInOrder(window).at(index);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    if (!toolTip.isEmpty())
        QCOMPARE(action->toolTip(), toolTip);
    QCOMPARE(int(action->menuRole()), role);
    QCOMPARE(action->parent() == window, ownedByWindow);
    if (!ownedByWindow)
        QCOMPARE(action->parent(), nullptr);
    QCOMPARE(action->isEnabled(), enabled);
    QVERIFY(action->shortcut().isEmpty());
    QVERIFY(action->icon().isNull());
}

void TestMainWindow::menus()
{
    const QList<QAction *> menuActions = window->menuBar()->actions();
    QCOMPARE(menuActions.size(), 3);
    QCOMPARE(menuActions.at(0)->menu(), window->appMenu);
    QCOMPARE(menuActions.at(1)->menu(), window->fileMenu);
    QCOMPARE(menuActions.at(2)->menu(), window->helpMenu);
    QCOMPARE(window->appMenu->title(), QStringLiteral("&CorvaneMailConverter"));
    QCOMPARE(window->fileMenu->title(), QStringLiteral("&File"));
    QCOMPARE(window->helpMenu->title(), QStringLiteral("&Help"));

    QCOMPARE(menuEntries(window->appMenu),
             (QStringList{QStringLiteral("&About"), QStringLiteral("-"), QStringLiteral("Quit")}));
    QCOMPARE(menuEntries(window->fileMenu),
             (QStringList{QStringLiteral("Open File"), QStringLiteral("Save Converted File")}));
    QCOMPARE(menuEntries(window->helpMenu),
             (QStringList{QStringLiteral("&Help Topics"), QStringLiteral("-"),
                          QStringLiteral("&Email to Corvane Support"), QStringLiteral("&View Support Section"),
                          QStringLiteral("&Submit Enquiry"), QStringLiteral("&View Knowledgebase Articles")}));
    // Preferences and the agreement are in no menu.
    for (const QMenu *menu : {window->appMenu, window->fileMenu, window->helpMenu}) {
        QVERIFY(!menu->actions().contains(window->preferencesAct));
        QVERIFY(!menu->actions().contains(window->licenseAct));
    }
}

void TestMainWindow::toolbars()
{
    QToolBar *first = window->m_pToolBar;
    QToolBar *files = window->m_pFileToolBar;
    QCOMPARE(first->windowTitle(), QStringLiteral("ToolBar"));
    QCOMPARE(files->windowTitle(), QStringLiteral("Open & Save File"));
    for (QToolBar *toolbar : {first, files}) {
        QCOMPARE(window->toolBarArea(toolbar), Qt::TopToolBarArea);
        QCOMPARE(toolbar->orientation(), Qt::Horizontal);
        QCOMPARE(toolbar->iconSize(), QSize(40, 40));
        QVERIFY(!toolbar->isMovable());
        QVERIFY(!toolbar->isFloatable());
    }
    QCOMPARE(files->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(window->contextMenuPolicy(), Qt::NoContextMenu);

    QCOMPARE(first->actions().size(), 1);
    auto *gap = qobject_cast<QLabel *>(first->widgetForAction(first->actions().first()));
    QVERIFY(gap);
    QCOMPARE(gap->minimumSize(), QSize(2, 60));
    QCOMPARE(gap->maximumSize(), QSize(2, 60));
    QVERIFY(gap->text().isEmpty());

    const QList<QAction *> items = files->actions();
    QCOMPARE(items.size(), 6);
    auto *leading = qobject_cast<QLabel *>(files->widgetForAction(items.at(0)));
    QVERIFY(leading);
    QCOMPARE(leading->maximumSize(), QSize(2, 50));
    QCOMPARE(files->widgetForAction(items.at(1)), m_pMyOpenButton);
    auto *between = qobject_cast<QLabel *>(files->widgetForAction(items.at(2)));
    QVERIFY(between);
    QCOMPARE(between->maximumSize(), QSize(5, 50));
    QCOMPARE(files->widgetForAction(items.at(3)), m_pMySaveButton);
    QWidget *spacer = files->widgetForAction(items.at(4));
    QCOMPARE(spacer->maximumHeight(), 0);
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(files->widgetForAction(items.at(5)), m_pMyHelpButton);

    struct Caption { QLabel *label; QString text; QRect geometry; };
    for (const Caption &caption : {Caption{window->m_pOpenCaption, QStringLiteral("Open"), QRect(9, 42, 60, 20)},
                                   Caption{window->m_pSaveCaption, QStringLiteral("Save"), QRect(54, 42, 180, 20)}}) {
        QCOMPARE(caption.label->parentWidget(), files);
        QCOMPARE(caption.label->text(), caption.text);
        QCOMPARE(caption.label->geometry(), caption.geometry);
        QCOMPARE(caption.label->font().family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(caption.label->font().pointSize(), 10);
        for (QAction *item : items)
            QVERIFY(files->widgetForAction(item) != caption.label);
    }

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(first->geometry().right() < files->geometry().left());
}

void TestMainWindow::toolbarButtons_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("image");
    QTest::newRow("open") << 0 << QSize(30, 28) << QStringLiteral(":/images/img_Open.png");
    QTest::newRow("save") << 1 << QSize(30, 28) << QStringLiteral(":/images/img_Save.png");
    QTest::newRow("help") << 2 << QSize(40, 40) << QStringLiteral(":/images/img_HelpFile.png");
}

void TestMainWindow::toolbarButtons()
{
    QFETCH(int, which);
    QFETCH(QSize, size);
    QFETCH(QString, image);
    MyButton *button = QList<MyButton *>{m_pMyOpenButton, m_pMySaveButton, m_pMyHelpButton}.at(which);
    QVERIFY(button);
    QCOMPARE(button->minimumSize(), size);
    QCOMPARE(button->maximumSize(), size);
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(button->isCheckable());
    QVERIFY(button->hasMouseTracking());
    QCOMPARE(button->iconSize(), QSize(32, 32));
    QVERIFY(button->isEnabled());
    QCOMPARE(iconImage(button->icon()), resourceImage(image));
    QCOMPARE(button->mask(), QRegion(QPixmap(image).mask()));
}

void TestMainWindow::clickingAButtonTogglesItAndRunsItsSlot()
{
    RecordingOpener opener;
    QVERIFY(!m_pMyHelpButton->isChecked());
    m_pMyHelpButton->click();
    QVERIFY(m_pMyHelpButton->isChecked());
    QCOMPARE(opener.urls.size(), 1);
    m_pMyHelpButton->click();
    QVERIFY(!m_pMyHelpButton->isChecked());
    QCOMPARE(opener.urls.size(), 2);
}

void TestMainWindow::statusBar()
{
    QStatusBar *bar = window->m_pStatusBar;
    QCOMPARE(window->statusBar(), bar);
    QVERIFY(bar->isSizeGripEnabled());
    QCOMPARE(bar->styleSheet(), QStringLiteral("QStatusBar::item {border: none;}"));
    QCOMPARE(bar->maximumHeight(), 25);

    QCOMPARE(window->m_pStatusProgressBar->parentWidget(), bar);
    QCOMPARE(window->m_pStatusProgressBar->maximumSize(), QSize(170, 9));
    QCOMPARE(window->m_pStatusStopButton->maximumSize(), QSize(14, 14));
    QCOMPARE(window->m_pStatusStopButton->toolTip(), QStringLiteral("Stop"));
    QVERIFY(window->m_pStatusStopButton->styleSheet().startsWith(
        QLatin1String("QPushButton{min-height: 10px;min-width: 10px; border-image: url(:/images/img_Stop.png)}")));

    for (QLabel *label : {window->m_pFolderNameLabel, window->m_pMessageCountLabel}) {
        QVERIFY(label->text().isEmpty());
        QCOMPARE(label->font().family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(label->font().pointSize(), 9);
        QVERIFY(bar->isAncestorOf(label));
    }

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(window->m_pStatusProgressBar->isHidden());
    QVERIFY(window->m_pStatusStopButton->isHidden());
    QVERIFY(window->m_pFolderNameLabel->isVisible());
    QVERIFY(window->m_pMessageCountLabel->isVisible());
    // The folder name stands left of the count.
    QVERIFY(window->m_pFolderNameLabel->x() <= window->m_pMessageCountLabel->x());
}

void TestMainWindow::panes()
{
    QSplitter *splitter = window->m_pSplitter;
    QCOMPARE(window->centralWidget(), splitter);
    QCOMPARE(splitter->orientation(), Qt::Horizontal);
    QCOMPARE(splitter->count(), 3);
    QCOMPARE(splitter->widget(0), window->m_pFolderTree);
    QCOMPARE(splitter->widget(1), window->m_pMessageList);
    QCOMPARE(splitter->widget(2), window->m_pPreviewFrame);
    QVERIFY(!splitter->childrenCollapsible());
    QVERIFY(splitter->styleSheet().contains(QLatin1String("QSplitter::handle {border: solid #ABABAB; background: #ABABAB;}")));

    QTreeWidget *tree = window->m_pFolderTree;
    QCOMPARE(tree->columnCount(), 8);
    QVERIFY(!tree->isColumnHidden(0));
    for (int column = 1; column < 8; ++column)
        QVERIFY2(tree->isColumnHidden(column), qPrintable(QString::number(column)));
    QCOMPARE(tree->headerItem()->text(0), QString());
    QVERIFY(!tree->isHeaderHidden());
    QCOMPARE(tree->columnWidth(0), 700);
    QCOMPARE(tree->minimumWidth(), 240);
    QCOMPARE(tree->frameShape(), QFrame::StyledPanel);
    QCOMPARE(tree->frameShadow(), QFrame::Plain);
    QCOMPARE(tree->palette().color(QPalette::Active, QPalette::Base), QColor(223, 226, 235));
    QCOMPARE(tree->palette().color(QPalette::Inactive, QPalette::Base), QColor(223, 226, 235));
    QCOMPARE(tree->palette().color(QPalette::Disabled, QPalette::Base), QColor(223, 226, 235));
    QVERIFY(tree->autoFillBackground());
    QVERIFY(tree->styleSheet().startsWith(QLatin1String("QTreeView {    selection-background-color: rgb(154,154,200);")));
    QCOMPARE(tree->selectionMode(), QAbstractItemView::SingleSelection);

    QTreeWidget *list = window->m_pMessageList;
    QCOMPARE(list->columnCount(), 2);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("  "));
    QCOMPARE(list->headerItem()->text(1), QString(31, QLatin1Char(' ')) + QStringLiteral("Mail"));
    QCOMPARE(list->headerItem()->text(1).size(), 35);
    QVERIFY(list->isColumnHidden(0));
    QVERIFY(!list->isColumnHidden(1));
    QVERIFY(!list->isSortingEnabled());
    QCOMPARE(list->minimumWidth(), 270);

    QTextBrowser *header = window->m_pHeaderBox;
    QCOMPARE(header->minimumHeight(), 110);
    QCOMPARE(header->maximumHeight(), 110);
    QCOMPARE(header->minimumWidth(), 330);
    QCOMPARE(header->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(header->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(header->textInteractionFlags(), Qt::NoTextInteraction);
    QVERIFY(header->isReadOnly());
    QVERIFY(!header->acceptRichText());
    QCOMPARE(header->autoFormatting(), QTextEdit::AutoAll);
    QCOMPARE(header->font().family(), QStringLiteral("Lucida Grande"));
    QCOMPARE(header->font().pointSize(), 11);

    QCOMPARE(window->m_pWebView->minimumWidth(), 330);
    QCOMPARE(window->m_pPreviewFrame->frameShape(), QFrame::NoFrame);
    auto *layout = qobject_cast<QVBoxLayout *>(window->m_pPreviewFrame->layout());
    QVERIFY(layout);
    QCOMPARE(layout->count(), 3);
    QCOMPARE(layout->itemAt(0)->widget(), static_cast<QWidget *>(header));
    QCOMPARE(layout->itemAt(0)->alignment(), Qt::AlignTop);
    QCOMPARE(layout->itemAt(1)->widget(), static_cast<QWidget *>(window->m_pWebView));
    QCOMPARE(layout->itemAt(2)->widget(), static_cast<QWidget *>(window->m_pHiddenTextBrowser));
    QCOMPARE(layout->stretch(0), 0);
    QCOMPARE(layout->stretch(1), 1);
    QCOMPARE(layout->stretch(2), 0);
    QCOMPARE(layout->spacing(), 0);
    QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(header->isVisible());
    QVERIFY(window->m_pWebView->isVisible());
    QVERIFY(window->m_pHiddenTextBrowser->isHidden());
    QVERIFY(tree->topLevelItemCount() == 0 && list->topLevelItemCount() == 0);
    QVERIFY(header->toPlainText().isEmpty());

    // However long the header text, the box shows no scroll bar.
    header->setPlainText(QString(40, QLatin1Char('x')).repeated(200) + QStringLiteral("\n").repeated(50));
    QVERIFY(!header->verticalScrollBar()->isVisible());
    QVERIFY(!header->horizontalScrollBar()->isVisible());
}

void TestMainWindow::paneWidthsAtMinimumWindowSize()
{
    window->show();
    window->resize(900, 640);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->width(), 900);
    QVERIFY(window->m_pFolderTree->width() >= 240);
    QVERIFY(window->m_pMessageList->width() >= 270);
    QVERIFY(window->m_pPreviewFrame->width() >= 330);

    // No pane can be dragged to nothing.
    window->m_pSplitter->setSizes({0, 0, 900});
    QVERIFY(window->m_pFolderTree->width() >= 240);
    QVERIFY(window->m_pMessageList->width() >= 270);
}

void TestMainWindow::stateAfterConstruction()
{
    QCOMPARE(pMainWindow, window);
    QVERIFY(bParseDatabase);
    QVERIFY(pMessageSavingThread);
    QVERIFY(pMailSaving);
    QVERIFY(!pMessageSavingThread->isRunning());
    QVERIFY(!pMailSaving->isRunning());
    QVERIFY(pMessageSavingThread->parent() == nullptr);
    QVERIFY(pMailSaving->parent() == nullptr);
    QVERIFY(m_pParseDatabase);
    QCOMPARE(m_pParseDatabase->parentWidget(), window);
    QVERIFY(m_pParseDatabase->isHidden());
    QVERIFY(window->m_pImportWindow);
    QVERIFY(window->m_pImportWindow->isHidden());
    QVERIFY(window->m_pAboutDlg && window->m_pAboutDlg->isHidden());
    QVERIFY(window->m_pPreferencesDlg && window->m_pPreferencesDlg->isHidden());
    QVERIFY(!window->m_pProgressInfo);
    QVERIFY(m_pMyOpenButton->isEnabled());
    QVERIFY(m_pMySaveButton->isEnabled());
    QVERIFY(window->openAct->isEnabled());
    QVERIFY(!window->saveAct->isEnabled());
    QCOMPARE(window->minimumSize(), QSize(900, 640));

    window->ShowParseWindow();
    QVERIFY(m_pParseDatabase->isVisible());
}

void TestMainWindow::placementRule_data()
{
    QTest::addColumn<QSize>("desktop");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("full-hd") << QSize(1920, 1080) << QSize(640, 480) << QPoint(540, 200);
    QTest::newRow("odd-differences-truncate") << QSize(1921, 1081) << QSize(640, 480) << QPoint(540, 200);
    QTest::newRow("narrow-desktop-gives-negative-x") << QSize(800, 1080) << QSize(640, 480) << QPoint(-20, 200);
    QTest::newRow("exactly-840-wide-gives-zero-x") << QSize(840, 680) << QSize(640, 480) << QPoint(0, 0);
    QTest::newRow("low-desktop-gives-negative-y") << QSize(1920, 679) << QSize(640, 480) << QPoint(540, -1);
    QTest::newRow("desktop-smaller-than-window-truncates-toward-zero")
        << QSize(637, 477) << QSize(640, 480) << QPoint(-101, -101);
    QTest::newRow("one-pixel-smaller-truncates-to-zero") << QSize(639, 479) << QSize(640, 480) << QPoint(-100, -100);
}

void TestMainWindow::placementRule()
{
    QFETCH(QSize, desktop);
    QFETCH(QSize, window);
    QFETCH(QPoint, position);
    QCOMPARE(windowrules::initialWindowPosition(desktop, window), position);
}

void TestMainWindow::windowIsPlacedByTheRule()
{
    const QSize desktop = QApplication::desktop()->geometry().size();
    QCOMPARE(window->pos(), windowrules::initialWindowPosition(desktop, QSize(640, 480)));
}

void TestMainWindow::dialogsFromTheMenus()
{
    window->aboutAct->trigger();
    QVERIFY(window->m_pAboutDlg->isVisible());
    QVERIFY(window->m_pAboutDlg->isModal());
    window->m_pAboutDlg->hide();

    window->preferencesAct->trigger();
    QVERIFY(window->m_pPreferencesDlg->isVisible());
    QVERIFY(window->m_pPreferencesDlg->isModal());
    window->m_pPreferencesDlg->hide();
}

void TestMainWindow::hoverImages_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("hover");
    QTest::newRow("open") << 0 << QStringLiteral(":/images/img_Open.png") << QStringLiteral(":/images/img_HoverOpen.png");
    QTest::newRow("save") << 1 << QStringLiteral(":/images/img_Save.png") << QStringLiteral(":/images/img_HoverSave.png");
    QTest::newRow("help-has-no-hover-image")
        << 2 << QStringLiteral(":/images/img_HelpFile.png") << QStringLiteral(":/images/img_HelpFile.png");
}

void TestMainWindow::hoverImages()
{
    QFETCH(int, which);
    QFETCH(QString, normal);
    QFETCH(QString, hover);
    MyButton *button = QList<MyButton *>{m_pMyOpenButton, m_pMySaveButton, m_pMyHelpButton}.at(which);
    QVERIFY(!resourceImage(normal).isNull());
    if (normal != hover)
        QVERIFY(resourceImage(normal) != resourceImage(hover));

    QSignalSpy enterSpy(button, &MyButton::ChangePixmap);
    QSignalSpy scanSpy(button, &MyButton::MusicScan);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QCOMPARE(enterSpy.size(), 1);
    QCOMPARE(scanSpy.size(), 1);
    QCOMPARE(scanSpy.first().first().toString(), QStringLiteral("Hi"));
    QCOMPARE(iconImage(button->icon()), resourceImage(hover));

    QSignalSpy leaveSpy(button, &MyButton::OnUpdatePixmap);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QCOMPARE(leaveSpy.size(), 1);
    QCOMPARE(iconImage(button->icon()), resourceImage(normal));

    // Enabling or disabling keeps the image.
    QApplication::sendEvent(button, &enter);
    button->setEnabled(false);
    button->setEnabled(true);
    QCOMPARE(iconImage(button->icon()), resourceImage(hover));
}

void TestMainWindow::statusStopButtonClearsStopFlag()
{
    bStopFlag = true;
    window->m_pStatusStopButton->click();
    QVERIFY(!bStopFlag);
}

void TestMainWindow::makeTreeWidgetBuildsRootFirst()
{
    QVERIFY(!StartFldrAtrib);
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
    emit pMessageSavingThread->MakeTreeWidget(503, QStringLiteral("Work"), 502, QStringLiteral("Mail/Inbox/Work"));
    emit pMessageSavingThread->MakeTreeWidget(504, QStringLiteral("Orphan"), 999, QStringLiteral("Mail/Lost/Orphan"));
    emit pMessageSavingThread->MakeTreeWidget(505, QStringLiteral("Sent"), 501, QStringLiteral("Mail/Sent"));

    QCOMPARE(recordsAsText(), (QStringList{QStringLiteral("501<0:3"), QStringLiteral("502<501:3"),
                                           QStringLiteral("503<502:3"), QStringLiteral("504<999:3"),
                                           QStringLiteral("505<501:3")}));

    QTreeWidget *tree = window->m_pFolderTree;
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(treeAsText(root), (QStringList{QStringLiteral("501/Main Identity"), QStringLiteral("  502/Inbox"),
                                            QStringLiteral("    503/Work"), QStringLiteral("  505/Sent")}));
    QCOMPARE(root->text(2), QStringLiteral("0"));
    QCOMPARE(root->text(7), QStringLiteral("3"));
    QCOMPARE(root->data(0, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    QTreeWidgetItem *work = root->child(0)->child(0);
    QCOMPARE(work->text(0), QStringLiteral("Work"));
    QCOMPARE(work->text(1), QStringLiteral("503"));
    QCOMPARE(work->text(2), QStringLiteral("502"));
    QCOMPARE(work->text(3), QStringLiteral("Mail/Inbox/Work"));
    QCOMPARE(work->text(7), QStringLiteral("3"));
    QCOMPARE(work->data(0, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

void TestMainWindow::folderClickRecordsCheckState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("rootCode");
    // Work is the only child of Inbox, the only child of the root: ticking it
    // ticks both; a partly ticked box is never applied by a click.
    QTest::newRow("ticked") << int(Qt::Checked) << 1 << 1;
    QTest::newRow("partly-ticked-not-applied") << int(Qt::PartiallyChecked) << 3 << 3;
    QTest::newRow("unticked") << int(Qt::Unchecked) << 3 << 3;
}

void TestMainWindow::folderClickRecordsCheckState()
{
    QFETCH(int, state);
    QFETCH(int, code);
    QFETCH(int, rootCode);
    window->show();
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
    emit pMessageSavingThread->MakeTreeWidget(503, QStringLiteral("Work"), 502, QStringLiteral("Mail/Inbox/Work"));
    FldrAtrib *work = StartFldrAtrib->pNext->pNext;
    work->chState = state == int(Qt::Unchecked) ? FolderChecked : FolderUnchecked;
    new QTreeWidgetItem(window->m_pMessageList, QStringList{QString(), QStringLiteral("old message")});
    QTreeWidgetItem *item = window->m_pFolderTree->topLevelItem(0)->child(0)->child(0);
    item->setCheckState(0, Qt::CheckState(state));

    emit window->m_pFolderTree->itemClicked(item, 0);

    QCOMPARE(int(work->chState), code);
    QCOMPARE(item->text(7), QString::number(code));
    QCOMPARE(window->m_pMessageList->topLevelItemCount(), 0);
    QVERIFY(window->m_pWebView->isHidden());
    QCOMPARE(int(StartFldrAtrib->chState), rootCode);
}

void TestMainWindow::messageSelectionClearsHeaderBox()
{
    auto *message = new QTreeWidgetItem(window->m_pMessageList, QStringList{QString(), QStringLiteral("m")});
    window->m_pHeaderBox->setPlainText(QStringLiteral("Subject: old"));
    message->setSelected(true);
    QVERIFY(window->m_pHeaderBox->toPlainText().isEmpty());
}

void TestMainWindow::statusBarValue()
{
    window->OnStatusBarValue(QStringLiteral("Inbox"), 4294967295u);
    QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Inbox:"));
    QCOMPARE(window->m_pMessageCountLabel->text(), QStringLiteral("4294967295"));
    QCOMPARE(sSelectedItemList, QStringLiteral("Inbox"));
    QCOMPARE(window->m_pFolderNameLabel->font().family(), QStringLiteral("Lucida Grande"));
    QCOMPARE(window->m_pMessageCountLabel->font().pointSize(), 11);
    QVERIFY(window->m_pMessageList->isSortingEnabled());
}

void TestMainWindow::folderNameWithMarkupShowsAsText_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("image-tag") << QStringLiteral("<img src=x.png>");
    QTest::newRow("bold-tag") << QStringLiteral("<b>Inbox</b>");
    QTest::newRow("link") << QStringLiteral("<a href=\"file:///etc\">Sent</a>");
    QTest::newRow("entity") << QStringLiteral("Tom &amp; Jerry");
}

void TestMainWindow::folderNameWithMarkupShowsAsText()
{
    QFETCH(QString, folderName);
    window->OnStatusBarValue(folderName, 2);
    QLabel *label = window->m_pFolderNameLabel;
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), folderName + QLatin1Char(':'));
    QCOMPARE(window->m_pMessageCountLabel->textFormat(), Qt::PlainText);

    // The saving dialog names the output path the same way.
    window->m_pImportWindow->setInfoText(windowrules::saveCompletedText(QStringLiteral("/out/") + folderName));
    QCOMPARE(window->m_pImportWindow->InfoLabels->textFormat(), Qt::PlainText);
}

void TestMainWindow::cleanListReleasesRecords()
{
    loadScan();
    QVERIFY(StartFldrAtrib && StartMailItem);
    window->CleanList();
    QVERIFY(!StartFldrAtrib && !EndFldrAtrib);
    QVERIFY(!StartMailItem && !EndMailItem);
}

void TestMainWindow::openOutcomes_data()
{
    QTest::addColumn<bool>("parseDatabase");
    QTest::addColumn<bool>("parseDatabaseClose");
    QTest::addColumn<bool>("stopFlag");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("newSourceWindow");
    QTest::addColumn<bool>("reset");
    const int none = QMessageBox::NoButton;
    QTest::newRow("source-window-was-closed") << false << true << false << none << false << true << true;
    QTest::newRow("source-window-still-up") << true << false << false << none << false << false << true;
    QTest::newRow("stop-pending-with-source-window-up") << true << false << true << none << false << false << true;
    QTest::newRow("loaded-scan-answered-yes")
        << false << false << false << int(QMessageBox::Yes) << true << true << true;
    QTest::newRow("loaded-scan-answered-no")
        << false << false << false << int(QMessageBox::No) << true << false << false;
    QTest::newRow("stale-stop-flag-is-cleared-and-asked")
        << false << false << true << int(QMessageBox::No) << true << false << false;
}

void TestMainWindow::openOutcomes()
{
    QFETCH(bool, parseDatabase);
    QFETCH(bool, parseDatabaseClose);
    QFETCH(bool, stopFlag);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, newSourceWindow);
    QFETCH(bool, reset);

    window->show();
    loadScan();
    bParseDatabase = parseDatabase;
    bParseDatabaseClose = parseDatabaseClose;
    bStopFlag = stopFlag;
    QPointer<QParseDatabase> oldSourceWindow = m_pParseDatabase;
    ScriptedPrompter prompter;
    prompter.defaultAnswer = QMessageBox::StandardButton(answer);

    window->openAct->trigger();

    // Steps that run whatever happens.
    QCOMPARE(iconImage(m_pMyOpenButton->icon()), resourceImage(QStringLiteral(":/images/img_Open.png")));
    if (!parseDatabase)
        QVERIFY(!bStopFlag);
    QCOMPARE(bParseDatabaseClose, parseDatabaseClose);

    QCOMPARE(prompter.boxes.size(), asked ? 1 : 0);
    if (asked) {
        const MessageBoxRequest &question = prompter.boxes.first();
        QCOMPARE(question.icon, QMessageBox::Warning);
        QCOMPARE(question.parent, static_cast<QWidget *>(window));
        QCOMPARE(question.title, QStringLiteral("CorvaneMailConverter"));
        QCOMPARE(question.text, QStringLiteral("Current scan information will be discarded if you select another "
                                               "mailbox. Do you want to continue?"));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::NoButton);
    }

    if (newSourceWindow) {
        QVERIFY(oldSourceWindow.isNull());
        QVERIFY(m_pParseDatabase);
        QVERIFY(m_pParseDatabase->isVisible());
        QCOMPARE(m_pParseDatabase->parentWidget(), window);
        QCOMPARE(pMessageSavingThread->m_nClientIndex, 0);
        QVERIFY(m_selectedFile.isEmpty());
        QVERIFY(bParseDatabase);
    } else {
        QCOMPARE(m_pParseDatabase, oldSourceWindow.data());
        QCOMPARE(pMessageSavingThread->m_nClientIndex, 4);
        QCOMPARE(m_selectedFile, QStringLiteral("/src"));
    }

    if (reset) {
        QCOMPARE(window->m_pFolderTree->topLevelItemCount(), 0);
        QVERIFY(!StartFldrAtrib && !EndFldrAtrib);
        QVERIFY(!StartMailItem && !EndMailItem);
        QCOMPARE(window->m_pMessageList->topLevelItemCount(), 0);
        QVERIFY(window->m_pHeaderBox->toPlainText().isEmpty());
        QVERIFY(window->m_pFolderNameLabel->text().isEmpty());
        QVERIFY(window->m_pMessageCountLabel->text().isEmpty());
        QVERIFY(window->m_pWebView->isHidden());
        QVERIFY(!m_pMyOpenButton->isEnabled());
        QVERIFY(!m_pMySaveButton->isEnabled());
        QVERIFY(window->openAct->isEnabled());
        QVERIFY(!window->saveAct->isEnabled());
        // The path list goes only when the user agreed to discard the scan.
        QCOMPARE(listOfPathOfOnlyForTree.isEmpty(), asked);

        // The tree starts again with a fresh root and fresh records.
        emit pMessageSavingThread->MakeTreeWidget(600, QStringLiteral("New"), 501, QStringLiteral("Mail/New"));
        QCOMPARE(recordsAsText(), (QStringList{QStringLiteral("501<0:3"), QStringLiteral("600<501:3")}));
        QCOMPARE(window->m_pFolderTree->topLevelItem(0)->childCount(), 1);
    } else {
        QCOMPARE(window->m_pFolderTree->topLevelItemCount(), 1);
        QCOMPARE(recordsAsText().size(), 3);
        QCOMPARE(mailItemCount(), 2);
        QCOMPARE(listOfPathOfOnlyForTree.size(), 1);
        QCOMPARE(window->m_pMessageList->topLevelItemCount(), 1);
        QCOMPARE(window->m_pHeaderBox->toPlainText(), QStringLiteral("From: someone"));
        QCOMPARE(window->m_pFolderNameLabel->text(), QStringLiteral("Inbox:"));
        QVERIFY(window->m_pWebView->isVisible());
        QVERIFY(m_pMyOpenButton->isEnabled());
        QVERIFY(m_pMySaveButton->isEnabled());
        QVERIFY(window->openAct->isEnabled());
        QVERIFY(window->saveAct->isEnabled());
    }
}

void TestMainWindow::openRefusedWhileAWorkerRuns_data()
{
    QTest::addColumn<bool>("scanRunning");
    QTest::newRow("scan-running") << true;
    QTest::newRow("save-running") << false;
}

void TestMainWindow::openRefusedWhileAWorkerRuns()
{
    QFETCH(bool, scanRunning);
    loadScan();
    bParseDatabase = false;
    bParseDatabaseClose = true;
    QMessageSavingThread *realScan = pMessageSavingThread;
    QMailSaving *realSave = pMailSaving;
    HeldScanThread scan;
    HeldSaveThread save;
    if (scanRunning) {
        scan.start();
        pMessageSavingThread = &scan;
    } else {
        save.start();
        pMailSaving = &save;
    }
    QParseDatabase *sourceWindow = m_pParseDatabase;
    ScriptedPrompter prompter;
    prompter.defaultAnswer = QMessageBox::Yes;

    window->openAct->trigger();
    m_pMyOpenButton->click();

    pMessageSavingThread = realScan;
    pMailSaving = realSave;
    scan.release();
    save.release();

    QCOMPARE(prompter.boxes.size(), 2);
    for (const MessageBoxRequest &box : prompter.boxes) {
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.parent, static_cast<QWidget *>(window));
        QCOMPARE(box.title, QStringLiteral("CorvaneMailConverter"));
        QCOMPARE(box.text, windowrules::kJobRunningText);
    }
    QCOMPARE(m_pParseDatabase, sourceWindow);
    QCOMPARE(recordsAsText().size(), 3);
    QCOMPARE(mailItemCount(), 2);
    QCOMPARE(listOfPathOfOnlyForTree.size(), 1);
    QCOMPARE(window->m_pFolderTree->topLevelItemCount(), 1);
    QCOMPARE(m_selectedFile, QStringLiteral("/src"));
    QVERIFY(m_pMySaveButton->isEnabled());
    QVERIFY(window->saveAct->isEnabled());
}

void TestMainWindow::closeGuard_data()
{
    QTest::addColumn<bool>("processRunning");
    QTest::addColumn<int>("confirmedBefore");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("confirmedAfter");
    const QString running = QStringLiteral("Application Running !!\nPlease halt the current process to Exit.");
    const QString question = QStringLiteral("\nDo you want to close Corvane Mail Converter? ");
    const int none = QMessageBox::NoButton;
    QTest::newRow("scan-running") << true << 0 << none << running << false << 0;
    QTest::newRow("scan-running-after-a-confirmed-close") << true << 1 << none << running << false << 1;
    QTest::newRow("first-close-answered-no") << false << 0 << int(QMessageBox::No) << question << false << 0;
    QTest::newRow("first-close-answered-yes") << false << 0 << int(QMessageBox::Yes) << question << true << 1;
    QTest::newRow("already-confirmed") << false << 1 << none << QString() << true << 1;
}

void TestMainWindow::closeGuard()
{
    QFETCH(bool, processRunning);
    QFETCH(int, confirmedBefore);
    QFETCH(int, answer);
    QFETCH(QString, boxText);
    QFETCH(bool, accepted);
    QFETCH(int, confirmedAfter);
    window->show();
    emit pMessageSavingThread->OnShowProgressDlg();
    QProgressInfo *progress = window->m_pProgressInfo;
    progress->hide();
    bProcessRunning = processRunning;
    closeevent = confirmedBefore;
    ScriptedPrompter prompter;
    prompter.defaultAnswer = QMessageBox::StandardButton(answer);

    QCOMPARE(sendClose(window), accepted);

    QCOMPARE(prompter.boxes.size(), boxText.isEmpty() ? 0 : 1);
    if (!boxText.isEmpty()) {
        const MessageBoxRequest &box = prompter.boxes.first();
        QCOMPARE(box.text, boxText);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.parent, static_cast<QWidget *>(window));
        QCOMPARE(box.title, QStringLiteral("CorvaneMailConverter"));
        QCOMPARE(box.buttons, processRunning ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                             : QMessageBox::Yes | QMessageBox::No);
    }
    QCOMPARE(closeevent, confirmedAfter);
    QCOMPARE(progress->isVisible(), processRunning);
    if (accepted)
        QVERIFY(bStopFlag);
}

void TestMainWindow::quitGoesThroughTheCloseGuard_data()
{
    QTest::addColumn<bool>("processRunning");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("answered-no-stays-open") << false << int(QMessageBox::No) << false;
    QTest::newRow("answered-yes-closes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("refused-while-scanning") << true << int(QMessageBox::Ok) << false;
}

void TestMainWindow::quitGoesThroughTheCloseGuard()
{
    QFETCH(bool, processRunning);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QAction *quit = window->quitAct;
    QVERIFY(quit);
    QCOMPARE(quit->text(), QStringLiteral("Quit"));
    QCOMPARE(quit->menuRole(), QAction::QuitRole);
    QCOMPARE(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QVERIFY(window->appMenu->actions().contains(quit));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    emit pMessageSavingThread->OnShowProgressDlg();
    window->m_pProgressInfo->hide();
    bProcessRunning = processRunning;
    ScriptedPrompter prompter;
    prompter.defaultAnswer = QMessageBox::StandardButton(answer);

    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);

    QCOMPARE(prompter.boxes.size(), 1);
    QCOMPARE(window->isVisible(), !closed);
    QCOMPARE(closeevent, closed ? 1 : 0);
}

void TestMainWindow::confirmedCloseIsNotAskedAgain()
{
    ScriptedPrompter prompter;
    prompter.answers.enqueue(QMessageBox::Yes);
    QVERIFY(sendClose(window));
    QVERIFY(sendClose(window));
    QCOMPARE(prompter.boxes.size(), 1);
    QCOMPARE(closeevent, 1);
}

void TestMainWindow::closeRefusedWhileAWorkerRuns_data()
{
    QTest::addColumn<bool>("scanRunning");
    QTest::newRow("scan-thread-running") << true;
    QTest::newRow("save-thread-running") << false;
}

void TestMainWindow::closeRefusedWhileAWorkerRuns()
{
    QFETCH(bool, scanRunning);
    QMessageSavingThread *realScan = pMessageSavingThread;
    QMailSaving *realSave = pMailSaving;
    HeldScanThread scan;
    HeldSaveThread save;
    if (scanRunning) {
        scan.start();
        pMessageSavingThread = &scan;
    } else {
        save.start();
        pMailSaving = &save;
    }
    closeevent = 1;
    ScriptedPrompter prompter;
    const bool accepted = sendClose(window);
    pMessageSavingThread = realScan;
    pMailSaving = realSave;
    scan.release();
    save.release();

    QVERIFY(!accepted);
    QCOMPARE(prompter.texts(),
             QStringList(QStringLiteral("Application Running !!\nPlease halt the current process to Exit.")));
}

void TestMainWindow::bundleFileLinks_data()
{
    QTest::addColumn<QString>("resourcesName");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QByteArray>("encodedTail");
    QTest::newRow("help-page") << QStringLiteral("Resources") << true
                               << QByteArray("/Resources/help/Corvane_Mail_Converter.htm");
    QTest::newRow("help-page-under-a-blank") << QStringLiteral("My Apps/Resources") << true
                                             << QByteArray("/My%20Apps/Resources/help/Corvane_Mail_Converter.htm");
    QTest::newRow("agreement-pdf") << QStringLiteral("Resources") << false << QByteArray("/Resources/Eula.pdf");
    QTest::newRow("agreement-pdf-under-non-ascii")
        << QStringLiteral("Programme \u00e9t\u00e9/Resources") << false
        << QByteArray("/Programme%20%C3%A9t%C3%A9/Resources/Eula.pdf");
}

void TestMainWindow::bundleFileLinks()
{
    QFETCH(QString, resourcesName);
    QFETCH(bool, help);
    QFETCH(QByteArray, encodedTail);
    HelpFilePath = fixture.resources->path() + QLatin1Char('/') + resourcesName;
    RecordingOpener opener;
    if (help)
        window->helpAct->trigger();
    else
        window->licenseAct->trigger();
    QCOMPARE(opener.urls.size(), 1);
    const QUrl url = opener.urls.first();
    QCOMPARE(url.scheme(), QStringLiteral("file"));
    QCOMPARE(QString::fromLatin1(url.toEncoded()),
             QStringLiteral("file://") + fixture.resources->path() + QString::fromLatin1(encodedTail));
}

void TestMainWindow::supportLinks_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("actionIndex");
    QTest::addColumn<QString>("opened");
    QTest::newRow("email-address") << QStringLiteral("EmailToSupport") << QStringLiteral("help@corvane.example")
                                   << 6 << QStringLiteral("mailto:help@corvane.example");
    QTest::newRow("email-missing-gives-bare-mailto") << QStringLiteral("Unrelated") << QStringLiteral("x") << 6
                                                     << QStringLiteral("mailto:");
    QTest::newRow("view-support") << QStringLiteral("ViewSupportLink")
                                  << QStringLiteral("https://corvane.example/support") << 7
                                  << QStringLiteral("https://corvane.example/support");
    QTest::newRow("knowledge-base") << QStringLiteral("KBLink") << QStringLiteral("https://corvane.example/kb") << 8
                                    << QStringLiteral("https://corvane.example/kb");
    QTest::newRow("submit-enquiry") << QStringLiteral("SubmitEnquiryLink")
                                    << QStringLiteral("https://corvane.example/ticket?a=1&b=2") << 9
                                    << QStringLiteral("https://corvane.example/ticket?a=1&b=2");
    QTest::newRow("link-with-a-blank-opens-nothing") << QStringLiteral("KBLink")
                                                     << QStringLiteral("https://corvane.example/k b") << 8 << QString();
    QTest::newRow("missing-link-opens-nothing") << QStringLiteral("Unrelated") << QStringLiteral("x") << 7
                                                << QString();
}

void TestMainWindow::supportLinks()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, actionIndex);
    QFETCH(QString, opened);
    writePlist(strPlistPath, {{key, value}});
    RecordingOpener opener;
    actionsInOrder(window).at(actionIndex)->trigger();
    if (opened.isEmpty()) {
        QVERIFY(opener.urls.isEmpty());
    } else {
        QCOMPARE(opener.urls.size(), 1);
        QCOMPARE(opener.urls.first().toString(), opened);
    }
}

void TestMainWindow::supportLinkReadsThePropertyListAfresh()
{
    RecordingOpener opener;
    QCOMPARE(window->GetEmailSupport(), QStringLiteral("mailto:"));
    writePlist(strPlistPath, {{QStringLiteral("EmailToSupport"), QStringLiteral("first@corvane.example")}});
    QCOMPARE(window->GetEmailSupport(), QStringLiteral("mailto:first@corvane.example"));
    writePlist(strPlistPath, {{QStringLiteral("EmailToSupport"), QStringLiteral("second@corvane.example")},
                              {QStringLiteral("ViewSupportLink"), QStringLiteral("https://a.example/v")}});
    window->emailSupportAct->trigger();
    QCOMPARE(opener.urls.size(), 1);
    QCOMPARE(opener.urls.first().toString(), QStringLiteral("mailto:second@corvane.example"));
    QCOMPARE(window->GetViewSupport(), QStringLiteral("https://a.example/v"));
    QVERIFY(window->GetGenerateTicket().isEmpty());
    QVERIFY(window->GetKnowledgebase().isEmpty());
}

void TestMainWindow::savingWithoutATickedFolder_data()
{
    QTest::addColumn<bool>("scanned");
    QTest::addColumn<int>("rootState");
    QTest::addColumn<bool>("shown");
    QTest::newRow("before-any-scan") << false << 0 << false;
    QTest::newRow("root-unticked") << true << int(FolderUnchecked) << false;
    QTest::newRow("root-ticked") << true << int(FolderChecked) << true;
    QTest::newRow("root-partly-ticked") << true << int(FolderPartlyChecked) << true;
}

void TestMainWindow::savingWithoutATickedFolder()
{
    QFETCH(bool, scanned);
    QFETCH(int, rootState);
    QFETCH(bool, shown);
    if (scanned) {
        emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
        StartFldrAtrib->chState = quint8(rootState);
        // The targets offered follow the scanned source kind.
        bMboxFileFound = true;
    }
    ScriptedPrompter prompter;

    m_pMySaveButton->click();

    const QList<SaveAsWindow *> dialogs = window->findChildren<SaveAsWindow *>();
    if (shown) {
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(dialogs.size(), 1);
        QVERIFY(dialogs.first()->isVisible());
        QCOMPARE(dialogs.first()->parentWidget(), window);
    } else {
        QCOMPARE(prompter.boxes.size(), 1);
        const MessageBoxRequest &box = prompter.boxes.first();
        QCOMPARE(box.text, QStringLiteral("Select a folder to save."));
        QCOMPARE(box.title, QStringLiteral("Corvane Apple Mail to Outlook 2011 Converter"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.parent, nullptr);
        for (SaveAsWindow *dialog : dialogs)
            QVERIFY(!dialog->isVisible());
    }
}

void TestMainWindow::savingRefusedWhileAWorkerRuns_data()
{
    QTest::addColumn<bool>("scanRunning");
    QTest::newRow("scan-running") << true;
    QTest::newRow("save-running") << false;
}

void TestMainWindow::savingRefusedWhileAWorkerRuns()
{
    QFETCH(bool, scanRunning);
    emit pMessageSavingThread->MakeTreeWidget(502, QStringLiteral("Inbox"), 501, QStringLiteral("Mail/Inbox"));
    StartFldrAtrib->chState = FolderChecked;
    QMessageSavingThread *realScan = pMessageSavingThread;
    QMailSaving *realSave = pMailSaving;
    HeldScanThread scan;
    HeldSaveThread save;
    if (scanRunning) {
        scan.start();
        pMessageSavingThread = &scan;
    } else {
        save.start();
        pMailSaving = &save;
    }
    ScriptedPrompter prompter;
    m_pMySaveButton->click();
    pMessageSavingThread = realScan;
    pMailSaving = realSave;
    scan.release();
    save.release();

    QCOMPARE(prompter.texts(), QStringList(windowrules::kSaveWhileRunningText));
    QCOMPARE(prompter.boxes.first().parent, static_cast<QWidget *>(window));
    QCOMPARE(prompter.boxes.first().title, QStringLiteral("CorvaneMailConverter"));
    QVERIFY(window->findChildren<SaveAsWindow *>().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
