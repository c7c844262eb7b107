// Installing twice in one prefix: the second run removes what the first left
// (programs, controls, files, keys) and installs it again, to the same end.
#include "scenario.h"


namespace e2e {
namespace {

// The installed tree (name -> size) and what the installation wrote to the
// registry for the sample payload (imported files and registered controls).
struct InstallState {
    std::map<std::wstring, long long> files;
    setup::RegistrySnapshot keys;
};

InstallState ReadInstallState()
{
    InstallState state;
    std::map<std::wstring, std::wstring> paths;
    ui::ListFiles(setup::InstallFolder(), L"", paths);
    for (const auto& file : paths)
        state.files[file.first] = setup::FileSize(file.second);
    state.keys = setup::ReadSampleRegistry();
    return state;
}

class Reinstall : public SetupScenario {};

std::wstring ValueInAnyView(const setup::RegistrySnapshot& keys, const std::wstring& name)
{
    for (const wchar_t* view : {L"64:", L"32:"}) {
        auto found = keys.find(view + name);
        if (found != keys.end())
            return found->second;
    }
    return L"missing";
}

bool JournalHas(const std::wstring& program, const std::wstring& commandLine)
{
    for (const setup::JournalLine& line : setup::ReadJournal())
        if (!lstrcmpiW(line.program.c_str(), program.c_str()) && line.commandLine == commandLine)
            return true;
    return false;
}

TEST_F(Reinstall, SecondRunRemovesWhatTheFirstLeftAndEndsTheSame)
{
    const std::wstring folder = setup::InstallFolder();
    InstallSilently();
    const InstallState first = ReadInstallState();
    ASSERT_FALSE(first.files.empty());
    // The variants of this platform imported, the controls registered.
    EXPECT_EQ(L"64", ValueInAnyView(first.keys, L"SOFTWARE\\TolvaneSample\\RegImport\\SwOESServer2 64.reg"));
    EXPECT_EQ(folder + L"TolvaneCertX.ocx",
              ValueInAnyView(first.keys, L"SOFTWARE\\TolvaneSample\\Controls\\TolvaneCertX.ocx\\"));
    // Something the first installation did not bring, left in its folder.
    ASSERT_TRUE(PlaceFile(folder + L"留下的.txt"));

    InstallSilently();
    const InstallState second = ReadInstallState();

    EXPECT_FALSE(setup::FileExists(folder + L"留下的.txt"));
    // The earlier controls were unregistered before the new ones were registered.
    EXPECT_TRUE(JournalHas(folder + L"TolvaneCertX.ocx", L"DllUnregisterServer"));
    EXPECT_TRUE(JournalHas(folder + L"TolvaneCertX.ocx", L"DllRegisterServer"));
    EXPECT_TRUE(first.files == second.files);
    for (const auto& file : first.files)
        EXPECT_EQ(file.second, second.files.count(file.first) ? second.files.at(file.first) : -1)
            << ui::Utf8(file.first);
    EXPECT_TRUE(first.keys == second.keys);
    for (const auto& key : first.keys)
        EXPECT_EQ(key.second, second.keys.count(key.first) ? second.keys.at(key.first) : L"missing")
            << ui::Utf8(key.first);
    for (const auto& key : second.keys)
        EXPECT_TRUE(first.keys.count(key.first)) << "new: " << ui::Utf8(key.first);
}

}  // namespace
}  // namespace e2e
