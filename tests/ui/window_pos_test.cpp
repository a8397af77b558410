#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "core/lib.h"
#include "ui/window_pos.h"

namespace {
// A screen whose maxWidth is 1030 (1024 + 2 x 3) and maxHeight 800 (768 + 20 + 2 x 6).
const WINDOWPOS_SCREEN kScreen = {1024, 768, 20, 3, 6};
}  // namespace

TEST(WindowPosRestore, StoredTextsGivePlaceSizeAndShowState)
{
    struct Case {
        const char* stored;
        DWORD flags;
        int minWidth, minHeight;
        int left, top, width, height, show;
    };
    const Case kCases[] = {
        {"120,80,300,200", 0, 0, 0, 120, 80, 300, 200, -1},
        {"2000,10,300,200", 0, 0, 0, 720, 10, 300, 200, -1},       // pulled back: 1030-300-10
        {"-20,-5,300,200", 0, 0, 0, 0, 0, 300, 200, -1},
        {"10,700,300,200", 0, 0, 0, 10, 590, 300, 200, -1},        // 800-200-10
        {"0,0,5000,5000", 0, 0, 0, 0, 0, 1030, 800, -1},           // cut to the screen
        {"10,10,30,20", 0, 100, 60, 10, 10, 100, 60, -1},          // minimum size
        {"10,10,300,200", WINDOWPOS_CAPTION_OFFSET, 0, 0, 30, 30, 300, 200, -1},
        {"10,10,300,200", WINDOWPOS_KEEP_WIDTH, 0, 0, 10, 10, 444, 200, -1},
        {"10,10,300,200;MAX", 0, 0, 0, 10, 10, 300, 200, SW_SHOWMAXIMIZED},
        {"10,10,300,200;MIN", 0, 0, 0, 10, 10, 300, 200, SW_SHOWMINIMIZED},
        {"10,10,300,200;X", 0, 0, 0, 10, 10, 300, 200, SW_SHOWDEFAULT},
        {"10,10,300,200;MAX", WINDOWPOS_NO_SHOW, 0, 0, 10, 10, 300, 200, -1},
        {"10,10,300,200", WINDOWPOS_SHOW_DEFAULT, 0, 0, 10, 10, 300, 200, SW_SHOWDEFAULT},
        {"200,200,300,200", WINDOWPOS_SCATTER, 0, 0, 150 + 7, 150 + 99, 300, 200, -1},
        // Nothing usable: the default 100 x 50, centred on 1024 x 788.
        {"10,10", 0, 0, 0, 462, 369, 100, 50, -1},
        {"", 0, 0, 0, 462, 369, 100, 50, -1},
        {"a,b,c", 0, 0, 0, 462, 369, 100, 50, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.stored) + " flags " + std::to_string(c.flags));
        const WINDOWPOS_PLACE p =
            WindowPos_Compute(c.stored, 444, 100, 50, c.flags, c.minWidth, c.minHeight, kScreen,
                              107, 199);
        EXPECT_EQ(c.left, p.left);
        EXPECT_EQ(c.top, p.top);
        EXPECT_EQ(c.width, p.width);
        EXPECT_EQ(c.height, p.height);
        EXPECT_EQ(c.show, p.show);
    }
    // Defaults of 0 become 200; larger ones are cut to the screen.
    WINDOWPOS_PLACE p = WindowPos_Compute("", 0, 0, 0, 0, 0, 0, kScreen, 0, 0);
    EXPECT_EQ(200, p.width);
    EXPECT_EQ(200, p.height);
    p = WindowPos_Compute("", 0, 3000, 3000, 0, 0, 0, kScreen, 0, 0);
    EXPECT_EQ(1024, p.width);
    EXPECT_EQ(788, p.height);
}

TEST(WindowPosRestore, SavedWindowComesBackAndSmallOnesAreNotStored)
{
    const std::string section = "CustorTest" + std::to_string(GetCurrentProcessId());
    HWND w = CreateWindowExA(0, "STATIC", "position test", WS_POPUP, 120, 80, 300, 200, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(w != nullptr);
    WindowPos_Save(w, section.c_str(), "pos", FALSE);
    char stored[100] = "";
    LIB_GetRegistryString(section.c_str(), "pos", "", stored, sizeof(stored), FALSE);
    EXPECT_STREQ("120,80,300,200", stored);

    SetWindowPos(w, nullptr, 5, 5, 300, 49, SWP_NOZORDER);
    WindowPos_Save(w, section.c_str(), "pos", TRUE);  // 49 high: not stored
    LIB_GetRegistryString(section.c_str(), "pos", "", stored, sizeof(stored), FALSE);
    EXPECT_STREQ("120,80,300,200", stored);

    WindowPos_Restore(w, section.c_str(), "pos", 100, 50, 0, 0, 0);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(120, r.left);
    EXPECT_EQ(80, r.top);
    EXPECT_EQ(300, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
    EXPECT_FALSE(IsWindowVisible(w));  // no suffix, no show option: not shown here
    DestroyWindow(w);
    RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Tarnwell\\" + section).c_str());
}

TEST(WindowPosStart, TheStartShowStateFollowsTheShowCommand)
{
    // This test program is started without a show command: the default comes back.
    STARTUPINFOA info = {};
    info.cb = sizeof(info);
    GetStartupInfoA(&info);
    if (info.dwFlags & STARTF_USESHOWWINDOW) GTEST_SKIP() << "started with a show command";
    EXPECT_EQ(SW_HIDE, GetStartState(SW_HIDE, TRUE));
    EXPECT_EQ(SW_SHOWNORMAL, GetStartState(SW_SHOWNORMAL, FALSE));
}
