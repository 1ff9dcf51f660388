// Extraction of the payload archive carried in the program's resources.
#pragma once
#include "sys/Str.h"

class DeGlom {
public:
    // Finds the archive and proves it is the one that was built (its Sum)
    // and safe to walk; a damaged one ends the process before anything is
    // written. Called once at start.
    static void Verify();

    // Writes every member into dir, recording each one written (MEMBERS_KEY)
    // for the uninstaller.
    explicit DeGlom(const char* dir);

    // KiB of all members, rounded up, for the uninstall entry.
    unsigned kib;
    // Members that could not be created or were written short, the path of
    // the first of them and the system's error for it: the install stops.
    unsigned failed;
    unsigned long error;
    char firstFailed[PATHBUF];

private:
    static const unsigned char* glom;
};
