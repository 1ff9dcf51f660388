// The Application record and the message loop.
#include "app/Application.h"

Application App;

int Application::Pump()
{
    MSG msg;
    // Value returned when the very first GetMessage fails: no message exists yet.
    msg.wParam = 0;
    while (GetMessageA(&msg, 0, 0, 0) == 1) {
        if (!msg.hwnd)
            msg.hwnd = App.main; // thread messages go to the main dialog
        bool taken = false;
        for (unsigned i = 0; i < App.nDialogs && !taken; ++i)
            taken = IsDialogMessageA(App.dialogs[i], &msg) != 0;
        if (!taken) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return (int)msg.wParam;
}
