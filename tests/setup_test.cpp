// What the setup dialog proposes for a folder picked in Browse.
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

TEST(Propose, RefusesAFolderWithNoRoomLeft)
{
    char out[PATHBUF] = "unchanged";
    std::string fits = "C:\\" + std::string(243, 'f'); // 246 characters
    ASSERT_TRUE(SETUP::Propose(fits.c_str(), out));
    EXPECT_EQ(std::string(out), fits + "\\Tunewrangler");
    EXPECT_EQ(std::string(out).size(), 259u);

    std::string over = fits + "g"; // 247 characters
    strcpy(out, "unchanged");
    EXPECT_FALSE(SETUP::Propose(over.c_str(), out));
    EXPECT_STREQ(out, "unchanged");

    // With its own trailing backslash the same length still fits.
    std::string slash = fits + "\\";
    ASSERT_TRUE(SETUP::Propose(slash.c_str(), out));
    EXPECT_EQ(std::string(out).size(), 259u);
}
