#pragma once
// Process-wide state of the application frame: bundle paths, the window and
// thread objects, and the flags the GUI shares with the worker threads.

#include <QString>
#include <QStringList>
#include <atomic>

class QConverterMainWindow;
class QParseDatabase;
class MyButton;
class QMessageSavingThread;
class QMailSaving;
class RepairComplete;

// Absolute path of the bundle's Resources directory.
extern QString HelpFilePath;
// The same path; kept for symmetry with the link property list path.
extern QString strPlistPathLink;
// Resources path + "/MailConverterLink.plist".
extern QString strPlistPath;

// The one main window (set by main and again by the source-selection window).
extern QConverterMainWindow *pConverterWin;
// The one main window, set first thing in its constructor.
extern QConverterMainWindow *pMainWindow;

// The Open, Save and Help toolbar buttons.
extern MyButton *m_pMyOpenButton;
extern MyButton *m_pMySaveButton;
extern MyButton *m_pMyHelpButton;

// The current source-selection window.
extern QParseDatabase *m_pParseDatabase;
// The scanning thread object.
extern QMessageSavingThread *pMessageSavingThread;
// The saving thread object.
extern QMailSaving *pMailSaving;

// 1 while the source-selection window is up and no scan has started from it.
extern std::atomic<bool> bParseDatabase;
// 1 when the source-selection window was closed without a scan or the last scan found nothing.
extern std::atomic<bool> bParseDatabaseClose;
// 1 while the scanning thread works.
extern std::atomic<bool> bProcessRunning;
// Cooperative stop request tested by every worker loop.
extern std::atomic<bool> bStopFlag;
// Number of close requests the user has confirmed.
extern int closeevent;

// Output tree of the latest save.
extern QString FileSavingPath;
// Destination directory chosen by the save dialog.
extern QString saveDir;
// Last folder name shown in the status bar.
extern QString sSelectedItemList;
// Message files of the folder whose list is shown.
extern QStringList AllFilePathInStrListForTree;
// The selected source: a directory or, for the backup file, a file.
extern QString m_selectedFile;

// The one repair-complete notice, made by the main window's OnInit().
extern RepairComplete *m_pRepairComplete;

// Puts every variable above back to its program-start value.
void resetAppGlobalsForTest();
