// Registry values of the installation under "Software\Tarnwell\<subKey>", machine-wide (HKLM)
// or per user (HKCU), with the WIN.INI place of older versions as fallback or for clean-up.
#include "core/lib.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/host.h"
#include "core/str.h"

namespace {

// Registry key paths: every level may be up to 255 characters.
const size_t kKeyPathSize = 1024;

const char kNoRightsText[] =
    "Ihre Benutzerrechte erlauben nicht das Speichern der Konfiguration.\n"
    "Bitte wenden Sie sich an Ihren Administrator.";

// The failure message of LIB_WriteRegistryString is shown at most once a second, so that a
// loop of writes does not pile up message boxes.
struct RegistryMessageState {
    bool shown;
    DWORD lastTicks;
};
RegistryMessageState g_registryMessage = {false, 0};

HKEY RootOf(BOOL machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// "Software\Tarnwell\<subKey>"; false when it does not fit (a cut path would name another key).
bool MakerKeyPath(char* path, size_t size, const char* subKey)
{
    const int n = snprintf(path, size, "Software\\Tarnwell\\%s", subKey ? subKey : "");
    return n >= 0 && (size_t)n < size;
}

bool SetString(HKEY key, const char* valueName, const char* value)
{
    const size_t length = strlen(value) + 1;
    if (length > (size_t)UINT_MAX / 2) return false;
    return RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)value, (DWORD)length) ==
           ERROR_SUCCESS;
}

// Reads a value as text into buffer (size bytes, always terminated, a longer value is cut);
// false when it is missing. The buffer is touched only on success.
bool QueryText(HKEY key, const char* valueName, char* buffer, int size)
{
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        return false;
    }
    // Room for a value written without its terminator, and for one that grows in between.
    DWORD capacity = bytes + 2;
    for (int attempt = 0; attempt < 3; ++attempt) {
        char* data = (char*)malloc(capacity);
        if (!data) return false;
        DWORD got = capacity;
        const LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)data, &got);
        if (rc == ERROR_SUCCESS) {
            const size_t length = strnlen(data, got);
            STR_ncpy(buffer, data, (int)(length < (size_t)size - 1 ? length : (size_t)size - 1));
            free(data);
            return true;
        }
        free(data);
        if (rc != ERROR_MORE_DATA) return false;
        capacity = got + 2;
    }
    return false;
}

// Shared by the string readers: default first, then the value when the key and value exist.
BOOL ReadString(HKEY root, const char* keyPath, const char* valueName, const char* defaultValue,
                char* buffer, int size)
{
    if (!buffer || size <= 0) return FALSE;
    STR_ncpy(buffer, defaultValue, size - 1);
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return FALSE;
    const bool found = QueryText(key, valueName, buffer, size);
    RegCloseKey(key);
    return found ? TRUE : FALSE;
}

void ShowNoRightsMessage(BOOL machine, const char* subKey, const char* valueName)
{
    const DWORD now = Host_Ticks();
    if (g_registryMessage.shown && now - g_registryMessage.lastTicks <= 1000) return;
    char text[2048];
    snprintf(text, sizeof(text), "%s\n\n(%s\\Software\\Tarnwell\\%s\\%s)", kNoRightsText,
             machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER", subKey ? subKey : "",
             valueName ? valueName : "");
    g_host.messageBox(nullptr, text, subKey ? subKey : "", MB_ICONHAND);
    // The time after the box: it may have stood on the screen for a long while.
    g_registryMessage.shown = true;
    g_registryMessage.lastTicks = Host_Ticks();
}

}  // namespace

BOOL LIB_WriteRegistryString(const char* subKey, const char* valueName, const char* value,
                             BOOL machine, BOOL spare, BOOL showError)
{
    const HKEY root = RootOf(machine);
    const REGSAM access = KEY_READ | KEY_WRITE;
    bool ok = false;
    char path[kKeyPathSize];
    if (MakerKeyPath(path, sizeof(path), subKey)) {
        HKEY key;
        if (RegOpenKeyExA(root, path, 0, access, &key) == ERROR_SUCCESS) {
            if (value) {
                ok = SetString(key, valueName, value);
                // The value now lives in the registry: drop the copy of older versions.
                if (ok) WriteProfileStringA(subKey, valueName, nullptr);
            } else {
                ok = true;  // only the access was asked for
            }
            RegCloseKey(key);
        } else {
            // The key is new: create it level by level below "Software".
            HKEY software;
            if (RegOpenKeyExA(root, "Software", 0, access, &software) == ERROR_SUCCESS) {
                HKEY maker;
                if (RegCreateKeyExA(software, "Tarnwell", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    access, nullptr, &maker, nullptr) == ERROR_SUCCESS) {
                    HKEY created;
                    if (RegCreateKeyExA(maker, subKey ? subKey : "", 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                                        nullptr) == ERROR_SUCCESS) {
                        ok = value ? SetString(created, valueName, value) : true;
                        RegCloseKey(created);
                    }
                    RegCloseKey(maker);
                }
                RegCloseKey(software);
            }
        }
    }
    if (!ok && showError) ShowNoRightsMessage(machine, subKey, valueName);
    return ok ? TRUE : FALSE;
}

BOOL LIB_GetRegistryString(const char* subKey, const char* valueName, const char* defaultValue,
                           char* buffer, int size, BOOL machine)
{
    char path[kKeyPathSize];
    if (!MakerKeyPath(path, sizeof(path), subKey)) {
        if (buffer && size > 0) STR_ncpy(buffer, defaultValue, size - 1);
        return FALSE;
    }
    return ReadString(RootOf(machine), path, valueName, defaultValue, buffer, size);
}

BOOL LIB_GetGeneralRegistryString(BOOL machine, const char* keyPath, const char* valueName,
                                  const char* defaultValue, char* buffer, int size)
{
    return ReadString(RootOf(machine), keyPath ? keyPath : "", valueName, defaultValue, buffer,
                      size);
}

int LIB_GetGeneralRegistryInt(BOOL machine, const char* keyPath, const char* valueName,
                              int defaultValue)
{
    HKEY key;
    if (RegOpenKeyExA(RootOf(machine), keyPath ? keyPath : "", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return defaultValue;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    const LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)&data, &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof(data)) return defaultValue;
    return (int)data;
}

// Decimal integer at the start of a profile or registry text: no digits give 0, values beyond
// the range of int are held at its ends.
static int DecimalOf(const char* text)
{
    const long long v = strtoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

int LIB_GetRegistryInt(const char* subKey, const char* valueName, int defaultValue)
{
    int result = (int)GetProfileIntA(subKey, valueName, defaultValue);
    char text[100];
    if (LIB_GetRegistryString(subKey, valueName, "", text, sizeof(text), FALSE)) {
        result = DecimalOf(text);
    }
    return result;
}
