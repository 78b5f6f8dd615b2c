#pragma once
// The save dialog: target choice and destination of a conversion.

#include <QDialog>

class SaveAsWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SaveAsWindow(QWidget *parent = nullptr);
    ~SaveAsWindow() override;
};
