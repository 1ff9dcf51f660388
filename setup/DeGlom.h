// Extraction of the payload archive carried in the program's resources.
#pragma once
#include "sys/Str.h"

class DeGlom {
public:
    // Finds the archive and proves it is the one that was built (its Sum)
    // and safe to walk; a damaged one ends the process before anything is
    // written. Called once at start.
    static void Verify();

    // Writes every member into dir, all or nothing: when one cannot be
    // written, the members written before it and the folders made for them
    // are taken away again. Only a complete extraction is recorded
    // (MEMBERS_KEY) for the uninstaller.
    explicit DeGlom(const char* dir);

    // What extraction takes of a drive, in bytes: every member in whole 4 KiB
    // clusters. What an earlier installation will free is not counted.
    static unsigned Need();
    // The text of the archive's version.txt up to its line end (PATHBUF).
    static char* Version(char* out);

    // KiB of all members, rounded up, for the uninstall entry.
    unsigned kib;
    // Set when a member or the folder could not be written: its path and the
    // system's error for it. Nothing of this attempt is left then.
    unsigned failed;
    unsigned long error;
    char firstFailed[PATHBUF];

private:
    void Undo(const char* dir, unsigned written, unsigned made);

    static const unsigned char* glom;
};
