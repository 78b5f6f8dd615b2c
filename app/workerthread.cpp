#include "app/workerthread.h"

#include "app/appglobals.h"

WorkerThread::WorkerThread(QObject *parent)
    : QThread(parent)
{
    bStopFlag = false;
}

WorkerThread::~WorkerThread()
{
    stopAndWait();
}

void WorkerThread::stopAndWait()
{
    if (isRunning()) {
        requestStop();
        wait();
    }
}

void WorkerThread::SetInitialSettings()
{
    bStopFlag = false;
    if (isRunning()) {
        // A second start request only stops the running job; it starts none.
        requestStop();
        return;
    }
    start(QThread::LowPriority);
}

void WorkerThread::requestStop()
{
    bStopFlag = true;
    m_waitCondition.wakeOne();
}
