#include "support/wine_path.h"
#include <windows.h>

namespace {

typedef char*(CDECL* ToUnixFunction)(const WCHAR*);

// Wine's own export of kernel32; absent on Windows.
ToUnixFunction ToUnix()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? (ToUnixFunction)(void*)GetProcAddress(kernel, "wine_get_unix_file_name")
                  : nullptr;
}

}  // namespace

bool RunningUnderWine() { return ToUnix() != nullptr; }

std::string WineUnixPath(const std::string& windowsPath)
{
    ToUnixFunction toUnix = ToUnix();
    if (!toUnix) return "";
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return "";
    char* unixPath = toUnix(wide);
    if (!unixPath) return "";
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}
