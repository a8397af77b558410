#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "ui/list_line.h"
#include "ui/listwindow.h"

namespace {

// Blocks with a guard after the requested size: overruns and leaks are counted on release.
const unsigned char GUARD = 0xA5;
const size_t GUARD_BYTES = 16, HEADER = 16;
int g_live = 0, g_overruns = 0, g_allocations = 0, g_failAt = 0;

void* GuardedAllocate(size_t size)
{
    if (++g_allocations == g_failAt)
        return nullptr;
    unsigned char* block = (unsigned char*)malloc(HEADER + size + GUARD_BYTES);
    memcpy(block, &size, sizeof(size));
    memset(block + HEADER + size, GUARD, GUARD_BYTES);
    g_live++;
    return block + HEADER;
}

void GuardedRelease(void* p)
{
    unsigned char* block = (unsigned char*)p - HEADER;
    size_t size;
    memcpy(&size, block, sizeof(size));
    for (size_t i = 0; i < GUARD_BYTES; i++)
        if (block[HEADER + size + i] != GUARD)
            g_overruns++;
    g_live--;
    free(block);
}

class ListWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CustorListTestParent";
        RegisterClassA(&wc);
        parent = CreateWindowExA(0, wc.lpszClassName, "list test", WS_OVERLAPPEDWINDOW, 0, 0,
                                 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(parent != nullptr);
        g_listLineMemory.allocate = GuardedAllocate;
        g_listLineMemory.release = GuardedRelease;
    }
    void TearDown() override
    {
        DestroyWindow(parent);
        EXPECT_EQ(0, g_overruns);
        ListLine_UseDefaultMemory();
    }
    int Items(HWND list) { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }
    std::string ItemText(HWND list, int row, int column = 0)
    {
        static char buffer[8192];
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = sizeof(buffer);
        buffer[0] = '\0';
        SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        return buffer;
    }
    LPARAM ItemData(HWND list, int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = -99;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        return item.lParam;
    }
    HWND parent = nullptr;
};

TEST_F(ListWindowTest, CreatesReportChildWithIdSingleSelectionAndColumns)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    ASSERT_TRUE(hwnd != nullptr);
    EXPECT_EQ(hwnd, list.Create());  // a second call keeps the control
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    EXPECT_STREQ("SysListView32", cls);
    EXPECT_EQ(parent, GetParent(hwnd));
    EXPECT_EQ(42, GetDlgCtrlID(hwnd));
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_FALSE(style & LVS_OWNERDATA);
    EXPECT_TRUE(list.InsertColumn(0, "Service", 160) && list.InsertColumn(1, nullptr, 80));
    EXPECT_FALSE(list.InsertColumn(3, "beyond the column count", 80));
    EXPECT_FALSE(list.InsertColumn(-1, "negative", 80));
    EXPECT_EQ(160, (int)SendMessageA(hwnd, LVM_GETCOLUMNWIDTH, 0, 0));
    HWND header = (HWND)SendMessageA(hwnd, LVM_GETHEADER, 0, 0);
    EXPECT_EQ(2, (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));

    TOwnListWindow multi(parent, 0x10, 3, 43, 0, 0, 300, 200);
    ASSERT_TRUE(multi.Create() != nullptr);
    EXPECT_FALSE(GetWindowLongA(multi.GetHandle(), GWL_STYLE) & LVS_SINGLESEL);
}

TEST_F(ListWindowTest, InsertedLinesKeepTextsAndItemsCarryTextZeroAndKey)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    EXPECT_TRUE(list.InsertLine(0, 7, 2, "FAXSRV", "ok", "12 s"));
    EXPECT_TRUE(list.InsertLine(1, 8, 1, "VOICE", nullptr, ""));
    EXPECT_TRUE(list.InsertLine(0, 9, 0, nullptr, "first row"));  // row = key: goes on top
    EXPECT_TRUE(list.InsertLine(-5, 0, 0, "negative key"));       // appended, not refused
    ASSERT_EQ(4, list.GetLineCount());
    EXPECT_STREQ("FAXSRV", list.GetColumnText(0, 0));
    EXPECT_STREQ("12 s", list.GetColumnText(0, 2));
    EXPECT_STREQ("", list.GetColumnText(1, 1));
    EXPECT_STREQ("first row", list.GetColumnText(2, 1));
    EXPECT_EQ(2, list.GetColor(0));
    EXPECT_EQ(1, list.GetColor(1));
    ASSERT_EQ(4, Items(hwnd));
    EXPECT_EQ("", ItemText(hwnd, 0));
    EXPECT_EQ(0, ItemData(hwnd, 0));
    EXPECT_EQ("FAXSRV", ItemText(hwnd, 1));
    EXPECT_EQ("VOICE", ItemText(hwnd, 2));
    EXPECT_EQ(1, ItemData(hwnd, 2));
    EXPECT_EQ("negative key", ItemText(hwnd, 3));
    EXPECT_EQ(-5, ItemData(hwnd, 3));
}

TEST_F(ListWindowTest, SetColumnTextReplacesCopyAndTheItemTexts)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    ASSERT_TRUE(list.InsertColumn(0, "Program", 100));
    ASSERT_TRUE(list.InsertColumn(1, "State", 80));
    list.InsertLine(0, 0, 0, "FAXSRV", "ok");
    list.InsertLine(1, 0, 0, "VOICE", "ok");
    EXPECT_TRUE(list.SetColumnText(1, 1, "no response"));
    EXPECT_TRUE(list.SetColumnText(1, 0, "VOICE2"));
    EXPECT_STREQ("no response", list.GetColumnText(1, 1));
    EXPECT_EQ("VOICE2", ItemText(hwnd, 1));
    EXPECT_EQ("FAXSRV", ItemText(hwnd, 0));
    // The control shows the other columns too, from the insertion on.
    EXPECT_EQ("no response", ItemText(hwnd, 1, 1));
    EXPECT_EQ("ok", ItemText(hwnd, 0, 1));
    EXPECT_TRUE(list.SetColumnText(0, 1, nullptr));
    EXPECT_STREQ("", list.GetColumnText(0, 1));
    EXPECT_TRUE(list.SetColumnText(0, 0, nullptr));
    EXPECT_EQ("", ItemText(hwnd, 0));
    // Columns outside 0..19 and lines that do not exist change nothing.
    EXPECT_FALSE(list.SetColumnText(1, 20, "x"));
    EXPECT_FALSE(list.SetColumnText(1, -1, "x"));
    EXPECT_FALSE(list.SetColumnText(2, 0, "x"));
    EXPECT_FALSE(list.SetColumnText(-1, 0, "x"));
    EXPECT_STREQ("VOICE2", list.GetColumnText(1, 0));
    EXPECT_STREQ("", list.GetColumnText(-1, 0));
    EXPECT_STREQ("", list.GetColumnText(0, -1));
    EXPECT_EQ(0, list.GetColor(2));
    EXPECT_EQ(0, list.GetColor(-1));
    EXPECT_FALSE(list.SetColor(2, 1));
    EXPECT_FALSE(list.SetColor(-1, 1));
}

TEST_F(ListWindowTest, SetColorAdjustsExactlyOneTrailingBlankOfTextZero)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    list.InsertLine(0, 0, 0, "FAX", "ok");
    list.InsertLine(1, 0, 0, "MAIL  ");
    list.InsertLine(2, 0, 0, "");
    EXPECT_TRUE(list.SetColor(0, 0x81));  // without the flag the text stays
    EXPECT_EQ(0x81, list.GetColor(0));
    EXPECT_STREQ("FAX", list.GetColumnText(0, 0));
    EXPECT_TRUE(list.SetColor(0, 0, true));
    EXPECT_STREQ("FAX ", list.GetColumnText(0, 0));
    EXPECT_EQ("FAX ", ItemText(hwnd, 0));
    EXPECT_TRUE(list.SetColor(0, 0, true));  // already ends with a blank
    EXPECT_STREQ("FAX ", list.GetColumnText(0, 0));
    EXPECT_TRUE(list.SetColor(0, 128, true));
    EXPECT_STREQ("FAX", list.GetColumnText(0, 0));
    EXPECT_EQ(128, list.GetColor(0));
    EXPECT_TRUE(list.SetColor(0, 128, true));  // nothing left to remove
    EXPECT_STREQ("FAX", list.GetColumnText(0, 0));
    EXPECT_TRUE(list.SetColor(1, 128, true));
    EXPECT_STREQ("MAIL ", list.GetColumnText(1, 0));
    EXPECT_TRUE(list.SetColor(2, 0, true));
    EXPECT_STREQ(" ", list.GetColumnText(2, 0));
    EXPECT_TRUE(list.SetColor(1, 2, true));  // other colour words leave the text alone
    EXPECT_STREQ("MAIL ", list.GetColumnText(1, 0));
}

TEST_F(ListWindowTest, DeleteAllItemsEmptiesChainAndControl)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    for (int k = 0; k < 5; k++)
        list.InsertLine(k, k, 1, "line", "state");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetLineCount());
    EXPECT_EQ(0, Items(hwnd));
    EXPECT_EQ(0, g_live);
    EXPECT_TRUE(list.InsertLine(0, 0, 2, "again"));
    EXPECT_STREQ("again", list.GetColumnText(0, 0));
    EXPECT_EQ("again", ItemText(hwnd, 0));
}

TEST_F(ListWindowTest, TwentyColumnsAndLongTextsAreStoredWhole)
{
    TOwnListWindow list(parent, 0x18, 25, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    char names[25][8];
    const char* texts[25];
    for (int c = 0; c < 25; c++) {
        snprintf(names[c], sizeof(names[c]), "c%d", c);
        texts[c] = names[c];
    }
    EXPECT_TRUE(list.InsertLine(0, 0, 0, texts, 25));
    EXPECT_STREQ("c19", list.GetColumnText(0, 19));
    EXPECT_STREQ("", list.GetColumnText(0, 20));
    EXPECT_TRUE(list.InsertColumn(19, "last", 40));
    EXPECT_FALSE(list.InsertColumn(20, "beyond", 40));

    std::string longText(5000, 'x');
    EXPECT_TRUE(list.InsertLine(1, 0, 0, longText.c_str(), longText.c_str()));
    EXPECT_EQ(longText, list.GetColumnText(1, 1));
    EXPECT_EQ(longText, ItemText(hwnd, 1));
    EXPECT_TRUE(list.SetColor(1, 0, true));
    EXPECT_EQ(longText + " ", list.GetColumnText(1, 0));
    EXPECT_TRUE(list.SetColumnText(1, 2, (longText + "y").c_str()));
    EXPECT_EQ(5001u, strlen(list.GetColumnText(1, 2)));
    list.DeleteAllItems();
    EXPECT_EQ(0, g_live);  // overruns of any copy are counted at release (TearDown)
}

TEST_F(ListWindowTest, FailedCopyInsertsNothingAndReleasesWhatWasCopied)
{
    TOwnListWindow list(parent, 0x18, 3, 42, 0, 0, 300, 200);
    HWND hwnd = list.Create();
    list.InsertLine(0, 0, 0, "kept");
    int before = g_live;
    g_allocations = 0;
    g_failAt = 3;  // the record, text 0, then text 1 fails
    EXPECT_FALSE(list.InsertLine(1, 0, 0, "a", "b", "c"));
    EXPECT_EQ(before, g_live);
    EXPECT_EQ(1, list.GetLineCount());
    EXPECT_EQ(1, Items(hwnd));
    g_allocations = 0;
    g_failAt = 1;
    EXPECT_FALSE(list.SetColumnText(0, 0, "replacement"));
    EXPECT_STREQ("kept", list.GetColumnText(0, 0));
    EXPECT_EQ("kept", ItemText(hwnd, 0));
}

TEST_F(ListWindowTest, ChainWorksWithoutControlAndIsShownOnceCreated)
{
    TOwnListWindow orphan(nullptr, 0x18, 3, 42, 0, 0, 300, 200);
    EXPECT_TRUE(orphan.Create() == nullptr);
    EXPECT_FALSE(orphan.InsertColumn(0, "Service", 160));
    EXPECT_TRUE(orphan.InsertLine(0, 0, 0, "FAX", "ok"));
    EXPECT_TRUE(orphan.SetColumnText(0, 0, "FAX2"));
    EXPECT_TRUE(orphan.SetColor(0, 0, true));
    EXPECT_STREQ("FAX2 ", orphan.GetColumnText(0, 0));
    EXPECT_TRUE(orphan.DeleteAllItems());
    EXPECT_EQ(0, orphan.GetLineCount());

    TOwnListWindow late(parent, 0x18, 3, 42, 0, 0, 300, 200);
    late.InsertLine(0, 0, 0, "first");
    late.InsertLine(1, 0, 0, "second");
    HWND hwnd = late.Create();
    ASSERT_EQ(2, Items(hwnd));
    EXPECT_EQ("second", ItemText(hwnd, 1));
    EXPECT_EQ(1, ItemData(hwnd, 1));
}

}  // namespace
