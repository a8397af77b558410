#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/lib.h"
#include "support/fake_host.h"

TEST(LibErrorText, InternetCodesFromTheOwnTable)
{
    FakeHost host;
    EXPECT_STREQ("Timeout", LIB_WinApiErrorString(nullptr, 12002));
    EXPECT_STREQ("Out of handles", LIB_WinApiErrorString(nullptr, 12001));
    EXPECT_STREQ("Need UI", LIB_WinApiErrorString(nullptr, 12034));
    EXPECT_STREQ("Handle exists", LIB_WinApiErrorString(nullptr, 12036));
    EXPECT_STREQ("HTTPS-HTTP submit redirection", LIB_WinApiErrorString(nullptr, 12052));
    EXPECT_STREQ("FTP transfer in progress", LIB_WinApiErrorString(nullptr, 12110));
    EXPECT_STREQ("Failed security check", LIB_WinApiErrorString(nullptr, 12171));
    // Table texts are returned without a message box, even for a window.
    EXPECT_TRUE(host.messageBoxes.empty());
    // 12035 and 12051 have no text of their own.
    EXPECT_STRNE("Need UI", LIB_WinApiErrorString((HWND)-1, 12035));
    EXPECT_STRNE("Retry dialog", LIB_WinApiErrorString((HWND)-1, 12051));
}

// The system's own text for a code, as FormatMessageA gives it.
static std::string SystemText(DWORD code)
{
    char raw[2000] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), raw, sizeof(raw), nullptr);
    return raw;
}

TEST(LibErrorText, SystemTextOnOneLine)
{
    FakeHost host;
    const std::string raw = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(raw.empty());
    ASSERT_NE(std::string::npos, raw.find_first_of("\r\n"));

    const std::string text = LIB_WinApiErrorString((HWND)-1, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(host.messageBoxes.empty());  // -1: no box
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));
    EXPECT_EQ(std::string::npos, text.find("  "));
    // Same words as the system's text, one blank wherever it had blanks or line breaks.
    std::string expected;
    for (char c : raw) {
        if (c == '\r' || c == '\n') c = ' ';
        if (c == ' ' && !expected.empty() && expected.back() == ' ') continue;
        expected += c;
    }
    EXPECT_EQ(expected, text);

    // Code 0 takes the thread's last error.
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, LIB_WinApiErrorString((HWND)-1, 0));
    SetLastError(12002);
    EXPECT_STREQ("Timeout", LIB_WinApiErrorString((HWND)-1, 0));
}

TEST(LibErrorText, MessageBoxShowsTheSystemText)
{
    FakeHost host;
    const std::string raw = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(raw.empty());
    const std::string text = LIB_WinApiErrorString(nullptr, ERROR_ACCESS_DENIED);
    ASSERT_EQ(1u, host.messageBoxes.size());
    EXPECT_EQ("Error|" + raw, host.messageBoxes[0]);
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));
}

TEST(LibErrorText, UnknownCodeGivesEmptyTextNotAStaleOne)
{
    FakeHost host;
    LIB_WinApiErrorString((HWND)-1, ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ("", LIB_WinApiErrorString((HWND)-1, 0x2FFFFFFF));
}
