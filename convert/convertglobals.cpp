#include "convert/convertglobals.h"

std::atomic<bool> bForAppleMail{false};
std::atomic<bool> bForOutlookMail{false};
std::atomic<bool> IsPreview{false};
std::atomic<bool> FileSavingIdentification{false};
SaveAsWindow *m_pSaveAs = nullptr;
std::atomic<quint64> ulCount{0};

void resetConvertGlobalsForTest()
{
    bForAppleMail = false;
    bForOutlookMail = false;
    IsPreview = false;
    FileSavingIdentification = false;
    m_pSaveAs = nullptr;
    ulCount = 0;
}
