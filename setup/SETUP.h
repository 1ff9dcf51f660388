// The installer's one dialog: its members, command table and handlers.
#pragma once
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
    bool Extracted();
    void UninstallEntry();
    void StartMenu();
    void RecordVersion();
};

// The earlier installation's uninstall entry, under HKEY_LOCAL_MACHINE.
extern const char UNINSTALL_KEY[];

// The shell's folder picker, opened at path; true when a folder was chosen.
bool PickDir(char* path);

// What follows a folder to make the install directory, and what the Start
// Menu folder needs after it for the longest shortcut file.
#define APP_SUFFIX "\\Tunewrangler"
enum { APP_SUFFIX_LEN = 13, START_LINK_ROOM = 27 };
