// Fatal error report: the trace, the HTML page "rats.html", and the end.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Str.h"
#include "sys/UserShell.h"

#ifndef SUPPORT_EMAIL
#define SUPPORT_EMAIL "support@tunewrangler.example"
#endif

static const char PAGE[] =
    "<html><head><title>RATS !!</title></head><body><pre>\r\n"
    "%s died :(\r\n"
    "<h1><b>%s\r\n"
    "%s</b></h1>\r\n"
    "\r\n"
    "PLEASE email this to   " SUPPORT_EMAIL "\r\n"
    "<h5>(if you could just copy and paste this into an email...\r\n"
    " control-A control-C, open email, control-V)</h5>\r\n"
    "<br><br><img border=\"0\" src=\"works1.png\">  sorry  <img border=\"0\" "
    "src=\"screwed.jpg\">  sorry  <img border=\"0\" src=\"works2.png\"></body></html>";

// Reports nested inside reports (a page whose own write fails again and
// again) stop here and end the process without another page.
enum { MAX_DIE_NESTING = 3 };
static volatile LONG dieDepth;
volatile bool inCrashHandler;

char* SysText(unsigned long code, char* buf)
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 0, code,
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, PATHBUF, 0))
        wsprintfA(buf, "GetLastError=%d", (int)code);
    return buf;
}

char* EtcDir(char* buf)
{
    char folder[PATHBUF];
    PathUp(ExePath(buf));
    PathLast(buf, folder);
    if (SHGetFolderPathA(0, CSIDL_APPDATA, 0, SHGFP_TYPE_CURRENT, buf) != S_OK) {
        DBGF("ARGH - can't get AppData path for %s", folder);
        buf[0] = 0;
        return buf;
    }
    // The folder name comes from the program's own path, so the three parts
    // can outgrow the buffer; a diagnostics path without room for the file
    // names callers append ("\rats.html") is no path.
    if (StrLen(buf) + 1 + StrLen(folder) + 4 + ETC_FILE_ROOM >= PATHBUF) {
        buf[0] = 0;
        return buf;
    }
    StrAppend(buf, "\\");
    StrAppend(buf, folder);
    return StrAppend(buf, "\\etc");
}

static void WritePage(const char* msg, const char* msg2)
{
    char exe[PATHBUF];
    char page[1025];
    char path[PATHBUF];
    ExePath(exe);
    DBG("die a");
    page[1024] = 0; // wsprintfA writes at most 1024 bytes: an overlong page is cut
    wsprintfA(page, PAGE, exe, msg, msg2 ? msg2 : "");
    DBG("die b");
    EtcDir(path);
    DWORD attr = GetFileAttributesA(path);
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY))
        StrCopy(path, "c:");
    StrAppend(path, "\\rats.html");
    DBG("die c");
    File::Put(path, page, StrLen(page));
    DBG(path);
    // The user's own browser, where it may read the page: not the one this
    // elevated process would start, nor from a crashed process.
    if (inCrashHandler)
        ShellExecuteA(0, "open", path, 0, 0, SW_SHOWNORMAL);
    else
        OpenAsUser(path, 0, 0, true);
    DBG("die d");
}

void Die(const char* msg, const char* msg2, int rc, bool exit)
{
    DBGF("{ Die msg=%s msg2=%s rc=%d ExitProcess=%c", msg, msg2 ? msg2 : "(null)", rc,
         exit ? 'y' : 'n');
    if (InterlockedIncrement(&dieDepth) <= MAX_DIE_NESTING)
        WritePage(msg, msg2);
    else
        DBG("die: nested report, no page");
    DBG("} Die");
    if (exit || dieDepth > MAX_DIE_NESTING)
        TerminateProcess(GetCurrentProcess(), rc);
    InterlockedDecrement(&dieDepth);
}

void Err(const char* msg, int rc)
{
    char text[PATHBUF];
    SysText(GetLastError(), text);
    Die(msg, text, rc, true);
}
