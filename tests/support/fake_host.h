#pragma once
// A controllable host for tests: a settable local clock and tick count, Sleep that only
// advances them, message boxes answered by the test, and beeps, reboots and process ends
// recorded instead of carried out. Install() swaps it in; the destructor puts the real one back.
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

// A file time moved by whole seconds (either way).
FILETIME AddSeconds(FILETIME time, int seconds);

struct FakeHost {
    FakeHost();
    ~FakeHost();

    // Local wall clock; Advance moves both the wall clock and the tick count.
    void SetTime(int year, int month, int day, int hour, int minute, int second);
    void Advance(int seconds);
    void AdvanceMs(DWORD milliseconds);
    // Moves only the tick counts (32 and 64 bits), as the passing of time without a clock.
    void AddTicks(DWORD milliseconds);
    // Moves only the wall clock (a clock change), not the tick count.
    void JumpClock(int seconds);
    int32_t Now() const;

    SYSTEMTIME time;
    DWORD ticks = 1000000;
    // Turns of the 32-bit counter since boot: the 64-bit tick count is tickWraps:ticks. A test
    // that sets ticks lower to show a wrap sets tickWraps too; Advance counts wraps itself.
    uint32_t tickWraps = 0;
    int messageBoxAnswer = IDOK;
    std::vector<std::string> messageBoxes;  // "caption|text"
    std::vector<UINT> beeps;
    std::vector<UINT> exitWindowsCalls;
    std::vector<UINT> exitCodes;
    // The time zone the fake reports: UTC without daylight time unless a test sets it.
    TIME_ZONE_INFORMATION zone = {};
    DWORD zoneId = TIME_ZONE_ID_UNKNOWN;

    static FakeHost* current;
};
