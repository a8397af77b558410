#include "window_recorder.h"
#include "core/str.h"
#include <stdio.h>
#include <string.h>

namespace {

std::vector<RECORDED_MESSAGE> g_recorded;
const char kDestroyOnReturn[] = "CustorTestDestroyOnReturn";

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
    case WM_CLOSE:
    case WM_KEYDOWN:
    case WM_USER + 200:
        g_recorded.push_back({window, message, wParam, lParam});
        if (message == WM_KEYDOWN && wParam == VK_RETURN && GetPropA(window, kDestroyOnReturn))
            DestroyWindow(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

std::vector<RECORDED_MESSAGE> Take(HWND window)
{
    std::vector<RECORDED_MESSAGE> taken, kept;
    for (const RECORDED_MESSAGE& m : g_recorded) (m.window == window ? taken : kept).push_back(m);
    g_recorded = kept;
    return taken;
}

}  // namespace

HWND CreateRecordingWindow(const char* className, const char* title, bool visible,
                           bool destroyOnReturn)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (window && destroyOnReturn) SetPropA(window, kDestroyOnReturn, (HANDLE)1);
    if (window && visible) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

std::vector<RECORDED_MESSAGE> TakeRecorded(HWND window)
{
    PumpMessages();
    return Take(window);
}

std::vector<RECORDED_MESSAGE> TakeSent(HWND window) { return Take(window); }

SERVICE_ENTRY& AddEntry(SERVICE_TABLE& table, const char* name, const std::string& command,
                        HWND window)
{
    SERVICE_ENTRY& e = table.entries[table.count++];
    e = SERVICE_ENTRY{};
    STR_ncpy(e.name, name, SERVICE_NAME_SIZE - 1);
    STR_ncpy(e.pattern, name, SERVICE_NAME_SIZE - 1);
    CharUpperA(e.pattern);
    STR_ncpy(e.command, command.c_str(), SERVICE_COMMAND_SIZE - 1);
    e.window = window;
    e.lastStatus = -50;
    e.statSlot = -1;
    return e;
}

std::string Unique(const char* text)
{
    char buffer[128];
    snprintf(buffer, sizeof(buffer), "%s%lu", text, GetCurrentProcessId());
    return buffer;
}
