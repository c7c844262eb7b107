#include "setup_window.h"

#include <shlobj.h>

#include <cstdio>

namespace setup {

const wchar_t kCaption[] = L"Halvor数字证书和电子签章客户端";

const wchar_t* const kPayloadFiles[4] = {L"setupdir.qvai", L"setupdir.qvas", L"windir.qvai", L"windir.qvas"};

namespace {

const wchar_t kWelcomeText[] =
    L"这个向导将指引您完成安装进程。\r\n\r\n在开始安装之前，请先拨出数字证书介质并关闭其他所有应用程序。\r\n\r\n"
    L"单击 [安装] 继续。";
const wchar_t kFinishedTitle[] = L"安装完成，请手动重启计算机。";

// One control in one state: shown or hidden, and its text when it matters.
struct ControlExpectation {
    int id;
    bool shown[3];               // Ready, Installing, Finished
    const wchar_t* text[3];      // nullptr: not compared
};

const ControlExpectation kStateView[] = {
    {kWelcome, {true, false, false}, {kWelcomeText, nullptr, nullptr}},
    {kStatus, {false, true, false}, {nullptr, nullptr, nullptr}},
    {kProgress, {false, true, false}, {nullptr, nullptr, nullptr}},
    {kTitle, {true, true, true}, {L"欢迎使用安装向导", L"正在安装", kFinishedTitle}},
    {kInstall, {true, false, false}, {L"安装", L"安装", L"安装"}},
    {kCancelFinish, {true, true, true}, {L"取消", L"取消", L"完成"}},
    {kRunNow, {false, false, false}, {L"立即运行", L"立即运行", L"立即运行"}},
    {kCreateShortcuts, {false, false, false}, {L"创建快捷方式", L"创建快捷方式", L"创建快捷方式"}},
    {kDriveLabel, {false, false, false}, {L"选择安装磁盘位置：", L"选择安装磁盘位置：", L"选择安装磁盘位置："}},
    {kDriveList, {false, false, false}, {nullptr, nullptr, nullptr}},
};

int StateIndex(State state)
{
    switch (state) {
    case State::Ready:
        return 0;
    case State::Installing:
        return 1;
    case State::Finished:
        return 2;
    default:
        return -1;
    }
}

std::string Quoted(const std::wstring& text)
{
    std::string out = "\"";
    for (char c : ui::Utf8(text)) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string Describe(const std::vector<ui::MessageBoxInfo>& boxes)
{
    std::string out;
    for (const ui::MessageBoxInfo& box : boxes)
        out += "message box [" + ui::Utf8(box.caption) + "] " + Quoted(box.text) + "\n";
    return out;
}

}  // namespace

const char* StateName(State state)
{
    switch (state) {
    case State::None:
        return "no window";
    case State::Ready:
        return "Ready";
    case State::Installing:
        return "Installing";
    case State::Finished:
        return "Finished";
    default:
        return "other";
    }
}

State ReadState(HWND window)
{
    if (!window || !IsWindow(window))
        return State::None;
    bool welcome = ui::IsControlShown(window, kWelcome);
    bool install = ui::IsControlShown(window, kInstall);
    bool status = ui::IsControlShown(window, kStatus);
    bool progress = ui::IsControlShown(window, kProgress);
    if (welcome && install && !status && !progress)
        return State::Ready;
    if (!welcome && !install && status && progress)
        return State::Installing;
    if (!welcome && !install && !status && !progress && ui::ControlText(window, kCancelFinish) == L"完成")
        return State::Finished;
    return State::Other;
}

std::string DifferencesFrom(HWND window, State state)
{
    int index = StateIndex(state);
    if (index < 0)
        return "not a state of the window\n";
    if (!window || !IsWindow(window))
        return "no window\n";
    std::string out;
    if (ui::WindowText(window) != kCaption)
        out += "caption " + Quoted(ui::WindowText(window)) + "\n";
    for (const ControlExpectation& row : kStateView) {
        if (!GetDlgItem(window, row.id)) {
            out += "control " + std::to_string(row.id) + " missing\n";
            continue;
        }
        bool shown = ui::IsControlShown(window, row.id);
        if (shown != row.shown[index])
            out += "control " + std::to_string(row.id) + (shown ? " shown" : " hidden") + "\n";
        if (row.text[index]) {
            std::wstring text = ui::ControlText(window, row.id);
            if (text != row.text[index])
                out += "control " + std::to_string(row.id) + " reads " + Quoted(text) + ", not " +
                       Quoted(row.text[index]) + "\n";
        }
    }
    if (state == State::Finished) {
        for (int id : {kRunNow, kCreateShortcuts})
            if (!ui::IsButtonChecked(window, id))
                out += "check box " + std::to_string(id) + " not checked\n";
    }
    return out;
}

HWND WaitForWindow(const ui::Process& process, DWORD timeoutMs, bool visible)
{
    HWND window = nullptr;
    ui::WaitFor(
        [&] {
            window = ui::FindTopWindow(process.Id(), kCaption);
            return window && (!visible || IsWindowVisible(window));
        },
        timeoutMs);
    return window && (!visible || IsWindowVisible(window)) ? window : nullptr;
}

std::string WaitForState(const ui::Process& process, HWND window, State state, DWORD timeoutMs)
{
    std::string why;
    bool reached = ui::WaitFor(
        [&] {
            std::vector<ui::MessageBoxInfo> boxes = ui::FindMessageBoxes(process.Id(), window);
            if (!boxes.empty()) {
                why = "waiting for " + std::string(StateName(state)) + ": " + Describe(boxes);
                return true;
            }
            if (!process.Running()) {
                why = "the installer ended while waiting for " + std::string(StateName(state)) + "\n";
                return true;
            }
            return DifferencesFrom(window, state).empty();
        },
        timeoutMs);
    if (!why.empty())
        return why;
    if (!reached)
        return "no " + std::string(StateName(state)) + " after " + std::to_string(timeoutMs) + " ms:\n" +
               DifferencesFrom(window, state);
    return std::string();
}

bool WaitForMessageBox(const ui::Process& process, HWND window, DWORD timeoutMs, ui::MessageBoxInfo* box)
{
    return ui::WaitFor(
        [&] {
            std::vector<ui::MessageBoxInfo> boxes = ui::FindMessageBoxes(process.Id(), window);
            if (boxes.empty())
                return false;
            *box = boxes.front();
            return true;
        },
        timeoutMs);
}

RunRecord WatchUntilExit(ui::Process& process, DWORD timeoutMs, const BoxAnswer& answer)
{
    RunRecord record;
    DWORD start = GetTickCount();
    HWND window = nullptr;
    std::vector<HWND> answered;
    for (;;) {
        if (process.WaitForExit(0, &record.exitCode)) {
            record.exited = true;
            break;
        }
        if (GetTickCount() - start >= timeoutMs)
            break;
        if (!window || !IsWindow(window))
            window = ui::FindTopWindow(process.Id(), kCaption);
        if (window && IsWindowVisible(window))
            record.windowShown = true;
        State state = window ? ReadState(window) : State::None;
        if (state != State::None && state != State::Other &&
            (record.states.empty() || record.states.back() != state))
            record.states.push_back(state);
        for (const ui::MessageBoxInfo& box : ui::FindMessageBoxes(process.Id(), window)) {
            bool seen = false;
            for (HWND done : answered)
                seen = seen || done == box.window;
            if (seen)
                continue;
            record.boxes.push_back(box);
            int reply = answer ? answer(box) : 0;
            if (reply) {
                ui::AnswerMessageBox(box, reply);
                answered.push_back(box.window);
            }
        }
        Sleep(10);
    }
    record.milliseconds = GetTickCount() - start;
    return record;
}

std::wstring TempFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, buffer);
    return buffer;
}

void DeleteTemporaryPayload()
{
    for (const wchar_t* name : kPayloadFiles)
        DeleteFileW((TempFolder() + name).c_str());
}

std::wstring InstallFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, buffer);
    return std::wstring(buffer) + L"\\TolvaneKelm\\";
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring SystemFolderOnDisk()
{
    wchar_t buffer[MAX_PATH] = {};
    if (RunsUnderWow64())
        GetSystemWow64DirectoryW(buffer, MAX_PATH);
    else
        GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer) + L"\\";
}

std::wstring NativeSystemFolder()
{
    if (!RunsUnderWow64())
        return std::wstring();
    wchar_t buffer[MAX_PATH] = {};
    GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer) + L"\\";
}

long long NativeFileSize(const std::wstring& path)
{
    PVOID redirection = nullptr;
    const bool off = RunsUnderWow64() && Wow64DisableWow64FsRedirection(&redirection);
    const long long size = FileSize(path);
    if (off)
        Wow64RevertWow64FsRedirection(redirection);
    return size;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring JournalPath()
{
    wchar_t buffer[1024];
    DWORD length = GetEnvironmentVariableW(L"TOLVANE_JOURNAL", buffer, 1024);
    if (length > 0 && length < 1024)
        return std::wstring(buffer, length);
    return L"C:\\tolvane-journal.txt";
}

std::vector<JournalLine> ReadJournal()
{
    std::vector<JournalLine> lines;
    FILE* file = _wfopen(JournalPath().c_str(), L"rb");
    if (!file)
        return lines;
    std::string content;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, n);
    fclose(file);

    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::wstring line = ui::FromUtf8(content.substr(start, end - start));
        start = end + 1;
        size_t tab1 = line.find(L'\t');
        size_t tab2 = tab1 == std::wstring::npos ? tab1 : line.find(L'\t', tab1 + 1);
        if (tab2 == std::wstring::npos)
            continue;
        lines.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)});
    }
    return lines;
}

void ClearJournal()
{
    DeleteFileW(JournalPath().c_str());
}

void ReadRegistryTree(HKEY root, const std::wstring& subKey, REGSAM view, RegistrySnapshot& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return;
    const std::wstring prefix = (view == KEY_WOW64_32KEY ? L"32:" : L"64:") + subKey + L"\\";
    out[prefix] = L"(key)";
    wchar_t name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 512, dataSize = sizeof data - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        std::wstring text = L"(type " + std::to_wstring(type) + L")";
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            text.assign(reinterpret_cast<wchar_t*>(data), dataSize / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
        }
        out[prefix + name] = text;
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 512;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children)
        ReadRegistryTree(root, subKey + L"\\" + child, view, out);
}

RegistrySnapshot ReadSampleRegistry()
{
    RegistrySnapshot keys;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        ReadRegistryTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneSample", view, keys);
    return keys;
}

}  // namespace setup
