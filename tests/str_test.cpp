// Byte, string and path routines.
#include <gtest/gtest.h>

#include <string>

#include "sys/Str.h"

TEST(MemCopy, OverlapUpwardDoesNotSmear)
{
    char buf[16] = "0123456789";
    MemCopy(buf + 1, buf, 10);
    EXPECT_EQ(std::string(buf, 11), "00123456789");
}

TEST(MemCopy, OverlapDownwardMovesEveryByte)
{
    char buf[16] = "x0123456789";
    MemCopy(buf, buf + 1, 10);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
}

TEST(MemCopy, ZeroCountCopiesNothing)
{
    char dst[4] = "abc";
    MemCopy(dst, "xyz", 0);
    EXPECT_STREQ(dst, "abc");
}

TEST(StrAppend, AppendsReplacesAndCuts)
{
    char buf[PATHBUF] = "abcdef";
    EXPECT_STREQ(StrAppend(buf, "...", 4), "ab...");

    char ten[PATHBUF] = "0123456789";
    EXPECT_STREQ(StrAppend(ten, "", 13), "");

    char empty[PATHBUF] = "";
    EXPECT_STREQ(StrAppend(empty, "x", 0), "x");

    char suffix[PATHBUF] = "C:\\Program Files\\Tunewrangler";
    EXPECT_STREQ(StrAppend(suffix, "", 13), "C:\\Program Files");
    EXPECT_STREQ(StrAppend(suffix, "\\X"), "C:\\Program Files\\X");
}

TEST(StrCopy, OverlappingPartsOfOneBuffer)
{
    char buf[PATHBUF] = "\"C:\\a b\\UNPLANT.exe\"";
    StrCopy(buf, buf + 1);
    EXPECT_STREQ(buf, "C:\\a b\\UNPLANT.exe\"");
}

TEST(StrCompare, FoldsAsciiOnly)
{
    EXPECT_EQ(StrCompareI("C:\\Program Files\\TUNEWRANGLER", "c:\\program files\\tunewrangler"), 0);
    EXPECT_NE(StrCompareI("ab", "abc"), 0);
    EXPECT_NE(StrCompareI("abc", "ab"), 0);
    // 0xC4 and 0xE4 are upper and lower case of one letter in code page 1252.
    EXPECT_NE(StrCompareI("\xC4", "\xE4"), 0);
    EXPECT_LT(StrCompareI("a", "b"), 0);
}

TEST(StrCompare, TwoCharactersAgainstColonBackslash)
{
    EXPECT_EQ(StrCompareNI(":\\x", ":\\", 2), 0);
    EXPECT_EQ(StrCompareNI(":\\", ":\\", 2), 0);
    EXPECT_NE(StrCompareNI(":/x", ":\\", 2), 0);
    EXPECT_NE(StrCompareNI(":", ":\\", 2), 0);
    EXPECT_NE(StrCompareNI("", ":\\", 2), 0);
    EXPECT_EQ(StrCompareNI("abX", "ABy", 2), 0);
}

TEST(StrFind, FindsFirstOrNull)
{
    const char date[] = "20261208\r\n";
    EXPECT_EQ(StrFind(date, '\r'), date + 8);
    EXPECT_EQ(StrFind(date, '\n'), date + 9);
    EXPECT_EQ(StrFind(date, '?'), nullptr);
    EXPECT_EQ(StrFind(date, '\0'), nullptr);
}

TEST(PathUp, CutsTheLastComponent)
{
    const char* table[][2] = {
        {"C:\\a\\b", "C:\\a"}, {"C:\\a", "C:"}, {"C:\\", "C:"}, {"C:", "C:"}, {"C:\\a\\", "C:\\a"},
        {"a\\b", "a"},         {"abc", ""},     {"\\abc", ""},  {"", ""},
    };
    for (auto& row : table) {
        char buf[PATHBUF];
        StrCopy(buf, row[0]);
        EXPECT_STREQ(PathUp(buf), row[1]) << "PathUp(" << row[0] << ")";
    }
}

TEST(PathUp, StopsAtTheDrive)
{
    char buf[PATHBUF] = "C:\\a\\b";
    PathUp(PathUp(buf));
    EXPECT_STREQ(buf, "C:");
    EXPECT_STREQ(PathUp(buf), "C:");
}

TEST(PathLast, GivesTheLastComponent)
{
    const char* table[][2] = {
        {"C:\\Program Files\\Tunewrangler", "Tunewrangler"},
        {"C:\\a", "a"},
        {"C:\\", ""},
        {"C:", ""},
        {"abc", "abc"},
        {"", ""},
    };
    for (auto& row : table) {
        char out[PATHBUF] = "junk";
        EXPECT_STREQ(PathLast(row[0], out), row[1]) << "PathLast(" << row[0] << ")";
    }
}
