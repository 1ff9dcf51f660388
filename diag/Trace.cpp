// Debug trace: one indented line per call on the debugger output, and Hey.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdarg.h>

#include "app/Application.h"
#include "diag/Diag.h"
#include "sys/Str.h"

struct TraceSlot {
    volatile LONG tid; // 0: free
    unsigned short level;
};

static TraceSlot slots[MAX_TRACE_THREADS];
static volatile LONG refused; // set once an eleventh thread has been refused

// Deepest indentation printed; deeper scopes still count, they just print here.
enum { MAX_INDENT = 2000 };

static TraceSlot* Slot(LONG tid)
{
    for (int i = 0; i < MAX_TRACE_THREADS; ++i) {
        if (slots[i].tid == tid)
            return &slots[i];
        // Two new threads may race for one free slot; only one wins it.
        if (!slots[i].tid && !InterlockedCompareExchange(&slots[i].tid, tid, 0))
            return &slots[i];
    }
    return 0;
}

void DBG(const char* text)
{
    char line[TRACE_LINE];
    LONG tid = (LONG)GetCurrentThreadId();
    wsprintfA(line, "%d ", tid);

    TraceSlot* slot = Slot(tid);
    if (!slot) {
        // The eleventh thread: report it once. The report traces too, from this
        // same slotless thread, so its lines go out unindented instead of
        // asking for a slot (and a report) again.
        if (!InterlockedExchange(&refused, 1))
            Die("too many threads to debug", 0, 99, true);
    }
    unsigned t = StrLen(text);
    unsigned level = slot ? slot->level : 0;
    // A closing brace at level 0 stays at 0 rather than wrapping round.
    if ((text[0] == '}' || (t && text[t - 1] == '}')) && level)
        --level;
    unsigned indent = level < (unsigned)MAX_INDENT ? level : (unsigned)MAX_INDENT;
    unsigned p = StrLen(line);
    for (unsigned i = 0; i < indent; ++i, p += 2)
        line[p] = line[p + 1] = ' ';
    line[p] = 0;

    if (p + t < TRACE_LINE) {
        MemCopy(line + p, text, t + 1);
    } else {
        MemCopy(line + p, text, TRACE_LINE - 1 - p);
        line[TRACE_LINE - 1] = 0;
        StrAppend(line, "...", 4);
    }
    OutputDebugStringA(line);

    if ((text[0] == '{' || (t && text[t - 1] == '{')) && level < 0xFFFF)
        ++level;
    if (slot)
        slot->level = (unsigned short)level;
}

void DBGF(const char* fmt, ...)
{
    char buf[TRACE_LINE];
    buf[1024] = 0; // wvsprintfA writes at most 1024 bytes
    va_list args;
    va_start(args, fmt);
    wvsprintfA(buf, fmt, args);
    va_end(args);
    DBG(buf);
}

void Hey(const char* text, const char* caption)
{
    if (!caption)
        caption = "Hey...";
    DBG("{ Hey");
    DBG(text);
    DBG(caption);
    MessageBoxA(App.main, text, caption, MB_OK | MB_ICONINFORMATION);
    DBG("} Hey");
}
