// The program's body: the setup dialog and the message loop.
#include "app/AppMain.h"

#include <objbase.h>

#include "app/Application.h"
#include "setup/DeGlom.h"
#include "setup/SETUP.h"

int AppMain()
{
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
