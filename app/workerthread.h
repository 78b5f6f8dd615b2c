#pragma once
// What the scanning and the saving thread share: one job at a time, started
// at low priority, stopped through the process-wide stop flag.

#include <QThread>
#include <QWaitCondition>

class WorkerThread : public QThread
{
    Q_OBJECT

public:
    explicit WorkerThread(QObject *parent = nullptr);
    ~WorkerThread() override;

    // Starts a job at low priority, or asks the running one to stop.
    void SetInitialSettings();

    // Woken by SetInitialSettings(); nothing waits on it.
    QWaitCondition m_waitCondition;

protected:
    // Sets the stop flag and wakes the wait condition.
    void requestStop();
    // Stops a running job and waits for its end. Destroying a running thread
    // ends the process, so every subclass destructor calls this before its
    // own members go.
    void stopAndWait();
};
