// Placeholder for the Outlook 2011 backup (.olm) to Apple Mail driver until
// the .olm writer exists: it writes nothing and says so, so a save of a
// backup never reports success. Delete this file together with adding the
// real QMailSaving::OnMailSaving().

#include "convert/mailsaving.h"

void QMailSaving::OnMailSaving()
{
    emit OnShowProgressDlg();
    emit NoDataIntoFile();
}
