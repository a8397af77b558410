#include <gtest/gtest.h>
#include "core/window_search.h"
#include "support/pass_helpers.h"
#include "support/thread_window.h"

TEST(WindowSearch, PreparingTakesTheExactMarkOff)
{
    WindowSearch_Prepare("FAXSERVER|");
    EXPECT_STREQ("FAXSERVER", g_windowSearch.pattern);
    EXPECT_TRUE(g_windowSearch.exact);
    WindowSearch_Prepare("FAXSERVER");
    EXPECT_FALSE(g_windowSearch.exact);
    WindowSearch_Prepare(std::string(500, 'X').c_str());  // cut, never overrun
    EXPECT_EQ(199u, strlen(g_windowSearch.pattern));
}

TEST(WindowSearch, SubstringAndExactTitlesInAnyCase)
{
    const std::string base = UniqueTitle("Faxserver");
    ThreadWindow twoLines((base + " - 2 lines").c_str());
    const std::string pattern = Upper(base);
    for (int snapshot = 0; snapshot < 2; ++snapshot) {
        if (snapshot) Desktop_TakeSnapshot(); else Desktop_ForgetSnapshot();
        EXPECT_TRUE(FindServiceWindow(pattern.c_str(), false, false));
        EXPECT_EQ(twoLines.hwnd(), g_windowSearch.window);
        EXPECT_FALSE(FindServiceWindow(pattern.c_str(), true, false));
        {
            ThreadWindow exact(base.c_str());
            Desktop_TakeSnapshot();
            EXPECT_TRUE(FindServiceWindow(pattern.c_str(), true, false));
            EXPECT_EQ(exact.hwnd(), g_windowSearch.window);
        }
    }
    Desktop_ForgetSnapshot();
}

TEST(WindowSearch, FirstInZOrderWinsAndThumbnailsAreSkipped)
{
    const std::string title = UniqueTitle("ZORDER");
    ThreadWindow lower((title + " a").c_str());
    ThreadWindow upper((title + " b").c_str());
    ThreadWindow thumb((title + " c").c_str(), "TaskbarThumbnailClass");
    SetWindowPos(lower.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(upper.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(thumb.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (int snapshot = 0; snapshot < 2; ++snapshot) {
        if (snapshot) Desktop_TakeSnapshot(); else Desktop_ForgetSnapshot();
        EXPECT_TRUE(FindServiceWindow(title.c_str(), false, false));
        EXPECT_EQ(upper.hwnd(), g_windowSearch.window);
    }
    SetWindowPos(lower.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Desktop_TakeSnapshot();
    EXPECT_TRUE(FindServiceWindow(title.c_str(), false, false));
    EXPECT_EQ(lower.hwnd(), g_windowSearch.window);
    Desktop_ForgetSnapshot();
}

TEST(WindowSearch, UntitledWindowsNeverMatch)
{
    ThreadWindow untitled("");
    Desktop_TakeSnapshot();
    for (int i = 0; i < g_desktop.count; ++i) EXPECT_NE(untitled.hwnd(), g_desktop.windows[i].window);
    EXPECT_FALSE(FindServiceWindow("", true, false));
    Desktop_ForgetSnapshot();
}
