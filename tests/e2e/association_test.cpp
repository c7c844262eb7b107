// Documents open with the PDF client through the shell, as a user opens them:
// after an installation, after a second one, and when ".pdf" named another
// program's file type before.
#include "scenario.h"

#include <shellapi.h>

namespace e2e {
namespace {

class Associations : public SetupScenario {
protected:
    // Opens the document with the shell's "open" verb and waits until the
    // client's journal line names it; returns what went wrong, or "".
    std::string OpensWithTheClient(const std::wstring& document)
    {
        if (!PlaceFile(document))
            return "cannot place " + ui::Utf8(document);
        setup::ClearJournal();
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"open";
        info.lpFile = document.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExW(&info))
            return "ShellExecuteEx failed: " + std::to_string(GetLastError());
        if (info.hProcess)
            CloseHandle(info.hProcess);
        const std::wstring client = setup::InstallFolder() + L"VOSKPdfClient.exe";
        std::wstring seen;
        const bool found = ui::WaitFor(
            [&] {
                for (const setup::JournalLine& line : setup::ReadJournal()) {
                    seen += line.program + L" " + line.commandLine + L"\n";
                    if (!lstrcmpiW(line.program.c_str(), client.c_str()) &&
                        line.commandLine.find(document) != std::wstring::npos)
                        return true;
                }
                return false;
            },
            kEndTimeout, 100);
        return found ? "" : "the client was not started with the document; the journal:\n" + ui::Utf8(seen);
    }

    void ExpectBothOpenWithTheClient()
    {
        EXPECT_EQ("", OpensWithTheClient(L"C:\\doc.pdf"));
        EXPECT_EQ("", OpensWithTheClient(L"C:\\\u6587\u6863 1.edc"));
    }
};

TEST_F(Associations, DocumentsOpenWithTheClientAfterEachInstallation)
{
    InstallSilently();
    ExpectBothOpenWithTheClient();
    InstallSilently();
    ExpectBothOpenWithTheClient();
}

TEST_F(Associations, AnotherProgramsTypeBeforeTheInstallationGivesWay)
{
    // Another reader owned ".pdf" with a type of its own, and the user had
    // chosen it in Explorer.
    const std::wstring other = setup::TempFolder() + L"other\\OtherReader.exe";
    ASSERT_TRUE(CopyTo(StubProgram(), other));
    HKEY key = nullptr;
    const std::wstring command = L"\"" + other + L"\" \"%1\"";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"OtherReader.Document\\shell\\open\\command", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CLASSES_ROOT, L".pdf", nullptr, REG_SZ, L"OtherReader.Document",
                                             sizeof L"OtherReader.Document"));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER,
                              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pdf\\UserChoice",
                              L"Progid", REG_SZ, L"OtherReader.Document", sizeof L"OtherReader.Document"));

    InstallSilently();
    ExpectBothOpenWithTheClient();
}

}  // namespace
}  // namespace e2e
