#pragma once
// The one seam through which the program shows modal message boxes and file
// choosers. The program installs nothing and gets real dialogs; a test
// installs a scripted prompter and answers every box itself.

#include <QFileDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>

class QWidget;

// Everything a message box shows.
struct MessageBoxRequest {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *parent = nullptr;
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// What a directory or file chooser was asked.
struct FileDialogRequest {
    QWidget *parent = nullptr;
    QString caption;
    QString directory;
    QString filter;
    QFileDialog::Options options;
    bool directoriesOnly = false;
};

class UiPrompter
{
public:
    virtual ~UiPrompter();
    // Runs the box modally and returns the button that closed it
    // (QMessageBox::NoButton or Escape's button when closed otherwise).
    virtual QMessageBox::StandardButton ask(const MessageBoxRequest &request);
    // QFileDialog::getExistingDirectory; empty when cancelled.
    virtual QString chooseDirectory(const FileDialogRequest &request);
    // QFileDialog::getOpenFileName; empty when cancelled.
    virtual QString chooseFile(const FileDialogRequest &request);
    // QFileDialog::getSaveFileName; empty when cancelled.
    virtual QString chooseSaveFile(const FileDialogRequest &request);

    // Closes the boxes with parent as their parent that ask() holds open, as
    // if dismissed: each of those ask() calls returns QMessageBox::NoButton.
    void closeBoxesOf(const QWidget *parent);

private:
    QList<QPointer<QMessageBox>> m_openBoxes;
};

// The prompter in force (a real one unless a test installed another).
UiPrompter &uiPrompter();
// Installs prompter (not owned); nullptr restores the real one.
void setUiPrompter(UiPrompter *prompter);

// Shorthand for the boxes the program shows.
QMessageBox::StandardButton showInformation(QWidget *parent, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton showWarning(QWidget *parent, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
