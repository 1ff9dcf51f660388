// The install directory's rules: what the dialog proposes and what it takes.
#include "setup/SETUP.h"

#include "setup/Glom.h"
#include "sys/Format.h"

bool SETUP::Propose(const char* folder, char* out)
{
    unsigned len = StrLen(folder);
    bool root = len && folder[len - 1] == '\\'; // a drive root such as D:\ has its "\"
    if (len + (root ? 0 : 1) + APP_SUFFIX_LEN - 1 > Glom::DIR_MAX)
        return false;
    wsprintfA(out, "%s%sTunewrangler", folder, root ? "" : "\\");
    return true;
}

// Every refusal here is a typo the user can mend in the field: none may end
// the program, delete a file or leave a path Windows reads otherwise.
const char* SETUP::TooLong(char* msg)
{
    return StrFormat(msg, 2 * PATHBUF,
                     "Install Dir is too long:\r\nit may have at most %d characters.",
                     (int)Glom::DIR_MAX);
}

const char* SETUP::DirProblem(char* dir, char* msg)
{
    static const char INVALID[] = "fill in a valid Install Dir";
    unsigned len = StrLen(dir);
    if (len > 3 && dir[len - 1] == '\\')
        dir[--len] = 0; // C:\Apps\ is C:\Apps, as the stored paths need it
    if (!len || StrCompareNI(dir + 1, ":\\", 2) || StrFind(dir, '?'))
        return INVALID;
    if (len > Glom::DIR_MAX)
        return TooLong(msg);
    if (len == 3)
        return "pick a folder, not a whole drive";
    // Stored as an expandable string and taken by the shell's own %1: both
    // would turn C:\%SystemRoot%\x into another folder.
    if (StrFind(dir, '%'))
        return "Install Dir can't hold a %: Windows reads it as a variable";
    char w[PATHBUF];
    StrCopy(w, dir);
    w[3] = 0;
    if (GetFileAttributesA(w) == INVALID_FILE_ATTRIBUTES)
        return INVALID; // no such drive (a typo such as Q:\ or 1:\)
    w[3] = dir[3];
    // Each folder on the way: a name Windows takes, not an existing file.
    for (unsigned i = 3, from = 3; i <= len; ++i) {
        if (dir[i] && dir[i] != '\\')
            continue;
        w[i] = 0;
        if (Glom::NameProblem(w + from, Glom::DIR_MAX))
            return StrFormat(msg, 2 * PATHBUF, "%s:\r\nWindows can't name a folder \"%s\"", INVALID,
                             w + from);
        DWORD attr = GetFileAttributesA(w);
        if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
            return StrFormat(msg, 2 * PATHBUF,
                             "%s is a file, not a folder: pick another Install Dir", w);
        w[i] = '\\';
        from = i + 1;
    }
    return 0;
}
