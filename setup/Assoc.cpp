// Shell registrations: file types, verbs, applications and folder verbs.
#include "setup/SETUP.h"

#include "diag/Diag.h"
#include "footprint/Previous.h"
#include "footprint/Registrations.h"
#include "sys/Format.h"
#include "sys/Reg.h"

// Every key name and command below is formed in a 260-byte buffer; the
// install procedure keeps the directory short enough, and StrFormat keeps a
// longer one from overrunning even so. Before each value is first written,
// Previous::Keep records what it held, for the uninstaller to put back.

// One default or named value of a key: the earlier state kept, then written.
static void PutKept(const char* keyName, const char* valu, const char* data)
{
    Previous::Keep(keyName, valu);
    RegPut key("c", keyName);
    key.Put(valu, data);
}

void SETUP::Exten(const char* ext, const char* id, const char* dsc, const char* ico)
{
    char dext[PATHBUF];
    StrFormat(dext, sizeof(dext), ".%s", ext);
    DBGF("{ SETUP::Exten ext=%s id=%s dsc=%s ico=%s dext=%s", ext, id, dsc, ico ? ico : "(null)",
         dext);
    PutKept(dext, "", id);
    PutKept(id, "", dsc);
    if (ico) {
        char name[PATHBUF];
        PutKept(StrFormat(name, sizeof(name), KEY_ICON, id), "", ico);
    }
    DBG("} SETUP::Exten");
}

void SETUP::Assoc(const char* id, const char* nam, const char* cmd, bool df)
{
    char name[PATHBUF];
    DBGF("{ SETUP::Assoc id=%s nam=%s cmd=%s df=%s", id, nam, cmd, df ? "y" : "n");
    StrAppend(StrFormat(name, sizeof(name), KEY_VERB, id, nam), KEY_COMMAND);
    Previous::Keep(name, "");
    RegPut command("c", name);
    command.Put("", cmd);
    if (df)
        PutKept(StrFormat(name, sizeof(name), KEY_SHELL, id), "", nam);
    DBG("} SETUP::Assoc");
} // the command key closes here, after the closing trace line

void SETUP::DirAssoc(const char* id, const char* nam, const char* cmd)
{
    char name[PATHBUF];
    DBGF("{ SETUP::DirAssoc id=%s nam=%s cmd=%s", id, nam, cmd);
    PutKept(StrFormat(name, sizeof(name), KEY_DIR_VERB, id), "", nam);
    PutKept(StrAppend(name, KEY_COMMAND), "", cmd);
    DBG("} SETUP::DirAssoc");
}

void SETUP::Appl(const char* appNm, const char* cmdNm, const char* cmd, const char* typ)
{
    char name[PATHBUF];
    DBGF("{ SETUP::Appl appNm=%s cmdNm=%s cmd=%s", appNm, cmdNm, cmd);
    unsigned app = StrLen(StrFormat(name, sizeof(name), KEY_APP, appNm));
    StrFormat(name + app, sizeof(name) - app, KEY_VERB KEY_COMMAND, "", cmdNm);
    Previous::Keep(name, "");
    RegPut command("c", name);
    command.Put("", cmd);
    if (*typ) {
        StrFormat(name, sizeof(name), KEY_APP_TYPES, appNm);
        for (const char* t = typ; *t; t += StrLen(t) + 1)
            Previous::Keep(name, t);
        RegPut types("c", name);
        for (; *typ; typ += StrLen(typ) + 1) {
            types.Put(typ, "");
            DBGF("typ=%s", typ);
        }
    }
    DBG("} SETUP::Appl");
}

// The association block: the four tables, run in order for one install directory.
void SETUP::Associate(const char* dir)
{
    DBG("file assocs...");
    Registrations regs(dir);
    for (const ExtenRow& e : EXTENSION_ROWS)
        Exten(e.ext, e.id, e.dsc, e.icon ? regs.ico : 0);
    for (const VerbRow& v : VERB_ROWS)
        Assoc(v.id, v.nam, regs.cmds[v.cmd], v.df);
    for (const ApplRow& a : APPLICATION_ROWS)
        Appl(COMMAND_PROGRAMS[a.cmd], VERB_ROWS[a.verb].nam, regs.cmds[a.cmd], ApplTypes(a));
    for (int i = 0; i < DIR_VERBS; ++i)
        DirAssoc(DIR_VERB_ROWS[i].id, DIR_VERB_ROWS[i].nam, regs.dirCmds[i]);
}
