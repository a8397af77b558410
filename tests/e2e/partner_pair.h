#pragma once
// A second machine for end-to-end tests of the partner link: its own Wine prefix (so its
// own wineserver, registry and windows) and its own computer name (a UTS namespace of its
// own), with its program directory on the Z: drive both machines see. The test writes its
// files there and reads its logs; the machine talks to the test's Custor over UDP only.
#include <string>

struct SecondMachine {
    // name: the computer name the machine gets (upper case, at most 15 characters).
    explicit SecondMachine(const char* name);
    // Ends the machine (its wineserver and every program of its prefix) and removes it.
    ~SecondMachine();

    // Starts Custor.exe of the directory in the machine; false when it could not be started.
    bool Start();
    // Ends everything on the machine at once, as when it loses power; true once it is gone.
    bool Stop();
    std::string File(const char* name) const { return dir + name; }
    std::string Read(const char* name) const;
    std::string Log() const { return Read("custor.txt"); }
    void Write(const char* name, const std::string& content) const;

    std::string name;
    std::string dir;      // Windows path of the program directory, "Z:\...\" form
    std::string unixDir;  // the same directory seen from the host, ends with "/"
    bool running = false;

private:
    bool RunScript(const char* script, const char* doneFile, unsigned milliseconds);
};
