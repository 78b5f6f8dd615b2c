#include "convert/mailsaving.h"

#include "app/appglobals.h"

QMailSaving::QMailSaving(QObject *parent)
    : WorkerThread(parent)
{
}

QMailSaving::~QMailSaving()
{
    stopAndWait();
}

void QMailSaving::run()
{
    try {
        // No driver writes anything yet, so a save can never report success:
        // the progress dialog comes and goes with "nothing written".
        emit OnShowProgressDlg();
        emit NoDataIntoFile();
    } catch (...) {
        bStopFlag = false;
    }
}
