#include "convert/mailsaving.h"

#include "app/appglobals.h"

QMailSaving::QMailSaving(QObject *parent)
    : QThread(parent)
{
    bStopFlag = false;
}

QMailSaving::~QMailSaving()
{
    // Destroying a running QThread aborts the process; end the save first.
    if (isRunning()) {
        bStopFlag = true;
        m_waitCondition.wakeOne();
        wait();
    }
}

void QMailSaving::SetInitialSettings()
{
    bStopFlag = false;
    if (isRunning()) {
        // A second start request only stops the running save.
        bStopFlag = true;
        m_waitCondition.wakeOne();
        return;
    }
    start(QThread::LowPriority);
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
