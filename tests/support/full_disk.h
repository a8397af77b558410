#pragma once
// A file on a full disk, for tests of writes that fail part-way.
#include <string>

// Makes windowsPath (in an existing directory) a file where every write fails with "disk
// full": under Wine a link to /dev/full. "" on success, otherwise why not.
std::string MakeFullDiskFile(const std::string& windowsPath);
