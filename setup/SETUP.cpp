// The setup dialog: its proposal when it opens, Browse and the folder picker.
#include "setup/SETUP.h"

#include <shlobj.h>

#include "app/Application.h"
#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Reg.h"
#include "ui/CtlTip.h"

const CmdTab<SETUP> SETUP::cmds[] = {
    {IDC_BROWSE, BN_CLICKED, &SETUP::Browse},
    {IDC_INSTALL, BN_CLICKED, &SETUP::Inst},
    {0},
};

SETUP::SETUP() : DialogTop(IDI_SETUP, IDD_SETUP), nGdi(0)
{
    start[0] = dir[0] = earlier[0] = 0;
}

SETUP::~SETUP()
{
    while (nGdi)
        DeleteObject(gdi[--nGdi]);
}

bool SETUP::Do(int id, int code, LPARAM extra)
{
    return CmdWalk(this, cmds, id, code, extra);
}

// Virtual operations

void SETUP::Open()
{
    DBG("{ SETUP::Open");
    HWND main = App.main;
    ctlDir.Init(main, IDC_DIR);
    ctlAssoc.Init(main, IDC_ASSOC);
    nGdi = 0;
    CtlTip::Init(main);
    CtlTip::Add(ctlDir.wnd, "tunewrangler .exe files go here (the default is fine)");
    CtlTip::Add(ctlAssoc.wnd, "leave it checked unless your don't want to associate\r\n"
                              "tunewrangler's filetypes (.mid, .kar, .rmi)");
    // A Program Files folder with no room left for our suffix is as useless
    // as a missing one; a Start Menu folder too long for the links is refused
    // when they are made.
    if (SHGetFolderPathA(0, CSIDL_COMMON_PROGRAMS, 0, SHGFP_TYPE_CURRENT, start) != S_OK)
        Die("Can't get your Start Menu path??", 0, 99, true);
    if (SHGetFolderPathA(0, CSIDL_PROGRAM_FILES, 0, SHGFP_TYPE_CURRENT, dir) != S_OK ||
        StrLen(dir) + APP_SUFFIX_LEN > PATHBUF - 1)
        Die("Can't get your Program Files path??", 0, 99, true);
    if (StrLen(start) + APP_SUFFIX_LEN < PATHBUF)
        StrAppend(start, APP_SUFFIX);
    StrAppend(dir, APP_SUFFIX);
    ProposeEarlier();
    DBGF("default startmenu=%s progfile=%s", start, dir);
    SendMessageA(ctlDir.wnd, WM_SETTEXT, 0, (LPARAM)dir);
    SendMessageA(ctlAssoc.wnd, BM_SETCHECK, BST_CHECKED, 0);
    DBG("} SETUP::Open");
}

// Command handlers

void SETUP::Browse(LPARAM)
{
    char path[PATHBUF];
    SendMessageA(ctlDir.wnd, WM_GETTEXT, PATHBUF, (LPARAM)path);
    unsigned len = StrLen(path);
    if (len > APP_SUFFIX_LEN && !StrCompareI(path + len - APP_SUFFIX_LEN, APP_SUFFIX))
        StrAppend(path, "", APP_SUFFIX_LEN);
    if (StrLen(path) <= 2)
        StrAppend(path, "\\");
    if (!PickDir(path))
        return;
    // Said at once, not when Install is pressed.
    if (const char* why = Propose(path, dir) ? DirProblem(dir, msg) : TooLong(msg)) {
        Hey(why, 0);
        return;
    }
    SendMessageA(ctlDir.wnd, WM_SETTEXT, 0, (LPARAM)dir);
}

static int CALLBACK PickDirCallback(HWND wnd, UINT msg, LPARAM, LPARAM data)
{
    if (msg == BFFM_INITIALIZED)
        SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

bool PickDir(char* path)
{
    IMalloc* alloc = 0;
    if (FAILED(SHGetMalloc(&alloc)))
        return false;
    BROWSEINFOA bi;
    unsigned char* p = (unsigned char*)&bi;
    for (unsigned i = 0; i < sizeof(bi); ++i)
        p[i] = 0;
    bi.hwndOwner = App.main;
    bi.lpszTitle = "Pick the directory to install into";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = PickDirCallback;
    bi.lParam = (LPARAM)path;
    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&bi)) {
        chosen = SHGetPathFromIDListA(item, path) != 0;
        alloc->Free(item);
    }
    alloc->Release();
    return chosen;
}
