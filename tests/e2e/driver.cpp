// Drives the real installer as a user would: finds its windows, reads and
// fills the dialog, presses buttons with BM_CLICK and answers message boxes.
// Steps come from the command line and run in order; the first that fails
// ends the run with exit code 1 (and ends the installer).
//
//   start EXE | run COMMAND-LINE | dialog | edit-is TEXT | check-is 0|1 | set-edit TEXT | uncheck
//   click ID | box CAPTION TEXT-PREFIX | answer CAPTION TEXT-PREFIX BUTTON-ID
//   (any-box, any-answer: a box of any process, such as the uninstaller an installer runs)
//   picker ok|cancel | product NAME
//   close | exit CODE | no-dialog MS | no-box MS | sleep MS | hold PATH | release
//   regset KEY NAME DATA | regput ROOT KEY NAME DATA | regdword ROOT KEY NAME N | regunset ROOT KEY
//   NAME | regdel ROOT KEY layout | no-key KEY | file-has PATH TEXT | no-file PATH TEXT | rm PATH |
//   shell-open VERB FILE | crash-thread | second EXE | second-box CAPTION TEXT-PREFIX |
//   second-exit CODE MS | dialogs N | wait-box CAPTION TEXT-PREFIX | end-process EXE-NAME
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

PROCESS_INFORMATION installer{}, second{};
HWND dialog;
HANDLE held = INVALID_HANDLE_VALUE;

[[noreturn]] void Fail(const std::string& why)
{
    printf("FAIL: %s\n", why.c_str());
    fflush(stdout);
    if (installer.hProcess)
        TerminateProcess(installer.hProcess, 0xDEAD);
    exit(1);
}

// WM_GETTEXT, not GetWindowText: across processes only the message reaches
// a control's own text.
std::string Text(HWND w)
{
    char buf[2048] = "";
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof(buf), (LPARAM)buf, SMTO_NORMAL, 10000, &got);
    return buf;
}

std::string ClassOf(HWND w)
{
    char buf[256] = "";
    GetClassNameA(w, buf, sizeof(buf));
    return buf;
}

struct Search {
    DWORD pid;         // 0: any process
    std::string title; // empty: any title
    HWND except;
    HWND found;
};

BOOL CALLBACK Visit(HWND w, LPARAM lp)
{
    Search* s = (Search*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if ((s->pid && pid != s->pid) || w == s->except || !IsWindowVisible(w) ||
        ClassOf(w) != "#32770" || (!s->title.empty() && Text(w) != s->title))
        return TRUE;
    s->found = w;
    return FALSE;
}

// A visible dialog-class window, waiting up to ms for it.
HWND Find(DWORD pid, const std::string& title, HWND except = 0, DWORD ms = 30000)
{
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < ms; Sleep(100)) {
        Search s{pid, title, except, 0};
        EnumWindows(Visit, (LPARAM)&s);
        if (s.found)
            return s.found;
    }
    return 0;
}

// The longest static text in a message box is its message.
BOOL CALLBACK Longest(HWND w, LPARAM lp)
{
    std::string* best = (std::string*)lp;
    std::string t = Text(w);
    if (ClassOf(w) == "Static" && t.size() > best->size())
        *best = t;
    return TRUE;
}

std::string BoxText(HWND box)
{
    std::string best;
    EnumChildWindows(box, Longest, (LPARAM)&best);
    return best;
}

HWND Item(int id)
{
    HWND w = GetDlgItem(dialog, id);
    if (!w)
        Fail("no control " + std::to_string(id));
    return w;
}

void Start(const std::string& exe, PROCESS_INFORMATION* pi = &installer)
{
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    std::string cmd = "\"" + exe + "\"";
    if (!CreateProcessA(0, &cmd[0], 0, 0, FALSE, 0, 0, 0, &si, pi))
        Fail("cannot start " + exe);
    printf("started %s (%lu)\n", exe.c_str(), pi->dwProcessId);
}

BOOL CALLBACK CountDialogs(HWND w, LPARAM lp)
{
    if (IsWindowVisible(w) && ClassOf(w) == "#32770" && Text(w) == "SETUP Tunewrangler")
        ++*(int*)lp;
    return TRUE;
}

HKEY Root(const std::string& r)
{
    return r == "HKCU" ? HKEY_CURRENT_USER : r == "HKCR" ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> a(argv + 1, argv + argc);
    for (size_t i = 0; i < a.size(); ++i) {
        const std::string& step = a[i];
        auto arg = [&]() -> std::string {
            if (++i >= a.size())
                Fail(step + " needs an argument");
            return a[i];
        };
        if (step == "start") {
            Start(arg());
        } else if (step == "run") {
            // A command line as stored, unchanged: as a package manager runs it.
            STARTUPINFOA si{};
            si.cb = sizeof(si);
            std::string cmd = arg();
            if (!CreateProcessA(0, &cmd[0], 0, 0, FALSE, 0, 0, 0, &si, &installer))
                Fail("cannot run " + a[i]);
        } else if (step == "dialog") {
            // A fresh prefix may still be settling on its first runs: be patient.
            dialog = Find(installer.dwProcessId, "SETUP Tunewrangler", 0, 120000);
            if (!dialog) {
                HWND box = Find(installer.dwProcessId, "", 0, 100);
                DWORD code = 0;
                GetExitCodeProcess(installer.hProcess, &code);
                Fail("the setup dialog did not appear" +
                     (box ? ": a box [" + Text(box) + "] says " + BoxText(box)
                          : "; exit code " + std::to_string(code)));
            }
            // Usable once its thread answers messages: the dialog's opening
            // (and any uninstaller it waits for) is over.
            DWORD_PTR r;
            if (!SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &r))
                Fail("the setup dialog does not answer");
            printf("dialog up\n");
        } else if (step == "wait-box") {
            // A box of the program that is up, left unanswered.
            std::string caption = arg(), prefix = arg();
            HWND box = Find(installer.dwProcessId, caption, dialog);
            if (!box || BoxText(box).compare(0, prefix.size(), prefix))
                Fail("no message box [" + caption + "] beginning [" + prefix + "]");
        } else if (step == "second") {
            // Another start of a program while the first runs.
            Start(arg(), &second);
        } else if (step == "second-exit") {
            DWORD want = strtoul(arg().c_str(), 0, 0), ms = strtoul(arg().c_str(), 0, 0), got = 0;
            if (WaitForSingleObject(second.hProcess, ms) != WAIT_OBJECT_0)
                Fail("the second start did not end");
            GetExitCodeProcess(second.hProcess, &got);
            printf("second exit code %lu\n", got);
            if (got != want)
                Fail("second exit code " + std::to_string(got));
        } else if (step == "dialogs") {
            int want = atoi(arg().c_str()), got = 0;
            EnumWindows(CountDialogs, (LPARAM)&got);
            if (got != want)
                Fail(std::to_string(got) + " setup dialogs");
        } else if (step == "no-box") {
            // No box of the installer's own beside its dialog within MS.
            if (HWND box = Find(installer.dwProcessId, "", dialog, atoi(arg().c_str())))
                Fail("a box appeared: " + BoxText(box));
        } else if (step == "no-dialog") {
            if (Find(installer.dwProcessId, "SETUP Tunewrangler", 0, atoi(arg().c_str())))
                Fail("a dialog appeared");
        } else if (step == "edit-is") {
            std::string want = arg(), got = Text(Item(1025));
            printf("edit: %s\n", got.c_str());
            if (got != want)
                Fail("edit holds [" + got + "], not [" + want + "]");
        } else if (step == "check-is") {
            LRESULT got = SendMessageA(Item(1027), BM_GETCHECK, 0, 0);
            if (got != atoi(arg().c_str()))
                Fail("check box state " + std::to_string(got));
        } else if (step == "set-edit") {
            SendMessageA(Item(1025), WM_SETTEXT, 0, (LPARAM)arg().c_str());
        } else if (step == "uncheck") {
            PostMessageA(Item(1027), BM_CLICK, 0, 0);
            Sleep(300);
            if (SendMessageA(Item(1027), BM_GETCHECK, 0, 0) != BST_UNCHECKED)
                Fail("the check box did not clear");
        } else if (step == "click") {
            PostMessageA(Item(atoi(arg().c_str())), BM_CLICK, 0, 0);
        } else if (step == "box" || step == "answer" || step == "any-box" || step == "any-answer" ||
                   step == "second-box") {
            // answer names the button of a box with others: IDYES 6, IDNO 7,
            // IDRETRY 4, IDCANCEL 2; box presses OK.
            bool any = step.compare(0, 4, "any-") == 0;
            std::string caption = arg(), prefix = arg();
            int button = step.find("answer") != std::string::npos ? atoi(arg().c_str()) : IDOK;
            DWORD pid = any ? 0 : step == "second-box" ? second.dwProcessId : installer.dwProcessId;
            HWND box = Find(pid, caption, dialog);
            if (!box)
                Fail("no message box [" + caption + "]");
            std::string text = BoxText(box);
            printf("box [%s]: %s\n", caption.c_str(), text.c_str());
            if (text.compare(0, prefix.size(), prefix))
                Fail("box text does not begin with [" + prefix + "]");
            PostMessageA(box, WM_COMMAND, button, 0);
            // Gone before the next step looks for a box of the same caption.
            for (int waited = 0; IsWindow(box) && waited < 10000; waited += 50)
                Sleep(50);
        } else if (step == "picker") {
            std::string how = arg();
            HWND picker = Find(installer.dwProcessId, "", dialog);
            if (!picker)
                Fail("the folder picker did not open");
            printf("picker: %s\n", Text(picker).c_str());
            Sleep(500); // let it select the folder it was given
            PostMessageA(picker, WM_COMMAND, how == "ok" ? IDOK : IDCANCEL, 0);
            Sleep(500);
        } else if (step == "product") {
            std::string name = arg();
            HWND box = Find(0, name, 0, 30000);
            if (!box)
                Fail("the product " + name + " did not start");
            printf("product: %s\n", BoxText(box).c_str());
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else if (step == "close") {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (step == "exit") {
            DWORD want = strtoul(arg().c_str(), 0, 0), got = 0;
            if (WaitForSingleObject(installer.hProcess, 60000) != WAIT_OBJECT_0)
                Fail("the installer did not end");
            GetExitCodeProcess(installer.hProcess, &got);
            printf("exit code %lu\n", got);
            if (got != want)
                Fail("exit code " + std::to_string(got) + ", not " + std::to_string(want));
            installer = PROCESS_INFORMATION{};
        } else if (step == "sleep") {
            Sleep(atoi(arg().c_str()));
        } else if (step == "end-process") {
            // Every process of that file name, ended by its id: a desktop
            // without Explorer.
            std::string name = arg();
            HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32 pe;
            pe.dwSize = sizeof(pe);
            for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
                if (_stricmp(pe.szExeFile, name.c_str()))
                    continue;
                HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID);
                if (!p || !TerminateProcess(p, 1))
                    Fail("cannot end " + name);
                WaitForSingleObject(p, 10000);
                CloseHandle(p);
                printf("ended %s (%lu)\n", name.c_str(), pe.th32ProcessID);
            }
            CloseHandle(snap);
        } else if (step == "hold") {
            // As a running program holds its own file.
            held = CreateFileA(arg().c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
            if (held == INVALID_HANDLE_VALUE)
                Fail("cannot hold " + a[i]);
        } else if (step == "release") {
            CloseHandle(held);
        } else if (step == "regset") {
            std::string key = arg(), name = arg(), data = arg();
            HKEY h;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
            if (name[0] == '#') { // a number, not a string
                DWORD n = atoi(data.c_str());
                RegSetValueExA(h, name.c_str() + 1, 0, REG_DWORD, (BYTE*)&n, 4);
            } else {
                RegSetValueExA(h, name.c_str(), 0, REG_SZ, (const BYTE*)data.c_str(),
                               DWORD(data.size() + 1));
            }
            RegCloseKey(h);
        } else if (step == "regput") {
            std::string root = arg(), key = arg(), name = arg(), data = arg();
            HKEY h;
            RegCreateKeyExA(Root(root), key.c_str(), 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
            RegSetValueExA(h, name.c_str(), 0, REG_SZ, (const BYTE*)data.c_str(),
                           DWORD(data.size() + 1));
            RegCloseKey(h);
        } else if (step == "regdword") {
            std::string root = arg(), key = arg(), name = arg();
            DWORD n = strtoul(arg().c_str(), 0, 0);
            HKEY h;
            RegCreateKeyExA(Root(root), key.c_str(), 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
            RegSetValueExA(h, name.c_str(), 0, REG_DWORD, (BYTE*)&n, 4);
            RegCloseKey(h);
        } else if (step == "regdel") {
            std::string root = arg(), key = arg();
            RegDeleteTreeA(Root(root), key.c_str());
            RegDeleteKeyA(Root(root), key.c_str());
        } else if (step == "regdel64") {
            // The 64-bit view from a 32-bit driver: what a 64-bit program left.
            std::string key = arg();
            HKEY h;
            if (!RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                               &h)) {
                RegDeleteTreeA(h, 0);
                RegCloseKey(h);
                RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
            }
        } else if (step == "regunset") {
            std::string root = arg(), key = arg(), name = arg();
            HKEY h;
            if (!RegOpenKeyExA(Root(root), key.c_str(), 0, KEY_ALL_ACCESS, &h)) {
                RegDeleteValueA(h, name.c_str());
                RegCloseKey(h);
            }
        } else if (step == "no-key") {
            HKEY h;
            if (!RegOpenKeyExA(HKEY_LOCAL_MACHINE, arg().c_str(), 0, KEY_READ, &h)) {
                RegCloseKey(h);
                Fail("the key " + a[i] + " exists");
            }
        } else if (step == "file-has") {
            std::string path = arg(), want = arg();
            FILE* f = fopen(path.c_str(), "rb");
            std::string got;
            char buf[4096];
            while (f && !feof(f))
                got.append(buf, fread(buf, 1, sizeof(buf), f));
            if (f)
                fclose(f);
            if (got.find(want) == std::string::npos)
                Fail(path + " lacks [" + want + "]: [" + got + "]");
        } else if (step == "layout") {
            // The dialog's size, and every control inside its client area:
            // at any DPI, none may be cut. One pixel is rounding: the Install
            // button ends on the template's last dialog unit, and each
            // coordinate is rounded to pixels on its own.
            RECT w, c;
            GetWindowRect(dialog, &w);
            GetClientRect(dialog, &c);
            printf("layout dialog %ld %ld client %ld %ld\n", w.right - w.left, w.bottom - w.top,
                   c.right, c.bottom);
            for (HWND ctl = GetWindow(dialog, GW_CHILD); ctl; ctl = GetWindow(ctl, GW_HWNDNEXT)) {
                RECT r;
                GetWindowRect(ctl, &r);
                MapWindowPoints(0, dialog, (POINT*)&r, 2);
                int id = GetDlgCtrlID(ctl);
                printf("layout control %d %ld %ld %ld %ld\n", id, r.left, r.top, r.right, r.bottom);
                if (r.left < 0 || r.top < 0 || r.right > c.right + 1 || r.bottom > c.bottom + 1 ||
                    r.right <= r.left || r.bottom <= r.top)
                    Fail("control " + std::to_string(id) + " is cut");
            }
        } else if (step == "no-file") {
            if (GetFileAttributesA(arg().c_str()) != INVALID_FILE_ATTRIBUTES)
                Fail(a[i] + " exists");
        } else if (step == "shell-open") {
            // As Explorer runs a verb of a file: the registered command line.
            std::string verb = arg(), file = arg();
            if ((INT_PTR)ShellExecuteA(0, verb.c_str(), file.c_str(), 0, 0, SW_SHOWNORMAL) <= 32)
                Fail("the shell cannot " + verb + " " + file);
        } else if (step == "crash-thread") {
            // A thread of the installer that starts at address 0: its fault
            // reaches the filter the installer's entry set.
            DWORD id;
            HANDLE t = CreateRemoteThread(installer.hProcess, 0, 0, 0, 0, 0, &id);
            if (!t)
                Fail("cannot start a thread in the installer");
            CloseHandle(t);
        } else if (step == "rm") {
            std::string path = arg();
            std::string cmd =
                "cmd /c rmdir /s /q \"" + path + "\" 2>nul & del /f /q \"" + path + "\" 2>nul";
            system(cmd.c_str());
        } else {
            Fail("unknown step " + step);
        }
        fflush(stdout);
    }
    printf("PASS\n");
    return 0;
}
