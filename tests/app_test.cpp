#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/app.h"
#include "base/platform.h"
#include "test_util.h"

using namespace qz;

TEST(App, StartUpCreatesTheWorkingFolder) {
    qztest::TempDir docs;
    CQuarnZGraphApp app(docs.text());
    EXPECT_EQ(app.strWorkPath, docs.text("Quarn/Temp"));
    EXPECT_TRUE(std::filesystem::is_directory(docs.path() / "Quarn" / "Temp"));
    EXPECT_TRUE(app.strTemplatePath.empty());
    EXPECT_EQ(app.fAllowedError, 0.0f);
    // A documents folder that cannot hold it: the path is kept all the same.
    CQuarnZGraphApp lost(docs.text("missing/deeper"));
    EXPECT_EQ(lost.strWorkPath, docs.text("missing/deeper/Quarn/Temp"));
    EXPECT_FALSE(std::filesystem::exists(docs.path() / "missing"));
}

TEST(App, AWorkingFolderTooLongForTheHostsBufferIsNotUsed) {
    qztest::TempDir docs;
    // "/Quarn/Temp/zonePara.tmp" is 24 units: 235 + 24 and the terminator fill 260.
    auto folder = [&](std::size_t length) {
        std::string name(length - docs.path().string().size() - 1, 'd');
        std::filesystem::create_directory(docs.path() / name);
        return docs.text(name);
    };
    CQuarnZGraphApp fits(folder(235));
    EXPECT_EQ(fits.strWorkPath.size() + 1 + 12 + 1, 260u);
    EXPECT_TRUE(std::filesystem::is_directory(ToUtf8(fits.strWorkPath)));
    Text longer = folder(236);
    CQuarnZGraphApp tooLong(longer);
    EXPECT_TRUE(tooLong.strWorkPath.empty());
    EXPECT_FALSE(std::filesystem::exists(ToUtf8(longer) + "/Quarn"));
}

TEST(App, WithoutHomeTheHomeFolderComesFromThePasswordDatabase) {
    qztest::TempDir config;
    // A documents folder under a home folder that does not hold it: named,
    // never created.
    std::string below = config.path().filename().string() + "/Docs";
    std::ofstream(config.path() / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"$HOME/" << below << "\"\n";
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    unsetenv("HOME");
    const struct passwd* entry = getpwuid(getuid());
    Text expected = entry ? FromUtf8(std::string(entry->pw_dir) + "/" + below) : Text();
    EXPECT_EQ(DocumentsFolder(), expected);
    setenv("HOME", "", 1);  // an empty one is none either
    EXPECT_EQ(DocumentsFolder(), expected);
    // A home without the folder is left so, as Windows leaves a missing one.
    qztest::TempDir home, none;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", none.path().c_str(), 1);
    EXPECT_EQ(DocumentsFolder(), FromUtf8((home.path() / "Documents").string()));
    CQuarnZGraphApp app(DocumentsFolder());
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(App, TheDocumentsFolderIsReadWithXdgUserDirsEscapes) {
    qztest::TempDir config;
    std::ofstream(config.path() / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\" \\$x \\`y\\` \\\\z\"\n";
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    EXPECT_EQ(DocumentsFolder(), u"/home/u/My \"Docs\" $x `y` \\z");
    // An escaped $HOME is a name, not the home folder: not absolute, not taken.
    std::ofstream(config.path() / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"\\$HOME/Docs\"\n";
    EXPECT_EQ(DocumentsFolder(), u"/home/u/Documents");
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(App, TemplatePathAndZoneFileName) {
    qztest::TempDir docs;
    CQuarnZGraphApp app(docs.text());
    app.InitFromExecutable(u"/opt/host/bin/host.exe");
    EXPECT_EQ(app.strTemplatePath, u"/opt/host/bin/Template/QuarnTemplate.mdb");
    app.InitFromExecutable(u"host");
    EXPECT_EQ(app.strTemplatePath, u"/Template/QuarnTemplate.mdb");
    char16_t buffer[300];
    buffer[0] = u'x';
    EXPECT_EQ(app.GetZoneFileName(buffer), 0);
    EXPECT_EQ(buffer[0], u'\0');
    app.strZoneFileName = app.strWorkPath + u"/zonePara.tmp";
    EXPECT_EQ(app.GetZoneFileName(buffer), 1);
    EXPECT_EQ(Text(buffer), app.strZoneFileName);
    app.arrZones.push_back(std::make_unique<CZone>());
    app.arrPicts.push_back(std::make_unique<CPictLine>());
    app.fAllowedError = 0.1f;
    app.Release();
    EXPECT_TRUE(app.arrZones.empty() && app.arrPicts.empty());
    EXPECT_EQ(app.fAllowedError, 0.1f);
    EXPECT_EQ(app.GetZoneFileName(buffer), 1);
}

// The library as a host sees it: loaded by name, only the C functions visible.
TEST(Exports, TheHostSeesOnlyTheCFunctions) {
    qztest::TempDir home;
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    std::filesystem::create_directory(home.path() / "Documents");
    void* lib = dlopen(QZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "Documents" / "Quarn" / "Temp"));
    auto init = reinterpret_cast<void (*)()>(dlsym(lib, "my_dll_Init"));
    auto name = reinterpret_cast<std::int32_t (*)(char16_t*)>(dlsym(lib, "my_dll_GetZoneFileName"));
    auto release = reinterpret_cast<void (*)()>(dlsym(lib, "my_dll_Release"));
    ASSERT_TRUE(init && name && release);
    EXPECT_EQ(dlsym(lib, "_ZN2qz15CQuarnZGraphApp4InitEv"), nullptr);  // C++ stays hidden
    EXPECT_EQ(dlsym(lib, "_ZN2qz12TextToNumberESt17basic_string_viewIDsSt11char_traitsIDsEE"),
              nullptr);
    init();
    char16_t buffer[260] = {u'x'};
    EXPECT_EQ(name(buffer), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(name(nullptr), 0);
    release();
    EXPECT_EQ(name(buffer), 0);
    dlclose(lib);
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}
