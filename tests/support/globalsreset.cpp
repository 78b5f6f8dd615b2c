#include "support/globalsreset.h"

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "convert/convertglobals.h"
#include "scan/scanglobals.h"

void resetAllGlobalsForTest()
{
    resetAppGlobalsForTest();
    resetScanGlobalsForTest();
    resetConvertGlobalsForTest();
    releaseFldrAtribs();
}
