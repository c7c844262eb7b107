// The machine's search path and the reader of machine values.
#include "support.h"

#include "sysint/machine_string.h"
#include "sysint/system_path.h"
#include "win/reg_key.h"

#include <gtest/gtest.h>

#include <windows.h>

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

class SystemSearchPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = ReadValue(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey, kSearchPathValue);
    }
    void TearDown() override
    {
        if (saved_.present)
            Store(saved_.text, saved_.type);
    }
    static void Store(const std::string& text, DWORD type)
    {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey));
        ASSERT_EQ(ERROR_SUCCESS, key.SetString(kSearchPathValue, text, type));
    }
    static void Remove()
    {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey));
        key.DeleteValue(kSearchPathValue);
    }

private:
    StoredValue saved_;
};

TEST_F(SystemSearchPath, AppendedOnceUnexpandedAndAlwaysBroadcast)
{
    const std::string folder = "C:\\Program Files\\TolvaneKelm\\";
    struct Case {
        const char* what;
        const char* current;  // null: no value
        DWORD type;
        const char* expected;  // null: no value afterwards
    } cases[] = {
        {"appended with a separator", "C:\\Windows\\system32;C:\\Windows", REG_EXPAND_SZ,
         "C:\\Windows\\system32;C:\\Windows;C:\\Program Files\\TolvaneKelm"},
        {"no second separator", "C:\\Windows;", REG_EXPAND_SZ, "C:\\Windows;C:\\Program Files\\TolvaneKelm"},
        {"already there", "C:\\Windows;C:\\Program Files\\TolvaneKelm;D:\\x", REG_EXPAND_SZ,
         "C:\\Windows;C:\\Program Files\\TolvaneKelm;D:\\x"},
        {"part of a longer entry", "C:\\Windows;C:\\Program Files\\TolvaneKelm\\bin", REG_EXPAND_SZ,
         "C:\\Windows;C:\\Program Files\\TolvaneKelm\\bin"},
        {"other letter case", "c:\\program files\\tolvanekelm", REG_EXPAND_SZ,
         "c:\\program files\\tolvanekelm;C:\\Program Files\\TolvaneKelm"},
        {"kept unexpanded", "%SystemRoot%\\system32", REG_EXPAND_SZ,
         "%SystemRoot%\\system32;C:\\Program Files\\TolvaneKelm"},
        {"a plain text value becomes expandable", "C:\\Tools", REG_SZ, "C:\\Tools;C:\\Program Files\\TolvaneKelm"},
        {"no value", nullptr, 0, nullptr},
        {"an empty value", "", REG_EXPAND_SZ, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.current)
            Store(c.current, c.type);
        else
            Remove();
        BroadcastWatch watch;

        AddToSystemPath(folder);

        StoredValue after = ReadValue(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey, kSearchPathValue);
        if (!c.expected) {
            EXPECT_FALSE(after.present);
        } else {
            ASSERT_TRUE(after.present);
            EXPECT_EQ(c.expected, after.text);
            // Untouched values keep their type; written ones are expandable.
            EXPECT_EQ(std::string(c.current) == c.expected ? c.type : REG_EXPAND_SZ, after.type);
            EXPECT_EQ(after.text.size() + 1, after.length) << "the terminating zero is counted";
        }
        EXPECT_EQ(1, watch.Count()) << "the broadcast is sent in every case";
    }
}

TEST(ReadMachineString, TextAsStoredOrEmpty)
{
    const std::string key = "SOFTWARE\\TolvaneTest\\Machine";
    RegKey opened;
    ASSERT_EQ(ERROR_SUCCESS, opened.Create(HKEY_LOCAL_MACHINE, key.c_str()));
    opened.SetString("expand", "%SystemRoot%\\中文", REG_EXPAND_SZ);
    opened.SetString("fits", std::string(32767, 'a'));
    opened.SetString("long", std::string(40000, 'b'));
    // Stored without its terminating zero.
    ::RegSetValueExA(opened.Get(), "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);

    EXPECT_EQ("%SystemRoot%\\中文", ReadMachineString(key.c_str(), "expand"));
    EXPECT_EQ(std::string(32767, 'a'), ReadMachineString(key.c_str(), "fits"));
    EXPECT_EQ("", ReadMachineString(key.c_str(), "long"));
    EXPECT_EQ("abc", ReadMachineString(key.c_str(), "bare"));
    EXPECT_EQ("", ReadMachineString(key.c_str(), "missing"));
    EXPECT_EQ("", ReadMachineString("SOFTWARE\\TolvaneTest\\NoSuchKey", "expand"));
}

}  // namespace
}  // namespace product_test
