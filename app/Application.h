// The one record of process state, and the message loop.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class DialogTop;

enum { MAX_DIALOGS = 16 };

struct Application {
    HINSTANCE instance;
    HWND main;        // the dialog initialised last: owner of message boxes
    const char* tail; // command line after the program name
    int show;         // SW_ value the starting process asked for
    HWND dialogs[MAX_DIALOGS];
    unsigned char nDialogs;
    HCURSOR savedCursor; // what the wait cursor replaced
    HWND tipParent;
    HWND tipWindow;
    HHOOK tipHook;
    DialogTop* current; // receives every virtual call of DlgProc

    static int Pump();
    static void DlgIns(HWND wnd);
    static void DlgDel(HWND wnd);
};

// Static, so zero when the process starts; no constructor runs.
extern Application App;

// Where the arguments begin in a command line (program name and blanks skipped).
const char* CmdTail(const char* line);
