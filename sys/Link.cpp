// Shell links: one shortcut file through the shell's link object.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Str.h"

// Spelled out here so that the program needs no uuid import library.
static const GUID CLSID_Link = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID IID_LinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID IID_Persist = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

void File::Link(const char* lnk, const char* target, const char* workDir)
{
    IShellLinkA* link = 0;
    if (FAILED(CoCreateInstance(CLSID_Link, 0, CLSCTX_INPROC_SERVER, IID_LinkA, (void**)&link)))
        Die("File::Link  IShellLink.CoCreateInstance", 0, 99, true);
    link->SetPath(target);
    link->SetIconLocation("", 0);
    link->SetWorkingDirectory(workDir ? workDir : "");
    link->SetArguments("");
    link->SetShowCmd(0);

    IPersistFile* file = 0;
    if (FAILED(link->QueryInterface(IID_Persist, (void**)&file)))
        Die("File::Link  IPersistFile.QueryInterface", 0, 99, true);
    WCHAR wide[PATHBUF];
    // A path that does not fit 260 wide characters does not convert; it
    // cannot be saved, and is reported as a failed save of that path.
    if (!MultiByteToWideChar(CP_ACP, 0, lnk, -1, wide, PATHBUF) || FAILED(file->Save(wide, TRUE)))
        Die("File::Link  IPersistFile.Save", lnk, 99, true);
    file->Release();
    link->Release();
}
