// Small system helpers of the library: the operating-system test, the country code of the
// installation, the tick count, and the buffer fill and scrambling routines.
#include "core/lib.h"

#include "core/host.h"

namespace {

// The scrambling key: below 0x20, so that exclusive or keeps the range 0x20..0x7F in itself.
const BYTE kScrambleKey = 0x15;

struct CountryCodeCache {
    bool read;
    DWORD readTicks;
    char code[20];
};
CountryCodeCache g_countryCode = {false, 0, ""};

struct XpSetting {
    bool read;
    bool forced;
};
XpSetting g_xpSetting = {false, false};

}  // namespace

BOOL LIB_isXP(void)
{
    // The WIN.INI switch is for machines whose version the program misjudges.
    if (!g_xpSetting.read) {
        g_xpSetting.forced = GetProfileIntA("Tarnwell", "XP", 0) == 1;
        g_xpSetting.read = true;
    }
    if (g_xpSetting.forced) return TRUE;
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return FALSE;
    return info.dwMajorVersion * 10 + info.dwMinorVersion > 50 ? TRUE : FALSE;
}

const char* LIB_GetCountryCode(void)
{
    // Asked for often (every job file names it), so the registry is read once a minute.
    const DWORD now = Host_Ticks();
    if (!g_countryCode.read || now - g_countryCode.readTicks >= 60000) {
        LIB_GetRegistryString("Tarnwell", "CountryCode", "49", g_countryCode.code,
                              sizeof(g_countryCode.code), TRUE);
        g_countryCode.read = true;
        g_countryCode.readTicks = now;
    }
    return g_countryCode.code;
}

DWORD LIB_GetTickCount(void) { return Host_Ticks(); }

WORD* LIB_memset(WORD* buffer, WORD value, int count)
{
    if (!buffer) return buffer;
    for (int i = 0; i < count; ++i) *buffer++ = value;
    return buffer;
}

char* LIB_xor(char* buffer, int length)
{
    if (!buffer) return buffer;
    for (int i = 0; i < length; ++i) {
        const BYTE c = (BYTE)buffer[i];
        if (c >= 0x20 && c <= 0x7F) buffer[i] = (char)(c ^ kScrambleKey);
    }
    return buffer;
}
