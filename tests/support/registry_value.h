#pragma once
// A string value under HKCU\Software\Tarnwell\<section> that a test sets or removes; the value
// the machine had before comes back when the object goes.
#include <string>

class RegistryValue {
public:
    RegistryValue(const char* section, const char* name);
    ~RegistryValue();
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    void Set(const std::string& text) const;
    void Remove() const;
    // The stored text; "" when the value is absent.
    std::string Get() const;

private:
    std::string key_;
    std::string name_;
    bool existed_ = false;
    std::string saved_;
};
