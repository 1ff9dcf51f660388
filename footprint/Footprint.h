// What an installation leaves on the machine, named once for the installer
// that writes it and the uninstaller that takes it away.
#pragma once

// The uninstall entry under HKEY_LOCAL_MACHINE, and the values both programs read.
extern const char UNINSTALL_KEY[];
#define VALUE_LOCATION "InstallLocation"
#define VALUE_UNINSTALL "UninstallString"

// The product's own record under HKEY_LOCAL_MACHINE: the members written
// (a DWORD of each one's length, named after it) and, for every shared value
// the registrations overwrote, what it held before (Previous.h).
extern const char PRODUCT_KEY[];
extern const char MEMBERS_KEY[];
extern const char PREVIOUS_KEY[];

// What follows a folder to make the install directory and the Start Menu
// folder, and the uninstaller's file name.
#define APP_SUFFIX "\\Tunewrangler"
enum { APP_SUFFIX_LEN = 13 };
#define UNPLANT_EXE "UNPLANT.exe"

// The Start Menu shortcuts: the home page, then each program in the list
// (the product first, its uninstaller last) as "<name>.lnk".
#define HOME_LINK "_Tunewrangler_Homepage.lnk"
enum { SHORTCUTS = 5 };
// What the Start Menu folder (with APP_SUFFIX) needs after it for the longest
// shortcut file: the installer makes no links, and the uninstaller looks for
// none, in a folder without this room.
enum { START_LINK_ROOM = 27 };
extern const char* const SHORTCUT_PROGRAMS[SHORTCUTS];
