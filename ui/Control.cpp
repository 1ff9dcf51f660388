// A dialog item's id bound to its window.
#include "ui/Control.h"

#include "diag/Diag.h"

void Control::Init(HWND parentWnd, int itemId)
{
    parent = parentWnd;
    id = itemId;
    wnd = GetDlgItem(parentWnd, itemId);
    if (!wnd) {
        char msg[260];
        wsprintfA(msg, "Control::Init died for ctl #%d", itemId);
        Err(msg, 99);
    }
}
