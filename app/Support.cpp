// Compiler support symbols for the program's freestanding build: GCC may
// emit calls to these for struct copies and clears.
#include <stddef.h>

extern "C" void* memcpy(void* dst, const void* src, size_t n)
{
    unsigned char* d = (unsigned char*)dst;
    const unsigned char* s = (const unsigned char*)src;
    while (n--)
        *d++ = *s++;
    return dst;
}

extern "C" void* memset(void* dst, int c, size_t n)
{
    unsigned char* d = (unsigned char*)dst;
    while (n--)
        *d++ = (unsigned char)c;
    return dst;
}
