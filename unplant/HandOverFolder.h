// The folder the uninstaller's copy runs from: new, under the system's temp
// folder, and for SYSTEM and Administrators only.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "sys/Str.h"

// SYSTEM and Administrators: full control of a folder and all it will hold;
// no one else, and nothing inherited from its parent. Self-contained: the
// descriptor points into the object.
struct AdminsOnly {
    AdminsOnly();
    bool ok;
    SECURITY_ATTRIBUTES sa;
    SECURITY_DESCRIPTOR sd;
    DWORD acl[32];
    DWORD sids[2][SECURITY_MAX_SID_SIZE / 4];

private:
    AdminsOnly(const AdminsOnly&);
    void operator=(const AdminsOnly&);
};

class HandOverFolder {
public:
    HandOverFolder() : handle(INVALID_HANDLE_VALUE) { path[0] = 0; }
    ~HandOverFolder();

    // Makes base\name with AdminsOnly and holds it open, sharing no delete,
    // so that it cannot be renamed or removed while the object lives. False
    // when the name exists already (nothing there is ever reused) or the
    // folder cannot be made.
    bool Make(const char* base, const char* name);
    // Removes the folder again (when empty) after a failed hand-over.
    void Drop();
    // "UNPLANT-" and 16 hex digits from the system's random source.
    static char* RandomName(char* out32);

    char path[PATHBUF];

private:
    HANDLE handle;
    HandOverFolder(const HandOverFolder&);
    void operator=(const HandOverFolder&);
};
