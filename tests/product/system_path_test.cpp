// The machine's search path.
#include "support.h"

#include "sysint/system_path.h"
#include "win/reg_key.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace product_test {
namespace {

// Counts the environment-change broadcasts that reach a top-level window of
// this thread. The text is taken in either form: Wine 8 hands a Unicode
// window the narrow text of a narrow broadcast as it is.
class BroadcastWatch {
public:
    BroadcastWatch()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ProductTestBroadcastWatch";
        ::RegisterClassW(&wc);
        window_ = ::CreateWindowW(L"ProductTestBroadcastWatch", L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        count_ = 0;
    }
    ~BroadcastWatch() { ::DestroyWindow(window_); }
    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_SETTINGCHANGE && lParam &&
            (lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"Environment") == 0 ||
             lstrcmpA(reinterpret_cast<const char*>(lParam), "Environment") == 0))
            ++count_;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    static int count_;
    HWND window_ = nullptr;
};
int BroadcastWatch::count_ = 0;

// The search path as stored, in UTF-16 (names outside code page 936 too).
struct WidePath {
    bool present = false;
    std::wstring text;
    DWORD type = 0;
    DWORD length = 0;
};

WidePath ReadWidePath()
{
    WidePath value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return value;
    std::vector<wchar_t> buffer(40000, L'\0');
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key, L"Path", nullptr, &value.type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) ==
        ERROR_SUCCESS) {
        value.present = true;
        value.text = buffer.data();
        value.length = bytes;
    }
    RegCloseKey(key);
    return value;
}

void StoreWidePath(const std::wstring* text, DWORD type)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                             L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    if (text)
        RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(text->c_str()),
                       static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key, L"Path");
    RegCloseKey(key);
}

class SystemSearchPath : public ::testing::Test {
protected:
    void SetUp() override { saved_ = ReadWidePath(); }
    void TearDown() override
    {
        if (saved_.present)
            StoreWidePath(&saved_.text, saved_.type);
    }

private:
    WidePath saved_;
};

TEST_F(SystemSearchPath, AppendedOnceAsAWholeEntryUnexpandedAndAlwaysBroadcast)
{
    const std::string folder = "C:\\Program Files\\TolvaneKelm\\";
    const std::wstring entry = L"C:\\Program Files\\TolvaneKelm";
    // Characters that code page 936 cannot hold: kept exactly.
    const std::wstring foreign = L"D:\\\u00f8\u0e01\u00e5";
    struct Case {
        const char* what;
        const wchar_t* current;  // null: no value
        DWORD type;
        const wchar_t* expected;  // null: no value afterwards
    } cases[] = {
        {"appended with a separator", L"C:\\Windows\\system32;C:\\Windows", REG_EXPAND_SZ,
         L"C:\\Windows\\system32;C:\\Windows;C:\\Program Files\\TolvaneKelm"},
        {"no second separator", L"C:\\Windows;", REG_EXPAND_SZ, L"C:\\Windows;C:\\Program Files\\TolvaneKelm"},
        {"already there", L"C:\\Windows;C:\\Program Files\\TolvaneKelm;D:\\x", REG_EXPAND_SZ,
         L"C:\\Windows;C:\\Program Files\\TolvaneKelm;D:\\x"},
        {"there with a trailing backslash", L"C:\\Program Files\\TolvaneKelm\\;D:\\x", REG_EXPAND_SZ,
         L"C:\\Program Files\\TolvaneKelm\\;D:\\x"},
        {"there in other letter case", L"c:\\program files\\tolvanekelm", REG_EXPAND_SZ,
         L"c:\\program files\\tolvanekelm"},
        {"a longer name is another entry", L"C:\\Program Files\\TolvaneKelmOld", REG_EXPAND_SZ,
         L"C:\\Program Files\\TolvaneKelmOld;C:\\Program Files\\TolvaneKelm"},
        {"a folder below is another entry", L"C:\\Windows;C:\\Program Files\\TolvaneKelm\\bin", REG_EXPAND_SZ,
         L"C:\\Windows;C:\\Program Files\\TolvaneKelm\\bin;C:\\Program Files\\TolvaneKelm"},
        {"kept unexpanded", L"%SystemRoot%\\system32", REG_EXPAND_SZ,
         L"%SystemRoot%\\system32;C:\\Program Files\\TolvaneKelm"},
        {"a plain text value becomes expandable", L"C:\\Tools", REG_SZ, L"C:\\Tools;C:\\Program Files\\TolvaneKelm"},
        {"no value", nullptr, 0, nullptr},
        {"an empty value", L"", REG_EXPAND_SZ, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring current = c.current ? c.current : L"";
        StoreWidePath(c.current ? &current : nullptr, c.type);
        BroadcastWatch watch;

        AddToSystemPath(folder);

        WidePath after = ReadWidePath();
        if (!c.expected) {
            EXPECT_FALSE(after.present);
        } else {
            ASSERT_TRUE(after.present);
            EXPECT_TRUE(c.expected == after.text);
            // Untouched values keep their type; written ones are expandable.
            EXPECT_EQ(current == c.expected ? c.type : REG_EXPAND_SZ, after.type);
            EXPECT_EQ((after.text.size() + 1) * sizeof(wchar_t), after.length) << "the terminating zero is counted";
        }
        EXPECT_EQ(1, watch.Count()) << "the broadcast is sent in every case";
    }

    SCOPED_TRACE("entries outside the code page");
    const std::wstring withForeign = L"C:\\Windows;" + foreign;
    StoreWidePath(&withForeign, REG_EXPAND_SZ);
    AddToSystemPath(folder);
    EXPECT_TRUE(withForeign + L";" + entry == ReadWidePath().text);
    AddToSystemPath(folder);
    EXPECT_TRUE(withForeign + L";" + entry == ReadWidePath().text) << "appended once";
}

}  // namespace
}  // namespace product_test
