// glom: packs a folder into the installer's archive, lists one, unpacks one.
//
//   glom pack DIR OUT [FILE...]
//                          every file of DIR, names in ascending order
//                          without regard to case, W = the longest name; each
//                          FILE is added unless DIR holds a file of its name
//                          and beside OUT its Sum (OUT with the extension .sum)
//   glom sum FILE          writes FILE's Sum beside it, as pack does
//   glom list FILE         name, length and offset of each member
//   glom unpack FILE DIR   writes every member into DIR
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "setup/Glom.h"

namespace fs = std::filesystem;

namespace {

struct Member {
    std::string name;
    std::string data;
    size_t offset = 0; // where the data stands in an archive that was read
};

[[noreturn]] void Fail(const std::string& what, const std::string& why)
{
    std::cerr << "glom: " << what << ": " << why << "\n";
    std::exit(1);
}

const char* FaultText(Glom::NameFault f)
{
    switch (f) {
    case Glom::NAME_CONTROL:
        return "holds a control character";
    case Glom::NAME_RESERVED:
        return "holds one of \\ / : * ? \" < > |";
    case Glom::NAME_EMPTY:
        return "is empty";
    case Glom::NAME_TOO_LONG:
        return "is too long for the installer's paths";
    case Glom::NAME_DOTS:
        return "is . or ..";
    case Glom::NAME_TRAILING:
        return "ends in a dot or a blank, which Windows drops";
    case Glom::NAME_DEVICE:
        return "is a device name";
    case Glom::NAME_OK:
        break;
    }
    return "is fine";
}

std::string Folded(std::string s)
{
    for (char& c : s)
        c = Glom::Fold(c);
    return s;
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        Fail(p.string(), "cannot be read");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Gathers DIR's files and refuses what the installer could not write safely.
std::vector<Member> Gather(const fs::path& dir, const std::vector<std::string>& extras)
{
    if (!fs::is_directory(dir))
        Fail(dir.string(), "is not a folder");
    std::vector<fs::path> files;
    std::uint64_t total = 0;
    std::vector<fs::directory_entry> entries(fs::directory_iterator(dir), {});
    for (const std::string& extra : extras) {
        fs::directory_entry e(extra);
        std::string name = Folded(e.path().filename().string());
        if (std::none_of(entries.begin(), entries.end(), [&](const fs::directory_entry& d) {
                return Folded(d.path().filename().string()) == name;
            }))
            entries.push_back(e);
    }
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory())
            Fail(entry.path().string(), "is a subfolder; the archive holds plain files only");
        if (!entry.is_regular_file())
            Fail(entry.path().string(), "is not a regular file");
        if (Glom::NameFault f = Glom::NameProblem(name.c_str()))
            Fail(entry.path().string(), std::string("its name ") + FaultText(f));
        files.push_back(entry.path());
        total += entry.file_size();
    }
    // Sizes first, so that an oversized folder is refused before it is read.
    if (total > Glom::TOTAL_MAX)
        Fail(dir.string(), "holds " + std::to_string(total) +
                               " bytes, more than an installer resource can hold (" +
                               std::to_string(Glom::TOTAL_MAX) + ")");
    std::vector<Member> members;
    for (const auto& f : files)
        members.push_back({f.filename().string(), ReadAll(f)});
    if (members.empty())
        Fail(dir.string(), "is empty: there is nothing to install");
    std::sort(members.begin(), members.end(),
              [](const Member& a, const Member& b) { return Folded(a.name) < Folded(b.name); });
    for (size_t i = 1; i < members.size(); ++i)
        if (Folded(members[i].name) == Folded(members[i - 1].name))
            Fail((dir / members[i].name).string(),
                 "differs from " + members[i - 1].name + " only in case");
    std::uint64_t header = 8 + (Glom::NAME_MAX + 5) * std::uint64_t(members.size());
    if (header + total > Glom::TOTAL_MAX)
        Fail(dir.string(), "holds too many files for an installer resource");
    return members;
}

std::string Pack(const std::vector<Member>& members)
{
    size_t w = 0;
    for (const auto& m : members)
        w = std::max(w, m.name.size());
    std::string out;
    Put32(out, std::uint32_t(members.size()));
    Put32(out, std::uint32_t(w));
    for (const auto& m : members)
        Put32(out, std::uint32_t(m.data.size()));
    for (const auto& m : members) {
        out += m.name;
        out.append(w + 1 - m.name.size(), '\0');
    }
    for (const auto& m : members)
        out += m.data;
    return out;
}

// Reads an archive back, with the same checks the installer makes.
std::vector<Member> Unpack(const std::string& file)
{
    std::string glom = ReadAll(file);
    auto p = reinterpret_cast<const unsigned char*>(glom.data());
    if (glom.size() > 0xFFFFFFFFu)
        Fail(file, "is too large to be an archive");
    if (const char* why = Glom::CheckText(Glom::Check(p, unsigned(glom.size()))))
        Fail(file, std::string("is not a sound archive: ") + why);
    std::vector<Member> members;
    for (Glom::Walk m(p); m.Next();)
        members.push_back({m.name, std::string((const char*)m.data, m.len), size_t(m.data - p)});
    return members;
}

void Write(const std::string& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size())) || !out.flush())
        Fail(file, "cannot be written");
}

// The installer compares its archive with this before it writes anything.
void WriteSum(const std::string& glomFile, const std::string& glom)
{
    std::string sum;
    Put32(sum,
          Glom::Sum(reinterpret_cast<const unsigned char*>(glom.data()), unsigned(glom.size())));
    Write(fs::path(glomFile).replace_extension(".sum").string(), sum);
}

int Usage()
{
    std::cerr << "usage: glom pack DIR OUT [FILE...] | glom sum FILE | glom list FILE |"
                 " glom unpack FILE DIR\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "pack") {
        std::string glom = Pack(Gather(args[1], {args.begin() + 3, args.end()}));
        Write(args[2], glom);
        WriteSum(args[2], glom);
        return 0;
    }
    if (args.size() == 2 && args[0] == "sum") {
        WriteSum(args[1], ReadAll(args[1]));
        return 0;
    }
    if (args.size() == 2 && args[0] == "list") {
        auto members = Unpack(args[1]);
        unsigned w = 0;
        for (const auto& m : members)
            w = std::max<unsigned>(w, unsigned(m.name.size()));
        for (const auto& m : members)
            std::printf("%-*s %10zu %10zu\n", int(w), m.name.c_str(), m.data.size(), m.offset);
        return 0;
    }
    if (args.size() == 3 && args[0] == "unpack") {
        fs::create_directories(args[2]);
        for (const auto& m : Unpack(args[1]))
            Write((fs::path(args[2]) / m.name).string(), m.data);
        return 0;
    }
    return Usage();
}
