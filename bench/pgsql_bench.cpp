// A lab's shared template library under load: demo hosts started at once
// against one PostgreSQL server (its own, on a Unix socket), each filling
// the import tree five times and importing five zones, beside one host
// alone.  The time is the batch's wall time; "per_host" divides it by the
// hosts.  Every host must end its session with the five zones it chose, each
// once: a failed connection or a lost or doubled zone stops the benchmark.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "pg_server.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "zones/zone_list.h"

extern char** environ;

using namespace qz;

namespace {

constexpr int kZones = 5;

struct Lab {
    qztest::PgServer server;
    qztest::TempDir dir;
    std::string host, session, odbc;
    std::multiset<std::int32_t> ids;
    std::string error;

    Lab() {
        if (!server.Running()) {
            error = server.Skip() + server.Error();
            return;
        }
        std::unique_ptr<CTemplateDatabase> sample =
            OpenSqliteTemplateDatabase(FromUtf8(QZ_TEMPLATE_LIBRARY));
        std::vector<CRecordset_Distance> rows = sample->AllRows();
        WriteOdbcTemplateDatabase(FromUtf8(server.Connect("postgres")), rows);
        // The first five zones, each picked by its path in the tree.
        std::ofstream script(dir.path() / "five.session");
        for (int i = 0; i < kZones; ++i) {
            const CRecordset_Distance& r = rows.at(static_cast<std::size_t>(i));
            ids.insert(r.nID);
            script << "grid-rclick 4002 " << i << " 1\nmenu 导入...\nexpect-dialog 1001\n"
                   << "tree 4130 \"请选择生产厂家: \" \"" << ToUtf8(r.strManufacturer) << "\" \""
                   << ToUtf8(r.strProtSort) << "\" \"" << ToUtf8(r.strProtModel) << "\" \""
                   << ToUtf8(r.strZoneName) << "\"\nclick 4140\nexpect-rows 4002 " << i + 2 << "\n";
        }
        script << "click 4003\n";
        session = (dir.path() / "five.session").string();
        // A host without a library file beside it reads the data source.
        std::filesystem::create_directories(dir.path() / "host");
        host = (dir.path() / "host" / "quarn-host").string();
        std::filesystem::copy_file(QZ_HOST_PATH, host);
        server.WriteDataSource(dir.path() / "odbc", "quarn_reader");
        odbc = (dir.path() / "odbc").string();
    }

    // Starts `hosts` hosts at once, each in a home of its own, and waits for
    // all (each ended after 120 s); an empty text when every one wrote its
    // five zones.
    std::string Run(int hosts) {
        std::vector<pid_t> pids;
        for (int i = 0; i < hosts; ++i) {
            std::filesystem::path home = dir.path() / ("home" + std::to_string(i));
            std::filesystem::remove_all(home);
            std::filesystem::create_directories(home);
            std::vector<std::string> env = {"HOME=" + home.string(), "ODBCSYSINI=" + odbc,
                                            "ODBCINI=" + odbc + "/odbc.ini", "PATH=/usr/bin:/bin"};
            std::vector<std::string> args = {"timeout",       "120",    host,   "--library",
                                             QZ_LIBRARY_PATH, "--play", session};
            std::vector<char*> argv, envp;
            for (auto& a : args) argv.push_back(a.data());
            for (auto& e : env) envp.push_back(e.data());
            argv.push_back(nullptr);
            envp.push_back(nullptr);
            posix_spawn_file_actions_t quiet;
            posix_spawn_file_actions_init(&quiet);
            posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&quiet, 2, (home / "stderr").c_str(),
                                             O_WRONLY | O_CREAT, 0644);
            pid_t pid = 0;
            if (posix_spawnp(&pid, "timeout", &quiet, nullptr, argv.data(), envp.data()) == 0)
                pids.push_back(pid);
            posix_spawn_file_actions_destroy(&quiet);
        }
        std::string failed = pids.size() == std::size_t(hosts) ? "" : "a host did not start";
        for (pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed = "a host failed";
        }
        for (int i = 0; i < hosts && failed.empty(); ++i) {
            std::filesystem::path home = dir.path() / ("home" + std::to_string(i));
            CZoneLists lists;
            std::multiset<std::int32_t> got;
            if (lists.LoadZoneFile(
                    FromUtf8((home / "Documents" / "Quarn" / "Temp" / "zonePara.tmp").string())))
                for (const auto& z : lists.arrZones) got.insert(z->nID);
            if (got != ids) failed = "host " + std::to_string(i) + " lost or doubled a zone";
        }
        return failed;
    }
};

Lab& TheLab() {
    static Lab lab;
    return lab;
}

void BM_Hosts(benchmark::State& state) {
    Lab& lab = TheLab();
    if (!lab.error.empty()) {
        state.SkipWithError(lab.error.c_str());
        return;
    }
    const int hosts = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string failed = lab.Run(hosts);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!failed.empty()) {
            state.SkipWithError(failed.c_str());
            return;
        }
        state.SetIterationTime(took.count());
        state.counters["per_host_ms"] += took.count() * 1000 / hosts;
    }
    state.counters["per_host_ms"] /= static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_Hosts)->Arg(1)->Arg(32)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
