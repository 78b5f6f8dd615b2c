#pragma once
// The save-completed dialog with the destination path and import help.

#include "ui_ImportMsgDlg.h"

#include <QDialog>

class QImportWindow : public QDialog, public Ui::ImportMsgDlg
{
    Q_OBJECT

public:
    explicit QImportWindow(QWidget *parent = nullptr);
    ~QImportWindow() override;

    // Fills the Apple Mail how-to-import link and shows or hides it.
    void HTImport();
    // Fills the Outlook 2011 how-to-import link and shows or hides it.
    void HTImport1();
    // Connects OK to HideDlg() again (the constructor already does).
    void ConnectSignals();
    // Shows text (which names the output path) as plain text in InfoLabels,
    // so that markup in a folder or path name is shown, never rendered.
    void setInfoText(const QString &text);

public slots:
    // Hides the dialog (its OK button).
    void HideDlg();
    // Opens link in the desktop's default application.
    void BrowserForImport(QString link);
};
