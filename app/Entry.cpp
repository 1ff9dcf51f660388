// The process entry point: no runtime start-up code runs before it.
#include "app/AppMain.h"
#include "app/Application.h"
#include "diag/CrashDump.h"

#if defined(__i386__)
static_assert(sizeof(STARTUPINFOA) == 68, "the 32-bit STARTUPINFOA is 68 bytes");
#endif

// An installer runs from a downloads folder that may hold planted DLLs: where
// the system can, load libraries from System32 only. Old systems lack the call.
static void GuardDllSearch()
{
    typedef BOOL(WINAPI * SetDirsFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDirsFn set = (SetDirsFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (set)
        set(0x800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
}

// The system enters with a 4-byte aligned stack on x86; realign for GCC.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void Entry()
{
    const char* line = GetCommandLineA();
    SetUnhandledExceptionFilter(CrashDump);
    GuardDllSearch();
    App.tail = CmdTail(line);
    STARTUPINFOA si;
    si.dwFlags = 0;
    GetStartupInfoA(&si);
    App.instance = GetModuleHandleA(0);
    App.main = 0;
    App.show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    App.nDialogs = 0;
    for (unsigned i = 0; i < MAX_DIALOGS; ++i)
        App.dialogs[i] = 0;
    ExitProcess(AppMain());
}
