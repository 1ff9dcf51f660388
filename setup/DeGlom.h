// Extraction of the payload archive carried in the program's resources.
#pragma once
#include "sys/Str.h"

class DeGlom {
public:
    // Writes every member into dir, recording each one written (MEMBERS_KEY)
    // for the uninstaller; a bad archive ends the process first.
    explicit DeGlom(const char* dir);

    // KiB of all members, rounded up, for the uninstall entry.
    unsigned kib;
    // Members that could not be created or were written short, and the
    // path of the first of them: the install stops on these.
    unsigned failed;
    char firstFailed[PATHBUF];
};
