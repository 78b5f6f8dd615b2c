#pragma once
// The saving thread: writes the ticked folders into the chosen target.

#include <QThread>
#include <QWaitCondition>

class QMailSaving : public QThread
{
    Q_OBJECT

public:
    explicit QMailSaving(QObject *parent = nullptr);
    ~QMailSaving() override;

    // Starts a save at low priority, or asks the running one to stop.
    void SetInitialSettings();

    // Woken by SetInitialSettings(); nothing waits on it.
    QWaitCondition m_waitCondition;

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
