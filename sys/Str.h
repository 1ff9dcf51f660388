// Byte, string and path routines of a build without a C runtime.
#pragma once

// A path buffer: the platform's path limit, 259 characters and the NUL.
enum { PATHBUF = 260 };

void MemCopy(void* dst, const void* src, unsigned n);
unsigned StrLen(const char* s);
void StrCopy(char* dst, const char* src);
char* StrAppend(char* dst, const char* src, unsigned n = 0);
int StrCompareI(const char* a, const char* b);
int StrCompareNI(const char* a, const char* b, unsigned n);
char* StrFind(const char* s, char c);
char* PathUp(char* path);
char* PathLast(const char* path, char* out);
