// A font created at 9 points for a device context, with its metrics.
#include "ui/GDIFont.h"

#include "diag/Diag.h"

GDIFont::GDIFont(HDC dc) : font(0), aveWidth(0), lineHeight(0)
{
    int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    font = CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       FIXED_PITCH | FF_DONTCARE, "Courier New");
    if (!font)
        Err("GDIFont::GDIFont  CreateFont", 99);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    tm.tmAveCharWidth = tm.tmHeight = tm.tmExternalLeading = 0;
    GetTextMetricsA(dc, &tm);
    aveWidth = (unsigned short)tm.tmAveCharWidth;
    lineHeight = (short)(tm.tmHeight + tm.tmExternalLeading);
    SelectObject(dc, old);
}

GDIFont::~GDIFont()
{
    if (font)
        DeleteObject(font);
}
