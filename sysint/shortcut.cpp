#include "sysint/shortcut.h"

#include "win/path.h"
#include "win/com_init.h"
#include "win/install_log.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

// Releases a COM interface when it goes.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (p_)
            p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* operator->() const { return p_; }
    void** Receive() { return reinterpret_cast<void**>(&p_); }

private:
    Interface* p_ = nullptr;
};

}  // namespace

bool CreateShortcut(const std::string& target, const std::string& linkPath)
{
    if (!::PathFileExistsA(target.c_str())) {
        LogLine("shortcut passed over: %s, its target %s is missing", linkPath.c_str(), target.c_str());
        return false;
    }
    ComInitializer com;
    // Declared after the guard: released before COM is uninitialised.
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive())))
        return false;
    link->SetPath(target.c_str());
    // The target's folder with one "\" at its end, also after a doubled one.
    std::string folder = FolderWithSeparator(target);
    while (folder.size() > 1 && EndsWithSeparator(folder.substr(0, folder.size() - 1)))
        folder.pop_back();
    link->SetWorkingDirectory(folder.c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Receive())))
        return false;
    wchar_t widePath[MAX_PATH] = {};
    ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
    HRESULT saved = file->Save(widePath, TRUE);
    LogLine("shortcut %s: %s -> %s", SUCCEEDED(saved) ? "written" : "not written", linkPath.c_str(), target.c_str());
    return true;
}
