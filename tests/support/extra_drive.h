#pragma once
// A drive letter of the test's own under Wine: a link "dosdevices/<letter>:" in the prefix
// to a fresh directory, so that a test has real paths on another drive (a backup machine's
// share, a source share that can disappear). Wine resolves drive letters through these links
// at every access, so the drive appears and disappears at once.
//
// Tests running meanwhile pick letters too: "ln -s" without -f fails when the link exists,
// and the test checks that the drive shows its own marker file before taking the letter.
#include "support/temp_dir.h"
#include <string>

class ExtraDrive {
public:
    ExtraDrive();   // takes the first free letter of P to Y; root() is "" when none worked
    ~ExtraDrive();  // removes the link (only its own)
    ExtraDrive(const ExtraDrive&) = delete;
    ExtraDrive& operator=(const ExtraDrive&) = delete;

    const std::string& root() const { return root_; }  // "P:\"
    // Removes the link: every path on the drive stops existing, as when a share goes away.
    void Disappear();

    TempDir dir;  // what the drive shows

private:
    std::string link_;
    std::string root_;
};

// Sets a file's (or directory's) last-write and creation time to the local time given as
// seconds of the watchdog's clock (Host_Now's scale); false when it could not be set.
bool SetEntryTime(const std::string& path, int32_t seconds);
