#pragma once
// The two service tables (programs supervised by window title and by message), the
// statistics slots and the partner ping list. Rows of the service list follow the tables:
// title entry k is row k, message entry k is row (title count + k).
#include <windows.h>
#include <stdint.h>

enum {
    SERVICE_TABLE_SIZE = 50,
    SERVICE_NAME_SIZE = 100,
    SERVICE_COMMAND_SIZE = 260,
    STAT_SLOT_COUNT = 20,
    PING_LIST_SIZE = 10,
    PING_NAME_SIZE = 50,
};

// Letters naming the statistics slots (the third is "S", in place of C).
extern const char kStatSlotLetters[STAT_SLOT_COUNT + 1];

struct SERVICE_ENTRY {
    char name[SERVICE_NAME_SIZE];        // key of the service line, shown in the list
    int32_t statSlot;                    // statistics slot 0..19 or -1
    char pattern[SERVICE_NAME_SIZE];     // upper-case name; a trailing "|" asks for an exact title
    char command[SERVICE_COMMAND_SIZE];  // command line that starts the program
    int32_t crashBaseline;               // 0 unknown, 1 crash window seen while idle, 2 none then
    HWND window;                         // main window as last found
    uint32_t counter;                    // seconds in the current bad episode
    int32_t lastAnswer;                  // seconds clock: last proof of life
    uint32_t lastProbeTick;              // tick count of the last probe
    int32_t lastProbeTime;               // seconds clock of the last probe
    int32_t lastStatus;                  // last status word reported; -50 none
    int32_t channels;                    // busy channels last reported
    int32_t problems;                    // problems last reported
    int32_t disabled;                    // 0 supervised, 1 disable requested, 2 disabled
    int32_t colour;                      // list colour last given to the row
    int32_t stopAttempts;                // stops and kills in the current episode
    int32_t updateRequest;               // set while an update asks the program to get ready
    int32_t lastStart;                   // seconds clock of the last start attempt; 0 none
    bool multiChannel;                   // serves several channels
    bool startFailureLogged;             // a failed start of this episode is in the event log
};

struct SERVICE_TABLE {
    SERVICE_ENTRY entries[SERVICE_TABLE_SIZE];
    int count;
};

struct STAT_SLOT {
    int32_t maximum;
    int32_t sum;
    int32_t count;
};

struct PING_ENTRY {
    char name[PING_NAME_SIZE];
    int32_t lastHeard;  // seconds clock; the time of reading until a report arrives
};

struct PING_LIST {
    PING_ENTRY entries[PING_LIST_SIZE];
    int count;
};

extern SERVICE_TABLE g_titleTable;
extern SERVICE_TABLE g_messageTable;
extern STAT_SLOT g_statSlots[STAT_SLOT_COUNT];
extern PING_LIST g_pingList;

// Slot of a letter of kStatSlotLetters, or -1 for any other character.
int StatSlot_OfLetter(char letter);
void StatSlots_Clear();
// Empties both tables, the statistics slots and the ping list (program start and tests).
void ServiceTables_Reset();
