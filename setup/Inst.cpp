// The install procedure: the Install button's handler, step by step.
#include "setup/SETUP.h"

#include <shellapi.h>
#include <shlobj.h>

#include "app/Application.h"
#include "diag/Diag.h"
#include "setup/DeGlom.h"
#include "setup/Glom.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Reg.h"

#ifndef HOME_PAGE_URL
#define HOME_PAGE_URL "https://tunewrangler.example/"
#endif

static void Unbusy()
{
    SetCursor(App.savedCursor);
}

void SETUP::Inst(LPARAM)
{
    App.savedCursor = SetCursor(LoadCursorA(0, IDC_WAIT));
    DBG("{ SETUP::Inst");
    SendMessageA(ctlDir.wnd, WM_GETTEXT, PATHBUF, (LPARAM)dir);
    // Nothing is written or removed before every check has passed; a failed
    // extraction then takes back what it wrote. The earlier installation goes
    // only now.
    if (!ValidDir() || !Writable() || !Room() || !NoDowngrade())
        return;
    DBGF("start=%s pfile=%s", start, dir);
    RemoveEarlier();
    unsigned kib;
    if (!Extracted(&kib))
        return;
    UninstallEntry(kib);
    StartMenu();
    if (SendMessageA(ctlAssoc.wnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
        Associate(dir);
    RecordVersion();
    DBG("tell shell to redo stuff;  say ok;  unbusy");
    SHChangeNotify(SHCNE_ASSOCCHANGED, 0x3000 /* SHCNF_FLUSHNOWAIT */, 0, 0);
    Unbusy();
    Hey("You're AWESOME !!\r\n\r\nThanks for trying Tunewrangler.", "Install is complete");
    char exe[PATHBUF];
    StrCopy(exe, dir);
    StrAppend(exe, "\\Tunewrangler.exe");
    ShellExecuteA(0, "open", exe, "", 0, SW_SHOWNORMAL);
    DBG("} SETUP::Inst");
    SendMessageA(App.main, WM_CLOSE, 0, 0);
}

// Implementation

// On refusal the dialog stays open for another try; nothing was touched.
bool SETUP::ValidDir()
{
    char msg[2 * PATHBUF];
    const char* why = DirProblem(dir, msg);
    return !why || Refuse(why);
}

// The dialog stays for another try, after the box that says why (none for
// the user's own No): always false.
bool SETUP::Refuse(const char* why)
{
    Unbusy();
    if (why)
        Hey(why, 0);
    DBG("} SETUP::Inst");
    return false;
}

// Every member written, or none: the user is told which file failed and why.
bool SETUP::Extracted(unsigned* kib)
{
    DBGF("making program files at %s", dir);
    DeGlom glom(dir);
    *kib = glom.kib;
    return !glom.failed || Unwritable(glom.firstFailed, glom.error);
}

// A file or folder that could not be written: refused with the system's
// reason. Only a file held open by a running program is mended by closing
// it; a read-only drive or a name the file system refuses is not.
bool SETUP::Unwritable(const char* path, unsigned long code)
{
    char msg[2 * PATHBUF], text[PATHBUF];
    bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    // The system's text ends in a line break.
    return Refuse(
        StrFormat(msg, sizeof(msg),
                  held ? "Couldn't write %s\r\n"
                         "Please close Tunewrangler and its tools, then press Install again."
                       : "Couldn't write %s\r\n%sPick another Install Dir.",
                  path, SysText(code, text)));
}

// What Add/Remove Programs and package managers read. The uninstaller's path
// is quoted, or the system may run C:\Program.exe for C:\Program Files\...
void SETUP::UninstallEntry(unsigned kib)
{
    char buf[PATHBUF];
    DBG("uninstall info");
    RegPut key("m", UNINSTALL_KEY);
    key.Put("DisplayIcon", StrFormat(buf, sizeof(buf), "%s\\%s.exe", dir, "Tunewrangler"));
    key.Put("DisplayName", "Tunewrangler");
    key.Put("Publisher", "Zavik");
    key.Put(VALUE_UNINSTALL, StrFormat(buf, sizeof(buf), "\"%s\\" UNPLANT_EXE "\"", dir));
    key.Put(VALUE_LOCATION, dir);
    key.Put("QuietUninstallString", StrFormat(buf, sizeof(buf), "\"%s\\" UNPLANT_EXE "\" /S", dir));
    key.PutDword("NoModify", 1);
    key.PutDword("NoRepair", 1);
    key.PutDword("EstimatedSize", kib);
}

void SETUP::StartMenu()
{
    DBGF("making start menu at %s", start);
    // The ANSI form of a path shows "?" for each character the code page
    // lacks; a folder too deep for the links' names is no better.
    bool deep = StrLen(start) + START_LINK_ROOM > PATHBUF - 1;
    if (deep || StrFind(start, '?')) {
        char msg[PATHBUF];
        Hey(StrFormat(msg, sizeof(msg),
                      "%s\r\nso I can't make your Start Menu entries :(\r\n"
                      "You'll have to do that manually :(",
                      deep ? "Your Start Menu's path is too long"
                           : "Sorry, you must have a foreign language version of windows"),
            0);
        return;
    }
    File::PathMake(start);
    char lnk[PATHBUF], target[PATHBUF];
    File::Link(StrFormat(lnk, sizeof(lnk), "%s\\" HOME_LINK, start), HOME_PAGE_URL, dir);
    for (const char* name : SHORTCUT_PROGRAMS)
        File::Link(StrFormat(lnk, sizeof(lnk), "%s\\%s.lnk", start, name),
                   StrFormat(target, sizeof(target), "%s\\%s.exe", dir, name), 0);
}

// The version of the members just written: the archive's own version.txt.
void SETUP::RecordVersion()
{
    char text[PATHBUF];
    RegPut("m", UNINSTALL_KEY).Put("DisplayVersion", DeGlom::Version(text));
}
