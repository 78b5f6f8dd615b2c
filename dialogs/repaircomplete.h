#pragma once
// The small notice window with a message line, a picture, an optional link
// to the how-to-import help page of the bundle and an OK button.

#include "ui_RepairComplete.h"

#include <QDialog>
#include <QString>

class RepairComplete : public QDialog, public Ui::RepairComplete
{
    Q_OBJECT

public:
    explicit RepairComplete(QWidget *parent = nullptr);
    ~RepairComplete() override;

    // Fills the how-to-import link from the link property list; hidden
    // when the list names no link text.
    void HTImport();
    // Connects OK to OnClose() (the constructor already has).
    void ConnectSignals();
    // Opens url in the browser named by strDefaultBrowser, or in the
    // desktop's default application when none is named.
    void BrowserForImport(QString url);

signals:
    void InitialSetting();

private slots:
    // Runs after OK has hidden the dialog; nothing more to do.
    void OnClose();
};
