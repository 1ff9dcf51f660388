// Hover tips for a dialog's controls, fed by a message hook.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class GDIFont;

class CtlTip {
public:
    static void Init(HWND parent);
    static bool Add(HWND control, const char* text);
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);

    // The tip font lives as long as the tooltip, that is until the process ends.
    static GDIFont* Font();
};
