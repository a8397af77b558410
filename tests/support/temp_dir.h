#pragma once
// A fresh directory under the system temporary folder for one test, removed with its contents
// when the test ends. path() ends with a backslash.
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    const char* path() const { return path_.c_str(); }
    std::string file(const char* name) const { return path_ + name; }
    // Writes a file (binary, exactly these bytes) below the directory.
    void write(const char* name, const std::string& content) const;
    // Reads a whole file; "" when it does not exist.
    std::string read(const char* name) const;
    bool exists(const char* name) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
void RemoveTree(const std::string& directory);
// True when a file or directory of that path exists.
bool FileExists(const std::string& path);
