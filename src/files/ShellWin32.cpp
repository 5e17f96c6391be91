#include "files/ShellWin32.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "common/WideTextWin32.h"

namespace {

// COM for the calling thread; torn down only when this object set it up.
class ComScope {
public:
    ComScope() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // A thread already in another apartment can still use the shell's in-process objects.
    bool Usable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }

private:
    HRESULT result;
};

// An interface pointer released once, and only when one was obtained.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p != nullptr) p->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Receive() { return &p; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }

private:
    T* p = nullptr;
};

class ItemIdList {
public:
    ~ItemIdList() { CoTaskMemFree(list); }
    PIDLIST_RELATIVE* Receive() { return &list; }
    PCIDLIST_ABSOLUTE Get() const { return reinterpret_cast<PCIDLIST_ABSOLUTE>(list); }

private:
    PIDLIST_RELATIVE list = nullptr;
};

// Long enough for any path the file system takes.
constexpr int kLongestPath = 32768;

std::wstring Absolute(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD got =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return got == 0 || got >= buffer.size() ? path : std::wstring(buffer.data(), got);
}

} // namespace

bool ShellWin32::NamesExistingFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(Wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Shell::Shortcut ShellWin32::ResolveShortcut(const std::string& path) {
    Shortcut result;
    ComScope com;
    if (!com.Usable()) return result;
    ComRef<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())))
        return result;
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return result;
    if (FAILED(file->Load(Wide(path).c_str(), STGM_READ))) return result;
    if (FAILED(link->Resolve(owner, SLR_ANY_MATCH))) return result;
    std::vector<wchar_t> target(kLongestPath, L'\0');
    WIN32_FIND_DATAW found{};
    const HRESULT got = link->GetPath(target.data(), kLongestPath, &found, SLGP_SHORTPATH);
    result.status = Shortcut::NoPath;
    // S_FALSE: the link points at something that has no file-system path.
    if (got != S_OK || target[0] == L'\0') return result;
    result.status = Shortcut::Resolved;
    result.target = Utf8(target.data());
    return result;
}

std::optional<std::string> ShellWin32::FullPath(const std::string& path) {
    ComScope com;
    ComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive()))) return std::nullopt;
    // The shell's parser takes drive paths only (Wine's fails on a Linux path); the full path of
    // one is its drive path there.
    std::wstring name = Absolute(Wide(path));
    ItemIdList items;
    if (name.empty() ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, items.Receive(), nullptr)))
        return std::nullopt;
    std::vector<wchar_t> full(kLongestPath, L'\0');
    if (!SHGetPathFromIDListEx(items.Get(), full.data(), kLongestPath, GPFIDL_DEFAULT) || full[0] == L'\0')
        return std::nullopt;
    return Utf8(full.data());
}
