#pragma once
// The information sheet that summarises a recovered database file.

#include "ui_InformationDialog.h"

#include <QDialog>

class InformationDlg : public QDialog, public Ui::InformationDialog
{
    Q_OBJECT

public:
    explicit InformationDlg(QWidget *parent = nullptr);
    ~InformationDlg() override;

    // Nothing to prepare beyond the form.
    void init();
    // Connects Close to HideDialogOfInformation() (the constructor already has).
    void ConnectSignals();

private slots:
    // Hides the sheet and enables the main window's Preferences action.
    void HideDialogOfInformation();
};
