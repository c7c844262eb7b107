// An installer whose payload resources are damaged: one box per damaged
// resource or index, with its code, and the run goes on to its end.
#include "scenario.h"

#include "payload/container.h"

#include <cstdio>
#include <vector>

namespace e2e {
namespace {

using setup::State;

enum class Damage {
    Garbage,    // bytes that are no LZMA stream
    Removed,    // the resource is missing
    BadBanner,  // a valid stream of a file that is no container index
    Tampered,   // the system container (index and data) replaced by one whose entry fails its check
};

struct DamageCase {
    const char* what;
    int resourceId;
    Damage damage;
    bool silent;
    std::vector<int> codes;  // the boxes, in order
    // A container whose data file is unreadable: the extraction then reports
    // every one of its entries ("QVA解压错误!" with the entry's name). The
    // temporary index file of that container, or null.
    const wchar_t* unreadableIndex;
};

const DamageCase kResourceCases[] = {
    {"setup index garbage", 129, Damage::Garbage, false, {0, 4}, nullptr},
    {"setup data garbage", 130, Damage::Garbage, false, {1}, L"setupdir.qvai"},
    {"system index missing", 131, Damage::Removed, false, {2, 5}, nullptr},
    {"system data garbage", 132, Damage::Garbage, false, {3}, L"windir.qvai"},
    {"setup index garbage, silent", 129, Damage::Garbage, true, {0, 4}, nullptr},
};

const DamageCase kIndexCases[] = {
    {"setup index banner", 129, Damage::BadBanner, false, {4}, nullptr},
    {"system index banner", 131, Damage::BadBanner, false, {5}, nullptr},
};

// The entry names of a container index, as the installer shows them.
std::vector<std::wstring> EntryNames(const std::wstring& indexPath)
{
    ContainerIndex index;
    std::vector<std::wstring> names;
    if (!LoadContainerIndex(ui::Ansi(indexPath), index))
        return names;
    for (index.First(); !index.AtEnd(); index.Next())
        names.push_back(ui::FromAnsi(index.Current().name));
    return names;
}

std::vector<char> ReadWholeFile(const std::wstring& path)
{
    std::vector<char> bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);
    return bytes;
}

// Every resource of a program: type, name, language and bytes.
struct Resource {
    std::wstring type;  // empty when typeId is used
    WORD typeId = 0;
    std::wstring name;  // empty when nameId is used
    WORD nameId = 0;
    WORD language = 0;
    std::vector<char> data;
};

LPCWSTR TypeOf(const Resource& r)
{
    return r.type.empty() ? MAKEINTRESOURCEW(r.typeId) : r.type.c_str();
}

LPCWSTR NameOf(const Resource& r)
{
    return r.name.empty() ? MAKEINTRESOURCEW(r.nameId) : r.name.c_str();
}

BOOL CALLBACK CollectLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param)
{
    Resource r;
    if (IS_INTRESOURCE(type))
        r.typeId = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(type));
    else
        r.type = type;
    if (IS_INTRESOURCE(name))
        r.nameId = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    else
        r.name = name;
    r.language = language;
    HRSRC found = FindResourceExW(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes)
        r.data.assign(bytes, bytes + SizeofResource(module, found));
    reinterpret_cast<std::vector<Resource>*>(param)->push_back(r);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    EnumResourceLanguagesW(module, type, name, CollectLanguage, param);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR param)
{
    EnumResourceNamesW(module, type, CollectName, param);
    return TRUE;
}

std::vector<Resource> ReadResources(const std::wstring& program)
{
    std::vector<Resource> resources;
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
        EnumResourceTypesW(module, CollectType, reinterpret_cast<LONG_PTR>(&resources));
        FreeLibrary(module);
    }
    return resources;
}

// Payload resources have the type "QVA" (any letter case) and a numeric id.
bool IsPayloadResource(const Resource& r, int id)
{
    return !r.type.empty() && !lstrcmpiW(r.type.c_str(), L"QVA") && r.name.empty() && r.nameId == id;
}

// A copy of the installer with one payload resource damaged. All resources
// are written anew, so that a resource can also be left out.
bool MakeDamagedCopy(const std::wstring& copy, const DamageCase& damage)
{
    if (!CopyTo(SetupProgram(), copy))
        return false;
    std::vector<Resource> resources = ReadResources(copy);
    bool found = false;
    for (Resource& r : resources) {
        if (!IsPayloadResource(r, damage.resourceId))
            continue;
        found = true;
        if (damage.damage == Damage::Garbage)
            r.data.assign(4096, '\x5a');
        else if (damage.damage == Damage::BadBanner)
            r.data = ReadWholeFile(BadIndexStream());
        else if (damage.damage == Damage::Tampered)
            r.data = ReadWholeFile(TamperedIndexStream());
        if (damage.damage == Damage::BadBanner && r.data.empty())
            return false;
    }
    if (damage.damage == Damage::Tampered) {
        for (Resource& r : resources)
            if (IsPayloadResource(r, damage.resourceId + 1))
                r.data = ReadWholeFile(TamperedDataStream());
    }
    if (!found)
        return false;

    HANDLE update = BeginUpdateResourceW(copy.c_str(), TRUE);
    if (!update)
        return false;
    bool ok = true;
    for (Resource& r : resources) {
        if (damage.damage == Damage::Removed && IsPayloadResource(r, damage.resourceId))
            continue;
        ok = ok && UpdateResourceW(update, TypeOf(r), NameOf(r), r.language, r.data.data(),
                                   static_cast<DWORD>(r.data.size()));
    }
    return EndUpdateResourceW(update, !ok) && ok;
}

std::wstring CorruptionText(int code)
{
    return L"安装程序被损坏,请重新下载!\nCode=" + std::to_wstring(code);
}

// The data resources (codes 1 and 3) are unpacked beside the steps before
// the extraction: a damaged one is reported when the extraction needs it,
// after the programs were stopped and earlier installations cleaned up.
bool IsDataResourceCode(int code) { return code == 1 || code == 3; }

class DamagedPayload : public SetupScenario {
protected:
    void RunCase(const DamageCase& damage)
    {
        SCOPED_TRACE(damage.what);
        installer.Terminate();
        std::wstring copy = setup::TempFolder() + L"damaged\\TolvaneSetup.exe";
        ASSERT_TRUE(MakeDamagedCopy(copy, damage));
        setup::DeleteTemporaryPayload();

        if (damage.silent) {
            ASSERT_TRUE(installer.Start(copy, L"-s"));
            size_t next = 0;
            setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, [&](const ui::MessageBoxInfo& box) {
                EXPECT_LT(next, damage.codes.size()) << ui::Utf8(box.text);
                if (next < damage.codes.size()) {
                    EXPECT_EQ(CorruptionText(damage.codes[next]), box.text);
                }
                ++next;
                return IDOK;
            });
            EXPECT_TRUE(run.exited);
            EXPECT_EQ(kExitPayloadDamaged, run.exitCode);
            EXPECT_EQ(damage.codes.size(), next);
            return;
        }

        HWND window = StartWindowed(L"", copy);
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
        for (int code : damage.codes) {
            ui::MessageBoxInfo box;
            const DWORD timeout = IsDataResourceCode(code) ? kInstallTimeout : kStateTimeout;
            ASSERT_TRUE(setup::WaitForMessageBox(installer, window, timeout, &box)) << "Code=" << code;
            EXPECT_EQ(CorruptionText(code), box.text);
            EXPECT_EQ(window, box.owner);
            if (IsDataResourceCode(code)) {
                EXPECT_EQ(L"正在解压文件", ui::ControlText(window, setup::kStatus)) << "Code=" << code;
            }
            ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));
        }
        // The entries of an unreadable container, each reported once, in key
        // order, by a box without owner. Its index is read while the first
        // report waits: the temporary files go when the extraction is done.
        std::vector<std::wstring> reported;
        std::vector<std::wstring> entries;
        for (;;) {
            std::string why = setup::WaitForState(installer, window, State::Finished, kInstallTimeout);
            if (why.empty())
                break;
            ui::MessageBoxInfo box;
            ASSERT_TRUE(setup::WaitForMessageBox(installer, window, kStateTimeout, &box)) << why;
            ASSERT_EQ(L"QVA解压错误!", box.caption) << why;
            EXPECT_EQ(nullptr, box.owner);
            if (damage.unreadableIndex && entries.empty())
                entries = EntryNames(setup::TempFolder() + damage.unreadableIndex);
            reported.push_back(box.text);
            ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));
        }
        if (damage.unreadableIndex) {
            EXPECT_FALSE(entries.empty());
            EXPECT_EQ(entries, reported);
        } else {
            EXPECT_TRUE(reported.empty());
        }
        ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
        ExpectEnds(kEndTimeout, kExitPayloadDamaged);
    }
};

// Sound resources and indexes, one entry that fails its check: it is reported
// by name and not written, the rest is installed, and the exit code says
// that entries were not written.
TEST_F(DamagedPayload, AnEntryThatFailsItsCheckIsReportedAndTheExitCodeSaysSo)
{
    const DamageCase damage = {"tampered entry, silent", 131, Damage::Tampered, true, {}, nullptr};
    std::wstring copy = setup::TempFolder() + L"damaged\\TolvaneSetup.exe";
    ASSERT_TRUE(MakeDamagedCopy(copy, damage));
    ASSERT_TRUE(installer.Start(copy, L"-s"));
    std::vector<ui::MessageBoxInfo> boxes;
    setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, [&](const ui::MessageBoxInfo& box) {
        boxes.push_back(box);
        return IDOK;
    });
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(kExitEntriesNotWritten, run.exitCode);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"QVA解压错误!", boxes[0].caption);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"tampered.txt")) << ui::Utf8(boxes[0].text);
    EXPECT_FALSE(setup::FileExists(setup::SystemFolderOnDisk() + L"tampered.txt"));
    EXPECT_TRUE(setup::FileExists(setup::InstallFolder() + L"Tolvane.exe"));
}

TEST_F(DamagedPayload, ResourceBoxesCarryTheirCodesAndTheRunGoesOn)
{
    for (const DamageCase& damage : kResourceCases)
        RunCase(damage);
}

TEST_F(DamagedPayload, IndexBoxesCarryTheirCodesAndTheRunGoesOn)
{
    for (const DamageCase& damage : kIndexCases)
        RunCase(damage);
}

// The worker waits inside the extraction, on the report of a damaged entry
// (a box without owner, so the setup window stays usable): Cancel with Yes
// ends the program at once, and the installation goes no further.
TEST_F(DamagedPayload, CancelWhileTheExtractionWaitsEndsAtOnce)
{
    const DamageCase damage = kResourceCases[1];  // setup data garbage
    ASSERT_EQ(130, damage.resourceId);
    std::wstring copy = setup::TempFolder() + L"damaged\\TolvaneSetup.exe";
    ASSERT_TRUE(MakeDamagedCopy(copy, damage));

    HWND window = StartWindowed(L"", copy);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    ui::MessageBoxInfo box;
    // The damaged data resource is reported when the extraction begins, after
    // the programs were stopped and the lock holders looked for.
    ASSERT_TRUE(setup::WaitForMessageBox(installer, window, kInstallTimeout, &box));
    ASSERT_EQ(CorruptionText(1), box.text);
    ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(setup::WaitForMessageBox(installer, window, kInstallTimeout, &box));
    ASSERT_EQ(L"QVA解压错误!", box.caption);
    const HWND entryReport = box.window;

    ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
    ui::MessageBoxInfo question;
    ASSERT_TRUE(ui::WaitFor(
        [&] {
            for (const ui::MessageBoxInfo& found : ui::FindMessageBoxes(installer.Id(), window))
                if (found.window != entryReport) {
                    question = found;
                    return true;
                }
            return false;
        },
        kStateTimeout));
    EXPECT_EQ(L"您确定要取消安装吗?", question.text);
    ASSERT_TRUE(ui::AnswerMessageBox(question, IDYES));
    ExpectEnds(kEndTimeout, kExitUserCancelled);
    for (const setup::JournalLine& line : setup::ReadJournal())
        EXPECT_NE(L"NoRunGUI", line.commandLine) << ui::Utf8(line.program);
}

}  // namespace
}  // namespace e2e
