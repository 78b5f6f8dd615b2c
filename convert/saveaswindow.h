#pragma once
// The save dialog: the target mail client of a conversion.

#include "ui_SaveAsWindow.h"

#include <QDialog>

class SaveAsWindow : public QDialog, public Ui::SaveAsDlg
{
    Q_OBJECT

public:
    explicit SaveAsWindow(QWidget *parent = nullptr);
    ~SaveAsWindow() override;

    // Connects OK to OnOk() again (the constructor already does).
    void ConnectSignal();

private slots:
    // Runs the set-up of the ticked target; does nothing when none is ticked.
    void OnOk();
};
