// An earlier installation: its folder proposed when the dialog opens, its
// uninstaller run only once Install has passed every check.
#include "setup/SETUP.h"

#include "diag/Diag.h"
#include "sys/File.h"
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
    char exe[PATHBUF], msg[2 * PATHBUF];
    if (!EarlierUninstaller(exe))
        return;
    if (const char* why = DirProblem(PathUp(exe), msg))
        DBGF("earlier folder not proposed: %s: %s", exe, why);
    else
        StrCopy(dir, exe);
}

// Its uninstaller quietly; then, when the product moves to another folder,
// what that uninstaller leaves of itself there: its own file, and the
// folder once empty. Nothing else there was installed by us.
void SETUP::RemoveEarlier()
{
    char exe[PATHBUF], cmd[PATHBUF + 8];
    if (!EarlierUninstaller(exe))
        return;
    DWORD attr = GetFileAttributesA(exe);
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        // The user deleted the folder: nothing to run.
        DBGF("earlier uninstaller is gone, not run: %s", exe);
        return;
    }
    // Quoted, or a path with a blank would let the system try C:\Program.exe first.
    wsprintfA(cmd, "\"%s\" shh", exe);
    // An uninstaller that did not finish (the user cancelled) keeps its file:
    // it is what removes the rest.
    if (RunWait(cmd))
        return;
    StrCopy(cmd, exe);
    if (!StrCompareI(PathUp(cmd), dir) || StrCompareI(exe + StrLen(cmd) + 1, UNPLANT_EXE))
        return;
    DeleteFileA(exe);
    RemoveDirectoryA(cmd);
}
