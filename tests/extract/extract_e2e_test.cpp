#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "proc/close_lock_holders.h"
#include "payload/entry_verifier.h"
#include "payload/extract.h"
#include "install/extraction_callbacks.h"
#include "payload/fileio.h"
#include "payload/shared_runtime_files.h"
#include "owner_reporter.h"
#include "support.h"
#include "ui_driver.h"

namespace {

constexpr DWORD kBoxWaitMs = 30000;

std::string ReadWide(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

FILETIME LastWrite(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SetLastWrite(const std::wstring& path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
    CloseHandle(file);
    return ok;
}

std::string NarrowOfHost(const char* hostPath)
{
    return Narrow(ui::WindowsPathOfHost(hostPath));
}

// The extraction as the installer runs it: on a worker thread, through the
// setup window's questions and the real lock closer; the test's thread owns
// the window and answers the message boxes.
class WorkerExtraction {
public:
    WorkerExtraction(const std::string& install, const std::string& system, ContainerIndex& setup,
                     ContainerIndex& systemIndex)
    {
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        reporter_ = std::make_unique<OwnerReporter>(owner_);
        window_ = std::make_unique<SetupExtractionCallbacks>(*reporter_, *reporter_);
        thread_ = std::thread([=, &setup, &systemIndex] {
            EntryVerifier verifier;
            verifier.Start(setup, systemIndex);
            ExtractContainers(install, system, *window_, setup, systemIndex, &verifier);
            done_ = true;
        });
    }

    ~WorkerExtraction()
    {
        if (thread_.joinable()) {
            // Let the worker finish: answer what it still asks.
            while (!done_) {
                for (const auto& box : ui::FindMessageBoxes(GetCurrentProcessId(), owner_))
                    Answer(box, IDYES);
                Pump(50);
            }
            thread_.join();
        }
        DestroyWindow(owner_);
    }

    // The next message box, or none when the extraction ended first.
    bool NextBox(ui::MessageBoxInfo& box)
    {
        for (DWORD waited = 0; waited < kBoxWaitMs; waited += 20) {
            auto boxes = ui::FindMessageBoxes(GetCurrentProcessId(), owner_);
            if (!boxes.empty()) {
                box = boxes[0];
                return true;
            }
            if (done_)
                return false;
            Pump(20);
        }
        return false;
    }

    // Answers box and serves the owner until the box is gone: closing it
    // enables the owner again, which waits for the owner's thread.
    bool Answer(const ui::MessageBoxInfo& box, int answer)
    {
        if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0))
            return false;
        for (DWORD waited = 0; waited < kBoxWaitMs; waited += 20) {
            if (!IsWindow(box.window) || !IsWindowVisible(box.window))
                return true;
            Pump(20);
        }
        return false;
    }

    // True when the extraction ended within ms, asking nothing more.
    bool Finish(DWORD ms)
    {
        for (DWORD waited = 0; waited < ms && !done_; waited += 20)
            Pump(20);
        if (done_)
            thread_.join();
        return !thread_.joinable();
    }

    // What the extraction reported; read once it has ended.
    const std::vector<int>& Progress() const { return reporter_->progress; }

private:
    // The owner's thread must serve its window while the worker asks.
    static void Pump(DWORD ms)
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    HWND owner_ = nullptr;
    std::unique_ptr<OwnerReporter> reporter_;
    std::unique_ptr<SetupExtractionCallbacks> window_;
    std::thread thread_;
    std::atomic<bool> done_{false};
};

class ExtractE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        install_ = temp_ / "Program Files\\TolvaneKelm\\";
        system_ = temp_ / "system32\\";
        ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper_lib.dll", install_ + "placeholder"));
        DeleteFileA((install_ + "placeholder").c_str());
        CreateDirectoryA(system_.c_str(), nullptr);
    }

    void TearDown() override { SetCurrentDirectoryA("C:\\"); }

    void Load(const std::vector<TestEntry>& setup, const std::vector<TestEntry>& system)
    {
        BuildContainer(temp_ / "setupdir.qvai", setup);
        BuildContainer(temp_ / "windir.qvai", system);
        ASSERT_TRUE(LoadContainerIndex(temp_ / "setupdir.qvai", setupIndex_));
        ASSERT_TRUE(LoadContainerIndex(temp_ / "windir.qvai", systemIndex_));
    }

    // A helper process that holds file open, shared with no one.
    std::unique_ptr<ChildProcess> Hold(const std::string& file)
    {
        auto child = std::make_unique<ChildProcess>();
        EXPECT_TRUE(child->Start(OwnFolder() + "proc_helper.exe", {"hold=" + file}));
        return child;
    }

    TempFolder temp_;
    std::string install_, system_;
    ContainerIndex setupIndex_, systemIndex_;
};

const std::wstring kUnwritable = L"无法写入文件，是否忽略？\n";

}  // namespace

TEST_F(ExtractE2eTest, TheSamplePayloadLandsWithItsNamesAndBytesAndASecondRunRewritesNothing)
{
    const std::string containers = NarrowOfHost(TEST_CONTAINERS_DIR);
    ASSERT_TRUE(LoadContainerIndex(containers + "\\setupdir.qvai", setupIndex_));
    ASSERT_TRUE(LoadContainerIndex(containers + "\\windir.qvai", systemIndex_));
    {
        WorkerExtraction run(install_, system_, setupIndex_, systemIndex_);
        ASSERT_TRUE(run.Finish(120000));
        ASSERT_FALSE(run.Progress().empty());
        EXPECT_EQ(run.Progress().size(), setupIndex_.Size() + systemIndex_.Size());
        EXPECT_EQ(run.Progress().back(), 50);
    }

    const std::wstring payload = ui::WindowsPathOfHost(TEST_PAYLOAD_DIR);
    for (const auto& [source, target] : {std::make_pair(payload + L"\\setupdir\\", Widen(install_)),
                                         std::make_pair(payload + L"\\windir\\", Widen(system_))}) {
        std::map<std::wstring, std::wstring> expected, installed;
        ui::ListFiles(source, L"", expected);
        ui::ListFiles(target, L"", installed);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(installed.size(), expected.size());
        for (const auto& [rel, path] : expected) {
            ASSERT_TRUE(installed.count(rel)) << ui::Utf8(rel);
            EXPECT_EQ(ReadWide(installed[rel]), ReadWide(path)) << ui::Utf8(rel);
        }
    }
    for (const wchar_t* name : {L"使用说明.txt", L"Reader_Pro\\propertytemplate\\默认模板.xml",
                                L"Reader_Pro\\propertytemplate\\印章\\签章模板.xml"})
        EXPECT_NE(GetFileAttributesW((Widen(install_) + name).c_str()), INVALID_FILE_ATTRIBUTES) << ui::Utf8(name);

    // Every file gets an old timestamp; a second run must leave them all alone.
    std::map<std::wstring, std::wstring> all;
    ui::ListFiles(Widen(install_), L"", all);
    ui::ListFiles(Widen(system_), L"sys\\", all);
    const FILETIME old = {0x2AC00000, 0x01C0E3A6};  // 2001
    for (const auto& file : all)
        ASSERT_TRUE(SetLastWrite(file.second, old)) << ui::Utf8(file.first);
    {
        WorkerExtraction again(install_, system_, setupIndex_, systemIndex_);
        ASSERT_TRUE(again.Finish(120000));
        EXPECT_EQ(again.Progress().back(), 50);
    }
    for (const auto& file : all) {
        FILETIME now = LastWrite(file.second);
        EXPECT_TRUE(now.dwLowDateTime == old.dwLowDateTime && now.dwHighDateTime == old.dwHighDateTime)
            << ui::Utf8(file.first);
    }
}

TEST_F(ExtractE2eTest, AFileHeldOpenBringsTheQuestionNoRetriesYesGoesOn)
{
    Load({{"#held.txt", "new content"}, {"#next.txt", "next"}}, {});
    WriteBytes(install_ + "held.txt", "old content");
    auto holder = Hold(install_ + "held.txt");

    WorkerExtraction run(install_, system_, setupIndex_, systemIndex_);
    const std::wstring text = kUnwritable + Widen(install_ + "held.txt");
    ui::MessageBoxInfo box;
    ASSERT_TRUE(run.NextBox(box));
    EXPECT_EQ(box.caption, L"错误");
    EXPECT_EQ(box.text, text);
    EXPECT_NE(GetDlgItem(box.window, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box.window, IDNO), nullptr);
    ASSERT_TRUE(run.Answer(box, IDNO));

    ASSERT_TRUE(run.NextBox(box));  // No: tried again, asked again
    EXPECT_EQ(box.text, text);
    ASSERT_TRUE(run.Answer(box, IDYES));
    ASSERT_TRUE(run.Finish(kBoxWaitMs));
    EXPECT_EQ(run.Progress(), (std::vector<int>{25, 50}));
    EXPECT_EQ(ReadBytes(install_ + "next.txt"), "next");
    EXPECT_TRUE(holder->Running());
    holder.reset();
    EXPECT_EQ(ReadBytes(install_ + "held.txt"), "old content");
}

TEST_F(ExtractE2eTest, AnUnwritableSharedRuntimeFileIsPassedOverWithoutAQuestion)
{
    Load({{"#atl100chs.dll", "new"}, {"#after.txt", "after"}}, {{"#sub\\atl100.dll", "new"}});
    CreateDirectoryA((system_ + "sub").c_str(), nullptr);
    WriteBytes(install_ + "atl100chs.dll", "old");
    WriteBytes(system_ + "sub\\atl100.dll", "old");
    auto first = Hold(install_ + "atl100chs.dll");
    auto second = Hold(system_ + "sub\\atl100.dll");

    WorkerExtraction run(install_, system_, setupIndex_, systemIndex_);
    ui::MessageBoxInfo box;
    EXPECT_FALSE(run.NextBox(box)) << ui::Utf8(box.text);
    ASSERT_TRUE(run.Finish(kBoxWaitMs));
    EXPECT_EQ(run.Progress(), (std::vector<int>{16, 33, 50}));
    EXPECT_EQ(ReadBytes(install_ + "after.txt"), "after");
    first.reset();
    second.reset();
    EXPECT_EQ(ReadBytes(install_ + "atl100chs.dll"), "old");
}

TEST_F(ExtractE2eTest, AProgramThatHoldsALibraryIsClosedAndTheLibraryReplaced)
{
    // The library as an older version installed it, loaded by a running program.
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper_lib.dll", install_ + "Tolvane.dll"));
    ChildProcess holder;
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", install_ + "Tolvane.exe"));
    ASSERT_TRUE(holder.Start(install_ + "Tolvane.exe", {"load=" + install_ + "Tolvane.dll"}));
    Load({{"#Tolvane.dll", "the new library"}}, {});

    WorkerExtraction run(install_, system_, setupIndex_, systemIndex_);
    ui::MessageBoxInfo box;
    EXPECT_FALSE(run.NextBox(box)) << ui::Utf8(box.text);
    ASSERT_TRUE(run.Finish(kBoxWaitMs));
    EXPECT_TRUE(holder.WaitForExit(10000));
    EXPECT_EQ(ReadBytes(install_ + "Tolvane.dll"), "the new library");
}

TEST_F(ExtractE2eTest, AnInstallationFolderThatCannotBeEnteredEndsTheProcessAfterTheMessage)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ChildProcess child;
    ASSERT_TRUE(child.Start(self, {"--fatal-child", system_}, false));

    std::vector<ui::MessageBoxInfo> boxes;
    ASSERT_TRUE(ui::WaitFor([&] { return !(boxes = ui::FindMessageBoxes(child.Pid(), nullptr)).empty(); }, kBoxWaitMs));
    EXPECT_EQ(boxes[0].caption, L"错误");
    EXPECT_EQ(boxes[0].text, L"目录访问失败!请使用管理员权限运行本程序");
    EXPECT_EQ(GetDlgItem(boxes[0].window, IDNO), nullptr);
    EXPECT_TRUE(ui::AnswerMessageBox(boxes[0], IDOK));
    ASSERT_TRUE(child.WaitForExit(kBoxWaitMs));
    EXPECT_EQ(child.ExitCode(), 5u) << "ERROR_ACCESS_DENIED, the folder failure's exit code";
    EXPECT_EQ(ReadBytes(system_ + "w.txt"), "<missing>");
}

// A program that ends while it writes a file's new bytes (Cancel ends it so)
// leaves the old file whole, and nothing beside it.
TEST_F(ExtractE2eTest, AWriterKilledHalfwayLeavesTheOldFileWhole)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string target = install_ + "Tolvane.dll";
    WriteBytes(target, "the old library");
    ChildProcess child;
    ASSERT_TRUE(child.Start(self, {"--killed-writer", target}, false));
    ASSERT_TRUE(child.WaitForExit(kBoxWaitMs));
    ASSERT_EQ(child.ExitCode(), 9u) << "the writer did not get as far as its end";
    EXPECT_EQ(ReadBytes(target), "the old library");
    EXPECT_EQ(ReadBytes(ReplacementPathOf(target)), "<missing>");
}

TEST_F(ExtractE2eTest, RuntimeLibrariesBecomeReadOnlyOnlyBeforeVista)
{
    const char* const names[] = {"msvcp60.dll", "msvcr70.dll", "mfc70.dll", "Winscard.dll", "other.dll"};
    for (const char* name : names) {
        WriteBytes(system_ + name, "x");
        SetFileAttributesA((system_ + name).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    }
    MarkRuntimeFilesReadOnly(system_);  // this Windows is newer: nothing changes
    for (const char* name : names)
        EXPECT_EQ(GetFileAttributesA((system_ + name).c_str()), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});

    // A copy of this program that Wine runs as Windows XP.
    const std::string xp = temp_ / "xp_child.exe";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, xp.c_str(), FALSE));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\xp_child.exe", &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winxp64"), 8);
    RegCloseKey(key);

    ChildProcess child;
    ASSERT_TRUE(child.Start(xp, {"--readonly-child", system_}, false));
    ASSERT_TRUE(child.WaitForExit(kBoxWaitMs));
    ASSERT_EQ(child.ExitCode(), 5u);
    // Wine reports the archive attribute for every file, whatever was set.
    for (const char* name : names)
        EXPECT_EQ(GetFileAttributesA((system_ + name).c_str()) & ~DWORD{FILE_ATTRIBUTE_ARCHIVE},
                  std::string(name) == "other.dll" ? DWORD{FILE_ATTRIBUTE_HIDDEN} : DWORD{FILE_ATTRIBUTE_READONLY})
            << name;
    for (const char* name : names)
        SetFileAttributesA((system_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}
