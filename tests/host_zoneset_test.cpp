// The library as the host sees it: loaded with dlopen in a child process
// (the library object lives once per loaded image), and the demo host.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "base/text.h"
#include "test_util.h"
#include "zones/zone_list.h"

using namespace qz;

namespace {

// Runs `body` in a child process whose HOME is `home`; returns what the
// body returned, or "child failed".
std::string InChild(const std::filesystem::path& home, const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        std::string out = body();
        ssize_t written = ::write(fds[1], out.data(), out.size());
        ::_exit(written == ssize_t(out.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed";
}

// The library's entry points, loaded in the child.
struct Library {
    void* handle = ::dlopen(QZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    template <class Fn>
    Fn Get(const char* name) {
        return reinterpret_cast<Fn>(handle ? ::dlsym(handle, name) : nullptr);
    }
    void (*Init)() = Get<void (*)()>("my_dll_Init");
    std::int32_t (*ZoneSet)(const char16_t*) =
        Get<std::int32_t (*)(const char16_t*)>("my_dll_ZoneSet");
    std::int32_t (*GetName)(char16_t*) = Get<std::int32_t (*)(char16_t*)>("my_dll_GetZoneFileName");
    void (*Release)() = Get<void (*)()>("my_dll_Release");
    std::int32_t (*Play)(const char16_t*) =
        Get<std::int32_t (*)(const char16_t*)>("quarnz_PlaySession");
    bool Ok() const { return Init && ZoneSet && GetName && Release && Play; }

    // One call of my_dll_ZoneSet under a session: "result name session".
    std::string Run(const char* script, const Text* zoneFile) {
        if (!Play(FromUtf8(script).c_str())) return "script refused";
        int result = ZoneSet(zoneFile ? zoneFile->c_str() : nullptr);
        char16_t name[4096] = u"unchanged";
        int named = GetName(name);
        int played = Play(nullptr);
        return std::to_string(result) + " " + std::to_string(named) + ":" + ToUtf8(name) + " " +
               std::to_string(played);
    }
};

std::unique_ptr<CZone> Zone(const char16_t* tag, float allowedShow = 1) {
    auto z = std::make_unique<CZone>();
    z->strTag = tag;
    z->strZoneName = u"区段";
    z->nShow = int(allowedShow);
    return z;
}

Text WriteZoneFile(const qztest::TempDir& dir, const std::string& name, int zones) {
    CZoneLists lists;
    lists.fAllowedError = 0.1f;
    for (int i = 0; i < zones; ++i) lists.arrZones.push_back(Zone(Format("Z%d", i + 1).c_str()));
    auto p = CreatePict(kPictMho);
    p->strZoneTag = u"Z1";
    lists.arrPicts.push_back(std::move(p));
    Text path = dir.text(name);
    lists.SaveZoneFile(path);
    return path;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(HostZoneSet, TheFourFunctionsThroughDlopen) {
    qztest::TempDir dir;
    Text zoneFile = WriteZoneFile(dir, "relay.zone", 3);
    Text missing = dir.text("missing.zone");
    Text broken = dir.text("broken.zone");
    {
        std::string bytes = ReadText(dir.path() / "relay.zone");
        std::ofstream(dir.path() / "broken.zone", std::ios::binary) << bytes.substr(0, 40);
    }
    std::filesystem::path home = dir.path() / "home";
    std::filesystem::create_directories(home);
    std::string work = (home / "Documents" / "Quarn" / "Temp" / "zonePara.tmp").string();

    std::string out = InChild(home, [&] {
        Library lib;
        if (!lib.Ok()) return std::string("no library: ") + ::dlerror();
        std::map<std::string, std::string> r;
        char16_t name[4096] = u"x";
        int named = lib.GetName(name);
        r["before"] = std::to_string(named) + ":" + ToUtf8(name);
        lib.Init();
        r["ok"] = lib.Run(
            "expect-rows 4002 4\nexpect-text 4001 \"10.000 %\"\n"
            "grid-click 4002 1 0\ntype 4001 5\nclick 4003",
            &zoneFile);
        r["cancel"] = lib.Run("grid-rclick 4002 1 1\nmenu 清空\nanswer yes\nclick 4004", &zoneFile);
        // A null path: empty list, the allowed error the last file left.
        r["null"] =
            lib.Run("expect-rows 4002 1\nexpect-text 4001 \"10.000 %\"\nclick 4003", nullptr);
        r["missing"] = lib.Run(("expect-message \"没有找到文件 " + ToUtf8(missing) +
                                " !\" QuarnZGraph error\nanswer ok\nexpect-rows 4002 1\nclick 4004")
                                   .c_str(),
                               &missing);
        r["broken"] =
            lib.Run("expect-messages 1\nanswer ok\nexpect-rows 4002 1\nclick 4004", &broken);
        lib.Release();
        r["release"] = lib.Run("expect-rows 4002 4\nclick 4003", &zoneFile);
        r["bad line"] = lib.Run("click 4003\nclick 4003", &zoneFile);
        std::string s;
        for (const auto& [k, v] : r) s += k + "=" + v + "\n";
        return s;
    });
    EXPECT_EQ(out, "bad line=1 1:" + work + " 0\n" +  //
                       "before=0:\n" +                //
                       "broken=0 0: 1\n" +            //
                       "cancel=0 0: 1\n" +            //
                       "missing=0 0: 1\n" +           //
                       "null=1 1:" + work + " 1\n" +  //
                       "ok=1 1:" + work + " 1\n" +    //
                       "release=1 1:" + work + " 1\n");
    // The last file written is the one after my_dll_Release: three zones.
    CZoneLists back;
    ASSERT_TRUE(back.LoadZoneFile(FromUtf8(work)));
    EXPECT_EQ(back.arrZones.size(), 3u);
    EXPECT_FLOAT_EQ(back.fAllowedError, 0.1f);
}

TEST(HostZoneSet, AWorkingFolderThatCannotBeWrittenGivesNoFileName) {
    qztest::TempDir dir;
    std::filesystem::path home = dir.path() / "home";
    std::filesystem::create_directories(home);
    // A file where the documents folder should be: no folder below it.
    std::ofstream(home / "Documents") << "not a folder";
    std::string out = InChild(home, [&] {
        Library lib;
        if (!lib.Ok()) return std::string("no library");
        lib.Init();
        return lib.Run("type 4001 3\nclick 4003", nullptr);
    });
    EXPECT_EQ(out, "1 0: 1");
}

TEST(HostZoneSet, AHomeThatIsNoTextLoadsWithoutAWorkingFolder) {
    qztest::TempDir dir;
    std::filesystem::path home = dir.path() / "home\xff";
    std::filesystem::create_directories(home);
    std::string out = InChild(home, [&] {
        Library lib;
        if (!lib.Ok()) return std::string("no library");
        lib.Init();
        return lib.Run("click 4003", nullptr);
    });
    EXPECT_EQ(out, "1 0: 1");
}

TEST(HostZoneSet, DemoHostPlaysTheExampleSession) {
    qztest::TempDir dir;
    std::string host = std::filesystem::path(QZ_LIBRARY_PATH).parent_path() / "quarn-host";
    ASSERT_TRUE(std::filesystem::exists(host)) << host;
    WriteZoneFile(dir, "relay.zone", 3);
    std::filesystem::create_directories(dir.path() / "home");
    auto run = [&](const std::string& args) {
        std::string cmd = "HOME='" + (dir.path() / "home").string() + "' '" + host + "' " + args +
                          " >'" + (dir.path() / "out").string() + "' 2>'" +
                          (dir.path() / "err").string() + "'";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string session = std::string(QZ_SOURCE_DIR) + "/examples/sessions/zoneset-demo.session";
    EXPECT_EQ(run("--play '" + session + "' '" + (dir.path() / "relay.zone").string() + "'"), 0)
        << ReadText(dir.path() / "err");
    std::string out = ReadText(dir.path() / "out");
    EXPECT_NE(out.find("my_dll_ZoneSet: 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Allowed error: 5.000 %\n"), std::string::npos) << out;
    // Two zones are left: the first unticked, the third now second; the
    // first keeps its circle.
    EXPECT_NE(out.find("\n1          Z1   区段  Zzd = 1.000Ω ∠ 90.000°"), std::string::npos) << out;
    EXPECT_NE(out.find("\n2    √     Z3   区段"), std::string::npos) << out;
    EXPECT_EQ(out.find("\n3 "), std::string::npos) << out;
    EXPECT_NE(out.find("Elements of Z1:\n    circle"), std::string::npos) << out;

    // A script error names its line; the host says so in its status.
    std::ofstream(dir.path() / "bad.session") << "expect-dialog 1000\nclick 4005\n";
    EXPECT_EQ(run("--play '" + (dir.path() / "bad.session").string() + "'"), 2);
    EXPECT_NE(ReadText(dir.path() / "err").find("line 2: dialog 1000 has no control 4005"),
              std::string::npos)
        << ReadText(dir.path() / "err");
    EXPECT_NE(ReadText(dir.path() / "out").find("my_dll_ZoneSet: 0\n"), std::string::npos);
}
