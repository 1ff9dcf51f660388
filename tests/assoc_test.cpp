// The association block: every key and value it writes, and what it leaves.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "TestSupport.h"
#include "footprint/Footprint.h"
#include "footprint/Registrations.h"
#include "setup/SETUP.h"

using namespace test;

namespace {

RegValue Read(const std::string& key, const std::string& name)
{
    return RegRead(HKEY_CLASSES_ROOT, key, name);
}

void Set(const std::string& key, const std::string& name, const std::string& data)
{
    HKEY h;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
    RegSetValueExA(h, name.c_str(), 0, REG_SZ, (const BYTE*)data.c_str(), DWORD(data.size() + 1));
    RegCloseKey(h);
}

const char* const OURS[] = {".mid",
                            ".kar",
                            ".rmi",
                            ".wav",
                            ".sf2",
                            ".dls",
                            ".mod",
                            "midfile",
                            "wavfile",
                            "sf2file",
                            "dlsfile",
                            "modfile",
                            "txtfile\\shell\\Play_with_Tunewrangler",
                            "Applications\\Tunewrangler.exe",
                            "Applications\\Fendrick.exe",
                            "Applications\\Pressvox.exe",
                            "Applications\\Sondly.exe",
                            "Applications\\Bankrift.exe",
                            "Applications\\Lorrow.exe",
                            "Applications\\Quennet.exe",
                            "Directory\\shell\\Tunewrangler_PlaySongs",
                            "Directory\\shell\\Tunewrangler_PlayWAVs"};

} // namespace

class Associations : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* key : OURS)
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, PREVIOUS_KEY);
        // What must be left alone.
        Set("sf2file\\DefaultIcon", "", "sentinel icon");
        Set("txtfile\\shell", "", "open");
        Set("wavfile\\shell", "", "play");
        Set(".txt", "", "txtfile");
    }
    std::string dir = "D:\\Apps\\Tunewrangler";
    std::string Cmd(const std::string& exe) { return "\"" + dir + "\\" + exe + ".exe\" %1"; }
};

TEST_F(Associations, WritesEveryKeyAndValueOfTheTables)
{
    TraceCapture trace;
    SETUP::Associate(dir.c_str());
    std::string ico = dir + "\\Tunewrangler.exe,0";
    struct {
        std::string key, name, data;
    } want[] = {
        {".mid", "", "midfile"},
        {".kar", "", "midfile"},
        {".rmi", "", "midfile"},
        {".wav", "", "wavfile"},
        {".sf2", "", "sf2file"},
        {".dls", "", "dlsfile"},
        {".mod", "", "modfile"},
        {"midfile", "", "midi file"},
        {"midfile\\DefaultIcon", "", ico},
        {"wavfile", "", "wave file"},
        {"wavfile\\DefaultIcon", "", ico},
        {"sf2file", "", "soundfont file"},
        {"dlsfile", "", "downloadable sounds file"},
        {"dlsfile\\DefaultIcon", "", ico},
        {"modfile", "", "soundtracker module"},
        {"modfile\\DefaultIcon", "", ico},
        {"midfile\\shell", "", "Play_with_Tunewrangler"},
        {"midfile\\shell\\Play_with_Tunewrangler\\command", "", Cmd("Tunewrangler")},
        {"txtfile\\shell\\Play_with_Tunewrangler\\command", "", Cmd("Tunewrangler")},
        {"midfile\\shell\\Edit_with_Fendrick\\command", "", Cmd("Fendrick")},
        {"midfile\\shell\\Convert_to_WAV\\command", "", Cmd("Pressvox")},
        {"wavfile\\shell\\Edit_with_Sondly\\command", "", Cmd("Sondly")},
        {"sf2file\\shell\\Split_into_WAVs\\command", "", Cmd("Bankrift")},
        {"dlsfile\\shell\\Split_into_WAVs\\command", "", Cmd("Lorrow")},
        {"modfile\\shell\\Convert_to_MID\\command", "", Cmd("Quennet")},
        {"Applications\\Tunewrangler.exe\\shell\\Play_with_Tunewrangler\\command", "",
         Cmd("Tunewrangler")},
        {"Applications\\Fendrick.exe\\shell\\Edit_with_Fendrick\\command", "", Cmd("Fendrick")},
        {"Applications\\Pressvox.exe\\shell\\Convert_to_WAV\\command", "", Cmd("Pressvox")},
        {"Applications\\Sondly.exe\\shell\\Edit_with_Sondly\\command", "", Cmd("Sondly")},
        {"Applications\\Bankrift.exe\\shell\\Split_into_WAVs\\command", "", Cmd("Bankrift")},
        {"Applications\\Lorrow.exe\\shell\\Split_into_WAVs\\command", "", Cmd("Lorrow")},
        {"Applications\\Quennet.exe\\shell\\Convert_to_MID\\command", "", Cmd("Quennet")},
        {"Applications\\Sondly.exe\\SupportedTypes", ".wav", ""},
        {"Applications\\Bankrift.exe\\SupportedTypes", ".sf2", ""},
        {"Applications\\Lorrow.exe\\SupportedTypes", ".dls", ""},
        {"Applications\\Quennet.exe\\SupportedTypes", ".mod", ""},
        {"Directory\\shell\\Tunewrangler_PlaySongs", "", "Tunewrangler - Play Songs"},
        {"Directory\\shell\\Tunewrangler_PlaySongs\\command", "",
         "\"" + dir + "\\Tunewrangler.exe\" DIR %1"},
        {"Directory\\shell\\Tunewrangler_PlayWAVs", "", "Tunewrangler - Play WAVs"},
        {"Directory\\shell\\Tunewrangler_PlayWAVs\\command", "", "\"" + dir + "\\Hummix.exe\" %1"},
    };
    for (auto& w : want) {
        RegValue v = Read(w.key, w.name);
        EXPECT_TRUE(v.present) << w.key << " [" << w.name << "]";
        EXPECT_EQ(v.data, w.data) << w.key << " [" << w.name << "]";
        EXPECT_EQ(v.type, DWORD(REG_SZ)) << w.key << " [" << w.name << "]";
    }
    for (const char* app : {"Tunewrangler", "Fendrick", "Pressvox"})
        for (const char* ext : {".mid", ".kar", ".rmi", ".txt"}) {
            RegValue v = Read(std::string("Applications\\") + app + ".exe\\SupportedTypes", ext);
            EXPECT_TRUE(v.present && v.data.empty()) << app << " " << ext;
        }

    auto lines = trace.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Body(lines[0]), "file assocs...");
    EXPECT_EQ(Body(lines[1]),
              "{ SETUP::Exten ext=mid id=midfile dsc=midi file ico=" + ico + " dext=.mid");
    int exten = 0, assoc = 0, appl = 0, dir = 0, typ = 0;
    for (auto& l : lines) {
        std::string b = Body(l);
        exten += b.rfind("{ SETUP::Exten", 0) == 0;
        assoc += b.rfind("{ SETUP::Assoc", 0) == 0;
        appl += b.rfind("{ SETUP::Appl", 0) == 0;
        dir += b.rfind("{ SETUP::DirAssoc", 0) == 0;
        typ += b.find("typ=.") != std::string::npos;
    }
    EXPECT_EQ(exten, 7);
    EXPECT_EQ(assoc, 8);
    EXPECT_EQ(appl, 7);
    EXPECT_EQ(dir, 2);
    EXPECT_EQ(typ, 16);
    EXPECT_EQ(Body(lines.back()), "} SETUP::DirAssoc");
}

TEST_F(Associations, LeavesWhatItDoesNotOwn)
{
    SETUP::Associate(dir.c_str());
    EXPECT_EQ(Read("sf2file\\DefaultIcon", "").data, "sentinel icon");
    EXPECT_EQ(Read("txtfile\\shell", "").data, "open");
    EXPECT_EQ(Read("wavfile\\shell", "").data, "play");
    EXPECT_EQ(Read(".txt", "").data, "txtfile");
    for (const char* type : {"sf2file", "dlsfile", "modfile"})
        EXPECT_FALSE(Read(std::string(type) + "\\shell", "").present) << type;
    // The verb keys carry no text of their own: the shell shows the verb name.
    EXPECT_FALSE(Read("midfile\\shell\\Edit_with_Fendrick", "").present);
}

TEST_F(Associations, ADirectoryWithTwoPercentSignsMakesExpandableStrings)
{
    dir = "C:\\50%off%stuff";
    SETUP::Associate(dir.c_str());
    EXPECT_EQ(Read("midfile\\DefaultIcon", "").type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(Read("midfile\\shell\\Edit_with_Fendrick\\command", "").type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(Read("midfile\\shell\\Edit_with_Fendrick\\command", "").data, Cmd("Fendrick"));
    EXPECT_EQ(Read("Directory\\shell\\Tunewrangler_PlayWAVs\\command", "").type,
              DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(Read("midfile", "").type, DWORD(REG_SZ)); // descriptions stay plain
}

TEST_F(Associations, RunningTwiceWritesTheSame)
{
    SETUP::Associate(dir.c_str());
    SETUP::Associate(dir.c_str());
    EXPECT_EQ(Read("midfile\\shell", "").data, "Play_with_Tunewrangler");
    EXPECT_EQ(Read("Applications\\Lorrow.exe\\shell\\Split_into_WAVs\\command", "").data,
              Cmd("Lorrow"));
}

TEST_F(Associations, AnOverlongDirectoryCannotOverrunTheCommandBuffers)
{
    dir = "C:\\" + std::string(250, 'x');
    SETUP::Associate(dir.c_str());
    RegValue v = Read("Directory\\shell\\Tunewrangler_PlaySongs\\command", "");
    EXPECT_EQ(v.data.size(), 259u);
    EXPECT_EQ(v.data, ("\"" + dir + "\\Tunewrangler.exe\" DIR %1").substr(0, 259));
}

namespace {
struct Listed {
    std::vector<RegWrite> writes;
};
void Collect(const RegWrite& w, void* ctx)
{
    ((Listed*)ctx)->writes.push_back(w);
}
} // namespace

// What the uninstaller walks is what the installer wrote: every listed value
// holds its data, and the kept earlier states are exactly the listed values.
TEST_F(Associations, WritesAreWhatTheUninstallerWalks)
{
    SETUP::Associate(dir.c_str());
    Listed listed;
    Registrations regs(dir.c_str()); // the writes point into its strings
    regs.Each(Collect, &listed);
    std::set<std::string> names;
    for (const RegWrite& w : listed.writes) {
        EXPECT_EQ(Read(w.key, w.value).data, w.data) << w.key << " " << w.value;
        names.insert(std::string(w.key) + "|" + w.value);
    }
    HKEY h;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, PREVIOUS_KEY, 0, KEY_READ, &h), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyA(h, 0, 0, 0, 0, 0, 0, &values, 0, 0, 0, 0);
    RegCloseKey(h);
    EXPECT_EQ(values, names.size());
    for (const std::string& n : names)
        EXPECT_TRUE(RegRead(HKEY_LOCAL_MACHINE, PREVIOUS_KEY, n).present) << n;
}
