#pragma once
// The image buttons of the main window's toolbar; they announce the pointer
// entering and leaving them so the window can swap in a hover image.

#include <QString>
#include <QToolButton>

class QEvent;
class QMouseEvent;

class MyButton : public QToolButton
{
    Q_OBJECT

public:
    // Checkable tool button with mouse tracking and 32 x 32 icons.
    explicit MyButton(QWidget *parent = nullptr);

signals:
    // Emitted with "Hi" when the pointer enters; nothing listens to it.
    void MusicScan(QString text);
    // The pointer has left the button.
    void OnUpdatePixmap();
    // The pointer has entered the button.
    void ChangePixmap();

protected:
    // Takes the move without passing it on.
    void mouseMoveEvent(QMouseEvent *event) override;
    // Emits MusicScan("Hi") and ChangePixmap() after the button's own handling.
    void enterEvent(QEvent *event) override;
    // Emits OnUpdatePixmap() after the button's own handling.
    void leaveEvent(QEvent *event) override;
};
