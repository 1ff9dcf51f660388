// The install directory's rules: what Browse proposes and what Install takes.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
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

// Each typed directory and the start of the refusal, or "" when it is taken.
TEST(DirProblem, RefusesWhatWouldFailOrMisleadAndTakesAwkwardNames)
{
    test::ScratchDir scratch("dirs");
    std::string file = scratch / "blockfile";
    test::WriteFile(file, "nineteen bytes here");
    const std::string invalid = "fill in a valid Install Dir";
    const std::string name = invalid + ":\r\nWindows can't name a folder \"";
    const std::string percent = "Install Dir can't hold a %";
    const struct {
        std::string dir, why;
    } cases[] = {
        {"", invalid},
        {"C:", invalid},
        {"C:folder", invalid},
        {"\\\\server\\share", invalid},
        {"C:\\what?\\x", invalid},
        {"Q:\\nodrive", invalid},
        {"1:\\x", invalid},
        {"C:\\", "pick a folder, not a whole drive"},
        {"C:\\\\", "pick a folder, not a whole drive"},
        {"C:\\x*y", name + "x*y\""},
        {"C:\\a<b", name},
        {"C:\\a>b", name},
        {"C:\\p|b", name},
        {"C:\\q\"t", name},
        {"C:\\a/b", name},
        {"C:\\a:b", name},
        {"C:\\a\x01"
         "b",
         name},
        {"C:\\CON\\x", name + "CON\""},
        {"C:\\nul", name},
        {"C:\\Com1.txt\\x", name},
        {"C:\\Sp ", name + "Sp \""},
        {"C:\\Sp.", name},
        {"C:\\a\\..\\b", name},
        {"C:\\a\\\\b", name + "\""},
        {"C:\\a\\\\", name + "\""},
        {"C:\\%SystemRoot%\\x", percent},
        {"C:\\100%\\x", percent},
        {"C:\\" + std::string(231, 'x'), "Install Dir is too long:\r\nit may have at most 233"},
        {file, file + " is a file, not a folder: pick another Install Dir"},
        {file + "\\sub", file + " is a file, not a folder"},
        {"C:\\Program Files\\Tune & Wrangler", ""},
        {"C:\\a;b\\c", ""},
        {"C:\\Caf\xe9 M\xfcller", ""},
        {"C:\\x\\", ""},
        {scratch.path(), ""},
        {"C:\\" + std::string(230, 'x'), ""},
    };
    for (const auto& c : cases) {
        char dir[PATHBUF], msg[2 * PATHBUF];
        strcpy(dir, c.dir.c_str());
        const char* why = SETUP::DirProblem(dir, msg);
        std::string got = why ? why : "";
        EXPECT_EQ(got.substr(0, c.why.size()), c.why) << "[" << c.dir << "]";
        EXPECT_EQ(got.empty(), c.why.empty()) << "[" << c.dir << "] " << got;
    }
    EXPECT_EQ(test::ReadFile(file), "nineteen bytes here");
    // One trailing backslash is dropped, so the stored paths have none.
    char dir[PATHBUF] = "C:\\Apps\\";
    char msg[2 * PATHBUF];
    EXPECT_EQ(SETUP::DirProblem(dir, msg), nullptr);
    EXPECT_STREQ(dir, "C:\\Apps");
}
