#include "ui_driver.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>

namespace ui {

namespace {

constexpr UINT kSendTimeoutMs = 3000;
constexpr int kMessageTextId = 0xFFFF;

struct WindowSearch {
    DWORD pid;
    const std::wstring* caption;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid)
        return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (search->caption && WindowText(window) != *search->caption)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

}  // namespace

Process::~Process()
{
    Terminate();
}

bool Process::Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder)
{
    Terminate();
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
    return true;
}

bool Process::Running() const
{
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_process, exitCode);
    return true;
}

void Process::Terminate()
{
    if (!m_process)
        return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
    CloseHandle(m_process);
    m_process = nullptr;
    m_id = 0;
}

HWND FindTopWindow(DWORD pid, const std::wstring& caption)
{
    WindowSearch search{pid, &caption, false, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::vector<HWND> VisibleTopWindows(DWORD pid)
{
    WindowSearch search{pid, nullptr, true, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

// The window's text; false when its thread did not answer (it may not have
// fetched a message for a while, e.g. a box just made by a thread that was
// busy: the system then takes it for hung until it does).
bool ReadWindowText(HWND window, std::wstring& text)
{
    text.clear();
    if (!window)
        return true;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return false;
    text.assign(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        text.clear();
        return false;
    }
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return true;
}

}  // namespace

std::wstring WindowText(HWND window)
{
    std::wstring text;
    ReadWindowText(window, text);
    return text;
}

std::wstring ControlText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

bool IsControlShown(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);
}

bool IsControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool IsButtonChecked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    HWND control = GetDlgItem(dialog, id);
    return control && SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state) &&
           state == BST_CHECKED;
}

bool ClickButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return false;
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::vector<MessageBoxInfo> FindMessageBoxes(DWORD pid, HWND exclude)
{
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : VisibleTopWindows(pid)) {
        if (window == exclude || ClassName(window) != L"#32770")
            continue;
        HWND textControl = GetDlgItem(window, kMessageTextId);
        if (!textControl || ClassName(textControl) != L"Static" || !IsWindowVisible(textControl))
            continue;
        MessageBoxInfo box;
        box.window = window;
        box.owner = GetWindow(window, GW_OWNER);
        // A box whose texts cannot be read yet is found on a later look.
        if (!ReadWindowText(window, box.caption) || !ReadWindowText(textControl, box.text))
            continue;
        boxes.push_back(box);
    }
    return boxes;
}

bool AnswerMessageBox(const MessageBoxInfo& box, int answer, DWORD timeoutMs)
{
    if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0))
        return false;
    return WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeoutMs);
}

void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::map<std::wstring, std::wstring>& files)
{
    WIN32_FIND_DATAW item{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &item);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = item.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + name + L"\\", prefix + name + L"\\", files);
        else
            files[prefix + name] = folder + name;
    } while (FindNextFileW(find, &item));
    FindClose(find);
}

bool CaptureWindow(HWND window, const std::wstring& bmpPath)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    DWORD stride = ((width * 3) + 3) & ~3u;
    info.bmiHeader.biSizeImage = stride * height;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + info.bmiHeader.biSizeImage;
        FILE* file = _wfopen(bmpPath.c_str(), L"wb");
        ok = file && fwrite(&header, sizeof(header), 1, file) == 1 &&
             fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, file) == 1 &&
             fwrite(bits, info.bmiHeader.biSizeImage, 1, file) == 1;
        if (file)
            ok = (fclose(file) == 0) && ok;
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

namespace {

std::string NarrowIn(UINT codePage, const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring WideFrom(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &out[0], size);
    return out;
}

}  // namespace

std::string Utf8(const std::wstring& text)
{
    return NarrowIn(CP_UTF8, text);
}

std::wstring FromUtf8(const std::string& text)
{
    return WideFrom(CP_UTF8, text);
}

std::string Ansi(const std::wstring& text)
{
    return NarrowIn(CP_ACP, text);
}

std::wstring FromAnsi(const std::string& text)
{
    return WideFrom(CP_ACP, text);
}

std::wstring WindowsPathOfHost(const std::string& hostPath)
{
    std::wstring path = L"Z:" + FromUtf8(hostPath);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::vector<DWORD> ChildProcesses(DWORD parent)
{
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent)
            children.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return children;
}

std::wstring CommandLineOf(DWORD pid)
{
    using QueryInformation = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process || !query) {
        if (process)
            CloseHandle(process);
        return std::wstring();
    }
    std::wstring line;
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    SIZE_T read = 0;
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) >= 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &read) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, &read) &&
        parameters.CommandLine.Length > 0) {
        line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length,
                               &read))
            line.clear();
    }
    CloseHandle(process);
    return line;
}

}  // namespace ui
