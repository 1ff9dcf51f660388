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

// The association block

static const char MIDI_TYPES[] = ".mid\0.kar\0.rmi\0.txt\0";

void SETUP::Associate(const char* dir)
{
    char ico[PATHBUF], play[PATHBUF], fendrick[PATHBUF], pressvox[PATHBUF], sondly[PATHBUF],
        bankrift[PATHBUF], lorrow[PATHBUF], quennet[PATHBUF];
    DBG("file assocs...");
    StrFormat(ico, PATHBUF, "%s\\Tunewrangler.exe,0", dir);
    StrFormat(play, PATHBUF, "\"%s\\Tunewrangler.exe\" %%1", dir);
    StrFormat(fendrick, PATHBUF, "\"%s\\Fendrick.exe\" %%1", dir);
    StrFormat(pressvox, PATHBUF, "\"%s\\Pressvox.exe\" %%1", dir);
    StrFormat(sondly, PATHBUF, "\"%s\\Sondly.exe\" %%1", dir);
    StrFormat(bankrift, PATHBUF, "\"%s\\Bankrift.exe\" %%1", dir);
    StrFormat(lorrow, PATHBUF, "\"%s\\Lorrow.exe\" %%1", dir);
    StrFormat(quennet, PATHBUF, "\"%s\\Quennet.exe\" %%1", dir);

    Exten("mid", "midfile", "midi file", ico);
    Exten("kar", "midfile", "midi file", ico);
    Exten("rmi", "midfile", "midi file", ico);
    Exten("wav", "wavfile", "wave file", ico);
    Exten("sf2", "sf2file", "soundfont file", 0);
    Exten("dls", "dlsfile", "downloadable sounds file", ico);
    Exten("mod", "modfile", "soundtracker module", ico);

    Assoc("midfile", "Play_with_Tunewrangler", play, true);
    Assoc("txtfile", "Play_with_Tunewrangler", play, false);
    Assoc("midfile", "Edit_with_Fendrick", fendrick, false);
    Assoc("midfile", "Convert_to_WAV", pressvox, false);
    Assoc("wavfile", "Edit_with_Sondly", sondly, false);
    Assoc("sf2file", "Split_into_WAVs", bankrift, false);
    Assoc("dlsfile", "Split_into_WAVs", lorrow, false);
    Assoc("modfile", "Convert_to_MID", quennet, false);

    Appl("Tunewrangler", "Play_with_Tunewrangler", play, MIDI_TYPES);
    Appl("Fendrick", "Edit_with_Fendrick", fendrick, MIDI_TYPES);
    Appl("Pressvox", "Convert_to_WAV", pressvox, MIDI_TYPES);
    Appl("Sondly", "Edit_with_Sondly", sondly, ".wav\0");
    Appl("Bankrift", "Split_into_WAVs", bankrift, ".sf2\0");
    Appl("Lorrow", "Split_into_WAVs", lorrow, ".dls\0");
    Appl("Quennet", "Convert_to_MID", quennet, ".mod\0");

    char folder[PATHBUF];
    DirAssoc("Tunewrangler_PlaySongs", "Tunewrangler - Play Songs",
             StrFormat(folder, PATHBUF, "\"%s\\Tunewrangler.exe\" DIR %%1", dir));
    DirAssoc("Tunewrangler_PlayWAVs", "Tunewrangler - Play WAVs",
             StrFormat(folder, PATHBUF, "\"%s\\Hummix.exe\" %%1", dir));
}
