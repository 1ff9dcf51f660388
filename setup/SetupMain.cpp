// The installer's body: one at a time, the archive checked, the setup dialog and the message loop.
#include "app/AppMain.h"

#include <objbase.h>

#include "app/Application.h"
#include "footprint/OneAtATime.h"
#include "setup/DeGlom.h"
#include "setup/SETUP.h"

int AppMain()
{
    // A second start (a double click twice) shows the first one's dialog.
    if (!OneAtATime(false))
        return 0;
    // Before the dialog runs an earlier installation's uninstaller: a damaged
    // installer changes nothing.
    DeGlom::Verify();
    SETUP dlg; // lives until the loop has ended; its destructor frees its GDI objects
    CoInitialize(0);
    dlg.Init();
    int rc = Application::Pump();
    CoUninitialize();
    return rc;
}
