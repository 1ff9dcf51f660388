// Starting a program as the signed-in user, through the desktop shell's own
// ShellExecute: the shell windows object (a local server in Explorer), its
// desktop window, that window's top-level browser, the background object of
// its view, the shell application behind it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <objbase.h>
#include <shlobj.h>

#include "sys/UserShell.h"

#include "diag/Diag.h"
#include "sys/Str.h"

// Spelled out here so that the program needs no uuid library.
static const GUID CLSID_Windows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
static const GUID IID_Windows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
static const GUID IID_Services = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0, 0xAA, 0, 0x60, 0x09, 0xFA}};
static const GUID SID_TopBrowser = {
    0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0, 0xAA, 0, 0x4A, 0xE8, 0x37}};
static const GUID IID_Browser = {0x000214E2, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID IID_Dispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID IID_ViewDual = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
static const GUID IID_Dispatch2 = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};

// A BSTR laid out in a buffer of our own, as the system's allocator lays it
// out: the byte length, the wide characters, a terminating zero. The string
// is passed in only, so nobody frees it.
struct Bstr {
    DWORD bytes;
    WCHAR text[PATHBUF];

    explicit Bstr(const char* s)
    {
        int n = MultiByteToWideChar(CP_ACP, 0, s, -1, text, PATHBUF);
        if (n < 1) { // does not fit: an empty string, which the shell refuses
            n = 1;
            text[0] = 0;
        }
        bytes = (n - 1) * sizeof(WCHAR);
    }
    VARIANT Variant()
    {
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = text;
        return v;
    }
};

static VARIANT Empty()
{
    VARIANT v;
    for (unsigned i = 0; i < sizeof(v); ++i)
        ((char*)&v)[i] = 0; // VT_EMPTY
    return v;
}

template <class T> static void Drop(T*& p)
{
    if (p)
        p->Release();
    p = 0;
}

// The desktop shell's application object and its desktop window, or 0 with
// the step that failed.
static IShellDispatch2* DesktopShell(const char** failed, long* hwnd)
{
    IShellWindows* windows = 0;
    IDispatch* desktop = 0;
    IServiceProvider* services = 0;
    IShellBrowser* browser = 0;
    IShellView* view = 0;
    IDispatch* background = 0;
    IShellFolderViewDual* folderView = 0;
    IDispatch* app = 0;
    IShellDispatch2* shell = 0;
    VARIANT none = Empty(), noRoot = Empty();
    if (FAILED(
            CoCreateInstance(CLSID_Windows, 0, CLSCTX_LOCAL_SERVER, IID_Windows, (void**)&windows)))
        *failed = "CoCreateInstance(ShellWindows)";
    else if (windows->FindWindowSW(&none, &noRoot, SWC_DESKTOP, hwnd, SWFO_NEEDDISPATCH,
                                   &desktop) != S_OK ||
             !desktop)
        *failed = "FindWindowSW";
    else if (FAILED(desktop->QueryInterface(IID_Services, (void**)&services)) ||
             FAILED(services->QueryService(SID_TopBrowser, IID_Browser, (void**)&browser)))
        *failed = "QueryService(STopLevelBrowser)";
    else if (FAILED(browser->QueryActiveShellView(&view)) ||
             FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_Dispatch, (void**)&background)))
        *failed = "GetItemObject(SVGIO_BACKGROUND)";
    else if (FAILED(background->QueryInterface(IID_ViewDual, (void**)&folderView)) ||
             FAILED(folderView->get_Application(&app)) || !app)
        *failed = "get_Application";
    else if (FAILED(app->QueryInterface(IID_Dispatch2, (void**)&shell)))
        *failed = "IShellDispatch2";
    Drop(app);
    Drop(folderView);
    Drop(background);
    Drop(view);
    Drop(browser);
    Drop(services);
    Drop(desktop);
    Drop(windows);
    return shell;
}

// The account a process runs as, into sid (SECURITY_MAX_SID_SIZE bytes).
static bool UserOf(HANDLE process, void* sid)
{
    HANDLE token;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    union {
        TOKEN_USER user;
        char room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD len = 0;
    bool ok = GetTokenInformation(token, TokenUser, &info, sizeof(info), &len) &&
              CopySid(SECURITY_MAX_SID_SIZE, sid, info.user.User.Sid);
    CloseHandle(token);
    return ok;
}

// Whether the process of the shell's desktop window runs as this one's account.
static bool SameUser(HWND desktop)
{
    DWORD pid = 0;
    if (!desktop || !GetWindowThreadProcessId(desktop, &pid))
        return false;
    HANDLE shell = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!shell)
        return false;
    char mine[SECURITY_MAX_SID_SIZE], theirs[SECURITY_MAX_SID_SIZE];
    bool same =
        UserOf(GetCurrentProcess(), mine) && UserOf(shell, theirs) && EqualSid(mine, theirs);
    CloseHandle(shell);
    return same;
}

void OpenAsUser(const char* file, const char* params, const char* dir, bool sameUser)
{
    const char* failed = 0;
    long hwnd = 0;
    // A fatal error may come before the program's own COM start, or in the
    // uninstaller, which has none.
    bool started = CoInitialize(0) == S_OK;
    IShellDispatch2* shell = DesktopShell(&failed, &hwnd);
    const char* why = "no desktop shell to ask";
    if (shell && sameUser &&
        !SameUser(GetShellWindow() ? GetShellWindow() : (HWND)(LONG_PTR)hwnd)) {
        Drop(shell);
        why = "the desktop shell runs as another account";
        failed = "SameUser";
    }
    if (shell) {
        Bstr f(file), p(params ? params : ""), d(dir ? dir : ""), verb("open");
        VARIANT show;
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        HRESULT hr = shell->ShellExecute(f.text, p.Variant(), dir ? d.Variant() : Empty(),
                                         verb.Variant(), show);
        shell->Release();
        failed = SUCCEEDED(hr) ? 0 : "ShellExecute";
    }
    if (started)
        CoUninitialize();
    if (!failed) {
        DBGF("opened %s by the desktop shell", file);
        return;
    }
    DBGF("%s (%s failed): opened %s by this process", why, failed, file);
    ShellExecuteA(0, "open", file, params, dir, SW_SHOWNORMAL);
}
