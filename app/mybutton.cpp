#include "app/mybutton.h"

#include <QMouseEvent>

MyButton::MyButton(QWidget *parent)
    : QToolButton(parent)
{
    setMouseTracking(true);
    setCheckable(true);
    setIconSize(QSize(32, 32));
}

void MyButton::mouseMoveEvent(QMouseEvent *event)
{
    // Deliberately not passed on: the hover image changes on enter and leave
    // only, whatever the tool button would do with a move.
    event->accept();
}

void MyButton::enterEvent(QEvent *event)
{
    QToolButton::enterEvent(event);
    emit MusicScan(QStringLiteral("Hi"));
    emit ChangePixmap();
}

void MyButton::leaveEvent(QEvent *event)
{
    QToolButton::leaveEvent(event);
    emit OnUpdatePixmap();
}
