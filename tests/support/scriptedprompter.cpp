#include "support/scriptedprompter.h"

ScriptedPrompter::ScriptedPrompter()
{
    setUiPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    setUiPrompter(nullptr);
}

QMessageBox::StandardButton ScriptedPrompter::ask(const MessageBoxRequest &request)
{
    boxes.append(request);
    return answers.isEmpty() ? defaultAnswer : answers.dequeue();
}

QString ScriptedPrompter::chooseDirectory(const FileDialogRequest &request)
{
    choosers.append(request);
    return chosenPaths.isEmpty() ? QString() : chosenPaths.dequeue();
}

QString ScriptedPrompter::chooseFile(const FileDialogRequest &request)
{
    choosers.append(request);
    return chosenPaths.isEmpty() ? QString() : chosenPaths.dequeue();
}

QString ScriptedPrompter::chooseSaveFile(const FileDialogRequest &request)
{
    choosers.append(request);
    return chosenPaths.isEmpty() ? QString() : chosenPaths.dequeue();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const MessageBoxRequest &box : boxes)
        result.append(box.text);
    return result;
}
