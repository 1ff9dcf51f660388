// A dialog item's id bound to its window.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

struct Control {
    Control() : wnd(0), parent(0), id(0) {}
    void Init(HWND parentWnd, int itemId);

    HWND wnd;
    HWND parent;
    int id;
};
