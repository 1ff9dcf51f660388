// Shell registrations: file types, verbs, applications and folder verbs.
#include "setup/SETUP.h"

#include "diag/Diag.h"
#include "sys/Format.h"
#include "sys/Reg.h"

// Every key name and command below is formed in a 260-byte buffer; the
// install procedure keeps the directory short enough, and StrFormat keeps a
// longer one from overrunning even so.

void SETUP::Exten(const char* ext, const char* id, const char* dsc, const char* ico)
{
    char dext[PATHBUF];
    StrFormat(dext, sizeof(dext), ".%s", ext);
    DBGF("{ SETUP::Exten ext=%s id=%s dsc=%s ico=%s dext=%s", ext, id, dsc, ico ? ico : "(null)",
         dext);
    {
        RegPut key("c", dext);
        key.Put("", id);
    }
    {
        RegPut key("c", id);
        key.Put("", dsc);
    }
    if (ico) {
        char name[PATHBUF];
        RegPut key("c", StrFormat(name, sizeof(name), "%s\\DefaultIcon", id));
        key.Put("", ico);
    }
    DBG("} SETUP::Exten");
}

void SETUP::Assoc(const char* id, const char* nam, const char* cmd, bool df)
{
    char name[PATHBUF];
    DBGF("{ SETUP::Assoc id=%s nam=%s cmd=%s df=%s", id, nam, cmd, df ? "y" : "n");
    RegPut command("c", StrFormat(name, sizeof(name), "%s\\shell\\%s\\command", id, nam));
    command.Put("", cmd);
    if (df) {
        RegPut shell("c", StrFormat(name, sizeof(name), "%s\\shell", id));
        shell.Put("", nam);
    }
    DBG("} SETUP::Assoc");
} // the command key closes here, after the closing trace line

void SETUP::DirAssoc(const char* id, const char* nam, const char* cmd)
{
    char name[PATHBUF];
    DBGF("{ SETUP::DirAssoc id=%s nam=%s cmd=%s", id, nam, cmd);
    StrFormat(name, sizeof(name), "Directory\\shell\\%s", id);
    {
        RegPut verb("c", name);
        verb.Put("", nam);
    }
    StrAppend(name, "\\command");
    {
        RegPut command("c", name);
        command.Put("", cmd);
    }
    DBG("} SETUP::DirAssoc");
}

void SETUP::Appl(const char* appNm, const char* cmdNm, const char* cmd, const char* typ)
{
    char name[PATHBUF];
    DBGF("{ SETUP::Appl appNm=%s cmdNm=%s cmd=%s", appNm, cmdNm, cmd);
    StrFormat(name, sizeof(name), "Applications\\%s.exe\\shell\\%s\\command", appNm, cmdNm);
    RegPut command("c", name);
    command.Put("", cmd);
    if (*typ) {
        RegPut types("c",
                     StrFormat(name, sizeof(name), "Applications\\%s.exe\\SupportedTypes", appNm));
        for (; *typ; typ += StrLen(typ) + 1) {
            types.Put(typ, "");
            DBGF("typ=%s", typ);
        }
    }
    DBG("} SETUP::Appl");
}

// The association block: four tables, run in order for one install directory.

// The programs whose command lines the verbs run.
enum { PLAY, FENDRICK, PRESSVOX, SONDLY, BANKRIFT, LORROW, QUENNET, COMMANDS };
static const char* const COMMAND_PROGRAMS[COMMANDS] = {
    "Tunewrangler", "Fendrick", "Pressvox", "Sondly", "Bankrift", "Lorrow", "Quennet"};

static const char MIDI_TYPES[] = ".mid\0.kar\0.rmi\0.txt\0";

static const struct {
    const char* ext;
    const char* id;
    const char* dsc;
    bool icon;
} EXTENSIONS[] = {
    {"mid", "midfile", "midi file", true},
    {"kar", "midfile", "midi file", true},
    {"rmi", "midfile", "midi file", true},
    {"wav", "wavfile", "wave file", true},
    {"sf2", "sf2file", "soundfont file", false},
    {"dls", "dlsfile", "downloadable sounds file", true},
    {"mod", "modfile", "soundtracker module", true},
};

static const struct {
    const char* id;
    const char* nam;
    int cmd;
    bool df;
} VERBS[] = {
    {"midfile", "Play_with_Tunewrangler", PLAY, true},
    {"txtfile", "Play_with_Tunewrangler", PLAY, false},
    {"midfile", "Edit_with_Fendrick", FENDRICK, false},
    {"midfile", "Convert_to_WAV", PRESSVOX, false},
    {"wavfile", "Edit_with_Sondly", SONDLY, false},
    {"sf2file", "Split_into_WAVs", BANKRIFT, false},
    {"dlsfile", "Split_into_WAVs", LORROW, false},
    {"modfile", "Convert_to_MID", QUENNET, false},
};

static const struct {
    const char* appNm;
    const char* cmdNm;
    int cmd;
    const char* typ;
} APPLICATIONS[] = {
    {"Tunewrangler", "Play_with_Tunewrangler", PLAY, MIDI_TYPES},
    {"Fendrick", "Edit_with_Fendrick", FENDRICK, MIDI_TYPES},
    {"Pressvox", "Convert_to_WAV", PRESSVOX, MIDI_TYPES},
    {"Sondly", "Edit_with_Sondly", SONDLY, ".wav\0"},
    {"Bankrift", "Split_into_WAVs", BANKRIFT, ".sf2\0"},
    {"Lorrow", "Split_into_WAVs", LORROW, ".dls\0"},
    {"Quennet", "Convert_to_MID", QUENNET, ".mod\0"},
};

void SETUP::Associate(const char* dir)
{
    char ico[PATHBUF], cmds[COMMANDS][PATHBUF], folder[PATHBUF];
    DBG("file assocs...");
    StrFormat(ico, PATHBUF, "%s\\Tunewrangler.exe,0", dir);
    // Each program's full path in quotes, a blank and %1 for the chosen file.
    for (int i = 0; i < COMMANDS; ++i)
        StrFormat(cmds[i], PATHBUF, "\"%s\\%s.exe\" %%1", dir, COMMAND_PROGRAMS[i]);

    for (const auto& e : EXTENSIONS)
        Exten(e.ext, e.id, e.dsc, e.icon ? ico : 0);
    for (const auto& v : VERBS)
        Assoc(v.id, v.nam, cmds[v.cmd], v.df);
    for (const auto& a : APPLICATIONS)
        Appl(a.appNm, a.cmdNm, cmds[a.cmd], a.typ);

    DirAssoc("Tunewrangler_PlaySongs", "Tunewrangler - Play Songs",
             StrFormat(folder, PATHBUF, "\"%s\\Tunewrangler.exe\" DIR %%1", dir));
    DirAssoc("Tunewrangler_PlayWAVs", "Tunewrangler - Play WAVs",
             StrFormat(folder, PATHBUF, "\"%s\\Hummix.exe\" %%1", dir));
}
