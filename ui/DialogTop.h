// Modeless top-level dialogs: the base class, its dialog procedure and the
// command-table walk.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class DialogTop {
public:
    DialogTop(unsigned icon, unsigned tmpl) : iconId(icon), wnd(0), templateId(tmpl) {}

    void Init();

    // Virtual operations, in slot order. The bodies here are the defaults.
    virtual void Open() {}
    virtual bool Close() { return true; }
    virtual void Reserved(unsigned, unsigned) {}
    virtual void Size(const char*, unsigned short, unsigned short) {}
    virtual bool Sizing(const char*, RECT*) { return false; }
    virtual bool Do(int, int, LPARAM) { return false; }
    virtual bool Msg(INT_PTR*, HWND, UINT, WPARAM, LPARAM) { return false; }

    unsigned iconId; // 0: no icon
    HWND wnd;        // bound at WM_INITDIALOG, not cleared at destruction
    unsigned templateId;
};

INT_PTR CALLBACK DlgProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// A dialog class's command table: one route per line, ended by {0}.
template <class T> struct CmdTab {
    int id;
    int code;
    void (T::*handler)(LPARAM extra);
};

// The walk every Do makes over its class's table: the first match runs.
template <class T> bool CmdWalk(T* self, const CmdTab<T>* tab, int id, int code, LPARAM extra)
{
    for (; tab->id; ++tab) {
        if (tab->id == id && tab->code == code) {
            (self->*tab->handler)(extra);
            return true;
        }
    }
    return false;
}

// The private message that closes a dialog without asking it.
enum { WM_CLOSE_NOW = WM_APP + 10 };
