// The command-line tail: where the arguments begin.
#include "app/Application.h"

// A blank is any non-NUL byte that is at most a space as a signed value, so
// the upper half of the code page counts as blank too.
static bool Blank(char c)
{
    return c && (signed char)c <= ' ';
}

const char* CmdTail(const char* p)
{
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else if (*p && !Blank(*p)) {
        while (*p && !Blank(*p))
            ++p;
    }
    while (Blank(*p))
        ++p;
    return p;
}
