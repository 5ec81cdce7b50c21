// A lab's shared template library of 20,000 zones on a PostgreSQL server of
// its own (on a Unix socket), timed as the people who wait for it see it,
// each figure beside its yardstick in the same iteration:
// - Push: `quarnz template push` of the library file, beside psql replacing
//   the same rows with one COPY, each in one transaction.
// - OpenImport: one host opening the import dialog until its tree is
//   filled, from the server beside from the same library as an SQLite file
//   beside the host; and, for where the server's time goes, as many of the
//   one-zone statement (a round trip with the least work on the server) as
//   the tree fill runs statements.
// - Hosts: 32 hosts opening it at once, the median and the slowest host's
//   wait, beside one host alone; the same on the SQLite file, which shows
//   what the machine itself gives 32 processes at once.
// A host is this program started again with --host: the library object and
// the import dialog as the library runs them, headless, on a connection of
// its own; the hosts of a batch start on one signal.  A host that fails or
// whose tree lacks a zone stops the benchmark.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "app/app.h"
#include "bench_zones.h"
#include "dialogs/import/import_prot_dlg.h"
#include "pg_server.h"
#include "resources/resource_ids.h"
#include "session/headless/headless_session.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"

extern char** environ;

using namespace qz;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kZones = 20000;
constexpr int kHosts = 32;

// The host: waits for the signal on `goFd` (its end closed), opens the
// import dialog and, once the tree is filled, prints the clock's time and
// the number of zones in the tree (0 when one is lost or doubled).
int Host(const char* hostPath, const char* documents, int readyFd, int goFd) {
    CQuarnZGraphApp app(FromUtf8(documents));
    app.InitFromExecutable(FromUtf8(hostPath));
    session::HeadlessSession user;
    ui::UseBackend use(user);
    char byte = 1;
    if (write(readyFd, &byte, 1) != 1 || read(goFd, &byte, 1) != 0) return 1;
    CDlg_Import_Prot dlg([&app] { return app.GetTemplateDatabase(); }, app.strWorkPath);
    Clock::time_point filled;
    std::vector<std::intptr_t> ids;
    user.Call([&] {
        filled = Clock::now();
        // Items are numbered in insertion order.
        ui::CTreeModel& tree = dlg.Tree(res::kTreeTemplates);
        for (ui::TreeItem item = 1; tree.IsItem(item); ++item)
            if (tree.Depth(item) == 5) ids.push_back(tree.GetItemData(item));
    });
    user.Play("click 4141\n");
    dlg.DoModal();
    if (!user.Finish()) {
        std::fprintf(stderr, "%s\n", user.Errors().front().c_str());
        return 1;
    }
    // Every zone once: the ids are 1 to the number of zones.
    std::sort(ids.begin(), ids.end());
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] != std::intptr_t(i + 1)) ids.clear();
    std::printf("%lld %zu\n", static_cast<long long>(filled.time_since_epoch().count()),
                ids.size());
    return 0;
}

struct Lab {
    qztest::PgServer server;
    qztest::TempDir dir;
    std::string error;
    std::size_t statements = 0;

    Lab() {
        if (!server.Running()) {
            error = server.Skip() + server.Error();
            return;
        }
        // The same rows as an SQLite file beside one host, and on the server
        // for another host without a file.
        std::filesystem::create_directories(dir.path() / "sqlite" / "Template");
        std::filesystem::create_directories(dir.path() / "server");
        const std::vector<CRecordset_Distance> rows = qzbench::LabLibrary();
        WriteSqliteTemplateDatabase(FromUtf8(Library().string()), rows);
        // One for the manufacturers, then one per manufacturer, per sort and
        // per model.
        std::set<Text> levels;
        for (const CRecordset_Distance& r : rows)
            levels.insert({r.strManufacturer, r.strManufacturer + u'\n' + r.strProtSort,
                           r.strManufacturer + u'\n' + r.strProtSort + u'\n' + r.strProtModel});
        statements = levels.size() + 1;
        if (!Push()) return;
        qztest::ToolRun copy = Psql("-c \"\\copy prot_distance to '" + Rows().string() + "'\"");
        if (copy.status != 0) error = "psql: " + copy.out;
        server.WriteDataSource(dir.path() / "odbc", "quarn_reader");
    }

    std::filesystem::path Library() const {
        return dir.path() / "sqlite" / "Template" / "QuarnTemplate.mdb";
    }
    std::filesystem::path Rows() const { return dir.path() / "rows.copy"; }

    qztest::ToolRun Psql(const std::string& args) const {
        return qztest::RunCommand("psql -h '" + server.Directory() +
                                  "' -U postgres -d postgres -qX -v ON_ERROR_STOP=1 " + args +
                                  " 2>&1");
    }

    bool Push() {
        qztest::ToolRun run = qztest::Quarnz("template push '" + Library().string() + "' --odbc '" +
                                                 server.Connect("postgres") + "'",
                                             dir);
        if (run.status != 0) error = "quarnz: " + run.err;
        return run.status == 0;
    }

    // The table as autovacuum leaves it a while after a push.
    bool Settle() {
        qztest::ToolRun run = Psql("-c 'vacuum analyze prot_distance'");
        if (run.status != 0) error = "psql: " + run.out;
        return run.status == 0;
    }

    bool Copy() {
        qztest::ToolRun run =
            Psql("-1 -c 'delete from prot_distance' -c \"\\copy prot_distance from '" +
                 Rows().string() + "'\"");
        if (run.status != 0) error = "psql: " + run.out;
        return run.status == 0;
    }

    // Starts `hosts` hosts of the folder `kind` ("sqlite" or "server"),
    // each with documents of its own, lets them open the dialog at once and
    // returns each one's wait in milliseconds, sorted; on a failure none,
    // and the lab's error says why.
    std::vector<double> Open(const char* kind, int hosts) {
        // Alone means alone: the server processes of the hosts before have
        // ended.
        for (int i = 0; Psql("-Atc \"select count(*) from pg_stat_activity where backend_type ="
                             " 'client backend' and pid <> pg_backend_pid()\"")
                            .out != "0\n";
             ++i)
            if (i == 200) return Fail("the server's processes of the hosts before did not end");
        int ready[2], go[2];
        if (pipe(ready) != 0) return Fail("no pipe");
        if (pipe(go) != 0) {
            close(ready[0]);
            close(ready[1]);
            return Fail("no pipe");
        }
        // The hosts keep only their own ends.
        fcntl(ready[0], F_SETFD, FD_CLOEXEC);
        fcntl(go[1], F_SETFD, FD_CLOEXEC);
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string host = (dir.path() / kind / "quarn-host").string();
        const std::string odbc = (dir.path() / "odbc").string();
        std::vector<std::string> env = {"ODBCSYSINI=" + odbc, "ODBCINI=" + odbc + "/odbc.ini",
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<pid_t> pids;
        for (int i = 0; i < hosts; ++i) {
            std::filesystem::path home = dir.path() / ("home" + std::to_string(i));
            std::filesystem::remove_all(home);
            std::filesystem::create_directories(home);
            std::vector<std::string> args = {self,
                                             "--host",
                                             host,
                                             home.string(),
                                             std::to_string(ready[1]),
                                             std::to_string(go[0])};
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            posix_spawn_file_actions_t files;
            posix_spawn_file_actions_init(&files);
            posix_spawn_file_actions_addopen(&files, 1, (home / "out").c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_addopen(&files, 2, (home / "err").c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
            pid_t pid = 0;
            if (posix_spawn(&pid, self.c_str(), &files, nullptr, argv.data(), envp.data()) == 0)
                pids.push_back(pid);
            posix_spawn_file_actions_destroy(&files);
        }
        close(ready[1]);
        close(go[0]);
        // Every host set up, or one gone (all then see the end of the pipe).
        int readyHosts = 0;
        char byte = 0;
        pollfd wait = {ready[0], POLLIN, 0};
        while (readyHosts < int(pids.size()) && poll(&wait, 1, 120000) == 1 &&
               read(ready[0], &byte, 1) == 1)
            ++readyHosts;
        const Clock::time_point start = Clock::now();
        close(go[1]);
        close(ready[0]);
        bool failed = readyHosts != hosts;
        for (pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
        std::vector<double> waits;
        for (int i = 0; i < hosts && !failed; ++i) {
            std::filesystem::path home = dir.path() / ("home" + std::to_string(i));
            long long filled = 0;
            std::size_t zones = 0;
            std::ifstream(home / "out") >> filled >> zones;
            if (zones != kZones)
                return Fail("host " + std::to_string(i) + " has " + std::to_string(zones) +
                            " zones in its tree");
            waits.push_back(std::chrono::duration<double, std::milli>(
                                Clock::time_point(Clock::duration(filled)) - start)
                                .count());
        }
        if (failed) return Fail("a host failed: " + qztest::ReadText(dir.path() / "home0" / "err"));
        std::sort(waits.begin(), waits.end());
        return waits;
    }

    // Milliseconds for `statements` one-zone statements on a connection of
    // this process, the connecting not included; negative on a failure.
    double RoundTrips() {
        try {
            std::unique_ptr<CTemplateDatabase> db =
                OpenOdbcConnection(FromUtf8(server.Connect("quarn_reader")));
            const Clock::time_point start = Clock::now();
            for (std::size_t i = 0; i < statements; ++i)
                if (!db->Zone(static_cast<std::int32_t>(i % kZones + 1))) {
                    error = "a zone is missing";
                    return -1;
                }
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        } catch (const CDBException& e) {
            error = ToUtf8(e.m_strError);
            return -1;
        }
    }

    std::vector<double> Fail(const std::string& why) {
        error = why;
        return {};
    }
};

Lab& TheLab() {
    static Lab lab;
    return lab;
}

// Times `what` in milliseconds; false (the lab's error set) when it failed.
template <typename What>
bool Time(What&& what, double& ms) {
    const Clock::time_point start = Clock::now();
    if (!what()) return false;
    ms += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return true;
}

void BM_Push(benchmark::State& state) {
    Lab& lab = TheLab();
    double push = 0, copy = 0;
    for (auto _ : state) {
        const double before = push;
        if (!lab.error.empty() || !Time([&] { return lab.Push(); }, push) ||
            !Time([&] { return lab.Copy(); }, copy)) {
            state.SkipWithError(lab.error.c_str());
            return;
        }
        state.SetIterationTime((push - before) / 1000);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["push_ms"] = push / n;
    state.counters["copy_ms"] = copy / n;
    state.counters["push_per_copy"] = push / copy;
}
BENCHMARK(BM_Push)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenImport(benchmark::State& state) {
    Lab& lab = TheLab();
    double server = 0, sqlite = 0, trips = 0;
    if (lab.error.empty()) lab.Settle();
    for (auto _ : state) {
        std::vector<double> s, f;
        double t = -1;
        if (lab.error.empty()) s = lab.Open("server", 1);
        if (lab.error.empty()) f = lab.Open("sqlite", 1);
        if (lab.error.empty()) t = lab.RoundTrips();
        if (!lab.error.empty() || t < 0) {
            state.SkipWithError(lab.error.c_str());
            return;
        }
        server += s[0];
        sqlite += f[0];
        trips += t;
        state.SetIterationTime(s[0] / 1000);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["server_ms"] = server / n;
    state.counters["sqlite_ms"] = sqlite / n;
    state.counters["server_per_sqlite"] = server / sqlite;
    state.counters["statements"] = static_cast<double>(lab.statements);
    state.counters["round_trips_ms"] = trips / n;
    state.counters["round_trips_per_sqlite"] = trips / sqlite;
}
BENCHMARK(BM_OpenImport)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// `kind`: "server", or "sqlite" for what the machine gives 32 hosts that
// wait on no server at all.
void BM_Hosts(benchmark::State& state, const char* kind) {
    Lab& lab = TheLab();
    double alone = 0, median = 0, slowest = 0;
    if (lab.error.empty()) lab.Settle();
    for (auto _ : state) {
        // One host alone is the median of five, as the machine's other work
        // comes and goes.
        std::vector<double> one, all;
        for (int i = 0; i < 5 && lab.error.empty(); ++i)
            if (std::vector<double> wait = lab.Open(kind, 1); !wait.empty()) one.push_back(wait[0]);
        if (lab.error.empty()) all = lab.Open(kind, kHosts);
        if (!lab.error.empty()) {
            state.SkipWithError(lab.error.c_str());
            return;
        }
        std::sort(one.begin(), one.end());
        alone += one[2];
        median += (all[kHosts / 2 - 1] + all[kHosts / 2]) / 2;
        slowest += all.back();
        state.SetIterationTime(all.back() / 1000);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["alone_ms"] = alone / n;
    state.counters["median_ms"] = median / n;
    state.counters["slowest_ms"] = slowest / n;
    state.counters["median_per_alone"] = median / alone;
    state.counters["slowest_per_alone"] = slowest / alone;
}
BENCHMARK_CAPTURE(BM_Hosts, server, "server")
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hosts, sqlite, "sqlite")
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string_view(argv[1]) == "--host")
        return Host(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
