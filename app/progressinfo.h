#pragma once
// The progress sheet of a scan or a save: a text, a bar placed by the main
// window, and Stop, which asks before it tells the worker to end its job.

#include "ui_ProgressDialog.h"

#include <QDialog>

class QCloseEvent;
class QHideEvent;
class QKeyEvent;

class QProgressInfo : public QDialog, public Ui::ProgressDialog
{
    Q_OBJECT

public:
    // Builds the form and connects Stop and both threads' ProgressDailogHide().
    explicit QProgressInfo(QWidget *parent = nullptr);
    ~QProgressInfo() override;

    // Sheet window flags and the Stop button's images and size.
    void init();

    // True once Stop was answered Yes while the job still ran.
    bool stopped() const { return m_stopped; }

public slots:
    // Hides the dialog, clears bParseDatabase and enables Save and Open.
    void OnProgressDailogHide();
    // Only the job's end or Stop closes the sheet.
    void reject() override;

protected:
    // Ignores every key, so Escape does not close the sheet.
    void keyPressEvent(QKeyEvent *event) override;
    // Ignores a close from the window manager.
    void closeEvent(QCloseEvent *event) override;
    // Closes Stop's question, as if answered No, when the program hides the sheet.
    void hideEvent(QHideEvent *event) override;

private slots:
    // Asks whether to abort the running job and, on Yes, tells it to stop.
    void OnStop();

private:
    bool m_stopped = false;
};
