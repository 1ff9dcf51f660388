// The uninstaller: takes away what the installer wrote, and nothing else.
#pragma once
#include "sys/Str.h"

// Exit codes: 0 removed or not wanted, 1 nothing or not all removed (the user
// cancelled, or this is not the recorded installation), 99 a fatal error.
enum { UNPLANT_DONE = 0, UNPLANT_NOT_REMOVED = 1 };

// How it was started, by whom:
//   ASK     no argument (Add/Remove Programs, the Start Menu link): asks first,
//           says how it ended, and its copy deletes this program and the folder;
//   SHH     "shh", a later installer: no box on success, and this program's own
//           file and the uninstall entry stay for the new install to replace;
//   SILENT  "/S", a package manager (QuietUninstallString): no box on success,
//           and everything goes, this program and the emptied folder too.
// A failure says so in every mode, and the exit code is not UNPLANT_DONE.
enum UnplantMode { ASK, SHH, SILENT };

class Unplant {
public:
    explicit Unplant(UnplantMode mode);
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
    int Done();
    bool HandOver();
    static bool Start(const char* exe, char* cmd, const char* cwd);
    bool FolderKept();
    void Say(const char* text);

    UnplantMode mode;
    unsigned removed;    // members deleted so far
    char dir[PATHBUF];   // the folder that holds this program
    char typed[PATHBUF]; // the install directory as the installer wrote it
    char self[PATHBUF];  // this program's own path
};
