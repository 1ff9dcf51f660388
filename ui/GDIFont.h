// A font created at 9 points for a device context, with its metrics.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class GDIFont {
public:
    explicit GDIFont(HDC dc);
    ~GDIFont();

    HFONT font;
    unsigned short aveWidth;
    short lineHeight; // tmHeight + tmExternalLeading

private:
    GDIFont(const GDIFont&);
    void operator=(const GDIFont&);
};
