// What a TOwnListWindow does besides keeping and painting lines: its life as a window, the
// notices to its parent, the tooltip for shortened cells, the keyboard hook and the column
// widths kept in the registry.
#include "ui/listwindow.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/commands.h"
#include "core/lib.h"
#include "core/str.h"
#include "ui/list_line.h"

// Column widths live in HKCU\Software\Tarnwell\Postrel under the list's identifier.
static const char kWidthSection[] = "Postrel";
// Widths of 10 pixels or less would hide a column for good: never applied.
static const int kNarrowestColumn = 10;

// One keyboard hook per process, and the list it serves.
static HHOOK s_hook = nullptr;
static TOwnListWindow* s_hookList = nullptr;

TOwnListWindow::~TOwnListWindow()
{
    if ((flags_ & LIST_FLAG_KEYBOARD_HOOK) && s_hookList == this) {
        UnhookWindowsHookEx(s_hook);
        s_hook = nullptr;
        s_hookList = nullptr;
    }
    RemoveTooltip();
    ListLine_FreeChain(first_);
    first_ = last_ = nullptr;
    lineCount_ = 0;
    // The parent may have taken the control with it already.
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, (LONG_PTR)controlProc_);
        RemovePropA(hwnd_, "TOwnListWindow");
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
}

void TOwnListWindow::SetupWindow()
{
    if ((flags_ & LIST_FLAG_KEYBOARD_HOOK) && !s_hook) {
        s_hook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
        if (s_hook) s_hookList = this;
    }
    if (flags_ & (LIST_FLAG_KEYBOARD_HOOK | LIST_FLAG_DELETE_TARGET)) deleteTarget_ = parent_;
    if ((flags_ & LIST_FLAG_STRIPED) && hwnd_)
        SendMessageA(hwnd_, LVM_SETBKCOLOR, 0, (LPARAM)GetSysColor(COLOR_BTNFACE));
}

void TOwnListWindow::SetHookHwnd(HWND target, HWND watched1, HWND watched2)
{
    hookTarget_ = target;
    hookWatched1_ = watched1;
    hookWatched2_ = watched2;
}

bool TOwnListWindow::CanClose()
{
    if (!(flags_ & LIST_FLAG_STORE_WIDTHS) || !hwnd_) return true;
    char text[LIST_MAX_COLUMNS * 12 + 1] = "";
    bool anyWidth = false;
    for (int column = 0; column < columns_; ++column) {
        const int width = (int)SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, (WPARAM)column, 0);
        if (width > 0) anyWidth = true;
        const size_t n = strlen(text);
        snprintf(text + n, sizeof(text) - n, column ? ",%u" : "%u", (unsigned)width);
    }
    if (anyWidth) {
        char name[16];
        snprintf(name, sizeof(name), "%u", (unsigned)id_);
        LIB_WriteRegistryString(kWidthSection, name, text, FALSE, FALSE, FALSE);
    }
    return true;
}

void TOwnListWindow::LoadColumnWidth()
{
    if (!(flags_ & LIST_FLAG_STORE_WIDTHS) || !hwnd_) return;
    char name[16];
    snprintf(name, sizeof(name), "%u", (unsigned)id_);
    char text[301] = "";
    if (!LIB_GetRegistryString(kWidthSection, name, "", text, sizeof(text), FALSE)) return;
    // The first number ends at ","; later ones at "," or "'".
    const char* p = text;
    for (int column = 0; *p; ++column) {
        const char* separators = column == 0 ? "," : ",'";
        const size_t length = strcspn(p, separators);
        char token[32];
        STR_ncpy(token, p, (int)(length < sizeof(token) - 1 ? length : sizeof(token) - 1));
        const long width = strtol(token, nullptr, 10);
        if (width > kNarrowestColumn && column < columns_)
            SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, (WPARAM)column, MAKELPARAM((int)width, 0));
        p += length;
        if (*p) ++p;
    }
}

void TOwnListWindow::Notify(UINT notice, WPARAM wParam, LPARAM lParam) const
{
    if (parent_) PostMessageA(parent_, notice, wParam, lParam);
}

// The column under x (client coordinates), counting over at most columnLimit columns; to the
// right of them, the last counted column.
int TOwnListWindow::ColumnAtX(int x, int columnLimit) const
{
    int sum = 0, column = 0;
    if (columnLimit > columns_) columnLimit = columns_;
    for (; column < columnLimit; ++column) {
        sum += (int)SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, (WPARAM)column, 0);
        if (sum >= x) return column;
    }
    return column > 0 ? column - 1 : 0;
}

void TOwnListWindow::RepaintSelection()
{
    const int focused = (int)SendMessageA(hwnd_, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_FOCUSED, 0));
    if (focused >= 0) {
        RECT r = {};
        r.left = LVIR_BOUNDS;
        RECT label = {};
        label.left = LVIR_LABEL;
        if (SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)focused, (LPARAM)&r) &&
            SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)focused, (LPARAM)&label)) {
            r.left = label.left;
            InvalidateRect(hwnd_, &r, FALSE);
        }
    }
    if (!(GetWindowLongA(hwnd_, GWL_STYLE) & LVS_SHOWSELALWAYS)) {
        for (int row = -1;;) {
            row = (int)SendMessageA(hwnd_, LVM_GETNEXTITEM, (WPARAM)row, MAKELPARAM(LVNI_SELECTED, 0));
            if (row < 0) break;
            RECT r = {};
            r.left = LVIR_BOUNDS;
            if (SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&r))
                InvalidateRect(hwnd_, &r, FALSE);
        }
    }
    UpdateWindow(hwnd_);
}

void TOwnListWindow::RemoveTooltip()
{
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

void TOwnListWindow::UpdateTooltip(int x, int y)
{
    LVHITTESTINFO hit = {};
    hit.pt.x = x;
    hit.pt.y = y;
    const int row = (int)SendMessageA(hwnd_, LVM_HITTEST, 0, (LPARAM)&hit);
    if (row < 0) {
        RemoveTooltip();
        tipIndex_ = tipColumn_ = -1;
        return;
    }
    // The column under the pointer, and where it starts.
    int column = 0, left = 0, width = 0, rest = x;
    for (; column < columns_; ++column) {
        width = (int)SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, (WPARAM)column, 0);
        if (rest < width) break;
        rest -= width;
        left += width;
    }
    if (column >= columns_) column = columns_ - 1;
    const int index = GetIndexbyLine(row);
    if (index == tipIndex_ && column == tipColumn_) return;
    RemoveTooltip();
    tipIndex_ = index;
    tipColumn_ = column;
    STR_ncpy(tipText_, GetColumnText(index, column), LIST_TEXT_SIZE - 1);
    for (size_t n = strlen(tipText_); n > 0 && tipText_[n - 1] == ' '; --n) tipText_[n - 1] = 0;
    if (!tipText_[0]) return;
    const int textWidth = (int)SendMessageA(hwnd_, LVM_GETSTRINGWIDTHA, 0, (LPARAM)tipText_);
    if (textWidth + 10 < width) return;

    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&bounds);
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE);
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               instance, nullptr);
    if (!tooltip_) return;
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = (UINT_PTR)id_;
    tool.rect.left = bounds.left + left;
    tool.rect.right = tool.rect.left + width;
    tool.rect.top = bounds.top;
    tool.rect.bottom = bounds.bottom;
    tool.lpszText = tipText_;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
}

LRESULT CALLBACK TOwnListWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TOwnListWindow* list = (TOwnListWindow*)GetPropA(hwnd, "TOwnListWindow");
    if (!list) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return list->OnMessage(msg, wParam, lParam);
}

LRESULT TOwnListWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC base = controlProc_;
    HWND hwnd = hwnd_;
    switch (msg) {
    case WM_SIZE: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        Notify(MSG_LIST_SIZED, 0, 0);
        return result;
    }
    case WM_CHAR:
        // Characters are the owner's: Enter activates, anything else counts as a selection.
        if (wParam == 13)
            Notify(MSG_LIST_ACTIVATE, (WPARAM)id_,
                   (LPARAM)SendMessageA(hwnd, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_FOCUSED, 0)));
        else
            Notify(MSG_LIST_SELECT, (WPARAM)id_, 0);
        return 0;
    case WM_SETFOCUS: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        RepaintSelection();
        Notify(MSG_LIST_SELECT, (WPARAM)id_, 0);
        Notify(MSG_LIST_FOCUS, (WPARAM)id_, 0);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        RepaintSelection();
        return result;
    }
    case WM_LBUTTONDBLCLK: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        Notify(MSG_LIST_ACTIVATE, (WPARAM)id_,
               (LPARAM)SendMessageA(hwnd, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_FOCUSED, 0)));
        return result;
    }
    case WM_LBUTTONUP: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        Notify(MSG_LIST_SELECT, (WPARAM)id_,
               (LPARAM)ColumnAtX((short)LOWORD(lParam), lastTextCount_));
        return result;
    }
    case WM_RBUTTONDOWN: {
        const LRESULT result = CallWindowProcA(base, hwnd, msg, wParam, lParam);
        Notify(MSG_LIST_CONTEXT, (WPARAM)id_, 0);
        return result;
    }
    case WM_MOUSEMOVE:
        UpdateTooltip((short)LOWORD(lParam), (short)HIWORD(lParam));
        return CallWindowProcA(base, hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)base);
        RemovePropA(hwnd, "TOwnListWindow");
        hwnd_ = nullptr;
        tooltip_ = nullptr;
        return CallWindowProcA(base, hwnd, msg, wParam, lParam);
    default:
        return CallWindowProcA(base, hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK TOwnListWindow::KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    TOwnListWindow* list = s_hookList;
    const bool released = (lParam & 0x80000000) != 0;
    if (code < 0 || !list || !released) return CallNextHookEx(s_hook, code, wParam, lParam);
    HWND focus = GetFocus();
    if (!focus || (focus != list->hwnd_ && focus != list->hookWatched1_ &&
                   focus != list->hookWatched2_))
        return CallNextHookEx(s_hook, code, wParam, lParam);
    switch (wParam) {
    case VK_DELETE:
        if (list->deleteTarget_) PostMessageA(list->deleteTarget_, MSG_LIST_DELETE, 0, 0);
        return 1;
    case VK_F1:
        if (list->hookTarget_) PostMessageA(list->hookTarget_, WM_COMMAND, 1002, 0);
        return 1;
    case VK_F5:
        if (list->hookTarget_) PostMessageA(list->hookTarget_, WM_COMMAND, 2, 0);
        return 1;
    default:
        return CallNextHookEx(s_hook, code, wParam, lParam);
    }
}
