#include "convert/saveaswindow.h"

#include <QCoreApplication>

SaveAsWindow::SaveAsWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SaveAsDlg"));
    setWindowTitle(QCoreApplication::translate("SaveAsDlg", "Form"));
}

SaveAsWindow::~SaveAsWindow() = default;
