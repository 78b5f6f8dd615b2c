#include "support/globalsreset.h"

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "browser/messagelists.h"
#include "convert/convertglobals.h"
#include "olm/mailmlrc.h"
#include "olm/olmscan.h"
#include "scan/scanglobals.h"

void resetAllGlobalsForTest()
{
    // The browser's indexes point into the lists released below.
    messagelists::forgetListIndexes();
    resetAppGlobalsForTest();
    resetScanGlobalsForTest();
    resetConvertGlobalsForTest();
    releaseFldrAtribs();
    releaseMailMLRCs();
    resetOlmGlobalsForTest();
}
