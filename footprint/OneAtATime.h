// One installer or uninstaller of Tunewrangler at a time on the machine.
#pragma once

// True when no other installer or uninstaller runs; it then holds the guard
// for the rest of this process (and, with handOn, for a child it starts with
// inherited handles). Otherwise the running one's setup dialog is brought to
// the front, or a box says that Tunewrangler is being installed or removed.
bool OneAtATime(bool handOn);
