// What an installation leaves on the machine: the names both programs share.
#include "footprint/Footprint.h"

const char UNINSTALL_KEY[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\Tunewrangler";
const char PRODUCT_KEY[] = "Software\\Tunewrangler";
const char MEMBERS_KEY[] = "Software\\Tunewrangler\\Members";
const char PREVIOUS_KEY[] = "Software\\Tunewrangler\\Previous";

const char* const SHORTCUT_PROGRAMS[SHORTCUTS] = {"Tunewrangler", "Fendrick", "Portmaven", "Sondly",
                                                  "UNPLANT"};
