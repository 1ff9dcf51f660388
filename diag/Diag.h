// Debug trace, information box and fatal error report.
#pragma once

enum { TRACE_LINE = 16000, MAX_TRACE_THREADS = 10 };

void DBG(const char* text);
void DBGF(const char* fmt, ...);
void Hey(const char* text, const char* caption);

void Die(const char* msg, const char* msg2, int rc, bool exit);
// Set by the crash handler before its report: the least code runs in a
// process that has crashed, so the page opens from here, not by the shell.
extern volatile bool inCrashHandler;
void Err(const char* msg, int rc);
// The diagnostics directory, or the empty string when it cannot be had or
// leaves no room for a file name of ETC_FILE_ROOM characters after it.
enum { ETC_FILE_ROOM = 10 };
char* EtcDir(char* buf);

// The system's text for an error code, or "GetLastError=%d" when it has none.
char* SysText(unsigned long code, char* buf260);
