#include "support/temp_dir.h"
#include <windows.h>
#include <stdio.h>

TempDir::TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static LONG serial = 0;
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%scustor_test_%lu_%ld_%lu\\", base, GetCurrentProcessId(),
             InterlockedIncrement(&serial), GetTickCount());
    CreateDirectoryA(name, nullptr);
    path_ = name;
}

TempDir::~TempDir() { RemoveTree(path_); }

void TempDir::write(const char* name, const std::string& content) const
{
    WriteWholeFile(file(name), content);
}

std::string TempDir::read(const char* name) const { return ReadWholeFile(file(name)); }

bool TempDir::exists(const char* name) const
{
    return GetFileAttributesA(file(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
}

void RemoveTree(const std::string& directory)
{
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
