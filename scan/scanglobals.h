#pragma once
// Process-wide state of the mailbox scan: source flags, path lists, record
// lists and the folder maps.

#include "scan/records.h"

#include <QMap>
#include <QMultiMap>
#include <QString>
#include <QStringList>
#include <atomic>

// Folder id of the root folder "Main Identity".
constexpr qint64 llRootId = 501;

// The one source flag of the latest scan, set from the client index.
extern std::atomic<bool> bMboxFileFound;
extern std::atomic<bool> bEmlxFileFound;
extern std::atomic<bool> bOlmFileFound;
extern std::atomic<bool> bEmlFileFound;
extern std::atomic<bool> bemlandfemlfileFound;
extern std::atomic<bool> bMbsFileFound;

// Working state of the discovery routines.
extern qint32 nextItr;
extern QString GetAllFilePathInStrList;
extern std::atomic<bool> bCheckFucntion;

// Path lists of the discovery routines.
extern QStringList listOfPath1;
extern QStringList listOfPathOfOnlyEml;
extern QStringList listOfPathOfOnlyEmlx;
extern QStringList listOfPathOfEmlxPart;
extern QStringList listOfPathOfOnlyMbs;
extern QStringList AllFilePathInStrList;
extern QStringList listOfPathOfOnlyForTree;

// Message source files registered for the tree.
extern MailItem *StartMailItem;
extern MailItem *EndMailItem;

// Indexed messages of mbox and Opera Mail sources.
extern MboxMbx *TmpMboxMbxPtrStart;
extern MboxMbx *TmpMboxMbxPtrEnd;

// Folder maps of the latest scan.
extern QMultiMap<QString, qint64> objMapName_FID;
extern QMap<qint64, qint64> objMapFID_PID;
extern QMap<qint64, QString> objMapFID_Name;
extern QMap<qint64, QString> MapLeftTreePath;

// Folder-id counter; the first folder of the run gets 502.
extern qint64 PID;
// Id of the deepest folder of the path the last tree builder resolved.
extern qint64 llParentIdRunning;

// Appends one MailItem for path at the tail of the list.
void appendMailItem(const QString &path, qint64 folderId);
// Releases every MailItem node; head and tail end null.
void releaseMailItems();
// Releases every MboxMbx node; head and tail end null.
void releaseMboxMbxList();

// Puts every variable above back to its program-start value.
void resetScanGlobalsForTest();
