// The whole installation twice in one machine, first as a person makes it
// (Install, Finish), then silently: each leaves the complete state that the
// installation owns, and the second leaves no trace of the first beyond it.
#include "footprint.h"
#include "scenario.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace e2e {
namespace {

using setup::State;

const std::wstring kProduct = L"Halvor\u6570\u5b57\u8bc1\u4e66\u548c\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef";

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The journal of a finished run, as sorted lines. It is complete once the
// finish actions have journaled (WaitForFinishActions): every other program
// of the run was waited for, and wrote its line before it ended.
std::vector<std::string> FinishedJournal()
{
    const std::vector<setup::JournalLine> journal = setup::ReadJournal();
    std::vector<std::string> lines;
    for (const setup::JournalLine& line : journal)
        lines.push_back(ui::Utf8(line.program + L"\t" + line.commandLine + L"\t" + line.folder));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// What one installation must have left, whatever ran before it.
void ExpectInstalledState(const footprint::InstallerPlaces& places)
{
    const std::wstring folder = places.installFolder;
    const std::wstring folderEntry = folder.substr(0, folder.size() - 1);

    // The registry, in the installer's view; text values with their zero counted.
    struct Expected {
        HKEY root;
        std::wstring key;
        const wchar_t* name;
        std::wstring data;
    };
    const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;
    const std::wstring run = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const Expected values[] = {
        {HKEY_LOCAL_MACHINE, uninstall, L"UninstallString", L"\"" + folder + L"uninstall.exe\""},
        {HKEY_LOCAL_MACHINE, uninstall, L"DisplayIcon", folder + L"application.ico"},
        {HKEY_LOCAL_MACHINE, uninstall, L"DisplayName", kProduct},
        {HKEY_LOCAL_MACHINE, uninstall, L"DisplayVersion", L"1.0.0.1"},
        {HKEY_LOCAL_MACHINE, run, L"TolvaneKelm_Tolvane", L"\"" + folder + L"Tolvane.exe\" NoRunGUI"},
        {HKEY_LOCAL_MACHINE, run, L"TolvaneKelm_SwOESServer", L"\"" + folder + L"OESRPC_win32\\SwOESServer.exe\""},
        {HKEY_CLASSES_ROOT, L".pdf\\DefaultIcon", nullptr, folder + L"VOSKPdfClient.exe,0"},
        {HKEY_CLASSES_ROOT, L".pdf\\shell\\open\\command", nullptr, L"\"" + folder + L"VOSKPdfClient.exe\" \"%1\""},
        {HKEY_CLASSES_ROOT, L".edc\\DefaultIcon", nullptr, folder + L"VOSKPdfClient.exe,0"},
        {HKEY_CLASSES_ROOT, L".edc\\shell\\open\\command", nullptr, L"\"" + folder + L"VOSKPdfClient.exe\" \"%1\""},
    };
    for (const Expected& row : values) {
        SCOPED_TRACE(ui::Utf8(row.key + L" " + (row.name ? row.name : L"(default)")));
        footprint::Value value = footprint::ReadValue(row.root, row.key, row.name, places.view);
        ASSERT_TRUE(value.present);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type);
        EXPECT_EQ(ui::Utf8(row.data), ui::Utf8(value.text));
        EXPECT_EQ((value.text.size() + 1) * sizeof(wchar_t), value.bytes);
    }

    // The search path holds the installation folder once, unexpanded references kept.
    footprint::Value path = footprint::ReadValue(
        HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", L"Path", places.view);
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), path.type);
    EXPECT_NE(std::wstring::npos, path.text.find(L"%SystemRoot%"));
    size_t first = path.text.find(folderEntry);
    ASSERT_NE(std::wstring::npos, first);
    EXPECT_EQ(std::wstring::npos, path.text.find(folderEntry, first + 1)) << ui::Utf8(path.text);

    // Shortcuts: the desktop pair, the PDF client selector and the group of three.
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\";
    const std::wstring group = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct + L"\\";
    const struct {
        std::wstring link;
        const wchar_t* target;
    } links[] = {
        {desktop + L"Halvor\u6570\u5b57\u8bc1\u4e66\u5ba2\u6237\u7aef.lnk", L"TolvaneGUI.exe"},
        {desktop + L"Halvor\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef.lnk", L"CommonOfdClientKelm.exe"},
        {desktop + L"\u901a\u7528PDF\u5ba2\u6237\u7aef.lnk", L"SelectCommonPdfClientTernix.exe"},
        {group + L"Halvor\u6570\u5b57\u8bc1\u4e66\u5ba2\u6237\u7aef.lnk", L"TolvaneGUI.exe"},
        {group + L"Halvor\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef.lnk", L"CommonOfdClientKelm.exe"},
        {group + L"\u5378\u8f7d.lnk", L"uninstall.exe"},
    };
    for (const auto& row : links) {
        SCOPED_TRACE(ui::Utf8(row.link));
        footprint::Link link = footprint::ReadLink(row.link);
        ASSERT_TRUE(link.read);
        EXPECT_EQ(ui::Utf8(folder + row.target), ui::Utf8(link.target));
        EXPECT_EQ(ui::Utf8(folder), ui::Utf8(link.folder));
        EXPECT_EQ("", ui::Utf8(link.arguments));
    }

    // The configuration files in Documents, and the installer's own copy.
    for (const wchar_t* name : {L"StampServerPDFIP.cfg", L"StampServerPDFPort.cfg", L"StampServerPDFObjName.cfg"})
        EXPECT_EQ(ReadBytes(folder + name), ReadBytes(ShellFolder(CSIDL_PERSONAL) + L"\\" + name)) << ui::Utf8(name);
    std::string own = ReadBytes(SetupProgram());
    ASSERT_FALSE(own.empty());
    EXPECT_TRUE(ReadBytes(folder + L"sbak.exe") == own);
    EXPECT_FALSE(setup::FileExists(folder + L"sbak.exe.part"));
}

// Every step of the sequence is in the log, in order, with the command line first.
void ExpectLogNamesEverySteps(const std::string& log, const std::string& mode)
{
    EXPECT_NE(std::string::npos, log.find(", mode " + mode)) << log.substr(0, 200);
    size_t at = 0;
    for (int step = 1; step <= 40; ++step) {
        size_t found = log.find("  step " + std::to_string(step) + ": ", at);
        EXPECT_NE(std::string::npos, found) << "step " << step;
        if (found != std::string::npos)
            at = found;
    }
    EXPECT_NE(std::string::npos, log.find("registry value written: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft"));
    EXPECT_NE(std::string::npos, log.find("file written: "));
}

class Footprint : public SetupScenario {};

TEST_F(Footprint, InteractiveThenSilentLeaveTheSameCompleteState)
{
    const footprint::InstallerPlaces places = footprint::PlacesOf(SetupProgram());

    // First: a person clicks Install, then Finish.
    setup::ClearJournal();
    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));
    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Finished, kInstallTimeout));
    EXPECT_TRUE(ui::IsButtonChecked(window, setup::kCreateShortcuts));
    ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
    ExpectEnds();
    EXPECT_EQ("", WaitForFinishActions());
    const std::vector<std::string> firstJournal = FinishedJournal();
    const std::string first = footprint::Text(footprint::Collect(places));
    const std::string firstLog = ReadBytes(footprint::InstallLogPath());
    {
        SCOPED_TRACE("after the interactive run");
        ExpectInstalledState(places);
        ExpectLogNamesEverySteps(firstLog, "interactive");
    }

    // Then silently, over it.
    setup::ClearJournal();
    ui::Process silent;
    ASSERT_TRUE(silent.Start(SetupProgram(), L"-s"));
    setup::RunRecord run = setup::WatchUntilExit(silent, kInstallTimeout, nullptr);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("", WaitForFinishActions());
    const std::vector<std::string> secondJournal = FinishedJournal();
    const std::string second = footprint::Text(footprint::Collect(places));
    {
        SCOPED_TRACE("after the silent run");
        ExpectInstalledState(places);
        ExpectLogNamesEverySteps(ReadBytes(footprint::InstallLogPath()), "silent");
    }
    // The first run's log is kept beside the second's.
    EXPECT_EQ(firstLog, ReadBytes(footprint::PreviousInstallLogPath()));

    EXPECT_EQ(first, second);
    // The second run starts what the first started; beyond that only the
    // cleanup's unregistrations of the first run's controls.
    std::vector<std::string> missing, extra;
    std::set_difference(firstJournal.begin(), firstJournal.end(), secondJournal.begin(), secondJournal.end(),
                        std::back_inserter(missing));
    std::set_difference(secondJournal.begin(), secondJournal.end(), firstJournal.begin(), firstJournal.end(),
                        std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "not started again: " << (missing.empty() ? "" : missing.front());
    for (const std::string& line : extra)
        EXPECT_NE(std::string::npos, line.find("\tDllUnregisterServer\t")) << "started only by the second run: " << line;
}

// A log that cannot be written changes nothing: its name is taken by a folder.
TEST_F(Footprint, UnwritableLogChangesNothing)
{
    const footprint::InstallerPlaces places = footprint::PlacesOf(SetupProgram());
    ASSERT_TRUE(CreateDirectoryW(footprint::InstallLogPath().c_str(), nullptr));
    ASSERT_TRUE(PlaceFile(footprint::InstallLogPath() + L"\\inside.txt"));

    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    ExpectInstalledState(places);
    EXPECT_TRUE(setup::FileExists(footprint::InstallLogPath() + L"\\inside.txt"));
}

}  // namespace
}  // namespace e2e
