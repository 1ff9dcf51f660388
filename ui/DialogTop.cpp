// The dialog procedure shared by all dialogs, and the dialog list.
#include "ui/DialogTop.h"

#include "app/Application.h"
#include "diag/Diag.h"

// Operations

void DialogTop::Init()
{
    if (!CreateDialogParamA(App.instance, MAKEINTRESOURCEA(templateId), 0, DlgProc, (LPARAM)this))
        Err("DialogTop::Init  CreateDialogParam", 99);
}

void Application::DlgIns(HWND wnd)
{
    if (App.nDialogs >= MAX_DIALOGS)
        Die("Application::DlgIns  too many:(", 0, 99, true);
    App.dialogs[App.nDialogs++] = wnd;
}

void Application::DlgDel(HWND wnd)
{
    for (unsigned i = 0; i < App.nDialogs; ++i) {
        if (App.dialogs[i] != wnd)
            continue;
        --App.nDialogs;
        for (; i < App.nDialogs; ++i)
            App.dialogs[i] = App.dialogs[i + 1];
        return;
    }
}

// Implementation

static const char* SizeCode(WPARAM wp)
{
    static const char* const codes[] = {".", "<", ".>", "s>", "h>"};
    return wp < 5 ? codes[wp] : "?";
}

static const char* EdgeCode(WPARAM wp)
{
    static const char* const codes[] = {" l", " r", "t ", "tl", "tr", "b ", "bl", "br"};
    return (wp >= 1 && wp <= 8) ? codes[wp - 1] : "??";
}

static INT_PTR Fallback(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!App.current)
        return FALSE;
    INT_PTR result = 1;
    return App.current->Msg(&result, wnd, msg, wp, lp) ? result : FALSE;
}

static void ClosePath(HWND wnd)
{
    Application::DlgDel(wnd);
    DestroyWindow(wnd);
}

static INT_PTR InitDialog(HWND wnd, DialogTop* dlg)
{
    dlg->wnd = wnd;
    App.current = dlg;
    App.main = wnd;
    Application::DlgIns(wnd);
    // The small icon, then the big one, each at the size the system uses.
    static const unsigned char sizes[2][3] = {{ICON_SMALL, SM_CXSMICON, SM_CYSMICON},
                                              {ICON_BIG, SM_CXICON, SM_CYICON}};
    for (unsigned i = 0; dlg->iconId && i < 2; ++i) {
        HANDLE icon =
            LoadImageA(App.instance, MAKEINTRESOURCEA(dlg->iconId), IMAGE_ICON,
                       GetSystemMetrics(sizes[i][1]), GetSystemMetrics(sizes[i][2]), LR_SHARED);
        SendMessageA(wnd, WM_SETICON, sizes[i][0], (LPARAM)icon);
    }
    dlg->Open();
    return TRUE;
}

INT_PTR CALLBACK DlgProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    DialogTop* cur = App.current;
    switch (msg) {
    case WM_INITDIALOG:
        return InitDialog(wnd, (DialogTop*)lp);
    case WM_COMMAND:
        if (!cur)
            return FALSE;
        if (cur->Do(LOWORD(wp), (short)HIWORD(wp), lp))
            return TRUE;
        return Fallback(wnd, msg, wp, lp);
    case WM_NOTIFY:
        if (!cur)
            return FALSE;
        if (cur->Do((int)((NMHDR*)lp)->idFrom, (int)((NMHDR*)lp)->code, lp))
            return TRUE;
        return Fallback(wnd, msg, wp, lp);
    case WM_SIZE:
        if (cur)
            cur->Size(SizeCode(wp), LOWORD(lp), HIWORD(lp));
        return TRUE;
    case WM_EXITSIZEMOVE:
        if (cur) {
            RECT r;
            GetClientRect(wnd, &r);
            cur->Size(".x", (unsigned short)r.right, (unsigned short)r.bottom);
        }
        return TRUE;
    case WM_SIZING:
        if (!cur)
            return FALSE;
        if (cur->Sizing(EdgeCode(wp), (RECT*)lp))
            return TRUE;
        return Fallback(wnd, msg, wp, lp);
    case WM_CLOSE:
        if (!cur)
            return FALSE;
        if (wnd != cur->wnd)
            return Fallback(wnd, msg, wp, lp);
        if (cur->Close())
            ClosePath(wnd);
        return TRUE;
    case WM_CLOSE_NOW:
        ClosePath(wnd);
        return TRUE;
    case WM_DESTROY:
        if (!cur)
            return FALSE;
        if (wnd != cur->wnd)
            return Fallback(wnd, msg, wp, lp);
        PostQuitMessage(0);
        App.current = 0;
        return TRUE;
    }
    return Fallback(wnd, msg, wp, lp);
}
