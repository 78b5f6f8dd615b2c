#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/mybutton.h"
#include "app/safewebview.h"
#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "browser/folderrecords.h"
#include "browser/foldertree.h"
#include "convert/importwindow.h"
#include "convert/mailsaving.h"
#include "convert/saveaswindow.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/preferencesdialog.h"
#include "dialogs/repaircomplete.h"
#include "scan/messagesavingthread.h"
#include "source/parsedatabase.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCoreApplication>
#include <QDesktopWidget>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kOpenImage = QStringLiteral(":/images/img_Open.png");
const QString kHoverOpenImage = QStringLiteral(":/images/img_HoverOpen.png");
const QString kSaveImage = QStringLiteral(":/images/img_Save.png");
const QString kHoverSaveImage = QStringLiteral(":/images/img_HoverSave.png");
const QString kHelpImage = QStringLiteral(":/images/img_HelpFile.png");

const QString kStatusStopButtonStyle = QStringLiteral(
    "QPushButton{min-height: 10px;min-width: 10px; border-image: url(:/images/img_Stop.png)}"
    "QPushButton:hover { border-image: url(:/images/img_StopClick.png)}"
    "QPushButton:pressed { border-image: url(:/images/img_HoverStop.png);}"
    "QPushButton:disabled { border-image: url(:/images/img_StopClick.png);}");
const QString kStatusBarStyle = QStringLiteral("QStatusBar::item {border: none;}");
const QString kFolderTreeStyle = QStringLiteral(
    "QTreeView {    selection-background-color: rgb(154,154,200);    "
    "alternate-color: rgb(223,226,235);    alternate-background-color: rgb(223,226,235);    "
    "show-decoration-selected: 1;}");
const QString kSplitterStyle = QStringLiteral(
    "QSplitter::handle:vertical   {height: 1px; image: url(:images/img_Vsplitter.png);}"
    "QSplitter::handle:horizontal {width:  1px; image: url(:images/img_Hsplitter.png);}"
    "QSplitter::handle {border: solid #ABABAB; background: #ABABAB;}");
const QString kFontFamily = QStringLiteral("Lucida Grande");

// Texts of the window's actions, menus and toolbars, as the translation call
// would give them.
QString trMain(const char *text)
{
    return QCoreApplication::translate("QMainWindow", text);
}

QLabel *makeSpacingLabel(int width, int height)
{
    auto *label = new QLabel;
    label->setFixedSize(width, height);
    return label;
}

// An image button whose shape follows the image's transparency.
MyButton *makeImageButton(QWidget *parent, const QString &image, QSize size)
{
    auto *button = new MyButton(parent);
    const QPixmap pixmap(image);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(QIcon(pixmap));
    button->setMask(pixmap.mask());
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(size);
    return button;
}

} // namespace

QConverterMainWindow::QConverterMainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    pMainWindow = this;
    setContextMenuPolicy(Qt::NoContextMenu);
    m_pPreferencesDlg = new PreferencesDialog(this);
    OnInit();

    const QSize desktop = QApplication::desktop()->geometry().size();
    move(windowrules::initialWindowPosition(desktop, size()));
}

QConverterMainWindow::~QConverterMainWindow() = default;

void QConverterMainWindow::OnInit()
{
    m_pAboutDlg = new AboutDlg(this);
    m_pRepairComplete = new RepairComplete(this);
    OnInitialize();
    CreateLeftDockWindows();
    ConnectSignals();
    setUnifiedTitleAndToolBarOnMac(true);

    // The two labels join the status bar once the panes and wiring exist.
    m_pFolderNameLabel->clear();
    m_pMessageCountLabel->clear();
    m_pFolderNameLabel->setFont(QFont(kFontFamily, 9));
    m_pMessageCountLabel->setFont(QFont(kFontFamily, 9));
    m_pStatusBar->addWidget(m_pFolderNameLabel, 0);
    m_pStatusBar->addWidget(m_pMessageCountLabel, 0);
}

void QConverterMainWindow::OnInitialize()
{
    CreateActions();
    CreateMyToolBar();
    CreateToolBar();
    CreateMenuBar();

    m_pStatusBar = new QStatusBar(this);
    setStatusBar(m_pStatusBar);
    m_pMessageCountLabel = new QLabel(this);
    m_pFolderNameLabel = new QLabel(this);
    // Folder names come from disk and from message content: never markup.
    m_pMessageCountLabel->setTextFormat(Qt::PlainText);
    m_pFolderNameLabel->setTextFormat(Qt::PlainText);
    m_pStatusProgressBar = new QProgressBar(m_pStatusBar);
    m_pStatusStopButton = new QPushButton(m_pStatusBar);

    m_pStatusStopButton->setStyleSheet(kStatusStopButtonStyle);
    m_pStatusStopButton->setMaximumSize(14, 14);
    m_pStatusStopButton->setToolTip(QStringLiteral("Stop"));
    m_pStatusProgressBar->setMaximumSize(170, 9);

    m_pStatusBar->setSizeGripEnabled(true);
    m_pStatusBar->setStyleSheet(kStatusBarStyle);
    m_pStatusBar->setMaximumHeight(25);

    auto *gap = new QLabel;
    gap->setMaximumSize(1, 1);
    m_pStatusBar->addPermanentWidget(m_pStatusProgressBar, 132);
    m_pStatusBar->addPermanentWidget(gap, 0);
    m_pStatusBar->addPermanentWidget(m_pStatusStopButton, 1);

    m_pStatusProgressBar->hide();
    m_pStatusStopButton->hide();
}

void QConverterMainWindow::CreateActions()
{
    aboutAct = new QAction(trMain("&About"), this);
    aboutAct->setMenuRole(QAction::AboutRole);
    connect(aboutAct, SIGNAL(triggered()), this, SLOT(aboutCorvaneTindrel()));

    // Kept for the platform's application menu; it belongs to no window.
    licenseAct = new QAction(trMain("&License Agreement"), nullptr);
    licenseAct->setMenuRole(QAction::ApplicationSpecificRole);
    connect(licenseAct, SIGNAL(triggered()), this, SLOT(licenseAgreement()));

    preferencesAct = new QAction(trMain("&Preferences..."), this);
    preferencesAct->setMenuRole(QAction::PreferencesRole);
    connect(preferencesAct, SIGNAL(triggered()), this, SLOT(OnPreferences()));

    openAct = new QAction(trMain("Open File"), this);
    openAct->setToolTip(trMain("Open File"));
    openAct->setEnabled(true);
    connect(openAct, SIGNAL(triggered()), this, SLOT(OnOpenFile()));

    saveAct = new QAction(trMain("Save Converted File"), this);
    saveAct->setToolTip(trMain("Save Converted File"));
    saveAct->setEnabled(false);
    connect(saveAct, SIGNAL(triggered()), this, SLOT(OnSavingFiles()));

    helpAct = new QAction(trMain("&Help Topics"), this);
    connect(helpAct, SIGNAL(triggered()), this, SLOT(OpenHelp()));

    emailSupportAct = new QAction(trMain("&Email to Corvane Support"), this);
    connect(emailSupportAct, SIGNAL(triggered()), this, SLOT(OnEmailSupport()));

    viewSupportAct = new QAction(trMain("&View Support Section"), this);
    connect(viewSupportAct, SIGNAL(triggered()), this, SLOT(OnViewSupport()));

    knowledgeBaseAct = new QAction(trMain("&View Knowledgebase Articles"), this);
    connect(knowledgeBaseAct, SIGNAL(triggered()), this, SLOT(OnKnowledgeBase()));

    generateTicketAct = new QAction(trMain("&Submit Enquiry"), this);
    connect(generateTicketAct, SIGNAL(triggered()), this, SLOT(OnGenerateTicket()));

    // The desktop gives no application menu with a Quit of its own; this one
    // closes the window, so closeEvent's guard decides as for any close.
    quitAct = new QAction(trMain("Quit"), this);
    quitAct->setMenuRole(QAction::QuitRole);
    quitAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAct->setShortcutContext(Qt::ApplicationShortcut);
    connect(quitAct, &QAction::triggered, this, &QWidget::close);
}

void QConverterMainWindow::CreateMyToolBar()
{
    m_pMyOpenButton = makeImageButton(this, kOpenImage, QSize(30, 28));
    m_pMySaveButton = makeImageButton(this, kSaveImage, QSize(30, 28));
    m_pMyHelpButton = makeImageButton(this, kHelpImage, QSize(40, 40));

    connect(m_pMyOpenButton, SIGNAL(ChangePixmap()), this, SLOT(OnOpenEnter()));
    connect(m_pMyOpenButton, SIGNAL(OnUpdatePixmap()), this, SLOT(OnOpenLeave()));
    connect(m_pMySaveButton, SIGNAL(ChangePixmap()), this, SLOT(OnSaveEnter()));
    connect(m_pMySaveButton, SIGNAL(OnUpdatePixmap()), this, SLOT(OnSaveLeave()));
    connect(m_pMyHelpButton, SIGNAL(ChangePixmap()), this, SLOT(OnHelpEnter()));
    connect(m_pMyHelpButton, SIGNAL(OnUpdatePixmap()), this, SLOT(OnHelpLeave()));
    connect(m_pMyOpenButton, SIGNAL(clicked()), this, SLOT(OnOpenFile()));
    connect(m_pMySaveButton, SIGNAL(clicked()), this, SLOT(OnSavingFiles()));
    connect(m_pMyHelpButton, SIGNAL(clicked()), this, SLOT(OpenHelp()));

    m_pToolBar = new QToolBar(trMain("ToolBar"), this);
    m_pToolBar->setOrientation(Qt::Horizontal);
    m_pToolBar->setIconSize(QSize(40, 40));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    m_pToolBar->addWidget(makeSpacingLabel(2, 60));
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void QConverterMainWindow::CreateToolBar()
{
    m_pFileToolBar = new QToolBar(trMain("Open & Save File"), this);
    m_pFileToolBar->setOrientation(Qt::Horizontal);
    m_pFileToolBar->setIconSize(QSize(40, 40));
    m_pFileToolBar->setMovable(false);
    m_pFileToolBar->setFloatable(false);
    m_pFileToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    m_pFileToolBar->addWidget(makeSpacingLabel(2, 50));
    m_pFileToolBar->addWidget(m_pMyOpenButton);
    m_pFileToolBar->addWidget(makeSpacingLabel(5, 50));
    m_pFileToolBar->addWidget(m_pMySaveButton);
    auto *spacer = new QWidget;
    spacer->setFixedHeight(0);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pFileToolBar->addWidget(spacer);
    m_pFileToolBar->addWidget(m_pMyHelpButton);

    // The captions sit under the buttons; they are children, not items.
    m_pOpenCaption = new QLabel(trMain("Open"), m_pFileToolBar);
    m_pOpenCaption->setGeometry(9, 42, 60, 20);
    m_pOpenCaption->setFont(QFont(kFontFamily, 10));
    m_pSaveCaption = new QLabel(trMain("Save"), m_pFileToolBar);
    m_pSaveCaption->setGeometry(54, 42, 180, 20);
    m_pSaveCaption->setFont(QFont(kFontFamily, 10));

    addToolBar(Qt::TopToolBarArea, m_pFileToolBar);
}

void QConverterMainWindow::CreateMenuBar()
{
    appMenu = menuBar()->addMenu(trMain("&CorvaneMailConverter"));
    appMenu->addAction(aboutAct);
    appMenu->addSeparator();
    appMenu->addAction(quitAct);

    fileMenu = menuBar()->addMenu(trMain("&File"));
    fileMenu->addAction(openAct);
    fileMenu->addAction(saveAct);

    helpMenu = menuBar()->addMenu(trMain("&Help"));
    helpMenu->addAction(helpAct);
    helpMenu->addSeparator();
    helpMenu->addAction(emailSupportAct);
    helpMenu->addAction(viewSupportAct);
    helpMenu->addAction(generateTicketAct);
    helpMenu->addAction(knowledgeBaseAct);
}

void QConverterMainWindow::CreateLeftDockWindows()
{
    // 1. The panes, made without parent; the splitter and the layout adopt them.
    m_pMessageList = new QTreeWidget;
    m_pFolderTree = new QTreeWidget;
    m_pHeaderBox = new QTextBrowser;
    m_pHiddenTextBrowser = new QTextBrowser;
    m_pPreviewFrame = new QFrame;
    m_pPreviewFrame->setFrameShape(QFrame::NoFrame);
    m_pWebView = new SafeWebView;

    // 2. Header box. Read-only first: it would otherwise make the text
    // selectable again.
    m_pHeaderBox->setAutoFormatting(QTextEdit::AutoAll);
    m_pHeaderBox->setAcceptRichText(false);
    m_pHeaderBox->setFont(QFont(kFontFamily, 11));
    m_pHeaderBox->setReadOnly(true);
    m_pHeaderBox->setTextInteractionFlags(Qt::NoTextInteraction);
    m_pHeaderBox->setMinimumHeight(110);
    m_pHeaderBox->setMaximumHeight(110);
    m_pHeaderBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pHeaderBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pHeaderBox->setMinimumWidth(330);

    // 3. Folder tree (palette and style sheet after the splitter, step 7).
    m_pFolderTree->setFrameShape(QFrame::StyledPanel);
    m_pFolderTree->setFrameShadow(QFrame::Plain);
    m_pFolderTree->setHeaderLabel(QString());
    m_pFolderTree->setColumnCount(foldertree::kColumnCount);
    for (int column = 1; column < foldertree::kColumnCount; ++column)
        m_pFolderTree->setColumnHidden(column, true);
    m_pFolderTree->setColumnWidth(0, 700);
    m_pFolderTree->setBackgroundRole(QPalette::Window);
    m_pFolderTree->setAutoFillBackground(true);
    m_pFolderTree->setMinimumWidth(240);

    // 4. Message list.
    m_pMessageList->setHeaderLabels(
        {QStringLiteral("  "), QString(31, QLatin1Char(' ')) + QStringLiteral("Mail")});
    m_pMessageList->setMinimumWidth(270);
    m_pMessageList->setColumnHidden(0, true);
    m_pMessageList->setSortingEnabled(false);

    // 5. Web view.
    m_pWebView->setMinimumWidth(330);

    // 6. Preview frame.
    auto *layout = new QVBoxLayout(m_pPreviewFrame);
    layout->addWidget(m_pHeaderBox, 0, Qt::AlignTop);
    layout->addWidget(m_pWebView, 1);
    layout->addWidget(m_pHiddenTextBrowser, 0);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pHeaderBox->show();
    m_pWebView->show();
    m_pHiddenTextBrowser->hide();

    // 7. Splitter.
    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    m_pSplitter->addWidget(m_pFolderTree);
    m_pSplitter->addWidget(m_pMessageList);
    m_pSplitter->addWidget(m_pPreviewFrame);
    m_pSplitter->setChildrenCollapsible(false);
    m_pSplitter->setStyleSheet(kSplitterStyle);
    QPalette treePalette = m_pFolderTree->palette();
    treePalette.setColor(QPalette::Base, QColor(223, 226, 235));
    m_pFolderTree->setPalette(treePalette);
    m_pFolderTree->setStyleSheet(kFolderTreeStyle);
    setCentralWidget(m_pSplitter);
}

void QConverterMainWindow::ConnectSignals()
{
    m_pParseDatabase = new QParseDatabase(this);
    m_pImportWindow = new QImportWindow(this);
    bParseDatabase = true;
    m_pMySaveButton->setEnabled(true);
    m_pMyOpenButton->setEnabled(true);
    pMessageSavingThread = new QMessageSavingThread(nullptr);
    pMailSaving = new QMailSaving(nullptr);

    QMessageSavingThread *scan = pMessageSavingThread;
    QMailSaving *save = pMailSaving;
    connect(m_pStatusStopButton, SIGNAL(clicked()), this, SLOT(OnStopPushButton()));
    connect(m_pMessageList, SIGNAL(itemSelectionChanged()), this, SLOT(OnMessageSubjectKey()));
    connect(scan, SIGNAL(MakeTreeWidget(long long, QString, long long, QString)), this,
            SLOT(OnMakeTreeWidget(long long, QString, long long, QString)));
    connect(scan, SIGNAL(OnIndivisibleProgressvalue(double)), this, SLOT(SetIndivisibleProgress(double)));
    connect(scan, SIGNAL(OnShowProgressDlg()), this, SLOT(ShowProgressDlg()));
    connect(scan, SIGNAL(OnSubProgressvalue(double)), this, SLOT(SetSubProgress(double)));
    connect(scan, SIGNAL(OnSubProgressHide()), this, SLOT(SetProgressHide()));
    connect(scan, SIGNAL(OnProgressValueForMail()), this, SLOT(SetProgressValueForOlmMail()));
    connect(scan, SIGNAL(FinishScaning()), this, SLOT(HideProgressBar()));
    connect(m_pFolderTree, SIGNAL(itemClicked(QTreeWidgetItem* ,int )), this,
            SLOT(ShowindivisualMailItemsInfo(QTreeWidgetItem* ,int)));
    connect(scan, SIGNAL(NoDataIntoFile()), this, SLOT(OnNoDataIntoFile()));
    connect(save, SIGNAL(NoDataIntoFile()), this, SLOT(OnNoDataIntoFile()));
    connect(save, SIGNAL(OnShowProgressDlg()), this, SLOT(ShowProgressDlg()));
    connect(save, SIGNAL(OnSubProgressHide()), this, SLOT(SetProgressHide()));
    connect(save, SIGNAL(OnIndivisibleProgressvalue(double)), this, SLOT(SetIndivisibleProgress(double)));
    connect(save, SIGNAL(OnSubProgressvalue(double)), this, SLOT(SetSubProgress(double)));
    connect(save, SIGNAL(FinishSaving()), this, SLOT(HideProgressBar()));
}

void QConverterMainWindow::ShowParseWindow()
{
    if (m_pParseDatabase)
        m_pParseDatabase->show();
}

void QConverterMainWindow::aboutCorvaneTindrel()
{
    m_pAboutDlg->setModal(true);
    m_pAboutDlg->show();
}

void QConverterMainWindow::OnPreferences()
{
    m_pPreferencesDlg->setModal(true);
    m_pPreferencesDlg->show();
}

void QConverterMainWindow::OnOpenEnter()
{
    m_pMyOpenButton->setIcon(QIcon(kHoverOpenImage));
}

void QConverterMainWindow::OnOpenLeave()
{
    m_pMyOpenButton->setIcon(QIcon(kOpenImage));
}

void QConverterMainWindow::OnSaveEnter()
{
    m_pMySaveButton->setIcon(QIcon(kHoverSaveImage));
}

void QConverterMainWindow::OnSaveLeave()
{
    m_pMySaveButton->setIcon(QIcon(kSaveImage));
}

void QConverterMainWindow::OnHelpEnter()
{
    // The Help button has no hover image.
    m_pMyHelpButton->setIcon(QIcon(kHelpImage));
}

void QConverterMainWindow::OnHelpLeave()
{
    m_pMyHelpButton->setIcon(QIcon(kHelpImage));
}

void QConverterMainWindow::OnStopPushButton()
{
    bStopFlag = false;
}

bool QConverterMainWindow::isWorkerRunning() const
{
    return (pMessageSavingThread && pMessageSavingThread->isRunning())
        || (pMailSaving && pMailSaving->isRunning());
}
