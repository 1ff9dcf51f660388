// An earlier installation: its folder proposed when the dialog opens, its
// uninstaller run only once the new members are staged.
#include "setup/SETUP.h"

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Reg.h"

// The earlier uninstaller's path without quotes ("C:\...\UNPLANT.exe" or
// bare), or false when no installation is recorded.
static bool EarlierUninstaller(char* exe)
{
    char value[PATHBUF];
    RegGet(UNINSTALL_KEY).Get(VALUE_UNINSTALL, value);
    StrCopy(exe, value[0] == '"' ? value + 1 : value);
    if (char* quote = StrFind(exe, '"'))
        *quote = 0;
    return *exe != 0;
}

// Only a folder the Install button would take, else the default stays.
void SETUP::ProposeEarlier()
{
    char exe[PATHBUF];
    if (!EarlierUninstaller(exe))
        return;
    if (const char* why = DirProblem(PathUp(exe), msg))
        DBGF("earlier folder not proposed: %s: %s", exe, why);
    else
        StrCopy(dir, exe);
}

// Which uninstaller Install runs, and whether the product moves: what that
// uninstaller leaves of itself in its folder then goes once the new entry
// stands; nothing else there was installed by us.
void SETUP::FindEarlier()
{
    char folder[PATHBUF];
    if (EarlierUninstaller(earlier)) {
        DWORD attr = GetFileAttributesA(earlier);
        if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
            // The user deleted the folder: nothing to run.
            DBGF("earlier uninstaller is gone, not run: %s", earlier);
            *earlier = 0;
        }
    }
    StrCopy(folder, earlier);
    moving = *earlier && StrCompareI(PathUp(folder), dir);
}

// The earlier installation's uninstaller, quietly. It counts only when it
// ended well (exit code 0); a Cancel at a file in use, or an error, leaves
// that installation as it was, and so does this attempt: its own box has
// said why and what to do. Its entry stays either way: Register replaces it.
bool SETUP::ReplaceEarlier()
{
    if (!*earlier)
        return true;
    char cmd[PATHBUF + 8];
    // Quoted, or a path with a blank would let the system try C:\Program.exe first.
    unsigned rc = RunWait(StrFormat(cmd, sizeof(cmd), "\"%s\" shh", earlier));
    DBGF("earlier uninstaller ended rc=%d", (int)rc);
    return !rc;
}
