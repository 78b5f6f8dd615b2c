#include "app/licenseagreement.h"

#include "app/appglobals.h"

#include <QFile>
#include <QTextStream>

QLicenseAgreement::QLicenseAgreement(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    GetLicenseText();
}

QLicenseAgreement::~QLicenseAgreement() = default;

void QLicenseAgreement::GetLicenseText()
{
    QFile file(HelpFilePath + QStringLiteral("/Eula.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    // The stream decodes with the locale codec unless a byte-order mark names another;
    // setText renders the text as HTML only when it looks like markup.
    QTextStream stream(&file);
    AgreementTextEdit->setText(stream.readAll());
    file.close();
}
