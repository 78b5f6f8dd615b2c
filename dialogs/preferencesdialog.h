#pragma once
// The Preferences dialog with the update-check settings.

#include "ui_PreferencesDlg.h"

#include <QDialog>
#include <QPoint>

class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

class PreferencesDialog : public QDialog, public Ui::PreferencesDlg
{
    Q_OBJECT

public:
    explicit PreferencesDialog(QWidget *parent = nullptr);
    ~PreferencesDialog() override;

    // Connects the controls, fills the interval list and disables it.
    void OnInit();
    // Loads the stored settings into the controls.
    void ByDefaultSettings();
    // Update checks of the running program; this build makes none.
    void OnCheckUpdateInitially();
    void OnPeriodicallyCheckUpdate();

public slots:
    // Escape and the close box: the controls go back to what the store
    // holds, then the dialog hides.
    void reject() override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    // Stores the settings and accepts the dialog.
    void OnOK();
    // Puts the stored settings back into the controls and hides the dialog.
    void OnCancelButton();
    // Enables the interval list exactly while the check box is ticked.
    void OnCheckUpdateChange(int state);
    // "Check for Updates now"; this build makes no update check.
    void CheckUpdate();
    // Tells the user that no update is available.
    void OnNoUpdateAvailable();

private:
    // Offset of the last left-button press from the window's top-left corner.
    QPoint m_dragPosition;
};
