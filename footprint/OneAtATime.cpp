// One installer or uninstaller of Tunewrangler at a time: a named mutex.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "footprint/OneAtATime.h"

#include "diag/Diag.h"

bool OneAtATime(bool handOn)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), 0, handOn};
    // In the Global namespace: a second user of the machine (another session,
    // a remote desktop) meets this same object, not one of their own, as the
    // files and keys both would write are the machine's. The guard lives as
    // long as a handle to it: the process ends, it goes, even after a crash.
    CreateMutexA(&sa, FALSE, "Global\\Tunewrangler.Setup");
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    HWND running = FindWindowA(0, "SETUP Tunewrangler");
    if (!running || !SetForegroundWindow(running))
        Hey("Tunewrangler is being installed or removed: try again when that is done.", 0);
    return false;
}
