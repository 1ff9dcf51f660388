// Staging from a real GLOM 173 resource, in child programs that carry one:
// every member written under its index in the install directory's staging
// folder, nothing in place yet.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace test;

namespace {

const char* const MEMBERS[] = {"empty.dat", "readme.txt", "Tunewrangler.exe", "version.txt"};

std::string Source(const std::string& name)
{
    return ReadFile(std::string(GLOM_PAYLOAD_DIR) + "/" + name);
}

ChildRun Extract(const std::string& kind, const std::string& dir)
{
    // Backslashes before the closing quote are doubled, or the C runtime
    // reads the quote as part of the argument.
    std::string arg = dir;
    if (!arg.empty() && arg.back() == '\\')
        arg += '\\';
    return RunChild("\"" + Beside("glom_" + kind + ".exe") + "\" deglom \"" + arg + "\"");
}

// Member i of the archive (MEMBERS order) as staged in dir.
std::string Staged(const std::string& dir, int i)
{
    return dir + "\\~install.tmp\\" + std::to_string(i);
}

bool Traced(const ChildRun& run, const std::string& body)
{
    for (auto& l : run.trace)
        if (Body(l) == body)
            return true;
    return false;
}

} // namespace

class Extraction : public ::testing::Test {
protected:
    ScratchDir scratch{"glom"};
};

TEST_F(Extraction, WritesEveryMemberIntoMissingNestedDirectories)
{
    std::string dir = scratch / "Program Files\\deep\\Tunewrangler";
    auto run = Extract("good", dir);
    EXPECT_EQ(run.exitCode, 0u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ReadFile(Staged(dir, i)), Source(MEMBERS[i])) << MEMBERS[i];
        EXPECT_FALSE(Exists(dir + "\\" + MEMBERS[i]))
            << "placed before the earlier installation went";
    }
    EXPECT_TRUE(Traced(run, "DeGlom path=" + dir + " nInd=4"));
    EXPECT_TRUE(Traced(run, "fn=" + dir + "\\Tunewrangler.exe len=5000 wrote=5000"));
    // A zero-length member makes an empty file, and counts as written.
    EXPECT_TRUE(Exists(Staged(dir, 0)));
    EXPECT_TRUE(Traced(run, "fn=" + dir + "\\empty.dat len=0 wrote=0"));
}

TEST_F(Extraction, LeavesAnEarlierInstallationAsItIsAndRewritesAStaleStage)
{
    std::string dir = scratch.path();
    WriteFile(dir + "\\version.txt", std::string(4096, 'v'));
    WriteFile(dir + "\\unrelated.txt", "stays");
    WriteFile(Staged(dir, 3), std::string(4096, 's')); // a killed attempt's, longer
    EXPECT_EQ(Extract("good", dir).exitCode, 0u);
    EXPECT_EQ(ReadFile(Staged(dir, 3)), "20261208\r\n");
    EXPECT_EQ(ReadFile(dir + "\\version.txt"), std::string(4096, 'v'));
    EXPECT_EQ(ReadFile(dir + "\\unrelated.txt"), "stays");
}

TEST_F(Extraction, TrailingBackslashJoinsWithTwo)
{
    std::string dir = scratch.path() + "\\";
    auto run = Extract("good", dir);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(Traced(run, "fn=" + dir + "\\version.txt len=10 wrote=10"));
    EXPECT_EQ(ReadFile(Staged(scratch.path(), 3)), "20261208\r\n");
}

TEST_F(Extraction, ALockedMemberTakesBackWhatTheAttemptWrote)
{
    std::string dir = scratch.path();
    std::string held = dir + "\\readme.txt";
    WriteFile(held, "the running product holds me");
    WriteFile(dir + "\\unrelated.txt", "stays");
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto run = Extract("good", dir);
    CloseHandle(h);
    EXPECT_EQ(run.exitCode, 1u); // the child returns the failed count
    EXPECT_TRUE(Traced(run, "fn=" + held + " len=19 wrote=0"));
    EXPECT_EQ(ReadFile(held), "the running product holds me");
    EXPECT_EQ(ReadFile(dir + "\\unrelated.txt"), "stays");
    // empty.dat came before it and is gone again, with the staging folder.
    EXPECT_FALSE(Exists(Staged(dir, 0)));
    EXPECT_FALSE(Exists(dir + "\\~install.tmp"));
    // Free again: a second extraction stages it.
    EXPECT_EQ(Extract("good", dir).exitCode, 0u);
    EXPECT_EQ(ReadFile(Staged(dir, 1)), Source("readme.txt"));
}

TEST_F(Extraction, ALockedEmptyMemberIsCountedToo)
{
    std::string held = scratch / "empty.dat";
    WriteFile(held, "");
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    auto run = Extract("good", scratch.path());
    CloseHandle(h);
    EXPECT_EQ(run.exitCode, 1u);
}

TEST_F(Extraction, AFolderInAMembersWayUndoesTheFilesAndFoldersMade)
{
    std::string dir = scratch / "new\\Tunewrangler";
    CreateDirectoryA((scratch / "new").c_str(), 0);
    CreateDirectoryA(dir.c_str(), 0);
    CreateDirectoryA((dir + "\\Tunewrangler.exe").c_str(), 0);
    auto run = Extract("good", dir);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Traced(run, "fn=" + dir + "\\Tunewrangler.exe len=5000 wrote=0"));
    EXPECT_FALSE(Exists(dir + "\\~install.tmp"));
    EXPECT_TRUE(IsDir(dir + "\\Tunewrangler.exe"));
}

TEST_F(Extraction, APathThatWouldNotFitUndoesTheFilesAndFoldersMade)
{
    // 245 characters of directory, most of it new folders: the staged
    // "\~install.tmp\0" would pass 259.
    std::string dir = scratch.path();
    while (dir.size() < 245)
        dir += "\\d";
    dir.resize(245);
    if (dir.back() == '\\')
        dir.back() = 'e';
    auto run = Extract("good", dir);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Traced(run, "fn=" + dir + "\\empty.dat len=0 wrote=0"));
    EXPECT_FALSE(Exists(scratch / "d")) << "folders made by the attempt stay";
    EXPECT_TRUE(IsDir(scratch.path()));
}
