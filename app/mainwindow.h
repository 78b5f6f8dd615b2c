#pragma once
// The one main window of the run: menus, toolbars, status bar, the three
// central panes, the progress dialog and the slots that receive the worker
// threads' signals.

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QString>

#include "convert/savesnapshot.h"

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
struct MailMLRC;

class AboutDlg;
class InformationDlg;
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

    // Shows the repair-complete notice with "Already Saved." and enables
    // the Preferences action.
    void AlreadySaveData();

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

    // Quoted-printable escapes of text turned into bytes (the program's one decoder).
    static QByteArray QDecode(const QString &text);

    // Preview entry points: a message held in a byte range of an mbox file
    // (offset and length as decimal texts), and a file holding one message.
    void OnWebViewForMboxFileInHTML(const QString &path, const QString &offset, const QString &length);
    void OnWebViewInHTML(const QString &path);

    // Header-field measurement over m_previewSource: from the byte after
    // dwPositionOfTheField through a folded field's last line end; up to a
    // single line's line feed; to a quoted file name's closing quote. A count
    // never reaches past the message.
    unsigned long FieldValueInEmlFile(unsigned long dwPositionOfTheField, unsigned long BuffLength);
    unsigned long FieldValueAppleMailFile(unsigned long dwPositionOfTheField, unsigned long BuffLength);
    unsigned long FieldValueInEmlFileName(unsigned long dwPositionOfTheField, unsigned long BuffLength);

    // The bytes of the message being previewed; empty between previews.
    QByteArray m_previewSource;

    // Stores the folder name and writes "name:" and the message count into the status bar.
    void OnStatusBarValue(const QString &folderName, uint count);
    // Releases every folder record and message-file node.
    void CleanList();

    // Folder tree: applying a click's new check state to the records and the
    // tree. LeftTreeWidgetItem drives the walks below in their fixed order.
    void LeftTreeWidgetItem(QTreeWidgetItem *item);
    // Every record and item ticked (state 1) or unticked (any other state);
    // the folder id is not used.
    void MarkDirToRootCheckedOrUnchecked(unsigned char state, unsigned long long folderId);
    // Every sub-folder of item, at any depth, takes state (1 or 3).
    void MarkChildAccordingToParent(QTreeWidgetItem *item, unsigned char state);
    // Every ancestor of item is recomputed from its direct children.
    void MarkParentAccordingToChild(QTreeWidgetItem *item);
    // Column 7 of every folder item from its check box.
    void SetRecoverSelectedState();
    // The first record with that folder id takes state.
    void UpdateLinkListForParent(unsigned long long folderId, unsigned char state);
    // State code of the root record: 1 all, 2 some, 3 no folders ticked.
    unsigned char CheckIsSeltiveRecovry();

    // Message-list fillers of a clicked folder, one per source kind; each
    // selects its first row and reports the row count in the status bar.
    void OnGetAllMailofMbox(const QString &folderPath, const QString &folderName);
    void OnGetAllMailofOlm(QTreeWidgetItem *folderItem, int unused, const QString &folderName);
    void OnGetAllMailofMbs(const QString &folderPath, const QString &folderName);
    // The message files below a folder's directory, into AllFilePathInStrListForTree.
    void OnGetAllFileAndDir(const QString &directory);
    // One row per listed message file of the folder (file-per-message sources).
    void OnShowIndivisualMailData(const QString &folderName, QString folderPath);

    // Previews a message row by the source kind: backup record, mbox byte
    // range or whole file.
    void ShowindivisualMailItemsCenter(QTreeWidgetItem *item, int column);
    // Save set-up for one target, run by the save dialog's OK: destination,
    // replacement of an existing output tree, preparation, start request.
    void OnSavingFilesforOutlook();
    void OnSavingFilesforApple();
    // Destination preparation: one directory per folder of the tree under
    // saveDir where its parent exists (never outside saveDir); the Outlook
    // one then writes the bundle skeleton into an existing bundle.
    void CreateMailFolder();
    void CreateMailFolderforApple();
    // The bundle skeleton into path (ending in "/") when its "Contents"
    // directory exists; makes no directory.
    void CreateFilesInMainIdentity(QString path);
    // Save stages: started and completed have no effect; aborted removes the
    // Outlook 2011 bundle in dir and enables Preferences.
    void SaveFileProcessStarted(const QString &dir);
    void SavingFileProcessCompleted(const QString &dir);
    void SavingFileProcessAborted(const QString &dir);
    // Removes the empty directories below dir, deepest first.
    void OnRemoveEmptyDir(const QString &dir);

    // Previews the backup record whose body offset and length the row carries.
    void OnMessageSubjectClicked(QTreeWidgetItem *item, int column);
    // Backup preview: the record's header lines, and its body read from the
    // backup file (offset and length as decimal texts).
    void MessageFieldsForThePreview(MailMLRC *record, int unused);
    void OnWebViewForOlmFileInHTML(const QString &offset, const QString &length);

    // Byte helpers over olm/bytehelpers.h; the caller sizes every buffer.
    // The two hexadecimal digits of value in a two-byte calloc block, no
    // terminating zero; the caller frees it.
    char *Bytes2Hex(unsigned char value);
    // Swaps the bytes of each pair whose first index is below min(length,
    // 255); an odd length takes in the byte behind it, so text holds at least
    // length rounded up to even bytes (at most 256 are touched).
    void GetUnicodeStringForPowerPC(unsigned char *text, int length);
    // The non-zero bytes of the first length bytes of source, zero-terminated,
    // in a new[] array of length + 1 bytes; the caller deletes it with delete[].
    char *GetNonUnicodeString(unsigned char *source, unsigned long length);

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
    // "Quit" (Ctrl+Q) of the application menu: closes the window through its
    // close guard, as the platform's application menu does elsewhere.
    QAction *quitAct = nullptr;

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

    // The information sheet, made the first time it is opened.
    InformationDlg *m_pInformationDlg = nullptr;

    // Empties the folder tree together with its id index, the folder records
    // and the message-file nodes, so nothing of an old source survives.
    void clearFolderTree();

private slots:
    // Shows the information sheet.
    void OnOpenInformationDlg();

    // Four (eight) bytes at data as a number: big-endian for order 1, little-
    // endian for any other order. Nothing calls them; they stay reachable by
    // name through the meta-object.
    ulong GetDWordValue(unsigned char *data, unsigned char order);
    qlonglong GetDDWordValue(unsigned char *data, unsigned char order);

private:
    // True while the scanning or the saving thread runs.
    bool isWorkerRunning() const;
    // The set-up shared by both targets.
    void setUpSave(SaveTarget target);
    // The folder-directory walk of the destination preparation.
    void makeFolderDirectories(bool forAppleMail);
    // Loads the blank page and empties the panes and status-bar labels.
    void resetPanesForNewSource();
    // Deletes the source-selection window and shows a new one.
    void remakeSourceWindow();

    // Folder-tree items by folder id, kept in step with the tree.
    QHash<qint64, QTreeWidgetItem *> m_folderItemsById;
};
