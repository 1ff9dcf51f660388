// The checks Install makes before anything is written or removed: each
// refusal is a box that says what to do, and the dialog stays. A read-only
// drive, a folder without rights or a device that is not ready is found by
// staging itself, which takes back what it made.
#include "setup/SETUP.h"

#include "app/Application.h"
#include "diag/Diag.h"
#include "setup/DeGlom.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Reg.h"

// Free space of the install directory's drive against what the archive
// needs there; a drive that cannot say is left to staging's own undo.
bool SETUP::Room()
{
    char root[] = {dir[0], ':', '\\', 0};
    unsigned need = DeGlom::Need();
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExA(root, &avail, 0, 0) || avail.HighPart || avail.LowPart >= need)
        return true;
    return Refuse(StrFormat(msg, sizeof(msg),
                            "Not enough room on %s\r\n"
                            "Tunewrangler needs %d KiB, %d KiB are free.\r\n"
                            "Free some space or pick another Install Dir.",
                            root, (need + 1023) >> 10, avail.LowPart >> 10));
}

// An installed version newer than the one this installer carries is
// replaced only when the user says so.
bool SETUP::NoDowngrade()
{
    char installed[PATHBUF], offered[PATHBUF];
    RegGet(UNINSTALL_KEY).Get("DisplayVersion", installed);
    if (!Newer(installed, DeGlom::Version(offered)))
        return true;
    StrFormat(msg, sizeof(msg), "Tunewrangler %s is installed.\r\nReplace it with the older %s?",
              installed, offered);
    return Ask(MB_YESNO | MB_ICONQUESTION) == IDYES || Refuse(0);
}

int SETUP::Ask(unsigned buttons)
{
    return MessageBoxA(App.main, msg, "Tunewrangler", buttons);
}

bool SETUP::Newer(const char* a, const char* b)
{
    int order = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (a[i] < '0' || a[i] > '9' || b[i] < '0' || b[i] > '9')
            return false;
        if (!order)
            order = a[i] - b[i];
    }
    return !a[8] && !b[8] && order > 0;
}
