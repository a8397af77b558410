#include "support/registry_value.h"
#include <windows.h>

RegistryValue::RegistryValue(const char* section, const char* name)
    : key_(std::string("Software\\Tarnwell\\") + section), name_(name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char text[1024] = "";
    DWORD size = sizeof(text) - 1, type = 0;
    existed_ = RegQueryValueExA(key, name_.c_str(), nullptr, &type, (BYTE*)text, &size) ==
                   ERROR_SUCCESS && type == REG_SZ;
    if (existed_) saved_ = text;
    RegCloseKey(key);
}

RegistryValue::~RegistryValue()
{
    if (existed_) Set(saved_);
    else Remove();
}

void RegistryValue::Set(const std::string& text) const
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name_.c_str(), 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(key);
}

void RegistryValue::Remove() const
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
}

std::string RegistryValue::Get() const
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "";
    char text[1024] = "";
    DWORD size = sizeof(text) - 1, type = 0;
    const bool ok = RegQueryValueExA(key, name_.c_str(), nullptr, &type, (BYTE*)text, &size) ==
                        ERROR_SUCCESS && type == REG_SZ;
    RegCloseKey(key);
    return ok ? std::string(text) : std::string();
}
