// Hover tips for a dialog's controls, fed by a message hook.
#include "ui/CtlTip.h"

#include <commctrl.h>
#include <new>

#include "app/Application.h"
#include "diag/Diag.h"
#include "ui/GDIFont.h"

#if defined(__i386__)
static_assert(sizeof(TOOLINFOA) == 48, "the full 32-bit TOOLINFOA is 48 bytes");
#endif

// Static storage for the tip font: it is built once in Init and never
// destroyed, and the build has no heap and runs no static constructors.
alignas(GDIFont) static unsigned char fontStore[sizeof(GDIFont)];
static GDIFont* tipFont;

GDIFont* CtlTip::Font()
{
    return tipFont;
}

void CtlTip::Init(HWND parent)
{
    App.tipParent = parent;
    HWND tip = App.tipWindow =
        CreateWindowExA(0, "tooltips_class32", 0, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, parent, 0, App.instance, 0);
    if (!tip)
        Err("CtlTip::Init  CreateWindowEx", 99);
    SendMessageA(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 0x7FFF7FFF);
    HDC dc = GetDC(tip);
    GDIFont* font = tipFont = new (fontStore) GDIFont(dc);
    SendMessageA(tip, WM_SETFONT, (WPARAM)font->font, TRUE);
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 70 * font->aveWidth);
    ReleaseDC(tip, dc);
    App.tipHook = SetWindowsHookExA(WH_GETMESSAGE, Hook, 0, GetCurrentThreadId());
    if (!App.tipHook)
        Err("CtlTip::Init  SetWindowsHookEx", 99);
}

bool CtlTip::Add(HWND control, const char* text)
{
    TOOLINFOA ti;
    unsigned char* p = (unsigned char*)&ti;
    for (unsigned i = 0; i < sizeof(TOOLINFOA); ++i)
        p[i] = 0;
    ti.cbSize = sizeof(TOOLINFOA);
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = App.tipParent;
    ti.uId = (UINT_PTR)control;
    ti.lpszText = (LPSTR)text;
    return SendMessageA(App.tipWindow, TTM_ADDTOOLA, 0, (LPARAM)&ti) != 0;
}

LRESULT CALLBACK CtlTip::Hook(int code, WPARAM wp, LPARAM lp)
{
    if (code >= 0) {
        const MSG* m = (const MSG*)lp;
        bool mouse = m->message == WM_MOUSEMOVE || m->message == WM_LBUTTONDOWN ||
                     m->message == WM_LBUTTONUP || m->message == WM_RBUTTONDOWN ||
                     m->message == WM_RBUTTONUP;
        if (mouse && IsChild(App.tipParent, m->hwnd)) {
            MSG copy = *m;
            SendMessageA(App.tipWindow, TTM_RELAYEVENT, 0, (LPARAM)&copy);
        }
    }
    return CallNextHookEx(App.tipHook, code, wp, lp);
}
