// The uninstaller's hand-over folder: who may touch it, and that no name that
// exists is ever used for it.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "unplant/HandOverFolder.h"

#include <sddl.h>

using namespace test;

TEST(HandOverFolder, IsForSystemAndAdministratorsOnlyAndInheritsNothing)
{
    // Wine does not enforce DACLs: what can be shown is the descriptor itself.
    AdminsOnly admins;
    ASSERT_TRUE(admins.ok);
    EXPECT_EQ(admins.sa.lpSecurityDescriptor, &admins.sd);
    EXPECT_FALSE(admins.sa.bInheritHandle);
    char* sddl = 0;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        &admins.sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, 0));
    // P: protected from the parent's ACEs; OICI: files and folders inside
    // inherit it; FA: full access; SY, BA: SYSTEM, Administrators; no one else.
    EXPECT_STREQ(sddl, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    LocalFree(sddl);
}

TEST(HandOverFolder, NeverUsesANameThatExistsAndHoldsItsOwn)
{
    ScratchDir base("handover");
    // Planted beforehand, as another program of the user could: refused, untouched.
    ASSERT_TRUE(CreateDirectoryA((base / "UNPLANT-planted").c_str(), 0));
    WriteFile(base / "UNPLANT-planted\\UNPLANT.exe", "not ours");
    WriteFile(base / "UNPLANT-file", "a file of the name");
    {
        HandOverFolder planted, file;
        EXPECT_FALSE(planted.Make(base.path().c_str(), "UNPLANT-planted"));
        EXPECT_FALSE(file.Make(base.path().c_str(), "UNPLANT-file"));
    }
    EXPECT_EQ(ReadFile(base / "UNPLANT-planted\\UNPLANT.exe"), "not ours");
    EXPECT_EQ(ReadFile(base / "UNPLANT-file"), "a file of the name");

    HandOverFolder fresh, again;
    ASSERT_TRUE(fresh.Make(base.path().c_str(), "UNPLANT-fresh"));
    EXPECT_EQ(std::string(fresh.path), base / "UNPLANT-fresh");
    EXPECT_TRUE(IsDir(fresh.path));
    EXPECT_FALSE(again.Make(base.path().c_str(), "UNPLANT-fresh")) << "made twice";
    // Held without delete sharing: it cannot be moved away meanwhile.
    EXPECT_FALSE(MoveFileA(fresh.path, (base / "UNPLANT-moved").c_str()));
    fresh.Drop();
    EXPECT_FALSE(Exists(base / "UNPLANT-fresh"));
}

TEST(HandOverFolder, DrawsItsNamesFromTheRandomSource)
{
    char a[32], b[32];
    HandOverFolder::RandomName(a);
    HandOverFolder::RandomName(b);
    EXPECT_STRNE(a, b);
    ASSERT_EQ(strlen(a), 24u) << a;
    EXPECT_EQ(std::string(a, 8), "UNPLANT-");
    EXPECT_EQ(strspn(a + 8, "0123456789abcdef"), 16u) << a;
}
