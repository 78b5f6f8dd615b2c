// The reader of the Outlook 2011 backup file is not built yet: it reports
// that the selected file gave nothing, keeping the end-of-scan protocol
// (progress dialog shown, then exactly one end signal).

#include "scan/messagesavingthread.h"

#include "app/appglobals.h"

void QMessageSavingThread::CreateFile()
{
    // A stop requested before the reader began: no dialog, no end signal.
    if (bStopFlag)
        return;
    emit OnShowProgressDlg();
    emit NoDataIntoFile();
}
