#pragma once
// The source-selection window: the user picks a mail client, sees or browses
// for the location of its data, and starts the scan.

#include "ui_BrowseWindow.h"

#include <QString>
#include <QWidget>

class QCloseEvent;

namespace sourceselection {

// What Start does for the window's current choice.
enum class StartDecision {
    StartScan,      // hand the choice to the scanning thread and hide
    WorkerBusy,     // a scan or a save still runs: refuse
    ChooseClient,   // no mail client chosen
    SelectDatabase, // a client but no path
};

// Start's checks, in order: a path (any non-zero length) and a client start
// the scan unless a worker runs; no client asks for one; else a path is missing.
StartDecision decideStart(int clientIndex, const QString &selectedPath, bool workerRunning);

} // namespace sourceselection

class QParseDatabase : public QWidget, public Ui::BrowseWindow
{
    Q_OBJECT

public:
    explicit QParseDatabase(QWidget *parent = nullptr);
    ~QParseDatabase() override;

    // Wires the controls, makes the window a sheet and styles the Start button.
    void init();
    // Copies pMainWindow into pConverterWin and connects the four controls.
    void ConnectSignals();

    // Default locations: each sets m_selectedFile and the field to its client's usual directory.
    void DefaultDatabaseLocation();
    void DefaultDatabaseLocationforEml();
    void DefaultDatabaseLocationforEmlandfEml();
    void DefaultDatabaseLocationforMbs();
    // By the combo's current index (3, 4, 6, 7); any other index keeps m_selectedFile.
    void DefaultDatabaseLocationforMbox();

    // Directory choosers: a chosen directory becomes the path, a cancel restores the default.
    void OpenFileDialog();
    void OpenFileDialogforEml();
    void OpenFileDialogforEmlandfEml();
    void OpenFileDialogforMbs();
    void OpenFileDialogforMbox();
    // Browse without a client: empties the path and asks for a client.
    void OpenFileDialogForSelectMailClient();
    // Browse for the backup file: the chosen file, or "" on cancel.
    void OpenFileDialogforOlm();

public slots:
    // Browse: runs the chooser of the current client.
    void SourceLocationOfFile();
    // Start: checks the choice and starts the scan.
    void StartFormatConversion();

private slots:
    // Close button: hides the window and gives the toolbar back to the main window.
    void closeEvent();
    // New combo entry: proposes its default location and stores the client index.
    void ChangeSourceLineEdit(int index);

protected:
    // The title bar's close control does what the Close button does.
    void closeEvent(QCloseEvent *event) override;

private:
    // Sets m_selectedFile and shows it in the field.
    void setSelectedPath(const QString &path);
    // Runs the directory chooser; on cancel runs fallback.
    void chooseDirectory(void (QParseDatabase::*fallback)());
    // The window's information box.
    void showMessage(const QString &text);
};
