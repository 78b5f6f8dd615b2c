#include "dialogs/informationdlg.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"

#include <QAction>

InformationDlg::InformationDlg(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Sheet);
    connect(Information_Closebutton, SIGNAL(clicked()), this, SLOT(HideDialogOfInformation()));
}

InformationDlg::~InformationDlg() = default;

void InformationDlg::init()
{
}

void InformationDlg::ConnectSignals()
{
    connect(Information_Closebutton, SIGNAL(clicked()), this, SLOT(HideDialogOfInformation()),
            Qt::UniqueConnection);
}

void InformationDlg::HideDialogOfInformation()
{
    hide();
    // The sheet may outlive the main window's set-up or be shown without one.
    if (pConverterWin && pConverterWin->preferencesAct)
        pConverterWin->preferencesAct->setEnabled(true);
}
