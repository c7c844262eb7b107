#include "sysint/system_path.h"

#include "win/install_log.h"

#include <windows.h>

#include <vector>

const char kSystemEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kSearchPathValue[] = "Path";

namespace {

const wchar_t kSystemEnvironmentKeyW[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t kSearchPathValueW[] = L"Path";
// The longest value read, in characters (as the system's own editor allows).
constexpr DWORD kMaxPathChars = 32767;

void BroadcastEnvironmentChange()
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                          SMTO_ABORTIFHUNG, 5000, &result);
}

// One entry without its blanks around it and without a trailing backslash.
std::wstring ComparableEntry(std::wstring entry)
{
    const size_t first = entry.find_first_not_of(L' ');
    const size_t last = entry.find_last_not_of(L' ');
    entry = first == std::wstring::npos ? std::wstring() : entry.substr(first, last - first + 1);
    while (entry.size() > 1 && entry.back() == L'\\')
        entry.pop_back();
    return entry;
}

bool SameEntry(const std::wstring& a, const std::wstring& b)
{
    const std::wstring x = ComparableEntry(a), y = ComparableEntry(b);
    return x.size() == y.size() &&
           ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()), y.c_str(),
                            static_cast<int>(y.size())) == CSTR_EQUAL;
}

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string narrow(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
    return narrow;
}

// The value as stored, up to its first zero; empty when missing, not text or
// too long. Read as UTF-16, so that no character is lost to the code page.
std::wstring ReadSearchPath(HKEY key)
{
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, kSearchPathValueW, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > (kMaxPathChars + 1) * sizeof(wchar_t))
        return std::wstring();
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = bytes;
    if (::RegQueryValueExW(key, kSearchPathValueW, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    return std::wstring(buffer.data());
}

}  // namespace

std::wstring AppendSearchPathEntry(const std::wstring& current, const std::wstring& folderEntry)
{
    size_t start = 0;
    for (;;) {
        const size_t end = current.find(L';', start);
        if (SameEntry(current.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start),
                      folderEntry))
            return current;
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::wstring path = current;
    if (path.empty() || path.back() != L';')
        path += L';';
    return path + folderEntry;
}

void AddToSystemPath(const std::string& installFolder)
{
    HKEY key = nullptr;
    std::wstring current;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSystemEnvironmentKeyW, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &key, nullptr) == ERROR_SUCCESS)
        current = ReadSearchPath(key);
    // An unreadable path is never replaced by the folder alone.
    if (!current.empty() && !installFolder.empty()) {
        const std::wstring entry = Wide(installFolder.substr(0, installFolder.size() - 1));
        const std::wstring path = AppendSearchPathEntry(current, entry);
        if (path != current) {
            const LONG result =
                ::RegSetValueExW(key, kSearchPathValueW, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
            LogLine("registry value %s: HKEY_LOCAL_MACHINE\\%s \"%s\" = \"%s\" (REG_EXPAND_SZ, result %ld)",
                    result == ERROR_SUCCESS ? "written" : "not written", kSystemEnvironmentKey, kSearchPathValue,
                    Narrow(path).c_str(), static_cast<long>(result));
        } else {
            LogLine("search path unchanged: it holds %s", Narrow(entry).c_str());
        }
    }
    if (current.empty())
        LogLine("search path unchanged: it cannot be read");
    if (key)
        ::RegCloseKey(key);
    BroadcastEnvironmentChange();
}
