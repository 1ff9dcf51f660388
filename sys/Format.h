// Bounded formatting into a caller's buffer.
#pragma once
#include <stdarg.h>

// wsprintfA writes up to 1024 bytes whatever the target; this formats into
// its own buffer and copies at most cap - 1 characters, so a long key name or
// path in a message cannot overrun a 260-byte target.
char* StrFormat(char* dst, unsigned cap, const char* fmt, ...);
char* StrFormatV(char* dst, unsigned cap, const char* fmt, va_list args);
