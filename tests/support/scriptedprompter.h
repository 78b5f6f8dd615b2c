#pragma once
// A prompter that answers message boxes and file choosers from a script and
// records what each one was asked, so no test ever waits for a person.

#include "app/uiprompt.h"

#include <QList>
#include <QQueue>

class ScriptedPrompter : public UiPrompter
{
public:
    ScriptedPrompter();   // installs itself
    ~ScriptedPrompter() override; // restores the real prompter

    QMessageBox::StandardButton ask(const MessageBoxRequest &request) override;
    QString chooseDirectory(const FileDialogRequest &request) override;
    QString chooseFile(const FileDialogRequest &request) override;
    QString chooseSaveFile(const FileDialogRequest &request) override;

    // Answers given in order; with none left a box is answered with
    // defaultAnswer and a chooser is cancelled.
    QQueue<QMessageBox::StandardButton> answers;
    QMessageBox::StandardButton defaultAnswer = QMessageBox::Ok;
    QQueue<QString> chosenPaths;

    // What was asked, in order.
    QList<MessageBoxRequest> boxes;
    QList<FileDialogRequest> choosers;

    // Texts of the boxes shown so far.
    QStringList texts() const;
};
