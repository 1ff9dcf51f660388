// The install procedure: the Install button's handler, its checks, then its
// steps, each beside what takes it back.
//
// Each step is made so that a process killed right after it (a logoff, Task
// Manager) leaves a state that a program of ours finishes:
//
//   step            left if the process dies right after it        who cleans up, and when
//   (checks)        nothing new                                    -
//   Stage           the members staged in <dir>\~install.tmp;      the next start of the system:
//                   each staged name, that folder and each folder  each was scheduled for
//                   made for it scheduled for deletion             deletion before it was made
//   ReplaceEarlier  the earlier installation taken by its own      its entry still stands: its
//                   uninstaller ("shh"), but its entry and file    uninstaller takes the rest
//   Register        moving: the earlier folder's uninstaller gone; the new entry's uninstaller
//                   the new entry (with its version) over the
//                   earlier one; the new uninstaller in place;
//                   the members record
//   Place           each member moved into place, one by one;      the same
//                   then the staging folder gone: all is in place
//   StartMenu       the links                                      the same
//   Assocs          the registrations                              the same
//
// A power cut is harsher: the file system keeps names and sizes, not bytes
// that were never flushed, and the registry reaches the disk lazily. So each
// step flushes what the next one counts on:
//
//   step            flushed within it                              what a power cut right after it
//   leaves Stage           the schedule of deletions, before the first    the staged files, whole
//   or not: deleted
//                   staged file; each staged member once written   at the start, as scheduled
//   ReplaceEarlier  -                                              the earlier installation partly
//   gone, its
//                                                                  entry (maybe the older record)
//                                                                  and its uninstaller's file: as a
//                                                                  kill leaves it
//   Register        the entry, before the uninstaller it names is  the entry, and the uninstaller
//   it names
//                   moved in; the members record, before any       with its bytes (flushed when
//                   staged) other member is
//   Place           -                                              members with their bytes, and
//   the record
//                                                                  that lists them
//   StartMenu,      -                                              links and registrations maybe
//   lost or Assocs                                                         empty: the next Install
//   writes them again
//
// Until the earlier uninstaller has succeeded, a failure takes back what
// was staged and the dialog stays: the machine is as it was. After it, a
// member held by a program started meanwhile gets Retry and Cancel; Cancel
// leaves the new entry, whose uninstaller, or the next Install, finishes.
// A member held only a moment (a scanner, the earlier uninstaller's image
// just after its end) is waited out first, without a box. Within Register,
// a process killed between its writes leaves an entry whose uninstaller is
// not there yet (Register says who removes it).
#include "setup/SETUP.h"

#include <shellapi.h>
#include <shlobj.h>

#include "app/Application.h"
#include "diag/Diag.h"
#include "setup/DeGlom.h"
#include "setup/Glom.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Patient.h"
#include "sys/Reg.h"
#include "sys/UserShell.h"

#ifndef HOME_PAGE_URL
#define HOME_PAGE_URL "https://tunewrangler.example/"
#endif

const char CLOSE_AND_RETRY[] = "Close Tunewrangler and its tools, then press Retry.";
const char CLOSE_AND_INSTALL[] = "Close Tunewrangler and its tools, then press Install again.";

// The steps in order: what each makes, and what takes it back.
#define MAKE(step) #step, [](SETUP & s) { return s.step(); }
const SETUP::Step SETUP::steps[] = {
    {MAKE(Stage), [](SETUP& s) { s.Unstage(); }},
    {MAKE(ReplaceEarlier), 0}, // past here, the new entry's uninstaller
    {MAKE(Register), 0},
    {MAKE(Place), 0},
    {MAKE(StartMenu), 0},
    {MAKE(Assocs), 0},
    {0},
};
#undef MAKE

static void Unbusy()
{
    SetCursor(App.savedCursor);
}

void SETUP::Inst(LPARAM)
{
    App.savedCursor = SetCursor(LoadCursorA(0, IDC_WAIT));
    DBG("{ SETUP::Inst");
    SendMessageA(ctlDir.wnd, WM_GETTEXT, PATHBUF, (LPARAM)dir);
    if (!ValidDir() || !Room() || !NoDowngrade())
        return;
    DBGF("start=%s pfile=%s", start, dir);
    FindEarlier();
    for (const Step* s = steps; s->make; ++s) {
        *msg = 0;
        DBGF("{ SETUP::%s", s->name);
        bool made = s->make(*this);
        DBGF("} SETUP::%s", s->name);
        if (made)
            continue;
        while (s-- != steps)
            if (s->undo)
                s->undo(*this);
        Refuse(*msg ? msg : 0);
        return;
    }
    DBG("tell shell to redo stuff;  say ok;  unbusy");
    SHChangeNotify(SHCNE_ASSOCCHANGED, 0x3000 /* SHCNF_FLUSHNOWAIT */, 0, 0);
    Unbusy();
    Hey("You're AWESOME !!\r\n\r\nThanks for trying Tunewrangler.", "Install is complete");
    char exe[PATHBUF];
    StrCopy(exe, dir);
    StrAppend(exe, "\\Tunewrangler.exe");
    // As the signed-in user, not with this process's administrator rights.
    OpenAsUser(exe, "", 0, false);
    DBG("} SETUP::Inst");
    SendMessageA(App.main, WM_CLOSE, 0, 0);
}

// Checks

// On refusal the dialog stays open for another try; nothing was touched.
bool SETUP::ValidDir()
{
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

// A file or folder that could not be written, with the system's reason, in
// msg: always false. Only a file held open by a running program is mended by
// closing it; a read-only drive or a name the file system refuses is not.
bool SETUP::Unwritable(const char* path, unsigned long code)
{
    char text[PATHBUF];
    bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    // The system's text ends in a line break.
    StrFormat(msg, sizeof(msg), "Couldn't write %s\r\n%s%s", path, held ? "" : SysText(code, text),
              held ? CLOSE_AND_INSTALL : "Pick another Install Dir.");
    return false;
}

// Steps

bool SETUP::Stage()
{
    DBGF("making program files at %s", dir);
    // With an earlier installation to run, its uninstaller asks about the
    // files its programs hold; a member it did not have is asked about when
    // it is put in place.
    DeGlom glom(dir, !*earlier);
    kib = glom.kib;
    made = glom.made;
    return !glom.failed || Unwritable(glom.firstFailed, glom.error);
}

void SETUP::Unstage()
{
    DeGlom::Unstage(dir, made);
}

// The entry, then the uninstaller it names: from here on the installation
// is listed, with an uninstaller that takes whatever of it there is (the
// members record says what). When the product moves, the earlier folder
// keeps only its uninstaller's file: it goes first, so that no uninstaller
// of ours is ever left without an entry naming it. A process killed between
// two of these writes leaves an entry whose uninstaller is not there yet:
// Add/Remove Programs offers to remove such an entry, the next Install
// rewrites it; the staged files go at the next start of the system.
bool SETUP::Register()
{
    DBG("uninstall info");
    if (moving) {
        RemovePatiently(earlier);          // its image may be held a moment after its end
        RemoveDirectoryA(PathUp(earlier)); // only when empty
    }
    UninstallEntry();
    if (!Placed(true))
        return false;
    DeGlom::Record();
    return true;
}

// Every other member, then the staging folder, empty now: the installation
// is whole.
bool SETUP::Place()
{
    char stage[PATHBUF];
    if (!Placed(false))
        return false;
    RemoveDirectoryA(StrFormat(stage, sizeof(stage), "%s\\" STAGE_NAME, dir));
    return true;
}

// Moves the staged uninstaller, or every other member, into place. The
// earlier uninstaller has taken the files it held; a program started since
// may hold one again.
bool SETUP::Placed(bool uninstaller)
{
    char staged[PATHBUF], placed[PATHBUF], text[PATHBUF];
    for (Glom::Walk m(DeGlom::Archive()); m.Next();) {
        if (!StrCompareI(m.name, UNPLANT_EXE) != uninstaller)
            continue;
        StrFormat(staged, sizeof(staged), "%s\\" STAGE_NAME "\\%x", dir, m.i - 1);
        StrFormat(placed, sizeof(placed), "%s\\%s", dir, m.name);
        // A scanner that holds the new file, or the earlier uninstaller's
        // image still held after its end, is waited out before any box.
        while (unsigned long error = MovePatiently(staged, placed)) {
            StrFormat(msg, sizeof(msg), "Couldn't write %s\r\n%s%s", placed, SysText(error, text),
                      CLOSE_AND_RETRY);
            DBG(msg);
            if (Ask(MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
                StrFormat(msg, sizeof(msg), "Tunewrangler is only partly installed.\r\n%s",
                          CLOSE_AND_INSTALL);
                return false;
            }
        }
        if (!uninstaller) // its line would come before the entry that names it
            DBGF("placed %s", placed);
    }
    return true;
}

// What Add/Remove Programs and package managers read. The uninstaller's path
// is quoted, or the system may run C:\Program.exe for C:\Program Files\...
void SETUP::UninstallEntry()
{
    char buf[PATHBUF];
    // What the uninstaller needs comes first: an entry half written by a
    // process killed meanwhile still names the folder and its uninstaller.
    RegPut key("m", UNINSTALL_KEY);
    key.Put(VALUE_LOCATION, dir);
    key.Put(VALUE_UNINSTALL, StrFormat(buf, sizeof(buf), "\"%s\\" UNPLANT_EXE "\"", dir));
    key.Put("DisplayIcon", StrFormat(buf, sizeof(buf), "%s\\%s.exe", dir, "Tunewrangler"));
    key.Put("DisplayName", "Tunewrangler");
    key.Put("Publisher", "Zavik");
    key.Put("QuietUninstallString", StrFormat(buf, sizeof(buf), "\"%s\\" UNPLANT_EXE "\" /S", dir));
    key.PutDword("NoModify", 1);
    key.PutDword("NoRepair", 1);
    key.PutDword("EstimatedSize", kib);
    // The version of the members staged: the archive's own version.txt. With
    // the entry, so that a rerun after a crash compares the right one.
    char text[PATHBUF];
    key.Put("DisplayVersion", DeGlom::Version(text));
    key.Flush(); // on the disk before the uninstaller it names is put in place
}

bool SETUP::StartMenu()
{
    DBGF("making start menu at %s", start);
    // The ANSI form of a path shows "?" for each character the code page
    // lacks; a folder too deep for the links' names is no better.
    bool deep = StrLen(start) + START_LINK_ROOM > PATHBUF - 1;
    if (deep || StrFind(start, '?')) {
        Hey(StrFormat(msg, sizeof(msg),
                      "%s\r\nso I can't make your Start Menu entries :(\r\n"
                      "You'll have to do that manually :(",
                      deep ? "Your Start Menu's path is too long"
                           : "Sorry, you must have a foreign language version of windows"),
            0);
        return true;
    }
    File::PathMake(start);
    char lnk[PATHBUF], target[PATHBUF];
    File::Link(StrFormat(lnk, sizeof(lnk), "%s\\" HOME_LINK, start), HOME_PAGE_URL, dir);
    for (const char* name : SHORTCUT_PROGRAMS)
        File::Link(StrFormat(lnk, sizeof(lnk), "%s\\%s.lnk", start, name),
                   StrFormat(target, sizeof(target), "%s\\%s.exe", dir, name), 0);
    return true;
}

bool SETUP::Assocs()
{
    if (SendMessageA(ctlAssoc.wnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
        Associate(dir);
    return true;
}
