#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/str.h"

TEST(StrSearch, PointsIntoTextAtCaseInsensitiveMatch)
{
    const char* text = "Faxserver - 2 lines";
    char* hit = STR_str(text, "SERVER");
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(text + 3, hit);
    EXPECT_STREQ("server - 2 lines", hit);

    EXPECT_EQ(nullptr, STR_str(text, "servers"));
    EXPECT_EQ(text, STR_str(text, ""));
    EXPECT_EQ(nullptr, STR_str(nullptr, "a"));
    // Upper-casing follows the ANSI code page: a-umlaut finds A-umlaut.
    const char* german = "Gr\xfc\xdf" "e aus M\xe4rz";
    EXPECT_EQ(german + 11, STR_str(german, "\xc4RZ"));
}

TEST(StrCompare, CaseInsensitiveAndBounded)
{
    EXPECT_EQ(0, STR_cmp("SENDER.EXE", "sender.exe"));
    EXPECT_LT(STR_cmp("abc", "ABD"), 0);
    EXPECT_GT(STR_cmp("abd", "ABC"), 0);
    EXPECT_LT(STR_cmp("ab", "abc"), 0);
    EXPECT_EQ(0, STR_cmp("\xe4", "\xc4"));

    EXPECT_EQ(0, STR_ncmp("Zephyra-Transfer 2", "ZEPHYRA-TRANSFER 1", 16));
    EXPECT_NE(0, STR_ncmp("Zephyra-Transfer 2", "ZEPHYRA-TRANSFER 1", 18));
    // Shorter strings compare whole.
    EXPECT_LT(STR_ncmp("ab", "abc", 5), 0);
    EXPECT_EQ(0, STR_ncmp("ab", "abc", 2));
    EXPECT_EQ(0, STR_ncmp("x", "y", 0));
}

TEST(StrCopy, CutsAtNAndAlwaysTerminates)
{
    char buffer[8];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(buffer, STR_ncpy(buffer, "abcdef", 3));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ('X', buffer[4]);  // nothing written past position n

    memset(buffer, 'X', sizeof(buffer));
    STR_ncpy(buffer, "ab", 5);
    EXPECT_STREQ("ab", buffer);
    for (int i = 2; i <= 5; ++i) EXPECT_EQ(0, buffer[i]) << i;
    EXPECT_EQ('X', buffer[6]);

    memset(buffer, 'X', sizeof(buffer));
    STR_ncpy(buffer, "abc", 0);
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ('X', buffer[1]);

    memset(buffer, 'X', sizeof(buffer));
    STR_ncpy(buffer, nullptr, 2);
    EXPECT_STREQ("", buffer);
}

TEST(StrWildcmp, QuestionMarkOnlyAndSameLength)
{
    EXPECT_EQ(0, STR_wildcmp("abc", "a?c"));
    EXPECT_EQ(-1, STR_wildcmp("abc", "a*"));
    EXPECT_EQ(-1, STR_wildcmp("abc", "ab"));
    EXPECT_EQ(-1, STR_wildcmp("ab", "abc"));
    EXPECT_EQ(-1, STR_wildcmp("abc", "ABC"));  // case-sensitive
    EXPECT_EQ(0, STR_wildcmp("", ""));
    EXPECT_EQ(0, STR_wildcmp("a*c", "a*c"));
}

TEST(StrWildcardMatch, StarsQuestionMarksAndCase)
{
    EXPECT_EQ(1, STR_WildcardMatch("Report.TXT", "*.txt"));
    EXPECT_EQ(0, STR_WildcardMatch("abc", "a?"));
    EXPECT_EQ(1, STR_WildcardMatch("abc", "a??"));
    EXPECT_EQ(1, STR_WildcardMatch("", "*"));
    EXPECT_EQ(1, STR_WildcardMatch("", "***"));
    EXPECT_EQ(0, STR_WildcardMatch("a", ""));
    EXPECT_EQ(1, STR_WildcardMatch("", ""));
    EXPECT_EQ(0, STR_WildcardMatch("", "?"));
    EXPECT_EQ(1, STR_WildcardMatch("FAXSRV.EXE", "fax*.e?e"));
    EXPECT_EQ(0, STR_WildcardMatch("FAXSRV.EXE", "fax*.e?"));
    EXPECT_EQ(1, STR_WildcardMatch("log_2024_03.txt", "log*20*0?.txt"));
    EXPECT_EQ(0, STR_WildcardMatch("log_2024_03.txt", "log*20*1?.txt"));
    // The star must be able to give back characters it took first.
    EXPECT_EQ(1, STR_WildcardMatch("aaab", "*ab"));
    EXPECT_EQ(1, STR_WildcardMatch("abcabcabd", "*abd"));
    EXPECT_EQ(1, STR_WildcardMatch("mississippi", "m*iss*ppi"));
    EXPECT_EQ(0, STR_WildcardMatch("mississippi", "m*iss*ppx"));
    EXPECT_EQ(1, STR_WildcardMatch("x.tmp$$$", "*$$$"));
    EXPECT_EQ(1, STR_WildcardMatch("M\xe4rz.txt", "M\xc4RZ.*"));
    EXPECT_EQ(0, STR_WildcardMatch(nullptr, "*"));
}

TEST(StrWildcardMatch, ManyStarsOnLongTextFinishQuickly)
{
    // Naive backtracking takes exponential time here; the result must still come at once.
    std::string text(5000, 'a');
    DWORD start = GetTickCount();
    EXPECT_EQ(0, STR_WildcardMatch(text.c_str(), "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_EQ(1, STR_WildcardMatch((text + "b").c_str(), "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_LT(GetTickCount() - start, 5000u);
    // A text far longer than any stack could recurse through.
    std::string huge(2000000, 'x');
    EXPECT_EQ(1, STR_WildcardMatch((huge + ".log").c_str(), "*.LOG"));
}

TEST(StrRemoveSpaces, TrimsAroundCommasOrRemovesAll)
{
    char buffer[64];
    strcpy(buffer, "a , b ,c ");
    EXPECT_EQ(buffer, STR_RemoveSpaces(buffer, 1));
    EXPECT_STREQ("a,b,c", buffer);

    strcpy(buffer, "   Fax server  ,   Voice   server ,,  x  ");
    STR_RemoveSpaces(buffer, 1);
    EXPECT_STREQ("Fax server,Voice   server,,x", buffer);

    strcpy(buffer, " ,  , ");
    STR_RemoveSpaces(buffer, 1);
    EXPECT_STREQ(",,", buffer);

    strcpy(buffer, "\ta b\t,\tc ");
    STR_RemoveSpaces(buffer, 1);
    EXPECT_STREQ("\ta b\t,\tc", buffer);  // only blanks count

    strcpy(buffer, "     ");
    STR_RemoveSpaces(buffer, 1);
    EXPECT_STREQ("", buffer);

    strcpy(buffer, " a , b c\t, ");
    STR_RemoveSpaces(buffer, 0);
    EXPECT_STREQ("a,bc\t,", buffer);
}

TEST(StrIsUtf8, NeedsOneCompleteSequenceAndNoBrokenOne)
{
    EXPECT_EQ(0, STR_isUTF8("plain ASCII text"));
    EXPECT_EQ(0, STR_isUTF8(""));
    EXPECT_EQ(1, STR_isUTF8("M\xc3\xa4rz"));
    EXPECT_EQ(0, STR_isUTF8("\xc3" "A"));
    EXPECT_EQ(0, STR_isUTF8("M\xe4rz"));  // 1252 a-umlaut starts a sequence that breaks
    EXPECT_EQ(1, STR_isUTF8("\xe2\x82\xac euro"));
    EXPECT_EQ(1, STR_isUTF8("\xf0\x9f\x98\x80"));
    // A stray continuation byte and bytes from 0xF8 count as single bytes.
    EXPECT_EQ(0, STR_isUTF8("\x80\xff"));
    EXPECT_EQ(1, STR_isUTF8("\x80\xff \xc3\xa4"));
    // A sequence cut off by the end does not count, but does not spoil an earlier one.
    EXPECT_EQ(0, STR_isUTF8("abc\xe2\x82"));
    EXPECT_EQ(1, STR_isUTF8("\xc3\xa4 abc\xe2\x82"));
    EXPECT_EQ(0, STR_isUTF8("\xc3\xa4\xe2\x82x"));
}

TEST(StrCodePage, Windows1252AndUtf8RoundTrip)
{
    const char* ansi = "Gr\xfc\xdf" "e, M\xe4rz \x80 5";
    char utf8[64];
    char error[STR_ERROR_TEXT_SIZE];
    strcpy(error, "stale");
    EXPECT_EQ(utf8, STR_c2c(utf8, sizeof(utf8), CP_UTF8, ansi, 1252, error));
    EXPECT_STREQ("", error);
    EXPECT_STREQ("Gr\xc3\xbc\xc3\x9f" "e, M\xc3\xa4rz \xe2\x82\xac 5", utf8);
    EXPECT_EQ(1, STR_isUTF8(utf8));

    char back[64];
    EXPECT_EQ(back, STR_c2c(back, sizeof(back), 1252, utf8, CP_UTF8, error));
    EXPECT_STREQ(ansi, back);

    // In place, through the same buffer.
    char inPlace[64];
    strcpy(inPlace, "\xe4\xf6\xfc");
    EXPECT_EQ(inPlace, STR_c2c(inPlace, sizeof(inPlace), CP_UTF8, inPlace, 1252, nullptr));
    EXPECT_STREQ("\xc3\xa4\xc3\xb6\xc3\xbc", inPlace);

    // Equal code pages copy, cut to the output size.
    char small[4];
    EXPECT_EQ(small, STR_c2c(small, sizeof(small), 1252, "abcdef", 1252, nullptr));
    EXPECT_STREQ("abc", small);
}

TEST(StrCodePage, FailedConversionKeepsInputAndNamesError)
{
    char error[STR_ERROR_TEXT_SIZE];
    char output[64];

    // Not UTF-8 although said to be: the text is kept as it is.
    const char* broken = "M\xe4rz";
    EXPECT_EQ(broken, STR_c2c(output, sizeof(output), 1252, broken, CP_UTF8, error));
    EXPECT_STREQ(broken, output);
    EXPECT_STREQ("MultiByteToWideChar error ERROR_NO_UNICODE_TRANSLATION codepage 65001", error);

    // The output is too small for the UTF-8 form: the input is copied, cut to fit.
    const char* ansi = "\xe4\xe4\xe4\xe4";
    char tiny[6];
    memset(tiny, 'X', sizeof(tiny));
    EXPECT_EQ(ansi, STR_c2c(tiny, sizeof(tiny), CP_UTF8, ansi, 1252, error));
    EXPECT_STREQ(ansi, tiny);
    EXPECT_STREQ("WideCharToMultiByte error ERROR_INSUFFICIENT_BUFFER codepage 65001", error);

    memset(tiny, 'X', sizeof(tiny));
    STR_c2c(tiny, 4, CP_UTF8, "abc\xe4\xe4", 1252, error);
    EXPECT_STREQ("abc", tiny);
    EXPECT_EQ('X', tiny[4]);

    // An unknown code page.
    EXPECT_STREQ("abc", STR_c2c(output, sizeof(output), 1252, "abc", 4711, error));
    EXPECT_EQ(0, strncmp("MultiByteToWideChar error ", error, 26)) << error;
    EXPECT_NE(nullptr, strstr(error, "codepage 4711")) << error;
}

TEST(StrCodePage, WideConversionsBoundedAndCut)
{
    wchar_t wide[16];
    char error[STR_ERROR_TEXT_SIZE] = "";
    EXPECT_EQ(wide, STR_c2w(wide, 16, "abcdef", 3, 1252, error));
    EXPECT_STREQ(L"abc", wide);
    EXPECT_STREQ("", error);

    STR_c2w(wide, 16, "M\xe4rz", 0, 1252, error);
    EXPECT_STREQ(L"M\x00e4rz", wide);

    STR_c2w(wide, 3, "abcdef", 0, 1252, error);
    EXPECT_STREQ(L"", wide);
    EXPECT_STREQ("MultiByteToWideChar error ERROR_INSUFFICIENT_BUFFER codepage 1252", error);

    char buffer[8];
    error[0] = 0;
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(buffer, STR_w2c(buffer, 8, L"\x00e4\x20ac!", 0, 1252, error));
    EXPECT_STREQ("\xe4\x80!", buffer);
    EXPECT_STREQ("", error);

    STR_w2c(buffer, 8, L"abcdef", 2, 1252, error);
    EXPECT_STREQ("ab", buffer);

    memset(buffer, 'X', sizeof(buffer));
    STR_w2c(buffer, 4, L"abcdef", 0, 1252, error);
    EXPECT_STREQ("", buffer);
    EXPECT_EQ('X', buffer[4]);
    EXPECT_STREQ("WideCharToMultiByte error ERROR_INSUFFICIENT_BUFFER codepage 1252", error);

    // An empty input needs no call and gives an empty output.
    error[0] = 0;
    strcpy(buffer, "old");
    STR_w2c(buffer, 8, L"", 0, 1252, error);
    EXPECT_STREQ("", buffer);
    EXPECT_STREQ("", error);
}

TEST(StrCodePage, ErrorTextNeverExceedsItsSize)
{
    char error[STR_ERROR_TEXT_SIZE + 8];
    memset(error, 'X', sizeof(error));
    wchar_t wide[2];
    STR_c2w(wide, 2, "abcdef", 0, 0xFFFFFFF0u, error);
    EXPECT_LT(strlen(error), (size_t)STR_ERROR_TEXT_SIZE);
    for (size_t i = STR_ERROR_TEXT_SIZE; i < sizeof(error); ++i) EXPECT_EQ('X', error[i]);
}
