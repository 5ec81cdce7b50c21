// A PostgreSQL server of the test's own (scripts/pg-server) in a fresh
// folder, reached on its Unix socket, stopped and removed at scope end; and
// the template library's data source on it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_util.h"

namespace qztest {

class PgServer {
  public:
    PgServer() {
        if (!std::filesystem::exists(QZ_PG_ODBC_DRIVER)) {
            skip_ =
                "no PostgreSQL ODBC driver psqlodbcw.so (scripts/setup installs "
                "odbc-postgresql)";
            return;
        }
        // Not under a TempDir: the server's user must reach the folder.
        char name[] = "/tmp/qzpg-XXXXXX";
        if (!mkdtemp(name)) {
            error_ = "no temporary folder";
            return;
        }
        dir_ = name;
        ToolRun run = RunCommand(Script("start") + " 2>&1");
        if (run.status == 3)
            skip_ = run.out;
        else if (run.status != 0)
            error_ = "the server did not start: " + run.out;
        else
            running_ = true;
    }
    ~PgServer() {
        if (running_) RunCommand(Script("stop") + " 2>&1");
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Why the server cannot run here at all (the test is skipped), and why
    // it did not start where it could (the test fails).
    const std::string& Skip() const { return skip_; }
    bool Running() const { return running_; }
    const std::string& Error() const { return error_; }
    // The server's folder, where its socket is.
    const std::string& Directory() const { return dir_; }

    // Stops the server at once and starts it again: every connection is
    // dropped.  False when it did not come back.
    bool Restart() const { return RunCommand(Script("restart") + " 2>&1").status == 0; }

    // The attributes of the server's database: "postgres" may change it,
    // "quarn_reader" only read it.
    std::string Attributes(const std::string& user) const {
        return "Servername=" + dir_ + ";Port=5432;Database=postgres;Username=" + user;
    }
    std::string Connect(const std::string& user) const {
        return "Driver=" QZ_PG_ODBC_DRIVER ";" + Attributes(user);
    }

    // An ODBC configuration in `folder` whose data source "MS Access
    // Database" is this server's database as `user`, for a program started
    // with ODBCSYSINI at the folder and ODBCINI at its odbc.ini.
    void WriteDataSource(const std::filesystem::path& folder, const std::string& user) const {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "odbcinst.ini");
        std::ofstream(folder / "odbc.ini") << "[MS Access Database]\nDriver=" QZ_PG_ODBC_DRIVER "\n"
                                           << "Servername=" << dir_ << "\nPort=5432\n"
                                           << "Database=postgres\nUsername=" << user << "\n";
    }

  private:
    std::string Script(const char* command) const {
        return "timeout 120 " QZ_SOURCE_DIR "/scripts/pg-server " + std::string(command) + " " +
               dir_;
    }
    std::string dir_, skip_, error_;
    bool running_ = false;
};

}  // namespace qztest
