// File operations that ride out a short hold, for both programs.
#include "sys/Patient.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "diag/Diag.h"

typedef BOOL (*FileOp)(const char* path, const char* to);

static BOOL Move(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
}

static BOOL Remove(const char* path, const char*)
{
    return DeleteFileA(path);
}

static BOOL Probe(const char* path, const char*)
{
    HANDLE h = CreateFileA(path, DELETE, 0, 0, OPEN_EXISTING, 0, 0);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    CloseHandle(h);
    return TRUE;
}

// Windows says access denied, not a sharing violation, for a program's image
// still mapped after its end, and for a file whose deletion is pending while a
// scanner still holds it.
static bool Momentary(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

static unsigned long Patiently(FileOp op, const char* path, const char* to)
{
    for (unsigned n = 1;; ++n) {
        if (op(path, to))
            return 0;
        DWORD error = GetLastError();
        if (!Momentary(error) || n > PATIENT_TRIES)
            return error;
        DBGF("held: %s%s%s (error %d), trying again in %d ms", path, to ? " -> " : "", to ? to : "",
             (int)error, (int)(n * PATIENT_STEP_MS));
        Sleep(n * PATIENT_STEP_MS);
    }
}

unsigned long MovePatiently(const char* from, const char* to)
{
    return Patiently(Move, from, to);
}

unsigned long RemovePatiently(const char* path)
{
    return Patiently(Remove, path, 0);
}

unsigned long ProbePatiently(const char* path)
{
    return Patiently(Probe, path, 0);
}
