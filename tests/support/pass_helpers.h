#pragma once
// Helpers for tests of the supervision passes: unique window titles, a configuration with
// title or message entries, and one supervision pass per fake second.
#include "support/program_dir.h"
#include <string>

// A title no other test process uses: prefix, this process's id and a serial number.
std::string UniqueTitle(const char* prefix);
// How often text occurs in log.
int Occurrences(const std::string& log, const std::string& text);
// The text upper-cased as the watchdog upper-cases patterns (CharUpperA).
std::string Upper(std::string text);

// Runs `seconds` passes, each one fake second after the previous and followed by the
// status probes, as the tick does.
void RunPasses(FakeHost& host, int seconds);
// Text of a row's column in the service list used by the pass tests.
std::string RowText(int row, int column);
int RowColour(int row);

// Installs a service list without a control, so that pass tests can read rows.
struct TestServiceList {
    TestServiceList();
    ~TestServiceList();
};

class TOwnListWindow;
// Shows the core's rows in the given list for the life of this object.
struct UseServiceList {
    explicit UseServiceList(TOwnListWindow* list);
    ~UseServiceList();
};
