// The Windows forms of the library's paths and start-up, and the DLL as a
// host loads it.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "QuarnZGraph.h"
#include "app/app.h"
#include "base/platform.h"
#include "test_util.h"

using namespace qz;

namespace {

Text FromWide(const std::wstring& w) {
    return Text(w.begin(), w.end());
}

std::wstring Wide(const Text& t) {
    return std::wstring(t.begin(), t.end());
}

bool IsFolder(const Text& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), DWORD(path.size())));
    return path;
}

std::wstring Documents() {
    wchar_t path[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE);
    return path;
}

}  // namespace

TEST(WindowsPaths, TemplateBesideTheHostExecutable) {
    qztest::TempDir docs;
    CQuarnZGraphApp app(docs.text());
    app.InitFromExecutable(u"C:\\Relay Test\\bin\\host.exe");
    EXPECT_EQ(app.strTemplatePath, u"C:\\Relay Test\\bin\\Template\\QuarnTemplate.mdb");
    // No backslash: an empty folder.  A slash is no separator here.
    app.InitFromExecutable(u"host.exe");
    EXPECT_EQ(app.strTemplatePath, u"\\Template\\QuarnTemplate.mdb");
    app.InitFromExecutable(u"C:/Relay/host.exe");
    EXPECT_EQ(app.strTemplatePath, u"\\Template\\QuarnTemplate.mdb");
    // The executable's path as a 260-character buffer holds it.
    Text deep = u"C:\\" + Text(300, u'd') + u"\\host.exe";
    app.InitFromExecutable(deep);
    EXPECT_EQ(app.strTemplatePath, u"C:\\Template\\QuarnTemplate.mdb");
    Text edge = u"C:\\" + Text(250, u'e') + u"\\h.exe";  // 262 characters: cut in the name
    app.InitFromExecutable(edge);
    EXPECT_EQ(app.strTemplatePath, u"C:\\" + Text(250, u'e') + u"\\Template\\QuarnTemplate.mdb");

    // my_dll_Init: the main module, that is this program.
    std::wstring self = ModulePath(nullptr);
    app.Init();
    EXPECT_EQ(app.strTemplatePath,
              FromWide(self.substr(0, self.rfind(L'\\'))) + u"\\Template\\QuarnTemplate.mdb");
    EXPECT_EQ(ExecutablePath(), FromWide(self));
}

TEST(WindowsPaths, WorkingFolderUnderTheDocumentsFolder) {
    const Text docs = FromWide(Documents());
    ASSERT_FALSE(docs.empty());
    EXPECT_EQ(DocumentsFolder(), docs);
    CQuarnZGraphApp app;
    EXPECT_EQ(app.strWorkPath, docs + u"\\Quarn\\Temp");
    EXPECT_TRUE(IsFolder(app.strWorkPath));

    // Under another documents folder; one that cannot hold it keeps the path.
    qztest::TempDir other;
    CQuarnZGraphApp there(other.text());
    EXPECT_EQ(there.strWorkPath, other.text() + u"\\Quarn\\Temp");
    EXPECT_TRUE(IsFolder(there.strWorkPath));
    CQuarnZGraphApp lost(other.text() + u"\\missing\\deeper");
    EXPECT_EQ(lost.strWorkPath, other.text() + u"\\missing\\deeper\\Quarn\\Temp");
    EXPECT_FALSE(IsFolder(other.text() + u"\\missing"));
    // An existing file where the folder would go: looked up, found, left alone.
    std::ofstream(other.path() / "file") << "x";
    CreateFolderIfMissing(other.text() + u"\\file");
    EXPECT_FALSE(IsFolder(other.text() + u"\\file"));
}

TEST(WindowsPaths, FilesThroughTheNativeTable) {
    qztest::TempDir dir;
    const Vfs& fs = NativeVfs();
    const Text path = dir.text() + u"\\电阻.tmp";
    const std::vector<std::uint8_t> first{1, 2, 3}, second{9, 8};
    ASSERT_TRUE(SaveFileReplacing(path, first));
    ASSERT_TRUE(SaveFileReplacing(path, second));  // replaces the existing file
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(fs.read(path, read, kWholeFile));
    EXPECT_EQ(read, second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_TRUE(fs.exists(dir.text()));
    EXPECT_FALSE(fs.read(dir.text(), read, kWholeFile));  // a folder is no file
    // Neither is a device or a pipe, which would block or never end.
    EXPECT_FALSE(fs.read(u"\\\\.\\NUL", read, kWholeFile));
    const wchar_t* pipeName = L"\\\\.\\pipe\\qz-files-test";
    HANDLE pipe =
        CreateNamedPipeW(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(fs.read(FromWide(pipeName), read, kWholeFile));
    CloseHandle(pipe);
    EXPECT_FALSE(fs.read(dir.text() + u"\\none", read, kWholeFile));
    EXPECT_FALSE(SaveFileReplacing(dir.text() + u"\\none\\x.tmp", first));
    const std::vector<std::uint8_t> empty;
    ASSERT_TRUE(SaveFileReplacing(path, empty));
    ASSERT_TRUE(fs.read(path, read, kWholeFile));
    EXPECT_TRUE(read.empty());
    fs.remove(path);
    EXPECT_FALSE(fs.exists(path));
}

// Loaded by a thread of its own, the library initialises OLE for that
// thread, and unloading releases it; a host finds only the C functions.
TEST(WindowsExports, TheHostSeesOnlyTheCFunctions) {
    std::wstring self = ModulePath(nullptr);
    std::wstring dll = self.substr(0, self.rfind(L'\\')) + L"\\QuarnZGraph.dll";
    std::thread host([&] {
        HMODULE lib = LoadLibraryW(dll.c_str());
        ASSERT_NE(lib, nullptr) << "LoadLibraryW failed, error " << GetLastError();
        HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_FALSE);  // already initialised by the library
        if (SUCCEEDED(again)) CoUninitialize();
        EXPECT_TRUE(IsFolder(FromWide(Documents()) + u"\\Quarn\\Temp"));

        auto symbol = [&](const char* name) {
            return reinterpret_cast<void*>(GetProcAddress(lib, name));
        };
        auto init = reinterpret_cast<decltype(&my_dll_Init)>(symbol("my_dll_Init"));
        auto name =
            reinterpret_cast<decltype(&my_dll_GetZoneFileName)>(symbol("my_dll_GetZoneFileName"));
        auto release = reinterpret_cast<decltype(&my_dll_Release)>(symbol("my_dll_Release"));
        ASSERT_TRUE(init && name && release);
        EXPECT_NE(symbol("my_dll_ZoneSet"), nullptr);
        EXPECT_EQ(symbol("_ZN2qz15CQuarnZGraphApp4InitEv"), nullptr);
        EXPECT_EQ(symbol("_Z12my_dll_Initv"), nullptr);
        init();
        wchar_t buffer[260] = {L'x'};
        EXPECT_EQ(name(buffer), 0);
        EXPECT_EQ(buffer[0], L'\0');
        release();
        EXPECT_EQ(name(buffer), 0);

        EXPECT_TRUE(FreeLibrary(lib));
        EXPECT_EQ(GetModuleHandleW(dll.c_str()), nullptr);
        HRESULT after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(after, S_OK);  // released at unload
        if (SUCCEEDED(after)) CoUninitialize();
    });
    host.join();
}
#endif
