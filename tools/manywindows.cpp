// manywindows: opens COUNT top-level windows titled "PREFIX 1" ... "PREFIX COUNT" and keeps
// them answering messages for SECONDS (default 600), so tests and benchmarks have a crowded
// desktop of another process. Usage: manywindows PREFIX COUNT [SECONDS]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 3) return 2;
    const char* prefix = __argv[1];
    int count = atoi(__argv[2]);
    const int seconds = __argc > 3 ? atoi(__argv[3]) : 600;
    if (count < 0 || count > 5000) return 2;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "ManyWindows";
    RegisterClassA(&wc);
    HWND first = nullptr;
    for (int i = 1; i <= count; ++i) {
        char title[300];
        snprintf(title, sizeof(title), "%s %d", prefix, i);
        HWND w = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPED, 0, 0, 100, 50,
                                 nullptr, nullptr, instance, nullptr);
        if (!first) first = w;
    }
    if (first) SetTimer(first, 1, (UINT)(seconds > 0 ? seconds : 1) * 1000u, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
