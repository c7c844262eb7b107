// qvapack build: the installer from a payload folder and a stub, read back
// with wrestool and osslsigncode.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "support.h"
#include "tests/tools/shell.h"

namespace {

Outcome Qvapack(const std::string& args) { return Shell(std::string(QVAPACK_PATH) + " " + args); }
std::string Fixture(const std::string& kind, const std::string& arch)
{
    return std::string(FIXTURE_DIR) + "/fixture-" + kind + "-" + arch + ".exe";
}

// wrestool's list without the offsets: type, name and language of each resource.
std::vector<std::string> ResourceList(const std::string& exe)
{
    std::vector<std::string> list;
    std::istringstream in(Shell("wrestool -l " + Quote(exe)).out);
    for (std::string line; std::getline(in, line);)
        list.push_back(line.substr(0, line.find(" [")));
    return list;
}

std::string ResourceBytes(const std::string& exe, const std::string& selector)
{
    return Shell("wrestool -x -R " + selector + " " + Quote(exe) + " 2>/dev/null").out;
}

// A payload folder with Chinese names (one holding 0x5C as a second byte in
// code page 936), nested folders, an empty file, and the two containers
// packed and compressed as the build does, for comparison.
class BuildFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        payload_ = temp_.Path() + "/payload";
        Shell("mkdir -p " + Quote(payload_ + "/setupdir/Reader_Pro/乗模板") + " " +
              Quote(payload_ + "/windir/TolvaneKelm"));
        WriteBytes(payload_ + "/setupdir/Tolvane.exe", RandomBytes(300000, 3) + std::string(200000, 'x'));
        WriteBytes(payload_ + "/setupdir/Reader_Pro/乗模板/属性.xml", "<template/>");
        WriteBytes(payload_ + "/setupdir/使用说明.txt", std::string(7000, 's'));
        WriteBytes(payload_ + "/setupdir/zero.bin", "");
        WriteBytes(payload_ + "/windir/TolvaneKelm/skf.ini", "[skf]\r\n");
    }

    // The build's streams: pack, then compress each file.
    std::string BuildStream(const std::string& container, const std::string& ext)
    {
        const std::string index = temp_.Path() + "/" + container + ".qvai";
        const std::string file = temp_.Path() + "/" + container + "." + ext;
        if (ReadBytes(index) == "<missing>") {
            EXPECT_EQ(Qvapack("pack " + Quote(payload_ + "/" + container) + " " + Quote(index)).status, 0);
        }
        EXPECT_EQ(Qvapack("compress " + Quote(file) + " " + Quote(file + ".lzma")).status, 0);
        return ReadBytes(file + ".lzma");
    }

    Outcome Build(const std::string& stub, const std::string& out, const std::string& more = "")
    {
        return Qvapack("build " + Quote(payload_) + " -o " + Quote(out) + " --stub " + Quote(stub) + more);
    }

    TempFolder temp_;
    std::string payload_;
};

class BuildPerMachine : public BuildFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(BuildPerMachine, ResourcesAreTheBuildsStreamsAndTheStubsOwn)
{
    const std::string stub = Fixture("stub", GetParam());
    const std::string setup = temp_.Path() + "/TolvaneSetup.exe";
    Outcome run = Build(stub, setup);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "");

    const struct {
        const char* id;
        const char* container;
        const char* ext;
    } streams[] = {{"129", "setupdir", "qvai"}, {"130", "setupdir", "qvas"}, {"131", "windir", "qvai"},
                   {"132", "windir", "qvas"}};
    for (const auto& s : streams) {
        const std::string expected = BuildStream(s.container, s.ext);
        EXPECT_EQ(ResourceBytes(setup, std::string("--type=QVA --language=2052 --name=") + s.id), expected)
            << s.container << "." << s.ext;
    }

    // Every other resource as the stub has it.
    std::vector<std::string> stubList = ResourceList(stub), setupList = ResourceList(setup);
    ASSERT_GE(stubList.size(), 8u);
    ASSERT_EQ(setupList.size(), stubList.size() + 4);
    setupList.erase(setupList.begin(), setupList.begin() + 4);  // named types first: the payload
    EXPECT_EQ(setupList, stubList);
    for (const std::string& line : stubList) {
        std::string selector = line;
        EXPECT_EQ(ResourceBytes(setup, selector), ResourceBytes(stub, selector)) << line;
    }
    // Still a program: objdump reads its headers and finds the same sections.
    Outcome header = Shell("objdump -h " + Quote(setup) + " | grep -c '^ *[0-9]'");
    EXPECT_EQ(header.out, Shell("objdump -h " + Quote(stub) + " | grep -c '^ *[0-9]'").out);
}

INSTANTIATE_TEST_SUITE_P(Machines, BuildPerMachine, ::testing::Values("i686", "x86_64"));

TEST_F(BuildFixture, SameInputsGiveTheSameBytesAndAnEarlierPayloadIsReplaced)
{
    const std::string stub = Fixture("stub", "i686");
    const std::string first = temp_.Path() + "/first.exe", second = temp_.Path() + "/second.exe";
    ASSERT_EQ(Build(stub, first).status, 0);
    ASSERT_EQ(Build(stub, second).status, 0);
    EXPECT_EQ(ReadBytes(first), ReadBytes(second));

    // A stub with a payload, the installer itself among them: the payload is
    // replaced, said on one line, and the result is the same as from the bare stub.
    for (const std::string& carrier : {Fixture("old-payload", "i686"), first}) {
        const std::string again = temp_.Path() + "/again.exe";
        Outcome run = Build(carrier, again);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out, "qvapack: " + carrier + ": carries a payload already; it is replaced\n");
        EXPECT_EQ(ReadBytes(again), ReadBytes(first)) << carrier;
    }

    // The stub can be the output: it becomes the installer.
    const std::string inPlace = temp_.Path() + "/in-place.exe";
    WriteBytes(inPlace, ReadBytes(stub));
    ASSERT_EQ(Build(inPlace, inPlace).status, 0);
    EXPECT_EQ(ReadBytes(inPlace), ReadBytes(first));
}

TEST_F(BuildFixture, WithoutStubOptionTheStubBesideQvapackServes)
{
    const std::string t = temp_.Path();
    const std::string stub = Fixture("stub", "x86_64");
    ASSERT_EQ(Build(stub, t + "/named.exe").status, 0);
    Shell("mkdir -p " + Quote(t + "/tools") + " && cp " + QVAPACK_PATH + " " + Quote(t + "/tools/qvapack"));

    Outcome none = Shell(Quote(t + "/tools/qvapack") + " build " + Quote(payload_) + " -o " + Quote(t + "/none.exe"));
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "qvapack: TolvaneSetup-stub.exe: not found beside qvapack or in the build tree; "
                        "name the stub with --stub\n");
    EXPECT_EQ(ReadBytes(t + "/none.exe"), "<missing>");

    WriteBytes(t + "/tools/TolvaneSetup-stub.exe", ReadBytes(stub));
    Outcome beside = Shell(Quote(t + "/tools/qvapack") + " build " + Quote(payload_) + " -o " + Quote(t + "/beside.exe"));
    ASSERT_EQ(beside.status, 0) << beside.out;
    EXPECT_EQ(ReadBytes(t + "/beside.exe"), ReadBytes(t + "/named.exe"));
}

TEST_F(BuildFixture, SignedResultVerifiesAndASignatureIsDroppedFirst)
{
    const std::string t = temp_.Path();
    ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Tolvane test signer' -keyout " +
                    Quote(t + "/key.pem") + " -out " + Quote(t + "/cert.pem"))
                  .status,
              0);
    const std::string sign = " --sign " + Quote(t + "/cert.pem") + " " + Quote(t + "/key.pem");
    const std::string stub = Fixture("stub", "x86_64");
    const std::string plain = t + "/plain.exe", signedSetup = t + "/signed.exe";
    ASSERT_EQ(Build(stub, plain).status, 0);
    Outcome run = Build(stub, signedSetup, sign);
    ASSERT_EQ(run.status, 0) << run.out;
    Outcome verify = Shell("osslsigncode verify -CAfile " + Quote(t + "/cert.pem") + " " + Quote(signedSetup));
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_NE(Shell("osslsigncode verify -CAfile " + Quote(t + "/cert.pem") + " " + Quote(plain)).status, 0);

    // A signed stub (here the signed installer): its signature goes, the bytes are the unsigned build's.
    const std::string fromSigned = t + "/from-signed.exe";
    ASSERT_EQ(Build(signedSetup, fromSigned).status, 0);
    EXPECT_EQ(ReadBytes(fromSigned), ReadBytes(plain));
    // Signed anew, it carries one signature.
    ASSERT_EQ(Build(signedSetup, fromSigned, sign).status, 0);
    verify = Shell("osslsigncode verify -CAfile " + Quote(t + "/cert.pem") + " " + Quote(fromSigned));
    EXPECT_EQ(verify.status, 0) << verify.out;
    size_t count = 0;
    for (size_t at = 0; (at = verify.out.find("Signature Index", at)) != std::string::npos; ++at)
        ++count;
    EXPECT_EQ(count, 1u) << verify.out;
}

TEST_F(BuildFixture, BadInputGivesOneLineExitCode2AndNoOutput)
{
    const std::string t = temp_.Path();
    const std::string stub = Fixture("stub", "x86_64");
    WriteBytes(t + "/text.exe", "MZ, and then only text: " + std::string(100, 't'));
    std::string arm = ReadBytes(stub);
    const size_t pe = static_cast<uint8_t>(arm[0x3C]) | static_cast<uint8_t>(arm[0x3D]) << 8;
    arm[pe + 4] = '\x64';  // machine 0xAA64, ARM64
    arm[pe + 5] = '\xAA';
    WriteBytes(t + "/arm64.exe", arm);
    Shell("mkdir -p " + Quote(t + "/no-windir/setupdir") + " " + Quote(t + "/no-setupdir/windir") + " " +
          Quote(t + "/huge/setupdir") + " " + Quote(t + "/huge/windir") + " " + Quote(t + "/emoji/setupdir") + " " +
          Quote(t + "/emoji/windir"));
    // 2 GiB of holes: too large for 32-bit offsets, refused before anything is read.
    Shell("truncate -s 2G " + Quote(t + "/huge/setupdir/big.bin"));
    Shell("touch " + Quote(t + "/emoji/windir/😀.dll"));
    const std::string out = t + "/out/TolvaneSetup.exe";
    Shell("mkdir -p " + Quote(t + "/out") + " " + Quote(t + "/out/folder.exe"));

    struct Case {
        std::string args;
        std::string line;  // the whole message, after "qvapack: "
    } cases[] = {
        {Quote(payload_) + " -o " + Quote(out) + " --stub " + Quote(t + "/text.exe"),
         t + "/text.exe: not a PE file (no PE signature)"},
        {Quote(payload_) + " -o " + Quote(out) + " --stub " + Quote(t + "/missing.exe"),
         t + "/missing.exe: cannot be read: No such file or directory"},
        {Quote(payload_) + " -o " + Quote(out) + " --stub " + Quote(t + "/arm64.exe"),
         t + "/arm64.exe: a PE file for machine 0xAA64, not for x86 (i386) or x86-64"},
        {Quote(t + "/no-windir") + " -o " + Quote(out) + " --stub " + Quote(stub),
         t + "/no-windir/windir: missing: the payload folder must hold setupdir/ and windir/"},
        {Quote(t + "/no-setupdir") + " -o " + Quote(out) + " --stub " + Quote(stub),
         t + "/no-setupdir/setupdir: missing: the payload folder must hold setupdir/ and windir/"},
        {Quote(t + "/huge") + " -o " + Quote(out) + " --stub " + Quote(stub),
         t + "/huge/setupdir: 2147483648 bytes: too large for the container and resource format "
             "(offsets and sizes are 32-bit, at most 2 GiB - 1 bytes)"},
        {Quote(t + "/emoji") + " -o " + Quote(out) + " --stub " + Quote(stub),
         t + "/emoji/windir/😀.dll: name cannot be written in code page 936"},
        {Quote(payload_) + " -o " + Quote(t + "/nowhere/TolvaneSetup.exe") + " --stub " + Quote(stub),
         t + "/nowhere/TolvaneSetup.exe: cannot be written: No such file or directory"},
        {Quote(payload_) + " -o " + Quote(t + "/out/folder.exe") + " --stub " + Quote(stub),
         t + "/out/folder.exe: cannot be written: it is a folder"},
        {Quote(payload_) + " --stub " + Quote(stub),
         "build: usage: qvapack build PAYLOAD_DIR -o SETUP.exe [--stub STUB.exe] [--sign CERT KEY]"},
        {Quote(payload_) + " -o " + Quote(out) + " --stub " + Quote(stub) + " --sign " + Quote(t + "/no.pem") +
             " " + Quote(t + "/no.pem"),
         t + "/no.pem: cannot be read"},
    };
    for (const Case& c : cases) {
        Outcome run = Qvapack("build " + c.args);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.out, "qvapack: " + c.line + "\n") << c.args;
        EXPECT_EQ(Shell("ls -A " + Quote(t + "/out")).out, "folder.exe\n") << c.args;
    }
}

TEST_F(BuildFixture, AnUnwritableOutputFolderLeavesNothing)
{
    if (geteuid() == 0 && Shell("command -v setpriv").status != 0)
        GTEST_SKIP() << "needs setpriv to run as another user";
    const std::string t = temp_.Path();
    Shell("mkdir -p " + Quote(t + "/locked") + " && chmod 555 " + Quote(t + "/locked") + " && chmod -R a+rX " +
          Quote(t));
    const std::string as = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    Outcome run = Shell(as + QVAPACK_PATH + " build " + Quote(payload_) + " -o " + Quote(t + "/locked/S.exe") +
                        " --stub " + Quote(Fixture("stub", "i686")));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "qvapack: " + t + "/locked/S.exe: cannot be written: Permission denied\n");
    EXPECT_EQ(Shell("ls -A " + Quote(t + "/locked")).out, "");
}

}  // namespace
