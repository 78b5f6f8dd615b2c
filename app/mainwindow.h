#pragma once
// The one main window of the run: menus, toolbars, status bar, the three
// central panes, the progress dialog and the slots that receive the worker
// threads' signals.

#include <QHash>
#include <QMainWindow>
#include <QString>

class QAction;
class QCloseEvent;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTextBrowser;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

class AboutDlg;
class PreferencesDialog;
class QImportWindow;
class QProgressInfo;
class SafeWebView;

class QConverterMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit QConverterMainWindow(QWidget *parent = nullptr);
    ~QConverterMainWindow() override;

    // Shows the current source-selection window.
    void ShowParseWindow();

    // Construction steps, each run once by the constructor.
    void OnInit();
    void OnInitialize();
    void CreateActions();
    void CreateMyToolBar();
    void CreateToolBar();
    void CreateMenuBar();
    void CreateLeftDockWindows();
    void ConnectSignals();

    // URL texts of the support links, read afresh from the link property list.
    QString GetEmailSupport() const;
    QString GetViewSupport() const;
    QString GetGenerateTicket() const;
    QString GetKnowledgebase() const;

    // Stores the folder name and writes "name:" and the message count into the status bar.
    void OnStatusBarValue(const QString &folderName, uint count);
    // Releases every folder record and message-file node.
    void CleanList();

public slots:
    // Application menu and help.
    void aboutCorvaneTindrel();
    void OnPreferences();
    void licenseAgreement();
    void OpenHelp();
    void OnEmailSupport();
    void OnViewSupport();
    void OnGenerateTicket();
    void OnKnowledgeBase();

    // Opening a source and saving.
    void OnOpenFile();
    void OnSavingFiles();

    // Hover images of the toolbar buttons.
    void OnOpenEnter();
    void OnOpenLeave();
    void OnSaveEnter();
    void OnSaveLeave();
    void OnHelpEnter();
    void OnHelpLeave();
    void OnStopPushButton();

    // Progress and end of the worker threads' jobs.
    void ShowProgressDlg();
    void SetIndivisibleProgress(double value);
    void SetSubProgress(double value);
    void SetProgressValueForOlmMail();
    void SetProgressHide();
    void HideProgressBar();
    void OnNoDataIntoFile();

    // Folder tree and message list.
    void OnMakeTreeWidget(long long folderId, QString name, long long parentId, QString folderPath);
    void ShowindivisualMailItemsInfo(QTreeWidgetItem *item, int column);
    void OnMessageSubjectKey();

protected:
    void closeEvent(QCloseEvent *event) override;

public:
    // Actions, in order of creation.
    QAction *aboutAct = nullptr;
    QAction *licenseAct = nullptr;
    QAction *preferencesAct = nullptr;
    QAction *openAct = nullptr;
    QAction *saveAct = nullptr;
    QAction *helpAct = nullptr;
    QAction *emailSupportAct = nullptr;
    QAction *viewSupportAct = nullptr;
    QAction *knowledgeBaseAct = nullptr;
    QAction *generateTicketAct = nullptr;

    // Menus.
    QMenu *appMenu = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *helpMenu = nullptr;

    // Toolbars "ToolBar" and "Open & Save File" with the caption labels.
    QToolBar *m_pToolBar = nullptr;
    QToolBar *m_pFileToolBar = nullptr;
    QLabel *m_pOpenCaption = nullptr;
    QLabel *m_pSaveCaption = nullptr;

    // Status bar.
    QStatusBar *m_pStatusBar = nullptr;
    QLabel *m_pMessageCountLabel = nullptr;
    QLabel *m_pFolderNameLabel = nullptr;
    QProgressBar *m_pStatusProgressBar = nullptr;
    QPushButton *m_pStatusStopButton = nullptr;

    // Central panes.
    QTreeWidget *m_pFolderTree = nullptr;
    QTreeWidget *m_pMessageList = nullptr;
    QTextBrowser *m_pHeaderBox = nullptr;
    QTextBrowser *m_pHiddenTextBrowser = nullptr;
    QFrame *m_pPreviewFrame = nullptr;
    SafeWebView *m_pWebView = nullptr;
    QSplitter *m_pSplitter = nullptr;

    // The latest progress dialog and its bar (null before the first job).
    QProgressInfo *m_pProgressInfo = nullptr;
    QProgressBar *m_pProgressBar = nullptr;

    // Dialogs made once for the run.
    AboutDlg *m_pAboutDlg = nullptr;
    PreferencesDialog *m_pPreferencesDlg = nullptr;
    QImportWindow *m_pImportWindow = nullptr;

    // Empties the folder tree together with its id index, the folder records
    // and the message-file nodes, so nothing of an old source survives.
    void clearFolderTree();

private:
    // True while the scanning or the saving thread runs.
    bool isWorkerRunning() const;
    // Loads the blank page and empties the panes and status-bar labels.
    void resetPanesForNewSource();
    // Deletes the source-selection window and shows a new one.
    void remakeSourceWindow();

    // Folder-tree items by folder id, kept in step with the tree.
    QHash<qint64, QTreeWidgetItem *> m_folderItemsById;
};
