#ifdef _WIN32
#include <ole2.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/platform.h"

namespace qz {

namespace {

// Texts are UTF-16 on both sides; only the character type differs.
std::wstring Wide(const Text& text) {
    return std::wstring(text.begin(), text.end());
}

Text FromWide(const wchar_t* text) {
    return Text(text, text + std::char_traits<wchar_t>::length(text));
}

// OLE for the thread that loads the library, from before the library object
// is made until after it is gone.
struct OleScope {
    HRESULT hr = OleInitialize(nullptr);
    ~OleScope() {
        if (SUCCEEDED(hr)) OleUninitialize();
    }
};
[[maybe_unused]] OleScope gOle __attribute__((init_priority(101)));

bool Exists(const Text& path) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(Wide(path).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

bool Read(const Text& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    // Sharing deletion too: another host's save may rename over the file
    // while it is read here.
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    // A pipe or a device would block or never end: only disk files are read.
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return false;
    }
    // Read straight into the result; a file that grows meanwhile is read to its end.
    std::size_t used = 0;
    out.resize(std::min(std::size_t(size.QuadPart) + 1, limit));
    for (;;) {
        if (used == limit) break;
        if (used == out.size()) out.resize(std::min(out.size() * 2, limit));
        DWORD chunk = DWORD(std::min<std::size_t>(out.size() - used, 1u << 30)), got = 0;
        if (!ReadFile(h, out.data() + used, chunk, &got, nullptr)) {
            CloseHandle(h);
            return false;
        }
        if (got == 0) break;
        used += got;
    }
    out.resize(used);
    CloseHandle(h);
    return true;
}

void* CreateNew(const Text& path) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool Write(void* file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = DWORD(std::min<std::size_t>(size, 1u << 30)), done = 0;
        if (!WriteFile(static_cast<HANDLE>(file), data, chunk, &done, nullptr) || done == 0)
            return false;
        data += done;
        size -= done;
    }
    return true;
}

bool Sync(void* file) {
    return FlushFileBuffers(static_cast<HANDLE>(file)) != 0;
}

bool Close(void* file) {
    return CloseHandle(static_cast<HANDLE>(file)) != 0;
}

bool Replace(const Text& from, const Text& to) {
    // Another host renaming over the same file at this moment holds it for
    // an instant: try again a few times rather than fail this save.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if (attempt == 20 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
            return false;
        Sleep(5);
    }
}

void Remove(const Text& path) {
    DeleteFileW(Wide(path).c_str());
}

bool MakeFolder(const Text& path) {
    // No descriptor, inheritable handle; the record's own size, which is 12
    // bytes in the 32-bit library the hosts load.
    static_assert(sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12);
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    return CreateDirectoryW(Wide(path).c_str(), &attributes) != 0;
}

const Vfs kNative = {Exists, Read, CreateNew, Write, Sync, Close, Replace, Remove, MakeFolder};

}  // namespace

const Vfs& NativeVfs() {
    return kNative;
}

Text DocumentsFolder() {
    wchar_t path[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE)) return {};
    Text docs = FromWide(path);
    while (docs.size() > 3 && docs.back() == u'\\') docs.pop_back();
    return docs;
}

Text ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return FromWide(path.c_str());
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace qz
#endif
