// Discovery routines that do not yet look at the source: each reports at
// once that it found nothing to scan, which keeps the end-of-scan protocol
// (progress dialog shown, then exactly one end signal) intact.

#include "scan/messagesavingthread.h"

#include "app/appglobals.h"

namespace {
void reportNothingToScan(QMessageSavingThread *thread)
{
    // A stop requested before the routine began: no dialog, no end signal.
    if (bStopFlag)
        return;
    emit thread->OnShowProgressDlg();
    emit thread->NoDataIntoFile();
}
} // namespace

void QMessageSavingThread::PostBoxFileSearch()
{
    reportNothingToScan(this);
}

void QMessageSavingThread::FileSearch()
{
    reportNothingToScan(this);
}

void QMessageSavingThread::FileSearchForEml()
{
    reportNothingToScan(this);
}

void QMessageSavingThread::FileSearchForEmlandfEml()
{
    reportNothingToScan(this);
}

void QMessageSavingThread::FileSearchForMbs()
{
    reportNothingToScan(this);
}

void QMessageSavingThread::CreateFile()
{
    reportNothingToScan(this);
}
