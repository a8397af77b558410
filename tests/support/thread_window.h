#pragma once
// A top-level window of the test's own process, run by a thread of its own so that it can
// answer cross-thread messages like a program's window, or hang on request. It records the
// messages a supervisor sends it.
#include <windows.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class ThreadWindow {
public:
    // className null: a class of the helper's own.
    explicit ThreadWindow(const char* title, const char* className = nullptr);
    ~ThreadWindow();
    ThreadWindow(const ThreadWindow&) = delete;
    ThreadWindow& operator=(const ThreadWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Blocks the window's thread: it stops processing messages until Release.
    void Hang();
    void Release();
    // Messages of these kinds received so far: WM_CHAR, WM_CLOSE, WM_SYSCOMMAND, WM_KEYDOWN.
    std::vector<RecordedMessage> Received(UINT message) const;
    // Waits (real time) until the posted messages sent so far have been processed.
    void Sync() const;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Run(std::string title, std::string className);

    HWND hwnd_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    HANDLE synced_ = nullptr;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> received_;
};
