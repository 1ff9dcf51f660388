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

// What a box says to do about a file in use.
extern const char CLOSE_AND_RETRY[], CLOSE_AND_INSTALL[];

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
    // result would be longer than an install directory may be.
    static bool Propose(const char* folder, char* out);
    // Why dir cannot be installed into (msg holds 520 bytes for the text), or
    // null; one trailing backslash is dropped from dir first.
    static const char* DirProblem(char* dir, char* msg);
    static const char* TooLong(char* msg);
    // Whether version text a is newer than b: both eight-digit dates.
    static bool Newer(const char* a, const char* b);

    char start[PATHBUF]; // Start Menu folder + "\Tunewrangler"
    char dir[PATHBUF];   // the install directory
    Control ctlDir;
    Control ctlAssoc;
    HGDIOBJ gdi[8];
    unsigned char nGdi;

private:
    static const CmdTab<SETUP> cmds[];

    // One step of the install and what takes it back before the earlier
    // installation has gone (0: once the new entry stands, its uninstaller).
    struct Step {
        const char* name; // for the trace
        bool (*make)(SETUP&);
        void (*undo)(SETUP&);
    };
    static const Step steps[];

    // Implementation
    void ProposeEarlier();
    // Checks before anything is written: each says why and returns false.
    bool ValidDir();
    bool Room();
    bool NoDowngrade();
    bool Refuse(const char* why);
    bool Unwritable(const char* path, unsigned long code);
    // A question in msg, with these buttons; the answer.
    int Ask(unsigned buttons);
    // The steps (Inst.cpp); a failing one leaves its box's text in msg.
    void FindEarlier();
    bool Stage();
    void Unstage();
    bool ReplaceEarlier();
    bool Register();
    bool Place();
    bool Placed(bool uninstaller);
    bool StartMenu();
    bool Assocs();
    void UninstallEntry();

    char earlier[PATHBUF]; // the earlier installation's uninstaller, or empty
    bool moving;           // and it lives in another folder
    unsigned kib;          // of the staged members
    unsigned made;         // folders made for the staging folder
    char msg[2 * PATHBUF]; // why a step failed
};

// The shell's folder picker, opened at path; true when a folder was chosen.
bool PickDir(char* path);
