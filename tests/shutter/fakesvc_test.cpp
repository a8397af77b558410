// fakesvc.exe, the fake supervised program of the tests and the demo: the behaviour that the
// watchdog's tests rely on (Parts 1.3 to 1.5).
#include <gtest/gtest.h>
#include <thread>
#include "programs.h"
#include "support/temp_dir.h"

namespace {

const UINT MSG_SERVICE_STATUS = WM_USER + 4;

bool AnswersNull(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(Fakesvc, AnswersStatusProbesByPostingTheStatusWord)
{
    TempDir dir;
    std::string receiverTitle = UniqueText("Receiver ");
    ReportReceiver receiver(receiverTitle);
    ASSERT_NE(nullptr, receiver.window());
    FakeService service;
    ASSERT_TRUE(service.Start("--status 0x0203 --report-to " + Quoted(receiverTitle),
                              dir.file("f.log")));

    // The normal request and both update variants are answered the same way.
    const WPARAM characters[] = {0xA0, 0xA0, 0xA1};
    const LPARAM kinds[] = {1, 2, 1};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PostMessageA(service.frame(), WM_CHAR, characters[i], kinds[i]));
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        ASSERT_TRUE(receiver.Wait(5000, &wParam, &lParam)) << "probe " << i;
        EXPECT_EQ((WPARAM)service.frame(), wParam);
        EXPECT_EQ(0x203, lParam);
    }
    std::string log = service.Log();
    EXPECT_TRUE(Contains(log, "probe 0xA0 1\n"));
    EXPECT_TRUE(Contains(log, "probe 0xA0 2\n"));
    EXPECT_TRUE(Contains(log, "probe 0xA1 1\n"));
    EXPECT_TRUE(Contains(log, "report 0x203 ok\n"));
}

TEST(Fakesvc, ReportsToTheWindowTitledCustorByDefault)
{
    // On a desktop of its own the test's window is the only "Custor": tests that run the real
    // Custor.exe at the same time keep theirs on the default desktop.
    RunOnPrivateDesktop([](const std::string& desktop) {
        ReportReceiver receiver("Custor");
        ASSERT_NE(nullptr, receiver.window());
        HWND seenOutside = nullptr;  // a new thread starts on the default desktop
        std::thread([&] { seenOutside = FindWindowA(nullptr, "Custor"); }).join();
        EXPECT_NE(receiver.window(), seenOutside);
        FakeService service;
        service.desktop = desktop;
        ASSERT_TRUE(service.Start("--status 128"));
        ASSERT_TRUE(PostMessageA(service.frame(), WM_CHAR, 0xA0, 1));
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        ASSERT_TRUE(receiver.Wait(5000, &wParam, &lParam));
        EXPECT_EQ((WPARAM)service.frame(), wParam);
        EXPECT_EQ(128, lParam);
    });
}

TEST(Fakesvc, LooksTheReceiverUpAgainWhenItIsGone)
{
    std::string receiverTitle = UniqueText("Receiver ");
    FakeService service;
    ASSERT_TRUE(service.Start("--status 1 --report-to " + Quoted(receiverTitle)));
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    {
        ReportReceiver first(receiverTitle);
        PostMessageA(service.frame(), WM_CHAR, 0xA0, 1);
        ASSERT_TRUE(first.Wait(5000, &wParam, &lParam));
    }
    ReportReceiver second(receiverTitle);
    PostMessageA(service.frame(), WM_CHAR, 0xA0, 1);
    ASSERT_TRUE(second.Wait(5000, &wParam, &lParam));
    EXPECT_EQ(1, lParam);
}

TEST(Fakesvc, StatusWordInDecimalAndBadNumbersIgnored)
{
    std::string receiverTitle = UniqueText("Receiver ");
    ReportReceiver receiver(receiverTitle);
    WPARAM wParam = 0;
    LPARAM lParam = -1;
    FakeService decimal;
    ASSERT_TRUE(decimal.Start("--status 515 --report-to " + Quoted(receiverTitle)));
    PostMessageA(decimal.frame(), WM_CHAR, 0xA0, 1);
    ASSERT_TRUE(receiver.Wait(5000, &wParam, &lParam));
    EXPECT_EQ(0x203, lParam);

    // Not numbers: the status stays 0, the program neither hangs nor exits.
    FakeService bad;
    ASSERT_TRUE(bad.Start("--status 12ab --hang-after x1 --exit-after -3 --silent-after 0x1 "
                          "--report-to " + Quoted(receiverTitle)));
    Sleep(1300);
    EXPECT_TRUE(AnswersNull(bad.frame()));
    PostMessageA(bad.frame(), WM_CHAR, 0xA0, 1);
    ASSERT_TRUE(receiver.Wait(5000, &wParam, &lParam));
    EXPECT_EQ((WPARAM)bad.frame(), wParam);
    EXPECT_EQ(0, lParam);
    EXPECT_TRUE(bad.Running());
}

TEST(Fakesvc, HangAfterMakesTheNullProbeTimeOut)
{
    TempDir dir;
    FakeService service;
    ASSERT_TRUE(service.Start("--hang-after 1 --title " + Quoted(UniqueText("Hang ")),
                              dir.file("h.log")));
    EXPECT_TRUE(AnswersNull(service.frame()));
    EXPECT_TRUE(WaitUntil([&] { return Contains(service.Log(), "hang\n"); }, 5000));
    DWORD start = GetTickCount();
    EXPECT_FALSE(AnswersNull(service.frame()));
    EXPECT_LT(GetTickCount() - start, 3000u);
    std::string log = service.Log();
    EXPECT_TRUE(Contains(log, "null\n"));
    EXPECT_TRUE(service.Running());
    EXPECT_TRUE(IsWindow(service.frame()));  // the window stays, it only stops answering
}

TEST(Fakesvc, SilentAfterStopsReportsButStaysResponsive)
{
    TempDir dir;
    std::string receiverTitle = UniqueText("Receiver ");
    ReportReceiver receiver(receiverTitle);
    FakeService service;
    ASSERT_TRUE(service.Start("--silent-after 1 --status 2 --report-to " + Quoted(receiverTitle),
                              dir.file("s.log")));
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    PostMessageA(service.frame(), WM_CHAR, 0xA0, 1);
    ASSERT_TRUE(receiver.Wait(900, &wParam, &lParam));
    Sleep(1200);
    PostMessageA(service.frame(), WM_CHAR, 0xA0, 1);
    EXPECT_FALSE(receiver.Wait(1000, &wParam, &lParam));
    EXPECT_TRUE(AnswersNull(service.frame()));
    EXPECT_TRUE(Contains(service.Log(), "probe unanswered (silent)\n"));
}

TEST(Fakesvc, ExitAfterEndsTheProgramEvenWhenHung)
{
    TempDir dir;
    FakeService plain, hung;
    ASSERT_TRUE(plain.Start("--exit-after 1", dir.file("p.log")));
    ASSERT_TRUE(hung.Start("--hang-after 0 --exit-after 2", dir.file("h.log")));
    EXPECT_TRUE(plain.WaitExit(5000));
    EXPECT_EQ(0u, plain.ExitCode());
    EXPECT_TRUE(hung.WaitExit(6000));
    EXPECT_EQ(0u, hung.ExitCode());
    EXPECT_TRUE(Contains(plain.Log(), "exit\n"));
    EXPECT_TRUE(Contains(hung.Log(), "hang\nexit\n"));
}

// The crash windows are shown on a desktop of their own: a concurrent test of the watchdog
// that supervises fakesvc.exe would take them for crashes of its own programs.
TEST(Fakesvc, CrashWindowCarriesTheProgramFileNameAndClosesOnEnter)
{
    TempDir dir;
    RunOnPrivateDesktop([&](const std::string& desktop) {
        FakeService service;
        service.desktop = desktop;
        ASSERT_TRUE(service.Start("--crash-window", dir.file("c.log")));
        HWND crash = FindWindowOfProcess(service.pid(), nullptr, "fakesvc.exe");
        ASSERT_NE(nullptr, crash);
        EXPECT_NE(crash, service.frame());
        EXPECT_TRUE(IsWindowVisible(crash));
        EXPECT_EQ(crash, FindWindowA(nullptr, "FAKESVC.EXE")) << "found as the watchdog looks for crash windows";
        // The watchdog closes crash windows with a posted Enter key.
        PostMessageA(crash, WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(crash); }, 5000));
        EXPECT_TRUE(Contains(service.Log(), "closed \"fakesvc.exe\" by return\n"));
        EXPECT_TRUE(AnswersNull(service.frame()));
        EXPECT_TRUE(service.Running());
    });
}

TEST(Fakesvc, CrashAfterShowsTheCrashWindowAndHangs)
{
    RunOnPrivateDesktop([&](const std::string& desktop) {
        FakeService service;
        service.desktop = desktop;
        ASSERT_TRUE(service.Start("--crash-after 1 --crash-title fakesvc"));
        EXPECT_EQ(nullptr, FindWindowOfProcess(service.pid(), nullptr, "fakesvc"));
        HWND crash = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            crash = FindWindowOfProcess(service.pid(), nullptr, "fakesvc");
            return crash != nullptr;
        }, 5000));
        EXPECT_FALSE(AnswersNull(service.frame()));
        // The crash window answers while the frame hangs.
        PostMessageA(crash, WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(crash); }, 5000));
    });
}

TEST(Fakesvc, DialogWindowOfClassNotifyDialog)
{
    TempDir dir;
    std::string title = UniqueText("Programmfehler ");
    FakeService service;
    ASSERT_TRUE(service.Start("--dialog " + Quoted(title), dir.file("d.log")));
    HWND dialog = FindWindowA("NotifyDialog", title.c_str());
    ASSERT_NE(nullptr, dialog);
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_TRUE(Contains(service.Log(), "closed \"" + title + "\" by escape\n"));
}

TEST(Fakesvc, FriendlyStopMinimisesThenCloses)
{
    TempDir dir;
    FakeService service;
    ASSERT_TRUE(service.Start("", dir.file("f.log")));
    EXPECT_FALSE(IsIconic(service.frame()));
    PostMessageA(service.frame(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PostMessageA(service.frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(service.WaitExit(5000));
    EXPECT_EQ(0u, service.ExitCode());
    EXPECT_TRUE(Contains(service.Log(), "start\nminimize\nclose\nend\n"));
}

TEST(Fakesvc, IgnoreCloseKeepsItRunning)
{
    TempDir dir;
    FakeService service;
    ASSERT_TRUE(service.Start("--ignore-close", dir.file("i.log")));
    PostMessageA(service.frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return Contains(service.Log(), "close ignored\n"); }, 5000));
    EXPECT_FALSE(service.WaitExit(300));
    EXPECT_TRUE(AnswersNull(service.frame()));
}

TEST(Fakesvc, StartsWithTheShowStateItIsGiven)
{
    // The watchdog starts programs with SW_MINIMIZE.
    FakeService service;
    ASSERT_TRUE(service.Start("--title " + Quoted(UniqueText("Minimised ")), "", SW_MINIMIZE));
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(service.frame()) != 0; }, 3000));
    char title[100] = "";
    GetWindowTextA(service.frame(), title, sizeof(title));
    EXPECT_EQ(0, strncmp(title, "Minimised ", 10));
}
