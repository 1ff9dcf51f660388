// The installer's one dialog: its members, command table and handlers.
#pragma once
#include "footprint/Footprint.h"
#include "sys/Str.h"
#include "ui/Control.h"
#include "ui/DialogTop.h"

// Control ids of dialog template 200.
enum {
    IDD_SETUP = 200,
    IDI_SETUP = 103,
    IDC_INSTALL = 1016,
    IDC_DIR = 1025,
    IDC_BROWSE = 1026,
    IDC_ASSOC = 1027,
};

// What the Start Menu folder needs after it for the longest shortcut file.
enum { START_LINK_ROOM = 27 };

class SETUP : public DialogTop {
public:
    SETUP();
    ~SETUP();

    // Virtual operations
    void Open() override;
    bool Do(int id, int code, LPARAM extra) override;

    // Command handlers
    void Browse(LPARAM);
    void Inst(LPARAM);

    // Shell registrations
    static void Exten(const char* ext, const char* id, const char* dsc, const char* ico);
    static void Assoc(const char* id, const char* nam, const char* cmd, bool df);
    static void DirAssoc(const char* id, const char* nam, const char* cmd);
    static void Appl(const char* appNm, const char* cmdNm, const char* cmd, const char* typ);
    static void Associate(const char* dir); // the whole association block

    // The install directory proposed for a picked folder; false when the
    // result would not fit a path buffer.
    static bool Propose(const char* folder, char* out)
    {
        unsigned len = StrLen(folder);
        bool root = len && folder[len - 1] == '\\'; // a drive root such as D:\ has its "\"
        // A folder longer than 246 characters (247 with its "\") leaves no room.
        if (len + (root ? 0 : 1) + APP_SUFFIX_LEN - 1 > PATHBUF - 1)
            return false;
        wsprintfA(out, "%s%sTunewrangler", folder, root ? "" : "\\");
        return true;
    }

    char start[PATHBUF]; // Start Menu folder + "\Tunewrangler"
    char dir[PATHBUF];   // the install directory
    Control ctlDir;
    Control ctlAssoc;
    HGDIOBJ gdi[8];
    unsigned char nGdi;

private:
    static const CmdTab<SETUP> cmds[];

    // Implementation
    void ProposeEarlier();
    bool ValidDir();
    bool Extracted(unsigned* kib);
    void UninstallEntry(unsigned kib);
    void StartMenu();
    void RecordVersion();
};

// The shell's folder picker, opened at path; true when a folder was chosen.
bool PickDir(char* path);
