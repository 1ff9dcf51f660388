// The folder the uninstaller's copy runs from: new, under the system's temp
// folder, and for SYSTEM and Administrators only.
#include "unplant/HandOverFolder.h"

#include "diag/Diag.h"
#include "sys/Format.h"

// RtlGenRandom: the system's random source, exported by ADVAPI32 under this name.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

AdminsOnly::AdminsOnly() : ok(false)
{
    static const WELL_KNOWN_SID_TYPE WHO[2] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = &sd;
    sa.bInheritHandle = FALSE;
    if (!InitializeAcl((PACL)acl, sizeof(acl), ACL_REVISION))
        return;
    for (int i = 0; i < 2; ++i) {
        DWORD size = sizeof(sids[i]);
        if (!CreateWellKnownSid(WHO[i], 0, sids[i], &size) ||
            !AddAccessAllowedAceEx((PACL)acl, ACL_REVISION,
                                   OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                   sids[i]))
            return;
    }
    ok = InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&sd, TRUE, (PACL)acl, FALSE) &&
         SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

HandOverFolder::~HandOverFolder()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool HandOverFolder::Make(const char* base, const char* name)
{
    AdminsOnly admins;
    StrFormat(path, PATHBUF, "%s\\%s", base, name);
    if (!admins.ok || StrLen(base) + 1 + StrLen(name) >= PATHBUF ||
        !CreateDirectoryA(path, &admins.sa)) {
        DBGF("no hand-over folder %s (%d)", path, (int)GetLastError());
        return false;
    }
    handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (handle != INVALID_HANDLE_VALUE)
        return true;
    RemoveDirectoryA(path);
    return false;
}

void HandOverFolder::Drop()
{
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    RemoveDirectoryA(path);
}

char* HandOverFolder::RandomName(char* out)
{
    unsigned r[2] = {0, 0};
    SystemFunction036(r, sizeof(r));
    wsprintfA(out, "UNPLANT-%08x%08x", r[0], r[1]);
    return out;
}
