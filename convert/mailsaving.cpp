#include "convert/mailsaving.h"

#include "app/appglobals.h"

QMailSaving::QMailSaving(QObject *parent)
    : WorkerThread(parent)
{
}

QMailSaving::~QMailSaving()
{
    stopAndWait();
}
