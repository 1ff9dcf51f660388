// The shell registrations as data: the association tables that the installer
// runs, and every value they write, in order, for the uninstaller to undo.
#pragma once
#include "sys/Str.h"

// The programs whose command lines the verbs run.
enum { PLAY, FENDRICK, PRESSVOX, SONDLY, BANKRIFT, LORROW, QUENNET, COMMANDS };

struct ExtenRow {
    const char* ext;
    const char* id;
    const char* dsc;
    bool icon;
};
struct VerbRow {
    const char* id;
    const char* nam;
    int cmd;
    bool df; // the type's default verb
};
struct ApplRow {
    unsigned char verb; // VERB_ROWS[verb].nam is the command's name
    unsigned char cmd;  // also names the program: Applications\<COMMAND_PROGRAMS[cmd]>.exe
    const char* typ;    // a list of one type, ending in an empty string; empty: MIDI's
};
struct DirVerbRow {
    const char* id;
    const char* nam;
    const char* cmdFormat; // formed with the install directory
};

extern const char* const COMMAND_PROGRAMS[COMMANDS];

enum { EXTENSIONS = 7, VERBS = 8, APPLICATIONS = 7, DIR_VERBS = 2 };
extern const ExtenRow EXTENSION_ROWS[EXTENSIONS];
extern const VerbRow VERB_ROWS[VERBS];
extern const ApplRow APPLICATION_ROWS[APPLICATIONS];
extern const DirVerbRow DIR_VERB_ROWS[DIR_VERBS];

// An application's supported types: NUL-separated, ended by an empty string.
const char* ApplTypes(const ApplRow& a);

// Key names under HKEY_CLASSES_ROOT.
#define KEY_ICON "%s\\DefaultIcon"
#define KEY_SHELL "%s\\shell"
#define KEY_VERB "%s\\shell\\%s"
#define KEY_APP "Applications\\%s.exe"
#define KEY_APP_TYPES "Applications\\%s.exe\\SupportedTypes"
#define KEY_DIR_VERB "Directory\\shell\\%s"
#define KEY_COMMAND "\\command"

// One value that the registrations write.
struct RegWrite {
    char key[PATHBUF];
    const char* value;
    const char* data;
    // Length of the key's leading part that carries the product's own name
    // (a verb, Applications\<program>.exe) and goes whole; 0 in a shared key.
    unsigned owned;
};

// The strings formed from one install directory, and the writes they make.
class Registrations {
public:
    explicit Registrations(const char* dir);

    // Calls sink for each value in the order the installer writes it; a value
    // written several times (midfile's description) comes each time.
    typedef void (*Sink)(const RegWrite& w, void* ctx);
    void Each(Sink sink, void* ctx) const;
    // Write i of Each's order; false past the last.
    bool Nth(unsigned i, RegWrite* out) const;

    char ico[PATHBUF];
    char cmds[COMMANDS][PATHBUF];
    char dirCmds[DIR_VERBS][PATHBUF];
};
