// Taking registry keys and values away, and what that needs to know of a
// key: the uninstaller's side of the registry, apart so that a program
// without it imports none of its calls.
#include "sys/Reg.h"

#include "sys/Str.h"

bool RegGet::ValueName(unsigned i, char* buf)
{
    DWORD size = PATHBUF;
    return key && RegEnumValueA(key, i, buf, &size, 0, 0, 0, 0) == ERROR_SUCCESS;
}

bool RegGet::Empty()
{
    DWORD keys = 0, values = 0;
    if (!key || RegQueryInfoKeyA(key, 0, 0, 0, &keys, 0, 0, &values, 0, 0, 0, 0) != ERROR_SUCCESS)
        return !key;
    return !keys && !values;
}

// RegRemove

static bool Gone(LONG rc)
{
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

void RegRemove(const char* root, const char* keyName)
{
    LONG rc = RegDeleteTreeA(RegRoot(root), keyName);
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteKeyA(RegRoot(root), keyName); // systems that keep the key itself
    if (!Gone(rc))
        RegDied("RegRemove  RegDeleteTree died", keyName, rc);
}

void RegRemoveValue(const char* root, const char* keyName, const char* valu)
{
    HKEY key;
    LONG rc = RegOpenKeyExA(RegRoot(root), keyName, 0, KEY_SET_VALUE, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return;
    if (rc == ERROR_SUCCESS) {
        rc = RegDeleteValueA(key, valu);
        RegCloseKey(key);
    }
    if (!Gone(rc))
        RegDied("RegRemoveValue  RegDeleteValue died", keyName, rc);
}

bool RegRemoveIfEmpty(const char* root, const char* keyName)
{
    {
        RegGet key(keyName, root);
        if (!key.Exists())
            return true;
        if (!key.Empty())
            return false;
    }
    LONG rc = RegDeleteKeyA(RegRoot(root), keyName);
    if (!Gone(rc))
        RegDied("RegRemoveIfEmpty  RegDeleteKey died", keyName, rc);
    return true;
}
