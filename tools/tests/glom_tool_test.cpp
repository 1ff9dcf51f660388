// The archive tool: layout, round trip, listing and what it refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "setup/Glom.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out; // stdout and stderr together
};

Result Tool(const std::string& args)
{
    std::string cmd = std::string(GLOM_TOOL) + " " + args + " 2>&1";
    Result r{0, {}};
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    while (size_t n = fread(buf.data(), 1, buf.size(), p))
        r.out.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const fs::path& p, const std::string& data)
{
    std::ofstream(p, std::ios::binary) << data;
}

class GlomTool : public ::testing::Test {
protected:
    fs::path root = fs::temp_directory_path() /
                    ("glomtest_" + std::to_string(getpid()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path in = root / "in";
    fs::path glom = root / "out.glom";
    void SetUp() override
    {
        fs::remove_all(root);
        fs::create_directories(in);
    }
    void TearDown() override { fs::remove_all(root); }
    std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }
    Result Pack() { return Tool("pack " + Q(in) + " " + Q(glom)); }
};

std::string LE(unsigned v)
{
    return {char(v & 255), char((v >> 8) & 255), char((v >> 16) & 255), char(v >> 24)};
}

} // namespace

TEST_F(GlomTool, LayoutIsHeaderLengthsNameSlotsThenData)
{
    Spit(in / "b.txt", "xy");
    Spit(in / "A.bin", "");
    Spit(in / "c", "123");
    ASSERT_EQ(Pack().status, 0);
    // Ascending without regard to case: A.bin, b.txt, c; W = 5, slots of 6.
    std::string want = LE(3) + LE(5) + LE(0) + LE(2) + LE(3) + std::string("A.bin\0", 6) +
                       std::string("b.txt\0", 6) + std::string("c\0\0\0\0\0", 6) + "xy123";
    EXPECT_EQ(Slurp(glom), want);
}

// The installer compares the archive with the sum beside it: any one damaged
// byte, and a truncation, must change the sum.
TEST_F(GlomTool, SumBesideTheArchiveCatchesEveryFlippedBitAndATruncation)
{
    std::string data;
    for (int i = 0; i < 300; ++i) // 4 blocks of 64 bytes and a tail
        data.push_back(char(i * 7919 % 251));
    Spit(in / "a.bin", data);
    ASSERT_EQ(Pack().status, 0);
    std::string archive = Slurp(glom);
    auto sum = [](const std::string& s) {
        return Glom::Sum(reinterpret_cast<const unsigned char*>(s.data()), unsigned(s.size()));
    };
    EXPECT_EQ(Slurp(root / "out.sum"), LE(sum(archive)));
    for (size_t i = 0; i < archive.size(); ++i)
        for (int bit = 0; bit < 8; ++bit) {
            std::string damaged = archive;
            damaged[i] ^= char(1 << bit);
            ASSERT_NE(sum(damaged), sum(archive)) << "byte " << i << " bit " << bit;
        }
    EXPECT_NE(sum(archive.substr(0, archive.size() - 1)), sum(archive));
    fs::remove(root / "out.sum");
    ASSERT_EQ(Tool("sum " + Q(glom)).status, 0); // the tool's own sum command agrees
    EXPECT_EQ(Slurp(root / "out.sum"), LE(sum(archive)));
}

TEST_F(GlomTool, PackedFolderUnpacksByteForByte)
{
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary.push_back(char(i * 7919 % 251));
    Spit(in / "Tunewrangler.exe", binary);
    Spit(in / "version.txt", "20261208\r\n");
    Spit(in / "empty.dat", "");
    ASSERT_EQ(Pack().status, 0);
    fs::path out = root / "out";
    ASSERT_EQ(Tool("unpack " + Q(glom) + " " + Q(out)).status, 0);
    int n = 0;
    for (auto& e : fs::directory_iterator(out)) {
        EXPECT_EQ(Slurp(e.path()), Slurp(in / e.path().filename())) << e.path();
        ++n;
    }
    EXPECT_EQ(n, 3);
}

TEST_F(GlomTool, ListShowsNameLengthAndOffset)
{
    Spit(in / "one", "1");
    Spit(in / "three", "333");
    ASSERT_EQ(Pack().status, 0);
    Result r = Tool("list " + Q(glom));
    ASSERT_EQ(r.status, 0);
    // Header: 8 + (5 + 5) * 2 = 28.
    EXPECT_EQ(r.out, "one            1         28\nthree          3         29\n");
}

TEST_F(GlomTool, RefusesNamesTheInstallerCannotWriteSafely)
{
    const char* bad[] = {"back\\slash",
                         "dri:ve",
                         "tab\there",
                         "trailing.",
                         "NUL.txt",
                         "com1",
                         "abcdefghijklmnopqrstuvwxyz"};
    for (const char* name : bad) {
        fs::remove_all(in);
        fs::create_directories(in);
        Spit(in / "fine.txt", "ok");
        Spit(in / name, "x");
        Result r = Pack();
        EXPECT_NE(r.status, 0) << name;
        EXPECT_NE(r.out.find((in / name).string()), std::string::npos) << r.out;
        EXPECT_FALSE(fs::exists(glom)) << name;
    }
}

TEST_F(GlomTool, AcceptsTheLongestNameThatFits)
{
    Spit(in / std::string(25, 'n'), "x");
    EXPECT_EQ(Pack().status, 0);
}

TEST_F(GlomTool, RefusesNamesDifferingOnlyInCase)
{
    Spit(in / "Readme.txt", "a");
    Spit(in / "README.TXT", "b");
    Result r = Pack();
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("only in case"), std::string::npos) << r.out;
}

TEST_F(GlomTool, RefusesSubfolderEmptyFolderAndOversize)
{
    fs::create_directories(in / "sub");
    Result r = Pack();
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find((in / "sub").string() + ": is a subfolder"), std::string::npos) << r.out;

    fs::remove_all(in / "sub");
    r = Pack();
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("is empty"), std::string::npos) << r.out;

    // A sparse file larger than an installer resource can hold.
    {
        std::ofstream(in / "huge.bin");
    }
    fs::resize_file(in / "huge.bin", (1ull << 30) + 1);
    r = Pack();
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("more than an installer resource can hold"), std::string::npos) << r.out;
}

TEST_F(GlomTool, RefusesToListABrokenArchive)
{
    Spit(in / "a", "abc");
    ASSERT_EQ(Pack().status, 0);
    std::string g = Slurp(glom);
    Spit(glom, g.substr(0, g.size() - 1)); // data runs past the end
    Result r = Tool("list " + Q(glom));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("not a sound archive"), std::string::npos) << r.out;
}

// The checks the installer makes before writing anything, on hand-made bytes.
namespace {
std::string Header(unsigned n, unsigned w)
{
    return LE(n) + LE(w);
}
const char* CheckOf(const std::string& g)
{
    return Glom::CheckText(
        Glom::Check(reinterpret_cast<const unsigned char*>(g.data()), unsigned(g.size())));
}
} // namespace

TEST(GlomCheck, AcceptsSoundArchives)
{
    EXPECT_EQ(CheckOf(Header(0, 0)), nullptr);
    EXPECT_EQ(CheckOf(Header(0, 0xFFFFFFFF)), nullptr) << "no members: the width is never used";
    std::string one = Header(1, 8) + LE(3) + std::string("a.txt\0\0\0\0", 9) + "abc";
    EXPECT_EQ(CheckOf(one), nullptr);
    EXPECT_EQ(CheckOf(one + "padding"), nullptr) << "a resource may be padded";
}

TEST(GlomCheck, RefusesWhatWouldReadOutsideTheResource)
{
    std::string one = Header(1, 8) + LE(3) + std::string("a.txt\0\0\0\0", 9) + "abc";
    EXPECT_NE(CheckOf(one.substr(0, 7)), nullptr);
    EXPECT_NE(CheckOf(one.substr(0, one.size() - 1)), nullptr);
    EXPECT_NE(CheckOf(Header(0x40000000, 1)), nullptr) << "4 * N wraps in 32 bits";
    EXPECT_NE(CheckOf(Header(2, 0xFFFFFFFF) + LE(0) + LE(0)), nullptr) << "W + 1 wraps";
    EXPECT_NE(CheckOf(Header(0x1000, 0x100000) + std::string(64, '\0')), nullptr);
    // Lengths whose sum wraps to a small number.
    std::string wrap = Header(2, 1) + LE(0xFFFFFFFF) + LE(2) + std::string("a\0b\0", 4) + "xy";
    EXPECT_NE(CheckOf(wrap), nullptr);
}

TEST(GlomCheck, RefusesUnsafeOrAmbiguousNames)
{
    auto two = [](const std::string& a, const std::string& b) {
        return Header(2, 4) + LE(0) + LE(0) + a + std::string(5 - a.size(), '\0') + b +
               std::string(5 - b.size(), '\0');
    };
    EXPECT_EQ(CheckOf(two("a", "b")), nullptr);
    EXPECT_NE(CheckOf(two("a", "A")), nullptr);
    EXPECT_NE(CheckOf(two("a", "..")), nullptr);
    EXPECT_NE(CheckOf(two("a", "x\\y")), nullptr);
    EXPECT_NE(CheckOf(two("a", "")), nullptr);
    EXPECT_NE(CheckOf(Header(1, 2) + LE(0) + "abc"), nullptr) << "a slot without its NUL";
}

// The build adds its own uninstaller; a product folder's own copy wins.
TEST_F(GlomTool, AddedFileJoinsUnlessTheFolderHoldsItsName)
{
    Spit(in / "a.txt", "a");
    Spit(root / "UNPLANT.exe", "built");
    ASSERT_EQ(Tool("pack " + Q(in) + " " + Q(glom) + " " + Q(root / "UNPLANT.exe")).status, 0);
    fs::path out = root / "out";
    ASSERT_EQ(Tool("unpack " + Q(glom) + " " + Q(out)).status, 0);
    EXPECT_EQ(Slurp(out / "UNPLANT.exe"), "built");

    Spit(in / "unplant.EXE", "the product's own");
    ASSERT_EQ(Tool("pack " + Q(in) + " " + Q(glom) + " " + Q(root / "UNPLANT.exe")).status, 0);
    fs::remove_all(out);
    ASSERT_EQ(Tool("unpack " + Q(glom) + " " + Q(out)).status, 0);
    EXPECT_EQ(Slurp(out / "unplant.EXE"), "the product's own");
    EXPECT_FALSE(fs::exists(out / "UNPLANT.exe"));
}
