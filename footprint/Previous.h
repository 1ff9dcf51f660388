// What a shared HKEY_CLASSES_ROOT value held before the install: kept by the
// installer before its first write of the value, put back by the uninstaller.
//
// One REG_BINARY value under PREVIOUS_KEY per written value, named
// "<key>|<value name>" ("|" is in no key or value name of the tables):
//   'v' type(4 bytes, little-endian) data...   the value existed
//   'a' n                                     it did not; the key's last n
//                                             components did not exist either
//   'x'                                       it existed but was too long to keep
#pragma once
#include "footprint/Registrations.h"

namespace Previous {

// Earlier data longer than KEEP_MAX is not kept (and so never put back).
enum { KEEP_MAX = 1024, RECORD_MAX = 5 + KEEP_MAX };

// The record's value name for keyName's value valu: "<key>|<value name>".
char* RecordName(char* buf, const char* keyName, const char* valu);

// Records what keyName's value holds now, unless a record of it exists: a
// second write, or an install over one whose uninstaller did not run, keeps
// the first earlier state.
void Keep(const char* keyName, const char* valu);

// Undoes one write of the registrations: a key with the product's own name
// goes whole, a shared value that still holds what was written gets its
// earlier data back, and keys the install created are removed once empty.
// A write without a record was not made by the install and is left alone.
void Undo(const RegWrite& w);

} // namespace Previous
