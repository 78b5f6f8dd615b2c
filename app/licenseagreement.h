#pragma once
// The end-user agreement dialog, shown at start-up until the user agrees.

#include "ui_ULADialog.h"

#include <QDialog>

class QLicenseAgreement : public QDialog, public Ui::ULADialog
{
    Q_OBJECT

public:
    explicit QLicenseAgreement(QWidget *parent = nullptr);
    ~QLicenseAgreement() override;

    // Replaces the built-in agreement by HelpFilePath + "/Eula.txt" when that file opens.
    void GetLicenseText();
};
