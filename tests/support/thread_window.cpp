#include "support/thread_window.h"

static const UINT kHangMessage = WM_APP + 1;
static const UINT kQuitMessage = WM_APP + 2;
static const UINT kSyncMessage = WM_APP + 3;
static const char kDefaultClass[] = "CustorTestWindow";

ThreadWindow::ThreadWindow(const char* title, const char* className)
{
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    synced_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread(&ThreadWindow::Run, this, std::string(title ? title : ""),
                          std::string(className ? className : kDefaultClass));
    WaitForSingleObject(ready_, 10000);
}

ThreadWindow::~ThreadWindow()
{
    Release();
    if (hwnd_) PostMessageA(hwnd_, kQuitMessage, 0, 0);
    if (thread_.joinable()) thread_.join();
    CloseHandle(ready_);
    CloseHandle(release_);
    CloseHandle(synced_);
}

void ThreadWindow::Run(std::string title, std::string className)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);  // fails harmlessly when the class exists
    hwnd_ = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, wc.hInstance, nullptr);
    if (hwnd_) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, (LONG_PTR)this);
    SetEvent(ready_);
    MSG msg;
    while (hwnd_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kQuitMessage) break;
        if (msg.message == kSyncMessage) {
            SetEvent(synced_);
            continue;
        }
        if (msg.message == kHangMessage) {
            WaitForSingleObject(release_, INFINITE);
            continue;
        }
        DispatchMessageA(&msg);
    }
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK ThreadWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ThreadWindow* self = (ThreadWindow*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    if (self && (msg == WM_CHAR || msg == WM_CLOSE || msg == WM_SYSCOMMAND || msg == WM_KEYDOWN)) {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->received_.push_back({msg, wParam, lParam});
        // The window stays: closing, minimising and keys are only recorded.
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void ThreadWindow::Hang()
{
    ResetEvent(release_);
    PostMessageA(hwnd_, kHangMessage, 0, 0);
}

void ThreadWindow::Release() { SetEvent(release_); }

std::vector<RecordedMessage> ThreadWindow::Received(UINT message) const
{
    Sync();
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RecordedMessage> out;
    for (const auto& m : received_)
        if (m.message == message) out.push_back(m);
    return out;
}

// Posted messages are handled in order: once the marker is, so are the earlier ones.
void ThreadWindow::Sync() const
{
    ResetEvent(synced_);
    if (PostMessageA(hwnd_, kSyncMessage, 0, 0)) WaitForSingleObject(synced_, 2000);
}
