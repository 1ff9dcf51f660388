// Puts back what Windows machines have and Wine has not: a scanner (an
// antivirus or an indexer) that opens each file appearing or changing in a
// folder and holds it a moment, sharing reads only.
//
//   scanner DIR MS STOPFILE
//
// Looks at DIR and every folder below it (DIR need not exist yet) every few
// milliseconds; each file that is new since it started, or whose size or
// time changed, is opened and held for MS milliseconds. Ends once STOPFILE exists, printing
// how many holds it made.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

struct Seen {
    DWORD size;
    FILETIME written;
};

struct Hold {
    HANDLE handle;
    DWORD until;
};

static std::map<std::string, Seen> seen;
static std::vector<Hold> holds;
static unsigned made;

// ms 0: only takes note of what is there.
static void Look(const std::string& dir, DWORD ms)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = fd.cFileName, path = dir + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Look(path, ms);
            continue;
        }
        Seen now{fd.nFileSizeLow, fd.ftLastWriteTime};
        auto it = seen.find(path);
        if (it != seen.end() && it->second.size == now.size &&
            !CompareFileTime(&it->second.written, &now.written))
            continue;
        if (!ms) {
            seen[path] = now;
            continue;
        }
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
        if (h == INVALID_HANDLE_VALUE)
            continue; // gone already, or held by its writer: looked at again next round
        seen[path] = now;
        holds.push_back({h, GetTickCount() + ms});
        ++made;
        printf("scanner: holding %s\n", path.c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        printf("usage: scanner DIR MS STOPFILE\n");
        return 2;
    }
    DWORD ms = strtoul(argv[2], 0, 0);
    Look(argv[1], 0); // what was there before is no news
    printf("scanner: watching %s\n", argv[1]);
    fflush(stdout);
    while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) {
        Look(argv[1], ms);
        for (size_t i = 0; i < holds.size();)
            if ((LONG)(GetTickCount() - holds[i].until) >= 0) {
                CloseHandle(holds[i].handle);
                holds.erase(holds.begin() + i);
            } else {
                ++i;
            }
        fflush(stdout);
        Sleep(5);
    }
    for (Hold& h : holds)
        CloseHandle(h.handle);
    printf("scanner: %u holds\n", made);
    return 0;
}
