// The payload archive's layout and its safety rules, shared by the
// installer's reader and the host tool that packs it. Plain code only: the
// installer has no C runtime.
//
//   0            u32 N        number of members
//   4            u32 W        name width; each name slot is W + 1 bytes
//   8            u32 len[N]   byte length of each member
//   8 + 4N       names        N slots of W + 1 bytes, NUL-padded
//   8 + (W+5)N   data         the members back to back, in table order
#pragma once

namespace Glom {

enum : unsigned {
    RESOURCE_ID = 173,
    // The archive's Sum, four bytes little-endian, in a resource of its own.
    SUM_ID = 174,
    // The longest install directory the installer takes: its first folder
    // command adds 26 characters and must still fit a 260-byte buffer.
    DIR_MAX = 233,
    // Longest member name: directory, "\" and name fit 259 characters.
    NAME_MAX = 259 - DIR_MAX - 1,
    // A 32-bit process maps the whole installer image; keep the archive well
    // inside its address space.
    TOTAL_MAX = 0x40000000u,
};

inline unsigned Read32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned)p[3] << 24);
}

inline char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
}

inline bool SameIgnoringCase(const char* a, const char* b)
{
    for (; Fold(*a) == Fold(*b); ++a, ++b)
        if (!*a)
            return true;
    return false;
}

inline unsigned Rotl(unsigned v, int r)
{
    return (v << r) | (v >> (32 - r));
}

// A checksum against accidental damage (a bad download, a flipped bit), not
// against tampering, at near memory speed: four independent lanes, each
// taking four words by add and rotate, then one multiply per 64 bytes. Every
// step is a bijection in the lane and in the word it takes, so a single
// damaged word or byte always changes the result.
inline unsigned Sum(const unsigned char* p, unsigned size)
{
    const unsigned P1 = 2654435761u;
    unsigned lane[4] = {0, 1, 2, size}, i = 0;
    for (; size - i >= 64; i += 64)
        for (unsigned k = 0; k < 4; ++k) {
            unsigned x = lane[k];
            for (unsigned j = 0; j < 64; j += 16) {
                unsigned w; // little-endian on every target: the tool's and the installer's
                __builtin_memcpy(&w, p + i + j + 4 * k, 4);
                x = Rotl(x + w, 13);
            }
            lane[k] = x * P1;
        }
    unsigned h = size;
    for (unsigned k = 0; k < 4; ++k)
        h = Rotl(h ^ lane[k], 7) * P1;
    for (; i < size; ++i)
        h = Rotl(h + p[i], 11) * P1;
    return h;
}

// Why a member name cannot be written safely into the install directory.
enum NameFault {
    NAME_OK,
    NAME_CONTROL,  // a control character
    NAME_RESERVED, // one of \ / : * ? " < > |
    NAME_EMPTY,
    NAME_TOO_LONG, // longer than NAME_MAX
    NAME_DOTS,     // . or ..
    NAME_TRAILING, // ends in a dot or a blank, which Windows drops
    NAME_DEVICE,   // a device name (CON, NUL, COM1, ...), whatever the extension
};

// The rule for a member's name and, with max DIR_MAX, for each folder of the
// install directory.
inline NameFault NameProblem(const char* name, unsigned max = NAME_MAX)
{
    unsigned n = 0;
    for (; name[n]; ++n) {
        unsigned char c = (unsigned char)name[n];
        if (c < 32 || c == 127)
            return NAME_CONTROL;
        for (const char* bad = "\\/:*?\"<>|"; *bad; ++bad)
            if (c == (unsigned char)*bad)
                return NAME_RESERVED;
    }
    if (!n)
        return NAME_EMPTY;
    if (n > max)
        return NAME_TOO_LONG;
    if ((n == 1 && name[0] == '.') || (n == 2 && name[0] == '.' && name[1] == '.'))
        return NAME_DOTS;
    if (name[n - 1] == '.' || name[n - 1] == ' ')
        return NAME_TRAILING;
    // Device names open the device, not a file, whatever the extension.
    static const char* const devices[] = {"con", "prn", "aux", "nul", "com#", "lpt#"};
    for (const char* dev : devices) {
        unsigned k = 0;
        for (; dev[k]; ++k) {
            bool digit = dev[k] == '#' && name[k] >= '0' && name[k] <= '9';
            if (!digit && Fold(name[k]) != dev[k])
                break;
        }
        if (!dev[k] && (name[k] == 0 || name[k] == '.'))
            return NAME_DEVICE;
    }
    return NAME_OK;
}

// What Check finds wrong with an archive; SOUND is 0.
enum CheckFault {
    SOUND,
    SHORT_HEADER,     // shorter than its header
    TABLES_PAST_END,  // the tables run past its end
    DATA_PAST_END,    // the data runs past its end
    NAME_WITHOUT_NUL, // a name slot without a NUL
    NAME_UNSAFE,      // a name NameProblem refuses
    NAME_CASE_TWIN,   // two names that differ only in case
};

// Checks an archive of size bytes before anything is written: the tables and
// the data lie inside it, every name slot holds a NUL, and every name is one
// that NameProblem accepts, with no two equal but for case. The installer
// carries no texts for its faults; the host tool says them (CheckText).
inline CheckFault Check(const unsigned char* p, unsigned size)
{
    if (size < 8)
        return SHORT_HEADER;
    // In 32 bits, each step bounded by what is left, so nothing can wrap.
    unsigned n = Read32(p), w = Read32(p + 4), left = size - 8;
    if (n > left / 4)
        return TABLES_PAST_END;
    left -= 4 * n;
    if (n && (w >= left || n > left / (w + 1)))
        return TABLES_PAST_END;
    left -= n * (w + 1);
    for (unsigned i = 0; i < n; ++i) {
        unsigned len = Read32(p + 8 + 4 * i);
        if (len > left)
            return DATA_PAST_END;
        left -= len;
    }
    const char* names = (const char*)p + 8 + 4 * n;
    for (unsigned i = 0; i < n; ++i) {
        const char* name = names + i * (w + 1);
        if (name[w] != 0)
            return NAME_WITHOUT_NUL;
        if (NameProblem(name))
            return NAME_UNSAFE;
        for (unsigned j = 0; j < i; ++j)
            if (SameIgnoringCase(name, names + j * (w + 1)))
                return NAME_CASE_TWIN;
    }
    return SOUND;
}

// The reason Check gives, or null for a sound archive.
inline const char* CheckText(CheckFault fault)
{
    static const char* const texts[] = {
        0,
        "shorter than its header",
        "tables run past its end",
        "data runs past its end",
        "a name slot without a NUL",
        "a name that cannot be written safely",
        "two names that differ only in case",
    };
    return texts[fault];
}

// The members of an archive that Check accepted, in table order.
struct Walk {
    explicit Walk(const unsigned char* glom)
        : lens(glom + 8), n(Read32(glom)), stride(Read32(glom + 4) + 1), i(0),
          name((const char*)lens + 4 * n), data((const unsigned char*)name + stride * n), len(0)
    {
    }
    // Moves to the next member: name, data and len describe it.
    bool Next()
    {
        if (i == n)
            return false;
        if (i)
            name += stride, data += len;
        len = Read32(lens + 4 * i++);
        return true;
    }

    const unsigned char* lens;
    unsigned n, stride, i;
    const char* name;
    const unsigned char* data;
    unsigned len;
};

} // namespace Glom
