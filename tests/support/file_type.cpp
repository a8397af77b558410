#include "support/file_type.h"
#include <windows.h>
#include <stdio.h>

TestFileType::TestFileType(const std::string& programPath)
{
    char name[64];
    snprintf(name, sizeof(name), ".custorhelp%lu", GetCurrentProcessId());
    extension = name;
    progId = "Custor.HelpTest" + std::to_string(GetCurrentProcessId());
    const std::string command = "\"" + programPath + "\" \"%1\"";
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, extension.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)progId.c_str(),
                       (DWORD)progId.size() + 1);
        RegCloseKey(key);
    }
    const std::string commandKey = progId + "\\shell\\open\\command";
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, commandKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)command.c_str(),
                       (DWORD)command.size() + 1);
        RegCloseKey(key);
    }
}

TestFileType::~TestFileType()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, progId.c_str());
}
