#include "app/appglobals.h"

QString HelpFilePath;
QString strPlistPathLink;
QString strPlistPath;

QConverterMainWindow *pConverterWin = nullptr;
QConverterMainWindow *pMainWindow = nullptr;

MyButton *m_pMyOpenButton = nullptr;
MyButton *m_pMySaveButton = nullptr;
MyButton *m_pMyHelpButton = nullptr;

QParseDatabase *m_pParseDatabase = nullptr;
QMessageSavingThread *pMessageSavingThread = nullptr;
QMailSaving *pMailSaving = nullptr;

std::atomic<bool> bParseDatabase{false};
std::atomic<bool> bParseDatabaseClose{false};
std::atomic<bool> bProcessRunning{false};
std::atomic<bool> bStopFlag{false};
int closeevent = 0;

QString FileSavingPath;
QString saveDir;
QString sSelectedItemList = QStringLiteral("Mail");
QStringList AllFilePathInStrListForTree;
QString m_selectedFile;
RepairComplete *m_pRepairComplete = nullptr;

void resetAppGlobalsForTest()
{
    HelpFilePath.clear();
    strPlistPathLink.clear();
    strPlistPath.clear();
    pConverterWin = nullptr;
    pMainWindow = nullptr;
    m_pMyOpenButton = nullptr;
    m_pMySaveButton = nullptr;
    m_pMyHelpButton = nullptr;
    m_pParseDatabase = nullptr;
    pMessageSavingThread = nullptr;
    pMailSaving = nullptr;
    bParseDatabase = false;
    bParseDatabaseClose = false;
    bProcessRunning = false;
    bStopFlag = false;
    closeevent = 0;
    FileSavingPath.clear();
    saveDir.clear();
    sSelectedItemList = QStringLiteral("Mail");
    AllFilePathInStrListForTree.clear();
    m_selectedFile.clear();
    m_pRepairComplete = nullptr;
}
