#pragma once
// The scanning thread: resets the scan state, runs the discovery routine of
// the chosen mail client and hands the folder tree to the main window.

#include "app/workerthread.h"
#include <atomic>

class QMessageSavingThread : public WorkerThread
{
    Q_OBJECT

public:
    explicit QMessageSavingThread(QObject *parent = nullptr);
    ~QMessageSavingThread() override;

    // Drops the message index and the folder maps of the previous scan.
    void CleanLinkedList();

    // Discovery routines, one per source kind; each reads m_selectedFile.
    void PostBoxFileSearch();
    void FileSearch();
    void FileSearchForEml();
    void FileSearchForEmlandfEml();
    void FileSearchForMbs();
    // Reader of the Outlook 2011 backup file: walks m_selectedFile into
    // MailMLRC records and folders, with progress and end signals.
    void CreateFile();
    // Opens m_selectedFile read-only into fileDescriptor and takes its size
    // into lSize; -1 when it does not open or is not a regular file.
    int OpenDevice();
    // Notes one attachment entry of the backup for the next attachment list.
    void InitializeAttachment(QString name, qint64 offset, qint64 size);
    // Makes the records of the payload in pBuff, which ends at endOffset.
    void InitializeMLRC(QString folderPath, long long endOffset);
    // Releases every backup record; called on the GUI thread before a scan.
    static void CleanListAndHash();
    // Resolves a backup folder path into folder ids (last in llParentIdRunning).
    static void treeCreatorforOlm(QString folderPath);

    // Indexes the messages of one mbox file into the MboxMbx list.
    void GetAllFieldsForTree(QString path);
    // Quoted-printable escapes of text turned into bytes.
    static QByteArray QDecode(const QString &text);

    // Folder-id model: lookup of a folder by name under a parent, and the
    // resolvers of a tree path into folder ids (last id in llParentIdRunning).
    static bool GetParentId(QString name, long long parentId, long long *folderId);
    static void treeCreator(QString treePath, QString diskPath, QString unused);
    static void treeCreatorOperaMail(QString folderPath, QString filePath);

    // Tree builders of the file-per-message and Opera Mail sources.
    void TreeCreatorForMailMate(QString, QString, QString filePath);
    void TreeCreatorForOutSpring(QString, QString, QString filePath);
    void TreeCreatorForAppleMail(QString, QString, QString filePath);
    void TreeCreatorOperaMail(QString, QString, QString treePath, QString filePath);
    // Index of one Opera Mail file into the MboxMbx list.
    void GetAllFieldsForMbsCentarTree(QString filePath);

    // Recursive walk of the mbox-family discovery into AllFilePathInStrList.
    void OnGetAllFileAndDir(const QString &path);

    // Writers of the scanning thread (nothing calls them). Each appends to
    // the output mbox file its own path rule gives and returns whether the
    // record was written whole; an empty saveDir or output root writes nothing.
    // Writes the identity bundle's three skeleton files below path.
    void CreateFilesInMainIdentity(QString path);
    // A block of the mbox file GetAllFilePathInStrList, then one line feed,
    // into the Apple Mail tree.
    bool writeMailForPostBoxAppleMail(const QByteArray &text);
    // The same into the identity bundle, whose skeleton is written when missing.
    bool writeMailForPostBoxOutlook(const QByteArray &text);
    // One message behind its separator line into outputRoot + "/Mail" +
    // folderPath; sourcePath is not used.
    bool writeMailForOperaMail(const QByteArray &text, const QString &outputRoot, const QString &folderPath,
                               const QString &sourcePath);
    // The same into the Apple Mail tree.
    bool writeMailForOperaAppleMail(const QByteArray &text, const QString &folderPath, const QString &sourcePath);

    // Files the latest discovery routine passed over because they did not
    // open or could not be listed; reset when a routine starts.
    std::atomic<int> nSkippedFiles{0};

    // Client index of the source-selection window (0 none, 1 to 10 the clients).
    int m_nClientIndex = 0;

signals:
    void OnProgressvalue(qlonglong value);
    void OnIndivisibleProgressvalue(double percent);
    void MakeTreeWidget(qlonglong folderId, QString name, qlonglong parentId, QString folderPath);
    void MakeTreeWidget1(QString first, QString second);
    void OnSubProgressvalue(double percent);
    void OnSubProgressHide();
    void OnShowProgressDlg();
    void ProgressDailogHide();
    void OnSubProgressShow();
    void OnFinishScanning();
    void OnProgressValueForMail();
    void FinishScaning();
    void FinishScaningForLargeData();
    void ShowProgressLabel();
    void NoDataIntoFile();

protected:
    void run() override;
    // Runs the discovery routine of the client index (the dispatch of run()).
    virtual void runDiscoveryRoutine(int clientIndex);
};
