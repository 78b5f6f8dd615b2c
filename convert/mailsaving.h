#pragma once
// The saving thread: writes the ticked folders into the chosen target.

#include "app/workerthread.h"

class QMailSaving : public WorkerThread
{
    Q_OBJECT

public:
    explicit QMailSaving(QObject *parent = nullptr);
    ~QMailSaving() override;

signals:
    void OnShowProgressDlg();
    void OnIndivisibleProgressvalue(double percent);
    void OnSubProgressvalue(double percent);
    void OnSubProgressHide();
    void ProgressDailogHide();
    void FinishSaving();
    void NoDataIntoFile();

protected:
    void run() override;
};
