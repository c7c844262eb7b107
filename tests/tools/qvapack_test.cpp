// qvapack as people and the build use it, cross-checked with xz and openssl.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "payload/container.h"
#include "payload/sm3.h"
#include "support.h"
#include "tests/tools/shell.h"

namespace {

Outcome Qvapack(const std::string& args) { return Shell(std::string(QVAPACK_PATH) + " " + args); }

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A small payload folder with Chinese names (one whose first character is
// 0x81 0x5C in code page 936, the second byte being "\"), nested folders and
// an empty file.
class PackedFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        src_ = temp_.Path() + "/src";
        Shell("mkdir -p " + Quote(src_ + "/Reader_Pro/乗模板") + " " + Quote(src_ + "/empty-dir"));
        WriteBytes(src_ + "/Tolvane.exe", RandomBytes(70000, 1));
        WriteBytes(src_ + "/Reader_Pro/乗模板/属性.xml", "<template/>");
        WriteBytes(src_ + "/readme.txt", std::string(5000, 'r'));
        WriteBytes(src_ + "/zero.bin", "");
        index_ = temp_.Path() + "/setupdir.qvai";
        ASSERT_EQ(Qvapack("pack " + Quote(src_) + " " + Quote(index_)).status, 0);
    }

    TempFolder temp_;
    std::string src_;
    std::string index_;
};

TEST_F(PackedFolder, ListShowsEveryEntryWithItsDigestAsOpensslComputesIt)
{
    Outcome list = Qvapack("list " + Quote(index_));
    ASSERT_EQ(list.status, 0) << list.out;
    const std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 4u) << list.out;

    // Entries come in byte order of their code page 936 names.
    const char* names[] = {"Reader_Pro\\乗模板\\属性.xml", "Tolvane.exe", "readme.txt", "zero.bin"};
    const char* files[] = {"Reader_Pro/乗模板/属性.xml", "Tolvane.exe", "readme.txt", "zero.bin"};
    for (size_t i = 0; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        long size, offset;
        std::string flag, digest, name;
        fields >> size >> offset >> flag >> digest;
        std::getline(fields >> std::ws, name);
        EXPECT_EQ(name, names[i]);
        EXPECT_EQ(flag, "S");
        EXPECT_EQ(static_cast<size_t>(size), ReadBytes(src_ + "/" + files[i]).size());
        Outcome openssl = Shell("openssl dgst -sm3 -r " + Quote(src_ + "/" + files[i]));
        EXPECT_EQ(openssl.out.substr(0, 64), digest) << files[i];
    }
}

TEST_F(PackedFolder, PackingIsDeterministicAndPlainStoresTheBytesAsTheyAre)
{
    const std::string again = temp_.Path() + "/again.qvai";
    ASSERT_EQ(Qvapack("pack " + Quote(src_) + " " + Quote(again)).status, 0);
    EXPECT_EQ(ReadBytes(index_), ReadBytes(again));
    EXPECT_EQ(ReadBytes(DataFilePathOf(index_)), ReadBytes(DataFilePathOf(again)));

    const std::string plain = temp_.Path() + "/plain.qvai";
    ASSERT_EQ(Qvapack("pack " + Quote(src_) + " " + Quote(plain) + " --plain").status, 0);
    EXPECT_EQ(ReadBytes(DataFilePathOf(plain)), ReadBytes(src_ + "/Reader_Pro/乗模板/属性.xml") +
                                                      ReadBytes(src_ + "/Tolvane.exe") +
                                                      ReadBytes(src_ + "/readme.txt"));
    EXPECT_NE(Qvapack("list " + Quote(plain)).out.find(" P "), std::string::npos);
    EXPECT_EQ(Qvapack("verify " + Quote(plain)).status, 0);
}

TEST_F(PackedFolder, VerifyNamesTheDamagedEntries)
{
    EXPECT_EQ(Qvapack("verify " + Quote(index_)).status, 0);
    std::string data = ReadBytes(DataFilePathOf(index_));
    data[data.size() - 1] ^= 1;  // inside readme.txt, the last entry with bytes
    WriteBytes(DataFilePathOf(index_), data);
    Outcome verify = Qvapack("verify " + Quote(index_));
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("FAILED readme.txt"), std::string::npos) << verify.out;
    EXPECT_EQ(verify.out.find("FAILED Tolvane.exe"), std::string::npos) << verify.out;
}

TEST_F(PackedFolder, ExtractWritesOnlyWhatChanged)
{
    const std::string dest = temp_.Path() + "/dest";
    Outcome first = Qvapack("extract " + Quote(index_) + " " + Quote(dest));
    EXPECT_EQ(first.status, 0) << first.out;
    EXPECT_NE(first.out.find("3 written, 0 unchanged, 1 empty, 0 failed"), std::string::npos) << first.out;
    EXPECT_EQ(ReadBytes(dest + "/Reader_Pro/乗模板/属性.xml"), "<template/>");
    EXPECT_EQ(ReadBytes(dest + "/Tolvane.exe"), ReadBytes(src_ + "/Tolvane.exe"));
    EXPECT_EQ(ReadBytes(dest + "/zero.bin"), "");

    WriteBytes(dest + "/readme.txt", "edited");
    Outcome second = Qvapack("extract " + Quote(index_) + " " + Quote(dest));
    EXPECT_NE(second.out.find("1 written, 2 unchanged, 1 empty, 0 failed"), std::string::npos) << second.out;
    EXPECT_EQ(ReadBytes(dest + "/readme.txt"), std::string(5000, 'r'));
}

TEST(QvapackExtract, RefusesNamesThatLeaveTheDestination)
{
    TempFolder temp;
    const std::string index = temp.Path() + "/evil.qvai";
    BuildContainer(index, {{"\\..\\outside.txt", "bad", 1}, {"\\C:\\x.txt", "bad", 1}, {"\\ok.txt", "good", 1}});
    Outcome run = Qvapack("extract " + Quote(index) + " " + Quote(temp.Path() + "/dest"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("1 written, 0 unchanged, 0 empty, 2 failed"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(temp.Path() + "/outside.txt"), "<missing>");
    EXPECT_EQ(ReadBytes(temp.Path() + "/dest/ok.txt"), "good");
}

TEST(QvapackErrors, BadInputGivesOneLineAndANonZeroExit)
{
    TempFolder temp;
    const std::string t = temp.Path();
    WriteBytes(t + "/junk.qvai", "not an index");
    WriteBytes(t + "/junk.lzma", "\x5D\x00\x00\x00\x01");
    Shell("mkdir -p " + Quote(t + "/emoji") + " && touch " + Quote(t + "/emoji/😀.txt"));
    for (const char* name : {"device/sub/NUL.txt", "dot/x./a.txt", "blank/a.txt ", "pipe/a|b.txt"}) {
        const std::string path = t + "/" + name;
        Shell("mkdir -p " + Quote(path.substr(0, path.rfind('/'))) + " && touch " + Quote(path));
    }

    struct Case {
        std::string args;
        const char* mentions;
    } cases[] = {
        {"list " + Quote(t + "/junk.qvai"), "junk.qvai"},
        {"verify " + Quote(t + "/missing.qvai"), "missing.qvai"},
        {"list " + Quote(t + "/junk.txt"), "junk.txt"},
        {"pack " + Quote(t + "/nowhere") + " " + Quote(t + "/o.qvai"), "nowhere"},
        {"pack " + Quote(t + "/emoji") + " " + Quote(t + "/o.qvai"), "😀.txt"},
        {"pack " + Quote(t + "/emoji") + " " + Quote(t + "/o.idx"), "o.idx"},
        // Names Windows takes for a device, trims, or refuses.
        {"pack " + Quote(t + "/device") + " " + Quote(t + "/o.qvai"), "NUL.txt: name is not valid on Windows"},
        {"pack " + Quote(t + "/dot") + " " + Quote(t + "/o.qvai"), "x.: name is not valid on Windows"},
        {"pack " + Quote(t + "/blank") + " " + Quote(t + "/o.qvai"), "a.txt : name is not valid on Windows"},
        {"pack " + Quote(t + "/pipe") + " " + Quote(t + "/o.qvai"), "a|b.txt: name is not valid on Windows"},
        {"compress " + Quote(t + "/missing") + " " + Quote(t + "/o"), "missing"},
        {"unpack " + Quote(t + "/junk.lzma") + " " + Quote(t + "/o"), "junk.lzma"},
        {"frobnicate", "frobnicate"},
        {"", "usage"},
    };
    for (const Case& c : cases) {
        Outcome run = Qvapack(c.args);
        EXPECT_NE(run.status, 0) << c.args;
        EXPECT_NE(run.out.find(c.mentions), std::string::npos) << c.args << "\n" << run.out;
    }
    EXPECT_EQ(ReadBytes(t + "/o.qvai"), "<missing>");
}

TEST(QvapackLzma, CompressedFilesDecodeWithXzAndXzStreamsUnpack)
{
    TempFolder temp;
    const std::string t = temp.Path();
    const std::string data = RandomBytes(200000, 9) + std::string(300000, 'q') + RandomBytes(200000, 9);
    WriteBytes(t + "/in", data);

    ASSERT_EQ(Qvapack("compress " + Quote(t + "/in") + " " + Quote(t + "/in.lzma")).status, 0);
    const std::string packed = ReadBytes(t + "/in.lzma");
    ASSERT_GE(packed.size(), 13u);
    EXPECT_EQ(static_cast<uint8_t>(packed[0]), 0x5D);
    EXPECT_EQ(packed.substr(1, 4), std::string("\x00\x00\x00\x01", 4));  // 16 MiB dictionary
    uint64_t size = 0;
    for (int i = 0; i < 8; ++i)
        size |= static_cast<uint64_t>(static_cast<uint8_t>(packed[5 + i])) << (8 * i);
    EXPECT_EQ(size, data.size());

    ASSERT_EQ(Shell("xz --format=lzma -dc " + Quote(t + "/in.lzma") + " > " + Quote(t + "/by-xz")).status, 0);
    EXPECT_EQ(ReadBytes(t + "/by-xz"), data);
    ASSERT_EQ(Qvapack("unpack " + Quote(t + "/in.lzma") + " " + Quote(t + "/by-us")).status, 0);
    EXPECT_EQ(ReadBytes(t + "/by-us"), data);

    ASSERT_EQ(Qvapack("compress " + Quote(t + "/in") + " " + Quote(t + "/again.lzma")).status, 0);
    EXPECT_EQ(ReadBytes(t + "/again.lzma"), packed);

    // xz leaves the size unknown; with the size filled in, the installer's unpacking reads it.
    ASSERT_EQ(Shell("xz --format=lzma -c " + Quote(t + "/in") + " > " + Quote(t + "/xz.lzma")).status, 0);
    Outcome unknown = Qvapack("unpack " + Quote(t + "/xz.lzma") + " " + Quote(t + "/out"));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.out.find("LzmaUncompress:4"), std::string::npos) << unknown.out;
    std::string xz = ReadBytes(t + "/xz.lzma");
    for (int i = 0; i < 8; ++i)
        xz[5 + i] = static_cast<char>(static_cast<uint64_t>(data.size()) >> (8 * i));
    WriteBytes(t + "/xz-sized.lzma", xz);
    ASSERT_EQ(Qvapack("unpack " + Quote(t + "/xz-sized.lzma") + " " + Quote(t + "/out")).status, 0);
    EXPECT_EQ(ReadBytes(t + "/out"), data);
}

TEST(QvapackSysdirHash, WritesNameAndDigestRecords)
{
    TempFolder temp;
    const std::string t = temp.Path();
    Shell("mkdir -p " + Quote(t + "/sys/子"));
    WriteBytes(t + "/sys/a.dll", "alpha");
    WriteBytes(t + "/sys/子/b.dll", "beta");
    ASSERT_EQ(Qvapack("sysdir-hash " + Quote(t + "/sys") + " " + Quote(t + "/sysdir.hash")).status, 0);
    const std::string list = ReadBytes(t + "/sysdir.hash");
    ASSERT_EQ(list.size(), 2u * 292);

    EXPECT_EQ(std::string(list.c_str()), "a.dll");
    EXPECT_EQ(std::string(list.c_str() + 292), "\xD7\xD3\\b.dll");  // 子 in code page 936
    EXPECT_EQ(list.substr(5, 255), std::string(255, '\0'));
    const char* files[] = {"/sys/a.dll", "/sys/子/b.dll"};
    for (int i = 0; i < 2; ++i) {
        std::string hex;
        for (int b = 0; b < 32; ++b) {
            char byte[3];
            std::snprintf(byte, sizeof byte, "%02x", static_cast<uint8_t>(list[i * 292 + 260 + b]));
            hex += byte;
        }
        EXPECT_EQ(Shell("openssl dgst -sm3 -r " + Quote(t + files[i])).out.substr(0, 64), hex);
    }
}

}  // namespace
