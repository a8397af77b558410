#pragma once
// A file type of the test's own (under the classes root, where the shell looks it up), opened
// by a given program; the association is removed at the end. The extension is unique to the
// test process, so tests running meanwhile never see it.
#include <string>

struct TestFileType {
    explicit TestFileType(const std::string& programPath);
    ~TestFileType();
    TestFileType(const TestFileType&) = delete;
    TestFileType& operator=(const TestFileType&) = delete;

    std::string extension;  // ".custorhelp<process id>"
    std::string progId;
};
