// The uninstaller: takes away what the installer wrote, and nothing else.
#pragma once
#include "sys/Str.h"

// Exit codes: 0 removed or not wanted, 1 nothing or not all removed (the user
// cancelled, or this is not the recorded installation), 99 a fatal error.
enum { UNPLANT_DONE = 0, UNPLANT_NOT_REMOVED = 1 };

class Unplant {
public:
    // quiet: started with "shh" by a later installer; no box on success, and
    // the program's own file stays for the new install to overwrite.
    explicit Unplant(bool quiet);
    int Run();

    // The copy in the temp folder: waits for the original to end, then takes
    // away its file and the folder if that is empty. tail: "<handle> <path>".
    static int Finish(const char* tail);

private:
    bool Which();
    bool Files();
    unsigned long Member(const char* name, bool remove);
    bool Ask(const char* file, unsigned long error);
    void StartMenu();
    void Registrations();
    void Entry();
    bool HandOver();
    bool FolderKept();
    void Say(const char* text);

    bool quiet;
    unsigned removed;    // members deleted so far
    char dir[PATHBUF];   // the folder that holds this program
    char typed[PATHBUF]; // the install directory as the installer wrote it
    char self[PATHBUF];  // this program's own path
};
