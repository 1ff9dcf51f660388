// The uninstall, step by step: which installation, its files, the Start Menu,
// the shell registrations, and the uninstall entry last.
#include "unplant/Unplant.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

#include "diag/Diag.h"
#include "footprint/Footprint.h"
#include "footprint/Previous.h"
#include "footprint/Registrations.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Patient.h"
#include "sys/Reg.h"

#define CAPTION "Remove Tunewrangler"

Unplant::Unplant(UnplantMode m) : mode(m), removed(0)
{
    dir[0] = typed[0] = 0;
    StrCopy(dir, ExePath(self));
    PathUp(dir);
}

void Unplant::Say(const char* text)
{
    Hey(text, CAPTION);
}

int Unplant::Run()
{
    static const char* const MODES[] = {"ask", "shh", "/S"};
    DBGF("{ Unplant::Run mode=%s dir=%s", MODES[mode], dir);
    int rc = UNPLANT_NOT_REMOVED;
    char msg[2 * PATHBUF];
    if (!Which()) {
        // Said already.
    } else if (mode == ASK &&
               MessageBoxA(
                   0,
                   StrFormat(msg, sizeof(msg), "Remove Tunewrangler and its tools from %s?", dir),
                   CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        DBG("not wanted");
        rc = UNPLANT_DONE;
    } else if (Files()) {
        StartMenu();
        Registrations();
        Entry();
        rc = mode == SHH ? UNPLANT_DONE : Done();
    }
    DBGF("} Unplant::Run rc=%d", rc);
    return rc;
}

// After the removal: the copy that takes this program and its emptied folder,
// then the box that says how it ended; a package manager's run has none when
// all went.
int Unplant::Done()
{
    bool handed = HandOver();
    if (!handed)
        RegRemove("m", UNINSTALL_KEY);
    if (mode == SILENT && handed)
        return UNPLANT_DONE;
    char msg[2 * PATHBUF];
    StrCopy(msg, "Tunewrangler has been removed.");
    if (!handed)
        StrFormat(msg, sizeof(msg),
                  "Tunewrangler has been removed, except %s:\r\n"
                  "it could not be deleted while it runs. Delete it by hand.",
                  self);
    else if (FolderKept())
        StrFormat(msg, sizeof(msg),
                  "Tunewrangler has been removed.\r\n\r\n"
                  "%s is kept: it holds files that Tunewrangler did not install.",
                  dir);
    Say(msg);
    return handed ? UNPLANT_DONE : UNPLANT_NOT_REMOVED;
}

// This program's folder must be the recorded installation, or nothing is touched.
static void Trim(char* path)
{
    unsigned n = StrLen(path);
    while (n > 3 && path[n - 1] == '\\')
        path[--n] = 0;
}

bool Unplant::Which()
{
    RegGet entry(UNINSTALL_KEY);
    entry.Get(VALUE_LOCATION, typed);
    char recorded[PATHBUF], msg[3 * PATHBUF];
    StrCopy(recorded, typed);
    Trim(recorded);
    DBGF("installed at %s", recorded);
    if (!*recorded)
        StrFormat(msg, sizeof(msg),
                  "There is no record of Tunewrangler being installed, so nothing was "
                  "removed from %s.",
                  dir);
    else if (StrCompareI(recorded, dir))
        StrFormat(msg, sizeof(msg),
                  "This uninstaller is in %s,\r\nbut Tunewrangler is installed in %s.\r\n\r\n"
                  "Nothing was removed.",
                  dir, recorded);
    else
        return true;
    Say(msg);
    return false;
}

// Files

// Every member the installer recorded, but this program itself (see HandOver).
// A first pass only checks that none is held, so that a Cancel there finds
// everything in place; the second deletes. A held member gets Retry and Cancel.
bool Unplant::Files()
{
    DBG("{ Unplant::Files");
    char name[PATHBUF];
    for (int pass = 0; pass < 2; ++pass) {
        RegGet members(MEMBERS_KEY);
        for (unsigned i = 0; members.ValueName(i, name); ++i) {
            if (!StrCompareI(name, UNPLANT_EXE))
                continue;
            while (unsigned long error = Member(name, pass == 1))
                if (!Ask(name, error)) {
                    DBG("} Unplant::Files cancelled");
                    return false;
                }
        }
    }
    DBGF("} Unplant::Files removed=%d", (int)removed);
    return true;
}

// Deletes one member, or with remove false only opens it for deletion, shared
// with nobody. 0 when that worked or the file is missing, else the error. A
// hold of a moment (a scanner, a program that has just ended) is waited out.
unsigned long Unplant::Member(const char* name, bool remove)
{
    char path[PATHBUF];
    StrFormat(path, sizeof(path), "%s\\%s", dir, name);
    unsigned long error = remove ? RemovePatiently(path) : ProbePatiently(path);
    if (remove && !error) {
        ++removed;
        DBGF("rm %s", path);
    }
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
}

bool Unplant::Ask(const char* name, unsigned long error)
{
    char msg[3 * PATHBUF], text[PATHBUF];
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        StrFormat(msg, sizeof(msg),
                  "%s\\%s is in use.\r\nClose Tunewrangler and its tools, then press Retry.", dir,
                  name);
    else
        StrFormat(msg, sizeof(msg), "Couldn't remove %s\\%s\r\n%s", dir, name,
                  SysText(error, text));
    DBG(msg);
    if (MessageBoxA(0, msg, CAPTION, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY)
        return true;
    // Run by a later installer ("shh"), it says what that installer needs.
    StrFormat(msg, sizeof(msg),
              removed ? "Tunewrangler is only partly removed: %s\\%s is still there.\r\n%s"
                      : "Nothing was removed: %s\\%s is in use.\r\n%s",
              dir, name,
              mode == SHH ? "Close Tunewrangler and its tools, then press Install again."
              : removed   ? "Run the uninstaller again to finish."
                          : "Run the uninstaller again when it is closed.");
    Say(msg);
    return false;
}

// Whether the folder holds anything besides this program.
bool Unplant::FolderKept()
{
    char pattern[PATHBUF];
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(StrFormat(pattern, sizeof(pattern), "%s\\*", dir), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool other = false;
    do {
        const char* n = fd.cFileName;
        bool dots = n[0] == '.' && (!n[1] || (n[1] == '.' && !n[2]));
        other = other || (!dots && StrCompareI(n, UNPLANT_EXE));
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return other;
}

// Start Menu: the six shortcuts, then the folder when it is empty.
void Unplant::StartMenu()
{
    char start[PATHBUF], lnk[PATHBUF];
    if (SHGetFolderPathA(0, CSIDL_COMMON_PROGRAMS, 0, SHGFP_TYPE_CURRENT, start) != S_OK ||
        StrLen(start) + APP_SUFFIX_LEN + START_LINK_ROOM > PATHBUF - 1) {
        DBG("no Start Menu folder: no shortcuts to remove");
        return;
    }
    StrAppend(start, APP_SUFFIX);
    DBGF("{ Unplant::StartMenu %s", start);
    DeleteFileA(StrFormat(lnk, sizeof(lnk), "%s\\" HOME_LINK, start));
    for (const char* name : SHORTCUT_PROGRAMS)
        DeleteFileA(StrFormat(lnk, sizeof(lnk), "%s\\%s.lnk", start, name));
    RemoveDirectoryA(start);
    DBG("} Unplant::StartMenu");
}

// Shell registrations: every write undone, the last first, so that keys the
// install created are empty by the time their own turn comes.
void Unplant::Registrations()
{
    DBG("{ Unplant::Registrations");
    ::Registrations regs(typed);
    RegWrite w;
    unsigned n = 0;
    while (regs.Nth(n, &w))
        ++n;
    while (n--) {
        regs.Nth(n, &w);
        Previous::Undo(w);
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, 0x3000 /* SHCNF_FLUSHNOWAIT */, 0, 0);
    DBG("} Unplant::Registrations");
}

// The product's record (members, earlier values), then the uninstall entry.
// A later installer ("shh") replaces the entry itself once its own
// uninstaller is in place; otherwise the copy that deletes this program
// takes the entry last (Finish), so that until this program is gone it stays
// listed, and running it again finishes the job.
void Unplant::Entry()
{
    DBG("uninstall entry");
    if (mode == SHH) {
        RegRemove("m", MEMBERS_KEY);
        RegRemove("m", PREVIOUS_KEY);
        return;
    }
    RegRemove("m", PRODUCT_KEY);
}
