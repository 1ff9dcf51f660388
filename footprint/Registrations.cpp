// The association tables and the values they write, in the installer's order.
#include "footprint/Registrations.h"

#include "sys/Format.h"

const char* const COMMAND_PROGRAMS[COMMANDS] = {"Tunewrangler", "Fendrick", "Pressvox", "Sondly",
                                                "Bankrift",     "Lorrow",   "Quennet"};

static const char MIDI_TYPES[] = ".mid\0.kar\0.rmi\0.txt\0";

const ExtenRow EXTENSION_ROWS[EXTENSIONS] = {
    {"mid", "midfile", "midi file", true},
    {"kar", "midfile", "midi file", true},
    {"rmi", "midfile", "midi file", true},
    {"wav", "wavfile", "wave file", true},
    {"sf2", "sf2file", "soundfont file", false},
    {"dls", "dlsfile", "downloadable sounds file", true},
    {"mod", "modfile", "soundtracker module", true},
};

const VerbRow VERB_ROWS[VERBS] = {
    {"midfile", "Play_with_Tunewrangler", PLAY, true},
    {"txtfile", "Play_with_Tunewrangler", PLAY, false},
    {"midfile", "Edit_with_Fendrick", FENDRICK, false},
    {"midfile", "Convert_to_WAV", PRESSVOX, false},
    {"wavfile", "Edit_with_Sondly", SONDLY, false},
    {"sf2file", "Split_into_WAVs", BANKRIFT, false},
    {"dlsfile", "Split_into_WAVs", LORROW, false},
    {"modfile", "Convert_to_MID", QUENNET, false},
};

const ApplRow APPLICATION_ROWS[APPLICATIONS] = {
    {0, PLAY, ""},           {2, FENDRICK, ""},     {3, PRESSVOX, ""},      {4, SONDLY, ".wav\0"},
    {5, BANKRIFT, ".sf2\0"}, {6, LORROW, ".dls\0"}, {7, QUENNET, ".mod\0"},
};

const char* ApplTypes(const ApplRow& a)
{
    return *a.typ ? a.typ : MIDI_TYPES;
}

const DirVerbRow DIR_VERB_ROWS[DIR_VERBS] = {
    {"Tunewrangler_PlaySongs", "Tunewrangler - Play Songs", "\"%s\\Tunewrangler.exe\" DIR %%1"},
    {"Tunewrangler_PlayWAVs", "Tunewrangler - Play WAVs", "\"%s\\Hummix.exe\" %%1"},
};

Registrations::Registrations(const char* dir)
{
    StrFormat(ico, PATHBUF, "%s\\Tunewrangler.exe,0", dir);
    // Each program's full path in quotes, a blank and %1 for the chosen file.
    for (int i = 0; i < COMMANDS; ++i)
        StrFormat(cmds[i], PATHBUF, "\"%s\\%s.exe\" %%1", dir, COMMAND_PROGRAMS[i]);
    for (int i = 0; i < DIR_VERBS; ++i)
        StrFormat(dirCmds[i], PATHBUF, DIR_VERB_ROWS[i].cmdFormat, dir);
}

// Emits one write; a key name formed from the tables always fits.
static void Emit(Registrations::Sink sink, void* ctx, RegWrite& w, const char* value,
                 const char* data, unsigned owned)
{
    w.value = value;
    w.data = data;
    w.owned = owned;
    sink(w, ctx);
}

void Registrations::Each(Sink sink, void* ctx) const
{
    RegWrite w;
    for (const ExtenRow& e : EXTENSION_ROWS) {
        StrFormat(w.key, PATHBUF, ".%s", e.ext);
        Emit(sink, ctx, w, "", e.id, 0);
        StrCopy(w.key, e.id);
        Emit(sink, ctx, w, "", e.dsc, 0);
        if (e.icon) {
            StrFormat(w.key, PATHBUF, KEY_ICON, e.id);
            Emit(sink, ctx, w, "", ico, 0);
        }
    }
    for (const VerbRow& v : VERB_ROWS) {
        unsigned owned = StrLen(StrFormat(w.key, PATHBUF, KEY_VERB, v.id, v.nam));
        StrAppend(w.key, KEY_COMMAND);
        Emit(sink, ctx, w, "", cmds[v.cmd], owned);
        if (v.df) {
            StrFormat(w.key, PATHBUF, KEY_SHELL, v.id);
            Emit(sink, ctx, w, "", v.nam, 0);
        }
    }
    for (const ApplRow& a : APPLICATION_ROWS) {
        unsigned owned = StrLen(StrFormat(w.key, PATHBUF, KEY_APP, COMMAND_PROGRAMS[a.cmd]));
        StrFormat(w.key + owned, PATHBUF - owned, KEY_VERB KEY_COMMAND, "", VERB_ROWS[a.verb].nam);
        Emit(sink, ctx, w, "", cmds[a.cmd], owned);
        StrFormat(w.key, PATHBUF, KEY_APP_TYPES, COMMAND_PROGRAMS[a.cmd]);
        for (const char* t = ApplTypes(a); *t; t += StrLen(t) + 1)
            Emit(sink, ctx, w, t, "", owned);
    }
    for (int i = 0; i < DIR_VERBS; ++i) {
        unsigned owned = StrLen(StrFormat(w.key, PATHBUF, KEY_DIR_VERB, DIR_VERB_ROWS[i].id));
        Emit(sink, ctx, w, "", DIR_VERB_ROWS[i].nam, owned);
        StrAppend(w.key, KEY_COMMAND);
        Emit(sink, ctx, w, "", dirCmds[i], owned);
    }
}

namespace {
struct Pick {
    unsigned want, seen;
    RegWrite* out;
};
void PickOne(const RegWrite& w, void* ctx)
{
    Pick* p = (Pick*)ctx;
    if (p->seen++ == p->want)
        *p->out = w;
}
} // namespace

bool Registrations::Nth(unsigned i, RegWrite* out) const
{
    Pick p = {i, 0, out};
    Each(PickOne, &p);
    return i < p.seen;
}
