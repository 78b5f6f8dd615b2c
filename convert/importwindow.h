#pragma once
// The save-completed dialog with the destination path and import help.

#include "convert/savesnapshot.h"
#include "dialogs/linklabel.h"
#include "ui_ImportMsgDlg.h"

#include <QDialog>
#include <QPixmap>

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
    // Tells what a save did: saveOutcomeText with the logo when nothing went
    // wrong, with a warning icon otherwise; the import links only when
    // something was saved.
    void setSaveOutcome(const QString &fileSavingPath, const SaveOutcome &outcome);

public slots:
    // Hides the dialog (its OK button).
    void HideDlg();
    // Opens link in the desktop's default application.
    void BrowserForImport(QString link);

private:
    // Shows the logo or the warning icon, and the import links (those the
    // link property list gives) or none.
    void setLook(bool warning, bool offerImport);
    // Gives InfoLabels the height its text needs, never less than the form's.
    void fitInfoText();

    QPixmap m_logo;
    int m_formInfoHeight = 0;
    bool m_appleLinkGiven = false;
    bool m_outlookLinkGiven = false;
};
