// The main window's notices: the repair-complete dialog and the information sheet.

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "dialogs/informationdlg.h"
#include "dialogs/repaircomplete.h"

#include <QAction>
#include <QFont>
#include <QPalette>

void QConverterMainWindow::AlreadySaveData()
{
    RepairComplete *dialog = m_pRepairComplete;
    if (dialog) {
        QPalette palette;
        palette.setColor(QPalette::WindowText, Qt::black);
        dialog->label->setPalette(palette);
        dialog->label->setFont(QFont(QStringLiteral("Lucida Grande"), 12, QFont::Bold, false));
        dialog->label->setText(tr("Already Saved."));
        dialog->show();
    }
    if (preferencesAct)
        preferencesAct->setEnabled(true);
}

void QConverterMainWindow::OnOpenInformationDlg()
{
    // One sheet for the run: opening it again shows the same one.
    if (!m_pInformationDlg)
        m_pInformationDlg = new InformationDlg(this);
    m_pInformationDlg->show();
}
