#include "app/uiprompt.h"

#include <QFileDialog>

namespace {
UiPrompter realPrompter;
UiPrompter *currentPrompter = nullptr;

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    MessageBoxRequest request;
    request.icon = icon;
    request.parent = parent;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    return uiPrompter().ask(request);
}
} // namespace

UiPrompter::~UiPrompter() = default;

QMessageBox::StandardButton UiPrompter::ask(const MessageBoxRequest &request)
{
    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.parent);
    if (!request.informativeText.isEmpty())
        box.setInformativeText(request.informativeText);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    m_openBoxes.append(&box);
    box.exec();
    m_openBoxes.removeAll(&box);
    return box.standardButton(box.clickedButton());
}

void UiPrompter::closeBoxesOf(const QWidget *parent)
{
    // A closed box leaves the list only when its exec() returns.
    const QList<QPointer<QMessageBox>> open = m_openBoxes;
    for (const QPointer<QMessageBox> &box : open) {
        if (box && box->parentWidget() == parent)
            box->reject();
    }
}

QString UiPrompter::chooseDirectory(const FileDialogRequest &request)
{
    return QFileDialog::getExistingDirectory(request.parent, request.caption, request.directory,
                                             request.options);
}

QString UiPrompter::chooseFile(const FileDialogRequest &request)
{
    return QFileDialog::getOpenFileName(request.parent, request.caption, request.directory,
                                        request.filter, nullptr, request.options);
}

QString UiPrompter::chooseSaveFile(const FileDialogRequest &request)
{
    return QFileDialog::getSaveFileName(request.parent, request.caption, request.directory,
                                        request.filter, nullptr, request.options);
}

UiPrompter &uiPrompter()
{
    return currentPrompter ? *currentPrompter : realPrompter;
}

void setUiPrompter(UiPrompter *prompter)
{
    currentPrompter = prompter;
}

QMessageBox::StandardButton showInformation(QWidget *parent, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton)
{
    return showBox(QMessageBox::Information, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton showWarning(QWidget *parent, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    return showBox(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}
