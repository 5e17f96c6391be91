#include "files/ShellWin32.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace {

// COM for the calling thread; torn down only when this object set it up.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // A thread already in another apartment can still use the shell's in-process objects.
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// An interface pointer released once, and only when one was obtained.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Receive() { return &p_; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(&p_); }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class ItemIdList {
public:
    ~ItemIdList() { CoTaskMemFree(list_); }
    PIDLIST_RELATIVE* Receive() { return &list_; }
    PCIDLIST_ABSOLUTE Get() const { return reinterpret_cast<PCIDLIST_ABSOLUTE>(list_); }

private:
    PIDLIST_RELATIVE list_ = nullptr;
};

// Long enough for any path the file system takes.
constexpr int kLongestPath = 32768;

std::string Absolute(const std::string& path) {
    const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::vector<char> buffer(needed + 1);
    const DWORD got =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return got == 0 || got >= buffer.size() ? path : std::string(buffer.data(), got);
}

} // namespace

std::wstring WideFromAnsi(const std::string& text, DWORD flags) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, flags, text.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, flags, text.data(), size, wide.data(), needed);
    return wide;
}

std::string AnsiFromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string ansi(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), needed, nullptr, nullptr);
    return ansi;
}

Shell::Shortcut ShellWin32::ResolveShortcut(const std::string& path) {
    Shortcut result;
    ComScope com;
    if (!com.Usable()) return result;
    ComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.ReceiveVoid())))
        return result;
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return result;
    if (FAILED(file->Load(WideFromAnsi(path).c_str(), STGM_READ))) return result;
    if (FAILED(link->Resolve(owner_, SLR_ANY_MATCH))) return result;
    std::vector<char> target(kLongestPath, '\0');
    WIN32_FIND_DATAA found{};
    const HRESULT got = link->GetPath(target.data(), kLongestPath, &found, SLGP_SHORTPATH);
    result.status = Shortcut::NoPath;
    // S_FALSE: the link points at something that has no file-system path.
    if (got != S_OK || target[0] == '\0') return result;
    result.status = Shortcut::Resolved;
    result.target = target.data();
    return result;
}

std::optional<std::string> ShellWin32::FullPath(const std::string& path) {
    ComScope com;
    ComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive()))) return std::nullopt;
    std::wstring name = WideFromAnsi(Absolute(path), MB_PRECOMPOSED);
    ItemIdList items;
    if (name.empty() ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, items.Receive(), nullptr)))
        return std::nullopt;
    std::vector<wchar_t> full(kLongestPath, L'\0');
    if (!SHGetPathFromIDListEx(items.Get(), full.data(), kLongestPath, GPFIDL_DEFAULT) || full[0] == L'\0')
        return std::nullopt;
    return AnsiFromWide(full.data());
}
