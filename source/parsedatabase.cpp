#include "source/parsedatabase.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "app/mybutton.h"
#include "app/uiprompt.h"
#include "browser/messagelists.h"
#include "convert/mailsaving.h"
#include "platform/consoleuser.h"
#include "scan/messagesavingthread.h"
#include "source/defaultlocations.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>

namespace {

const char kBoxTitle[] = "CorvaneMailConverter";
const char kChooseClientText[] = "\nChoose a mail client.";
const char kSelectDatabaseText[] = "\nSelect mailbox database for conversion.";
const char kWorkerBusyText[] =
    "\nA scan or a save is still running. Please wait until it has finished.";

const char kStartButtonStyle[] =
    "QPushButton{min-height: 32px;min-width: 32px; border-image: url(:/images/img_Start.png)}"
    "QPushButton:hover { border-image: url(:/images/img_HoverStart.png)}"
    "QPushButton:pressed { border-image: url(:/images/img_StartClick.png);}"
    "QPushButton:disabled { border-image: url(:/images/img_StartClick.png);}";

bool workerThreadRunning()
{
    return (pMessageSavingThread && pMessageSavingThread->isRunning())
        || (pMailSaving && pMailSaving->isRunning());
}

} // namespace

namespace sourceselection {

StartDecision decideStart(int clientIndex, const QString &selectedPath, bool workerRunning)
{
    if (!selectedPath.isEmpty() && clientIndex != defaultlocations::NoClient)
        return workerRunning ? StartDecision::WorkerBusy : StartDecision::StartScan;
    if (clientIndex == defaultlocations::NoClient)
        return StartDecision::ChooseClient;
    return StartDecision::SelectDatabase;
}

} // namespace sourceselection

QParseDatabase::QParseDatabase(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);
    init();
    setAttribute(Qt::WA_KeyCompression);
    // The fixed size from the form wins; only the position takes effect.
    setGeometry(200, 220, 661, 279);
    bProcessRunning = false;
}

QParseDatabase::~QParseDatabase() = default;

void QParseDatabase::init()
{
    ConnectSignals();
    setWindowFlags(Qt::Sheet);
    StartButton->setStyleSheet(QLatin1String(kStartButtonStyle));
    StartButton->setFixedSize(32, 32);
}

void QParseDatabase::ConnectSignals()
{
    pConverterWin = pMainWindow;
    // SLOT(closeEvent()) names the argument-less slot, not the close-event handler.
    connect(closeButton, SIGNAL(clicked()), this, SLOT(closeEvent()));
    connect(comboBoxForClientList, SIGNAL(currentIndexChanged(int)), this,
            SLOT(ChangeSourceLineEdit(int)));
    connect(browseConverterButton, SIGNAL(clicked()), this, SLOT(SourceLocationOfFile()));
    connect(StartButton, SIGNAL(clicked()), this, SLOT(StartFormatConversion()));
}

void QParseDatabase::StartFormatConversion()
{
    using sourceselection::StartDecision;
    switch (sourceselection::decideStart(comboBoxForClientList->currentIndex(), m_selectedFile,
                                         workerThreadRunning())) {
    case StartDecision::StartScan:
        // The backup records of the previous scan go here, on the GUI thread
        // that shows them, never on the scanning thread.
        messagelists::forgetListIndexes();
        QMessageSavingThread::CleanListAndHash();
        if (pMessageSavingThread)
            pMessageSavingThread->SetInitialSettings();
        hide();
        break;
    case StartDecision::WorkerBusy:
        showMessage(QLatin1String(kWorkerBusyText));
        break;
    case StartDecision::ChooseClient:
        showMessage(QLatin1String(kChooseClientText));
        break;
    case StartDecision::SelectDatabase:
        showMessage(QLatin1String(kSelectDatabaseText));
        break;
    }
}

void QParseDatabase::ChangeSourceLineEdit(int index)
{
    using namespace defaultlocations;
    switch (index) {
    case AppleMailEmlx:
        DefaultDatabaseLocation();
        break;
    case Thunderbird:
    case Postbox:
    case Eudora:
    case SeaMonkey:
        DefaultDatabaseLocationforMbox();
        break;
    case MailMate:
        DefaultDatabaseLocationforEml();
        break;
    case OutspringMail:
        DefaultDatabaseLocationforEmlandfEml();
        break;
    case OperaMail:
        DefaultDatabaseLocationforMbs();
        break;
    default:
        setSelectedPath(QString());
        break;
    }
    if (pMessageSavingThread)
        pMessageSavingThread->m_nClientIndex = comboBoxForClientList->currentIndex();
}

void QParseDatabase::SourceLocationOfFile()
{
    using namespace defaultlocations;
    switch (comboBoxForClientList->currentIndex()) {
    case NoClient:
        OpenFileDialogForSelectMailClient();
        break;
    case AppleMailMbox:
    case Thunderbird:
    case Postbox:
    case Eudora:
    case SeaMonkey:
        OpenFileDialogforMbox();
        break;
    case AppleMailEmlx:
        OpenFileDialog();
        break;
    case Outlook2011Backup:
        OpenFileDialogforOlm();
        break;
    case MailMate:
        OpenFileDialogforEml();
        break;
    case OutspringMail:
        OpenFileDialogforEmlandfEml();
        break;
    case OperaMail:
        OpenFileDialogforMbs();
        break;
    default:
        break;
    }
}

void QParseDatabase::closeEvent()
{
    hide();
    bParseDatabase = false;
    bParseDatabaseClose = true;
    m_selectedFile = QStringLiteral(" ");
    if (m_pMySaveButton)
        m_pMySaveButton->setEnabled(false);
    if (m_pMyOpenButton)
        m_pMyOpenButton->setEnabled(true);
    if (pConverterWin && pConverterWin->preferencesAct)
        pConverterWin->preferencesAct->setEnabled(true);
}

void QParseDatabase::closeEvent(QCloseEvent *event)
{
    closeEvent();
    event->accept();
}

void QParseDatabase::DefaultDatabaseLocation()
{
    setSelectedPath(defaultlocations::defaultLocationForClient(defaultlocations::AppleMailEmlx,
                                                               platform::consoleUserName()));
}

void QParseDatabase::DefaultDatabaseLocationforEml()
{
    setSelectedPath(defaultlocations::defaultLocationForClient(defaultlocations::MailMate,
                                                               platform::consoleUserName()));
}

void QParseDatabase::DefaultDatabaseLocationforEmlandfEml()
{
    setSelectedPath(defaultlocations::defaultLocationForClient(defaultlocations::OutspringMail,
                                                               platform::consoleUserName()));
}

void QParseDatabase::DefaultDatabaseLocationforMbs()
{
    setSelectedPath(defaultlocations::defaultLocationForClient(defaultlocations::OperaMail,
                                                               platform::consoleUserName()));
}

void QParseDatabase::DefaultDatabaseLocationforMbox()
{
    const int index = comboBoxForClientList->currentIndex();
    if (defaultlocations::hasMboxDefaultLocation(index))
        setSelectedPath(defaultlocations::defaultLocationForClient(index,
                                                                   platform::consoleUserName()));
    else
        textEdit_FileSelected->setText(m_selectedFile);
}

void QParseDatabase::OpenFileDialog()
{
    chooseDirectory(&QParseDatabase::DefaultDatabaseLocation);
}

void QParseDatabase::OpenFileDialogforEml()
{
    chooseDirectory(&QParseDatabase::DefaultDatabaseLocationforEml);
}

void QParseDatabase::OpenFileDialogforEmlandfEml()
{
    chooseDirectory(&QParseDatabase::DefaultDatabaseLocationforEmlandfEml);
}

void QParseDatabase::OpenFileDialogforMbs()
{
    chooseDirectory(&QParseDatabase::DefaultDatabaseLocationforMbs);
}

void QParseDatabase::OpenFileDialogforMbox()
{
    chooseDirectory(&QParseDatabase::DefaultDatabaseLocationforMbox);
}

void QParseDatabase::OpenFileDialogForSelectMailClient()
{
    setSelectedPath(QString());
    showMessage(QLatin1String(kChooseClientText));
}

void QParseDatabase::OpenFileDialogforOlm()
{
    FileDialogRequest request;
    request.parent = this;
    request.caption = tr("All Files");
    setSelectedPath(uiPrompter().chooseFile(request));
}

void QParseDatabase::setSelectedPath(const QString &path)
{
    m_selectedFile = path;
    textEdit_FileSelected->setText(m_selectedFile);
}

void QParseDatabase::chooseDirectory(void (QParseDatabase::*fallback)())
{
    FileDialogRequest request;
    request.parent = this;
    request.caption = tr("Open Directory");
    request.directory = QStringLiteral("/");
    request.options = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;
    request.directoriesOnly = true;
    m_selectedFile = uiPrompter().chooseDirectory(request);
    if (!m_selectedFile.isEmpty())
        textEdit_FileSelected->setText(m_selectedFile);
    else
        (this->*fallback)();
}

void QParseDatabase::showMessage(const QString &text)
{
    showInformation(this, QLatin1String(kBoxTitle), text, QMessageBox::Ok);
}
