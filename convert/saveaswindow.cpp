#include "convert/saveaswindow.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "convert/savefrontend.h"
#include "scan/messagesavingthread.h"

SaveAsWindow::SaveAsWindow(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    connect(Ok_Button, SIGNAL(clicked()), this, SLOT(OnOk()));
    setWindowFlags(Qt::Sheet);

    const unsigned clientIndex = pMessageSavingThread ? unsigned(pMessageSavingThread->m_nClientIndex) : 0u;
    const savefrontend::TargetButtons buttons = savefrontend::targetButtonsFor(clientIndex, currentSaveSource());
    radioButtonforApple->setEnabled(buttons.appleEnabled);
    radioButtonforApple->setChecked(buttons.appleChecked);
    radioButtonforOutlook->setEnabled(buttons.outlookEnabled);
    radioButtonforOutlook->setChecked(buttons.outlookChecked);
}

SaveAsWindow::~SaveAsWindow() = default;

void SaveAsWindow::ConnectSignal()
{
    connect(Ok_Button, SIGNAL(clicked()), this, SLOT(OnOk()), Qt::UniqueConnection);
}

void SaveAsWindow::OnOk()
{
    // The choice is this dialog's own, whichever dialog is the newest.
    QConverterMainWindow *window = pConverterWin;
    if (radioButtonforOutlook->isChecked()) {
        hide();
        if (window)
            window->OnSavingFilesforOutlook();
    } else if (radioButtonforApple->isChecked()) {
        hide();
        if (window)
            window->OnSavingFilesforApple();
    }
}
