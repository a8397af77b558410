#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>

#include <vector>

#include "core/commands.h"
#include "core/lib.h"
#include "ui/listwindow.h"
#include "support/process_runner.h"
#include "support/registry_value.h"

// The list painted in a real window, its pixels read back from the window's device context.
namespace {

TOwnListWindow* g_painted = nullptr;
// The list's notices as the parent's window procedure received them.
std::vector<MSG> g_notices;

LRESULT CALLBACK ForwardingParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DRAWITEM && g_painted) {
        g_painted->DrawItem((const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    }
    if (msg >= MSG_LIST_SELECT && msg <= MSG_LIST_SIZED) {
        MSG notice = {};
        notice.message = msg;
        notice.wParam = wParam;
        notice.lParam = lParam;
        g_notices.push_back(notice);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Dispatches what is queued for this thread (paints included, so none is left pending).
void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool NoticeSeen(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MSG& n : g_notices)
        if (n.message == message && n.wParam == wParam && n.lParam == lParam) return true;
    return false;
}

class ListPaint : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ForwardingParent;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CustorPaintParent";
        RegisterClassA(&wc);
        parent = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "list paint", WS_POPUP, 10,
                                 10, 420, 200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(parent != nullptr);
        list = new TOwnListWindow(parent, 0x18, 3, 42, 0, 0, 420, 200);
        g_painted = list;
        ASSERT_TRUE(list->Create() != nullptr);
        list->InsertColumn(0, "Program", 160, LVCFMT_CENTER);
        list->InsertColumn(1, "State", 120, LVCFMT_CENTER);
        list->InsertColumn(2, "Info", 120, LVCFMT_CENTER);
        ShowWindow(parent, SW_SHOWNOACTIVATE);
    }
    void TearDown() override
    {
        g_painted = nullptr;
        delete list;
        DestroyWindow(parent);
    }
    void Paint()
    {
        InvalidateRect(list->GetHandle(), nullptr, TRUE);
        UpdateWindow(list->GetHandle());
    }
    RECT Bounds(int row)
    {
        RECT r = {};
        ListView_GetItemRect(list->GetHandle(), row, &r, LVIR_BOUNDS);
        return r;
    }
    // Does any pixel of the row's program cell have the colour?
    bool RowHasColour(int row, COLORREF colour)
    {
        const RECT r = Bounds(row);
        HDC dc = GetDC(list->GetHandle());
        bool found = false;
        for (int y = r.top; y < r.bottom && !found; ++y)
            for (int x = r.left; x < r.left + 150 && !found; ++x)
                found = GetPixel(dc, x, y) == colour;
        ReleaseDC(list->GetHandle(), dc);
        return found;
    }
    // The background at the right end of the row, where no text is.
    COLORREF Background(int row)
    {
        const RECT r = Bounds(row);
        HDC dc = GetDC(list->GetHandle());
        const COLORREF c = GetPixel(dc, r.left + 395, (r.top + r.bottom) / 2);
        ReleaseDC(list->GetHandle(), dc);
        return c;
    }
    void Select(int row)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(list->GetHandle(), LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    }

    HWND parent = nullptr;
    TOwnListWindow* list = nullptr;
};

}  // namespace

TEST_F(ListPaint, ColourWordsGiveTextAndBackground)
{
    struct Case {
        unsigned short colour;
        bool selected;
        COLORREF background;
        COLORREF text;
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const Case kCases[] = {
        {1, false, window, RGB(255, 0, 0)},          // not running: red text
        {8, false, window, RGB(0, 100, 0)},          // ok: dark green
        {2 | 0x80, false, window, RGB(0, 0, 255)},   // bold blue
        {0x20 | 4, false, RGB(200, 0, 0), RGB(255, 255, 255)},
        {0x10 | 5, false, RGB(0, 0, 200), RGB(255, 255, 0)},
        // The red line stays red when selected, with the highlight text, focus or not.
        {1, true, RGB(255, 0, 0), GetSysColor(COLOR_HIGHLIGHTTEXT)},
        // Any other selected line without the focus: button face, window text.
        {8, true, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.colour);
        list->DeleteAllItems();
        list->InsertLine(0, 0, 0, "WWWWWWWW", "ok", "");
        list->InsertLine(1, 0, c.colour, "WWWWWWWW", "ok", "");
        if (c.selected) Select(1);
        SetFocus(nullptr);
        Paint();
        EXPECT_EQ(c.background, Background(1));
        EXPECT_TRUE(RowHasColour(1, c.text));
        EXPECT_EQ(window, Background(0));
    }
}

TEST_F(ListPaint, ShortenedTextsEndOrStartWithTwoDots)
{
    HDC dc = GetDC(list->GetHandle());
    SelectObject(dc, (HFONT)SendMessageA(list->GetHandle(), WM_GETFONT, 0, 0));
    SIZE size = {};
    const char* text = "FAX SERVER 1";
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    struct Case {
        int width;
        bool front;
        bool shortened;
        const char* begins;
        const char* ends;
    };
    const Case kCases[] = {
        {size.cx + 4, false, false, "FAX", "R 1"},  // fits with the 4 spare pixels
        {size.cx + 3, false, true, "FAX", ".."},    // one pixel short
        {size.cx + 3, true, true, "..", " 1"},      // right-aligned: shortened in front
        {1, false, true, "F", ".."},                // at least one character stays
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.width);
        char out[LIST_TEXT_SIZE];
        EXPECT_EQ(c.shortened, ListText_Fit(dc, text, c.width, c.front, out, sizeof(out)));
        const std::string s = out;
        EXPECT_EQ(0u, s.find(c.begins)) << s;
        EXPECT_EQ(s.size() - strlen(c.ends), s.rfind(c.ends)) << s;
    }
    char small[4];
    ListText_Fit(dc, "a long text that is cut", 5, false, small, sizeof(small));
    EXPECT_GE(sizeof(small), strlen(small) + 1);
    ReleaseDC(list->GetHandle(), dc);
}

TEST_F(ListPaint, StoredWidthsApplyOnlyReadableWideTokens)
{
    // An identifier of this process's own, so the stored value meets no other test.
    const int id = 30000 + (int)(GetCurrentProcessId() % 20000);
    char name[16];
    snprintf(name, sizeof(name), "%u", (unsigned)id);
    RegistryValue stored("Postrel", name);  // removed again at the end
    TOwnListWindow widths(parent, 0x18, 3, id, 0, 0, 300, 100);
    ASSERT_TRUE(widths.Create() != nullptr);
    for (int i = 0; i < 3; ++i) widths.InsertColumn(i, "c", 60);
    struct Case {
        const char* stored;
        int expected[3];
    };
    const Case kCases[] = {
        {"5,200,abc", {60, 200, 60}},
        {"100'90'80", {100, 60, 60}},  // the first number ends only at ",": "100'90'80" reads 100
        {"100,90'80,70", {100, 90, 80}},
        {"11,10,12", {11, 60, 12}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stored);
        for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(widths.GetHandle(), i, 60);
        LIB_WriteRegistryString("Postrel", name, c.stored, FALSE, FALSE, FALSE);
        widths.LoadColumnWidth();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(c.expected[i], ListView_GetColumnWidth(widths.GetHandle(), i)) << i;
    }
    const int kept[3] = {60, 80, 60};
    for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(widths.GetHandle(), i, kept[i]);
    EXPECT_TRUE(widths.CanClose());
    EXPECT_EQ("60,80,60", stored.Get());
    for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(widths.GetHandle(), i, 0);
    widths.CanClose();  // no column wider than 0: nothing written
    EXPECT_EQ("60,80,60", stored.Get());
}

TEST_F(ListPaint, RebuildsAndLookupsKeepTheirLines)
{
    for (int i = 0; i < 60; ++i) {
        const std::string text = "line " + std::to_string(i);
        list->InsertLine(i, 100 + i, (unsigned short)(i % 16), text.c_str(), i % 2 ? "odd" : "even");
    }
    EXPECT_EQ(255, list->GetFocusColor());
    EXPECT_EQ(59, list->GetIndexbyData(59));
    EXPECT_EQ(-1, list->GetIndexbyData(60));
    EXPECT_EQ(107, list->GetLogLine(7));
    EXPECT_EQ(-1, list->GetLogLine(-3));
    EXPECT_EQ(5, list->GetLinebyContent(0, "LINE 5"));   // without regard to case
    EXPECT_EQ(-1, list->GetIndexbyContent(0, "LINE 5"));  // exactly
    EXPECT_EQ(5, list->GetIndexbyContent(0, "line 5"));
    EXPECT_EQ(59, list->GetLastLinebyContent(0, "odd"));
    char text[5];
    EXPECT_EQ(4, list->GetString_(text, sizeof(text), 12, 0));
    EXPECT_STREQ("line", text);
    list->SetSel(3, true, false, true);
    int row = -1;
    EXPECT_EQ(3, list->GetSelIndex(-1, &row));
    EXPECT_EQ(3, row);
    EXPECT_EQ(1, list->GetSelCount());
    EXPECT_EQ(3, list->GetFocusColor());

    EXPECT_TRUE(list->DeleteFiveItem());
    ASSERT_EQ(9, list->GetLineCount());
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(i, list->GetIndexbyData(i));
        EXPECT_EQ(151 + i, list->GetLogLine(i));
        EXPECT_EQ((51 + i) % 16, list->GetColor(i));
    }
    EXPECT_TRUE(list->DeleteAnItem(4));
    ASSERT_EQ(8, list->GetLineCount());
    EXPECT_STREQ("line 56", list->GetColumnText(4, 0));
    EXPECT_EQ(4, list->GetIndexbyData(4));
    EXPECT_TRUE(list->DeleteFiveItem());  // a short list keeps only its newest line
    ASSERT_EQ(1, list->GetLineCount());
    EXPECT_STREQ("line 59", list->GetColumnText(0, 0));
    EXPECT_EQ(1, (int)SendMessageA(list->GetHandle(), LVM_GETITEMCOUNT, 0, 0));
}

TEST_F(ListPaint, KeysAndClicksBecomeNoticesToTheParent)
{
    // Two texts in the last line: a click counts over two columns only.
    list->InsertLine(0, 0, 0, "A", "ok");
    list->InsertLine(1, 0, 0, "B", "ok");
    list->InsertLine(2, 0, 0, "C", "ok");
    list->SetSel(2, true, false, true);
    const int y = (Bounds(0).top + Bounds(0).bottom) / 2;
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        UINT notice;
        WPARAM noticeW;
        LPARAM noticeL;
    };
    const Case kCases[] = {
        {WM_CHAR, 13, 0, MSG_LIST_ACTIVATE, 42, 2},  // Enter: activate the focused row
        {WM_CHAR, 'x', 0, MSG_LIST_SELECT, 42, 0},   // any other character: select
        {WM_SIZE, 0, MAKELPARAM(400, 180), MSG_LIST_SIZED, 0, 0},
        {WM_LBUTTONUP, 0, MAKELPARAM(170, y), MSG_LIST_SELECT, 42, 1},  // column under x
        {WM_LBUTTONUP, 0, MAKELPARAM(10, y), MSG_LIST_SELECT, 42, 0},
        {WM_LBUTTONUP, 0, MAKELPARAM(350, y), MSG_LIST_SELECT, 42, 1},  // past the counted ones
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string((int)(short)LOWORD(c.lParam)));
        Pump();
        g_notices.clear();
        SendMessageA(list->GetHandle(), c.message, c.wParam, c.lParam);
        EXPECT_TRUE(WaitUntil([&] {
            Pump();
            return NoticeSeen(c.notice, c.noticeW, c.noticeL);
        }, 10000));
    }
}
