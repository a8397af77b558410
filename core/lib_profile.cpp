// Walkers over the keys of one section of a private profile file, for sections whose key
// names are data (numbered or named entries) rather than fixed names.
#include "core/lib.h"

#include <stdlib.h>
#include <string.h>

#include "core/str.h"

namespace {

// Reads the key names of a section into a list of zero-terminated names ended by an empty
// one; a list that does not fit is cut by the system, so the last name may be short.
char* ReadKeyNames(const char* section, const char* file, DWORD size)
{
    char* names = (char*)calloc(size + 2, 1);  // two spare zeros end a cut list in any case
    if (names) GetPrivateProfileStringA(section, nullptr, "", names, size, file);
    return names;
}

void StoreKey(char* key, const char* name)
{
    if (key) STR_ncpy(key, name, LIB_KEY_SIZE - 1);
}

}  // namespace

BOOL LIB_GetFirstPrivateProfileString(const char* section, char* key, const char* defaultValue,
                                      char* value, int size, const char* file)
{
    if (!defaultValue) defaultValue = "";
    StoreKey(key, "");
    if (value && size > 0) STR_ncpy(value, defaultValue, size - 1);
    char* names = ReadKeyNames(section, file, 999);
    if (!names) return TRUE;
    // Every key is read in file order, so key and value end up with the last one.
    for (const char* name = names; *name; name += strlen(name) + 1) {
        if (value && size > 0) {
            GetPrivateProfileStringA(section, name, defaultValue, value, (DWORD)size, file);
        }
        StoreKey(key, name);
    }
    free(names);
    return TRUE;
}

BOOL LIB_GetLastPrivateProfileString(const char* section, char* key, char* value, int size,
                                     const char* file)
{
    StoreKey(key, "");
    if (value && size > 0) value[0] = 0;
    char* names = ReadKeyNames(section, file, 49999);
    if (!names) return FALSE;
    BOOL found = FALSE;
    for (const char* name = names; *name; name += strlen(name) + 1) {
        if (value && size > 0) {
            GetPrivateProfileStringA(section, name, "", value, (DWORD)size, file);
        }
        StoreKey(key, name);
        found = TRUE;
    }
    free(names);
    return found;
}
