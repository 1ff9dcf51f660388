// The install directory's rules: what Browse proposes and what Install takes.
#include <gtest/gtest.h>

#include <string>

#include "setup/SETUP.h"

TEST(Propose, AddsTheProductFolderWithOneBackslash)
{
    char out[PATHBUF];
    ASSERT_TRUE(SETUP::Propose("C:\\Program Files", out));
    EXPECT_STREQ(out, "C:\\Program Files\\Tunewrangler");
    ASSERT_TRUE(SETUP::Propose("E:\\", out));
    EXPECT_STREQ(out, "E:\\Tunewrangler");
}

TEST(Propose, RefusesAFolderTooDeepForAnInstallDir)
{
    char out[PATHBUF] = "unchanged";
    std::string fits = "C:\\" + std::string(217, 'f'); // 220 characters, 233 with the suffix
    ASSERT_TRUE(SETUP::Propose(fits.c_str(), out));
    EXPECT_EQ(std::string(out), fits + "\\Tunewrangler");
    EXPECT_EQ(std::string(out).size(), 233u);

    strcpy(out, "unchanged");
    EXPECT_FALSE(SETUP::Propose((fits + "g").c_str(), out));
    EXPECT_STREQ(out, "unchanged");

    // With its own trailing backslash the same length still fits.
    ASSERT_TRUE(SETUP::Propose((fits + "\\").c_str(), out));
    EXPECT_EQ(std::string(out).size(), 233u);
}

// The end-to-end scenario types the common refusals; these are the cases a
// driver cannot type (a control character) or that sit on a rule's edge.
TEST(DirProblem, RefusesEdgeCasesAndTakesWhatIsLeft)
{
    const std::string invalid = "fill in a valid Install Dir";
    const std::string name = invalid + ":\r\nWindows can't name a folder \"";
    const struct {
        std::string dir, why;
    } cases[] = {
        {"1:\\x", invalid},
        {"C:\\\\", "pick a folder, not a whole drive"},
        {"C:\\a\x01"
         "b",
         name},
        {"C:\\a/b", name},
        {"C:\\Com1.txt\\x", name + "Com1.txt\""},
        {"C:\\a\\..\\b", name + "..\""},
        {"C:\\a\\\\", name + "\""},
        {"C:\\" + std::string(230, 'x'), ""},
        {"C:\\com10\\lpt", ""},
    };
    for (const auto& c : cases) {
        char dir[PATHBUF], msg[2 * PATHBUF];
        strcpy(dir, c.dir.c_str());
        const char* why = SETUP::DirProblem(dir, msg);
        std::string got = why ? why : "";
        EXPECT_EQ(got.substr(0, c.why.size()), c.why) << "[" << c.dir << "]";
        EXPECT_EQ(got.empty(), c.why.empty()) << "[" << c.dir << "] " << got;
    }
    // One trailing backslash is dropped, so the stored paths have none.
    char dir[PATHBUF] = "C:\\Apps\\";
    char msg[2 * PATHBUF];
    EXPECT_EQ(SETUP::DirProblem(dir, msg), nullptr);
    EXPECT_STREQ(dir, "C:\\Apps");
}

TEST(Newer, ComparesEightDigitDatesOnly)
{
    // Anything but two eight-digit dates is "not newer": no question asked.
    struct {
        const char *a, *b;
        bool newer;
    } cases[] = {
        {"20261208", "20250101", true},   {"20250101", "20261208", false},
        {"20261208", "20261208", false},  {"20261209", "20261208", true},
        {"2026120", "20250101", false},   {"202612081", "20250101", false},
        {"2026-12-8", "20250101", false}, {"20261208", "", false},
        {"", "20250101", false},          {"2026120x", "20250101", false},
        {"20261208", "2025010 ", false},
    };
    for (auto& c : cases)
        EXPECT_EQ(SETUP::Newer(c.a, c.b), c.newer) << c.a << " over " << c.b;
}
