// Extraction of the payload archive carried in the program's resources.
#pragma once
#include "sys/Str.h"

// The staging folder's name inside the install directory: with a member's
// index (at most 8 hex digits) it stays within the 25 characters a member's
// own name may take, so a staged path is never longer than a placed one.
#define STAGE_NAME "~install.tmp"

class DeGlom {
public:
    // Finds the archive and proves it is the one that was built (its Sum)
    // and safe to walk; a damaged one ends the process before anything is
    // written. Called once at start.
    static void Verify();

    // Stages every member in dir's staging folder (STAGE_NAME) under its
    // index, each written in full and its length checked, and makes sure no
    // folder stands where a member is to go (nor, with probe, a file held
    // open); all or nothing: on a failure what was written and made goes
    // again. Whatever a crash would leave is first scheduled for deletion at
    // the next start of the system.
    DeGlom(const char* dir, bool probe);

    // Takes a complete staging away again: its files, then the folders made.
    static void Unstage(const char* dir, unsigned made);
    // The archive, for a walk of its members (Glom::Walk).
    static const unsigned char* Archive() { return glom; }
    // Records every member (MEMBERS_KEY) for the uninstaller.
    static void Record();

    // What extraction takes of a drive, in bytes: every member in whole 4 KiB
    // clusters. What an earlier installation will free is not counted.
    static unsigned Need();
    // The text of the archive's version.txt up to its line end (PATHBUF).
    static char* Version(char* out);

    // KiB of all members, rounded up, for the uninstall entry.
    unsigned kib;
    // Folders made for the staging folder, itself included.
    unsigned made;
    // Set when a member or the folder could not be written: its path and the
    // system's error for it. Nothing of this attempt is left then.
    unsigned failed;
    unsigned long error;
    char firstFailed[PATHBUF];

private:
    static const unsigned char* glom;
};
