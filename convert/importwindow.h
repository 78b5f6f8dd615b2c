#pragma once
// The save-completed dialog with the destination path and import help.

#include "dialogs/linklabel.h"
#include "ui_ImportMsgDlg.h"

#include <QDialog>

// The import-help link of the dialog: the text escaped, the target the file
// URL of resources path + link value (the resources path encoded as a path,
// a "#" of the link value kept as the start of a fragment); shown when the
// text is not empty.
linklabel::LinkLabelContent importHelpLink(const QString &helpFilePath, const QString &text,
                                           const QString &linkValue);

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
