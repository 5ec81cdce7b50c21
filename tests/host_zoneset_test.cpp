// The library as the host sees it: loaded with dlopen in a child process
// (the library object lives once per loaded image), and the demo host.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "pg_server.h"
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
        // A home as Windows has it; not made where something else is in the way.
        ::mkdir(home.c_str(), 0777);
        ::mkdir((home / "Documents").c_str(), 0777);
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

std::string HostPath() {
    return std::filesystem::path(QZ_LIBRARY_PATH).parent_path() / "quarn-host";
}

struct ToolRun {
    int status;  // -1: it did not exit
    std::string out, err;
};

// Runs a tool with HOME at dir/home.  Its standard output goes to a file
// that is read back, or to `stdoutTo`: a path such as /dev/full, or "" for
// a pipe whose reader has gone.
ToolRun RunTool(const qztest::TempDir& dir, const std::vector<std::string>& args,
                const char* stdoutTo = nullptr) {
    std::filesystem::path home = dir.path() / "home", out = dir.path() / "stdout",
                          err = dir.path() / "stderr";
    std::filesystem::create_directories(home);
    int broken[2] = {-1, -1};
    bool toPipe = stdoutTo && !*stdoutTo;
    if (toPipe) {
        if (::pipe(broken) != 0) return {-1, "", "pipe failed"};
        ::close(broken[0]);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        // A home as Windows has it; not made where something else is in the way.
        ::mkdir(home.c_str(), 0777);
        ::mkdir((home / "Documents").c_str(), 0777);
        int o = toPipe
                    ? broken[1]
                    : ::open(stdoutTo ? stdoutTo : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(126);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (toPipe) ::close(broken[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, stdoutTo ? "" : ReadText(out),
            ReadText(err)};
}

std::string WriteScript(const qztest::TempDir& dir, const std::string& name,
                        const std::string& text) {
    std::ofstream(dir.path() / name) << text;
    return (dir.path() / name).string();
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
    std::string zone = ToUtf8(WriteZoneFile(dir, "relay.zone", 3));
    std::string session = std::string(QZ_SOURCE_DIR) + "/examples/sessions/zoneset-demo.session";
    ToolRun run = RunTool(dir, {HostPath(), "--play", session, zone});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string& out = run.out;
    EXPECT_NE(out.find("my_dll_ZoneSet: 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Allowed error: 5.000 %\n"), std::string::npos) << out;
    // Two zones are left: the first unticked, the third now second; the
    // first keeps its circle.
    EXPECT_NE(out.find("\n1          Z1   区段  Zzd = 1.000Ω ∠ 90.000°"), std::string::npos) << out;
    EXPECT_NE(out.find("\n2    √     Z3   区段"), std::string::npos) << out;
    EXPECT_EQ(out.find("\n3 "), std::string::npos) << out;
    EXPECT_NE(out.find("Elements of Z1:\n    mho   "), std::string::npos) << out;

    // A script error names its line; the host says so in its status.
    run = RunTool(dir, {HostPath(), "--play",
                        WriteScript(dir, "bad.session", "expect-dialog 1000\nclick 4005\n")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("line 2: dialog 1000 has no control 4005"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("my_dll_ZoneSet: 0\n"), std::string::npos);
}

// Through the demo host as an engineer: a circle, a polygon and a lens drawn
// by hand, the circle edited; then two zones imported from the sample
// library beside the host.
TEST(HostZoneSet, DemoHostDefinesZonesByHandAndImportsThem) {
    qztest::TempDir dir;
    std::string drawn = WriteScript(dir, "drawn.session", R"(
grid-rclick 4002 0 1
menu 自定义
click 4159
click 4320
type 4343 2
click 4351
click 1
click 4160
grid-rclick 4002 1 1
menu 自定义
type 4150 Z2
click 4159
click 4316
click 4320
type 4381 -1
click 4384
click 4320
type 4380 3
type 4381 0
type 4382 80
click 4384
click 1
click 4160
grid-rclick 4002 1 1
menu 自定义
click 4159
click 4317
click 4320
click 4414
click 1
click 4160
grid-dblclick 4002 1 2
click 4159
grid-dblclick 4000 1 1
type 4343 5
click 4351
click 1
click 4160
click 4003
)");
    ToolRun run = RunTool(dir, {HostPath(), "--play", drawn});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part :
         {"\n1    √     Z1,LE  接地距离 I段  Zzd = 1.000Ω ∠ 78.000°, 偏转角 = 0.000 °  圆\n",
          "\n2    √     Z2     接地距离 I段  Zzd = 1.000Ω ∠ 78.000°, 偏转角 = 0.000 °  多边形\n",
          "\n3    √     Z2_2   接地距离 I段  Zzd = 1.000Ω ∠ 78.000°, 偏转角 = 0.000 °  透镜\n",
          "Elements of Z1,LE:\n    mho     Z1 = 5.000Ω ∠ 78.000°  Z2 = 0.000Ω ∠ 0.000°  "
          "deflection = 0.000°\n\n",
          "Elements of Z2:\n"
          "    line    Z1 = (0.000, -1.000)Ω  Z2 = (2.824, -1.000)Ω  Z = (0.000, -1.000)Ω  "
          "inclination = 0.000°\n"
          "    line    Z1 = (2.824, -1.000)Ω  Z2 = (3.000, 0.000)Ω  Z = (3.000, 0.000)Ω  "
          "inclination = 80.000°\n\n",
          "Elements of Z2_2:\n    lens    Z1 = 1.000Ω ∠ 78.000°  Z2 = 0.000Ω ∠ 0.000°  inner "
          "angle = 120.000°  A = 0.577Ω  A/B = 0.577\n"})
        EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;

    std::string session = std::string(QZ_SOURCE_DIR) + "/examples/sessions/import-demo.session";
    run = RunTool(dir, {HostPath(), "--play", session});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part :
         {"\n1    √     Z1,LE  Z1 EARTH  Rzd = 2.500Ω, Xzd = 6.000Ω ",
          "\n2    √     Z2,LL  Z2 PP     Zzd = 8.000Ω ∠ 75.000°, 偏转角 = 0.000 °",
          "Elements of Z1,LE:\n    line    Z1 = (-0.625, 6.000)Ω  Z2 = (2.500, 5.400)Ω",
          "Elements of Z2,LL:\n    mho     Z1 = 8.000Ω ∠ 75.000°  Z2 = 0.000Ω ∠ 0.000°"})
        EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;

    // Editing the imported mho evaluates it again with the new setting, under
    // a tag that stays unique: the derived "Z1,LE" is taken by the first zone.
    std::string edit = WriteScript(dir, "edit.session", R"(
grid-rclick 4002 0 1
menu 导入...
tree 4130 "请选择生产厂家: " "Borealis Relaytech" "Line distance" BRX-410 "Z1 earth"
click 4140
grid-rclick 4002 1 1
menu 导入...
click 4140
grid-dblclick 4002 2 2
expect-dialog 1001
expect-text 4131 Z1,LE
type 4137 6
click 4140
expect-cell 4002 2 1 Z1,LE_2
click 4003
)");
    run = RunTool(dir, {HostPath(), "--play", edit});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Elements of Z1,LE:\n    mho     Z1 = 4.000Ω ∠ 75.000°"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(
        run.out.ends_with("Elements of Z1,LE_2:\n    mho     Z1 = 6.000Ω ∠ 75.000°  Z2 = "
                          "0.000Ω ∠ 0.000°  deflection = 0.000°\n"))
        << run.out;
}

// A lab's shared library: with no file beside the host, the import dialog
// reads the data source "MS Access Database", here a PostgreSQL server the
// tool filled, as the test sets' role that may only read; the zone parameter
// file is the embedded library's byte for byte.  Without a data source
// either, the tree is empty and the message names where the library was
// looked for.
TEST(HostZoneSet, ImportFromAPostgresDataSourceEqualsTheEmbeddedLibrary) {
    qztest::PgServer server;
    if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
    ASSERT_TRUE(server.Running()) << server.Error();
    qztest::TempDir dir;
    qztest::ToolRun push =
        qztest::Quarnz("template push '" QZ_SOURCE_DIR "/examples/templates/sample.json' --odbc '" +
                           server.Connect("postgres") + "'",
                       dir);
    ASSERT_EQ(push.status, 0) << push.err;

    const std::string session = QZ_SOURCE_DIR "/examples/sessions/import-demo.session";
    const std::filesystem::path written =
        dir.path() / "home" / "Documents" / "Quarn" / "Temp" / "zonePara.tmp";
    ToolRun embedded = RunTool(dir, {HostPath(), "--play", session});
    ASSERT_EQ(embedded.status, 0) << embedded.err;
    EXPECT_NE(embedded.err.find("template library: SQLite, " +
                                (std::filesystem::path(HostPath()).parent_path() / "Template" /
                                 "QuarnTemplate.mdb")
                                    .string() +
                                "\n"),
              std::string::npos)
        << embedded.err;
    const std::string expected = ReadText(written);
    std::filesystem::remove(written);

    std::filesystem::create_directories(dir.path() / "host");
    const std::string host = (dir.path() / "host" / "quarn-host").string();
    std::filesystem::copy_file(HostPath(), host);
    auto run = [&](const std::filesystem::path& odbc, const std::string& script) {
        // This process's own configuration is given back after the run.
        std::vector<std::pair<const char*, std::optional<std::string>>> saved;
        for (const char* name : {"ODBCSYSINI", "ODBCINI", "LSAN_OPTIONS"}) {
            const char* value = ::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("ODBCSYSINI", odbc.c_str(), 1);
        ::setenv("ODBCINI", (odbc / "odbc.ini").c_str(), 1);
        // The driver, unloaded when the library lets the connection go,
        // leaves its own allocations behind; the library's ODBC code is
        // checked for leaks in the template tests.
        ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
        ToolRun r = RunTool(dir, {host, "--library", QZ_LIBRARY_PATH, "--play", script});
        for (const auto& [name, value] : saved)
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        return r;
    };
    server.WriteDataSource(dir.path() / "odbc", "quarn_reader");
    ToolRun shared = run(dir.path() / "odbc", session);
    ASSERT_EQ(shared.status, 0) << shared.err;
    EXPECT_NE(shared.err.find("template library: ODBC, data source \"MS Access Database\"\n"),
              std::string::npos)
        << shared.err;
    EXPECT_EQ(shared.out, embedded.out);
    EXPECT_EQ(ReadText(written), expected);

    std::filesystem::create_directories(dir.path() / "none");
    std::ofstream(dir.path() / "none" / "odbc.ini");
    ToolRun none = run(dir.path() / "none",
                       WriteScript(dir, "none.session",
                                   R"(
grid-rclick 4002 0 1
menu 导入...
expect-message "没有找到模板库: 文件 )" +
                                       (dir.path() / "host/Template/QuarnTemplate.mdb").string() +
                                       R"( 不存在, 数据源 \"MS Access Database\" 也没有定义 !"
answer ok
expect-dialog 1001
expect-tree 4130 "请选择生产厂家: "
expect-refused tree 4130 "请选择生产厂家: " "Meridian Grid Devices"
close
expect-dialog 1000
expect-messages 1
close
)"));
    EXPECT_EQ(none.status, 0) << none.err;
}

TEST(HostZoneSet, DemoHostKeepsTheLibraryBetweenCalls) {
    qztest::TempDir dir;
    std::string zone = ToUtf8(WriteZoneFile(dir, "relay.zone", 3));
    std::string ok = WriteScript(dir, "ok.session",
                                 "expect-text 4001 \"10.000 %\"\nexpect-current-row 4002 1\n"
                                 "type 4001 5\nclick 4003\n");
    // No file: no zones, the allowed error the last call left, then Cancel.
    std::string cancel = WriteScript(dir, "cancel.session",
                                     "expect-rows 4002 1\nexpect-current-row 4002 0\n"
                                     "expect-text 4001 \"5.000 %\"\nclick 4004\n");
    ToolRun run = RunTool(dir, {HostPath(), "--call", "--play", ok, zone, "--call", "--play",
                                cancel, "--null", "--release", "--call", "--play", cancel});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string calls, work = (dir.path() / "home/Documents/Quarn/Temp/zonePara.tmp").string();
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("call ") || line.starts_with("my_dll_")) calls += line + "\n";
    // Cancel after OK forgets the file name; my_dll_Release keeps the allowed error.
    EXPECT_EQ(calls, "call 1\nmy_dll_ZoneSet: 1\nmy_dll_GetZoneFileName: 1 " + work +
                         "\n"
                         "call 2\nmy_dll_ZoneSet: 0\nmy_dll_GetZoneFileName: 0 \n"
                         "my_dll_Release\n"
                         "call 3\nmy_dll_ZoneSet: 0\nmy_dll_GetZoneFileName: 0 \n");
    EXPECT_NE(run.out.find("Allowed error: 5.000 %\n"), std::string::npos) << run.out;

    // A call whose session fails ends the run there.
    run = RunTool(dir, {HostPath(), "--call", "--play", cancel, zone, "--call", "--play", ok});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("line 1: grid 4002 has 4 rows, not 1"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("call 2"), std::string::npos) << run.out;
}

TEST(HostZoneSet, ToolsFailWithOneLineAndAStatus) {
    qztest::TempDir dir;
    std::string zone = ToUtf8(WriteZoneFile(dir, "relay.zone", 1));
    std::string cancel = WriteScript(dir, "cancel.session", "click 4004\n");
    std::string host = HostPath(), quarnz = QZ_QUARNZ_PATH, folder = dir.path().string();
    struct Case {
        std::vector<std::string> args;
        const char* stdoutTo;
        std::string err;  // empty: any one line
    } cases[] = {
        {{host, "\xff.zone"}, nullptr, "quarn-host: \\xFF.zone: the file name is not UTF-8\n"},
        {{host, "--play", folder}, nullptr, "quarn-host: " + folder + ": cannot be read\n"},
        {{host, "--play", "/dev/zero"}, nullptr, "quarn-host: /dev/zero: cannot be read\n"},
        {{host, "--release"},
         nullptr,
         "quarn-host: --release stands between two --call (see --help)\n"},
        {{host, "--call", "--play", cancel, "--play", cancel},
         nullptr,
         "quarn-host: one --play a call (see --help)\n"},
        {{host, "--play", cancel, zone},
         "/dev/full",
         "quarn-host: cannot write to standard output: No space left on device\n"},
        {{host, "--play", cancel, zone},
         "",
         "quarn-host: cannot write to standard output: Broken pipe\n"},
        {{quarnz, "show", zone},
         "/dev/full",
         "quarnz: cannot write to standard output: No space left on device\n"},
        {{quarnz, "show", zone}, "", "quarnz: cannot write to standard output: Broken pipe\n"},
        {{quarnz, "shwo", zone}, nullptr, ""},
    };
    for (const Case& c : cases) {
        ToolRun run = RunTool(dir, c.args, c.stdoutTo);
        EXPECT_GT(run.status, 0) << c.args[1];
        if (!c.err.empty()) {
            EXPECT_EQ(run.err, c.err) << c.args[1];
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZ_ASAN 1
#endif
#endif
#if !defined(QZ_ASAN) && !defined(__SANITIZE_ADDRESS__)
// The address sanitizer reserves more address space than any limit allows.
TEST(HostZoneSet, PlaySessionTurnsRunningOutOfMemoryIntoZero) {
    qztest::TempDir dir;
    std::string out = InChild(dir.path(), [] {
        Library lib;
        if (!lib.Ok()) return std::string("no library");
        Text script;
        for (int i = 0; i < 1000000; ++i) script += u"enter\n";
        // Room for a little more than the process holds now: not for the steps.
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit old{};
        ::getrlimit(RLIMIT_AS, &old);
        rlimit low = old;
        low.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(8) << 20);
        ::setrlimit(RLIMIT_AS, &low);
        int starved = lib.Play(script.c_str());
        ::setrlimit(RLIMIT_AS, &old);
        return std::to_string(starved) + " " + std::to_string(lib.Play(u"close"));
    });
    EXPECT_EQ(out, "0 1");
}
#endif
