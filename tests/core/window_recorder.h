#pragma once
// Test windows of this process that record what the watchdog sends or posts to them, and
// service entries set up the way the configuration reader leaves them.
#include <windows.h>
#include <string>
#include <vector>
#include "core/service_table.h"

struct RECORDED_MESSAGE {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A top-level window of the class (registered on first use) that records WM_SYSCOMMAND,
// WM_CLOSE (without closing), WM_KEYDOWN and WM_USER+200. A WM_KEYDOWN with VK_RETURN
// destroys it when destroyOnReturn is set, as a message box goes away when answered.
HWND CreateRecordingWindow(const char* className, const char* title, bool visible = false,
                           bool destroyOnReturn = false);
// Dispatches everything posted to this thread, then returns (and forgets) what the window
// got since the last call.
std::vector<RECORDED_MESSAGE> TakeRecorded(HWND window);
// Like TakeRecorded, without dispatching: only what was sent (not posted) so far.
std::vector<RECORDED_MESSAGE> TakeSent(HWND window);
// Dispatches the messages posted to this thread.
void PumpMessages();

// A title-table or message-table entry named name (pattern upper-cased) with a command.
SERVICE_ENTRY& AddEntry(SERVICE_TABLE& table, const char* name, const std::string& command,
                        HWND window = nullptr);

// A text unique to this test process, for titles other tests running meanwhile cannot have.
std::string Unique(const char* text);
