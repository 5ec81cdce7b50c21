// The template library under files changed or cut while a host holds them,
// hostile files and servers that fail or restart.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "test_util.h"
#ifndef _WIN32
#include "pg_server.h"
#endif

using namespace qz;

namespace {

// Many pages: every row's characteristic is a page or so of its own.
std::vector<CRecordset_Distance> Rows(int count, const char16_t* memo = u"") {
    std::vector<CRecordset_Distance> rows;
    for (int i = 1; i <= count; ++i) {
        CRecordset_Distance& r = rows.emplace_back();
        r.nID = i;
        r.strManufacturer = Format("Maker %d", i % 7);
        r.strProtSort = u"Line";
        r.strProtModel = Format("M-%d", i % 3);
        r.strZoneName = Format("Z%d", i);
        r.ProtSettings.assign(3000, static_cast<std::uint8_t>(i));
        r.strMemo = memo;
    }
    return rows;
}

std::string Message(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const CDBException& e) {
        return ToUtf8Lossy(e.m_strError);
    }
    return "no error";
}

void Exec(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

}  // namespace

TEST(TemplateFaults, AFileChangedOrCutUnderTheHostGivesAnErrorAndIsOpenedAgain) {
    qztest::TempDir dir;
    const std::filesystem::path file = dir.path() / "lib.db";
    const std::vector<CRecordset_Distance> rows = Rows(40);
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rows);
    CQuarnZGraphApp app(dir.text("docs"));
    app.strTemplatePath = dir.text("lib.db");
    CTemplateDatabase* db = app.GetTemplateDatabase();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->AllRows(), rows);

    // Held open and read, the file can still be changed by another program,
    // and the host reads the change.
    Exec(file, "update Prot_Distance set strMemo = 'changed' where nID = 3");
    EXPECT_EQ(db->Zone(3)->strMemo, u"changed");
    EXPECT_EQ(app.GetTemplateDatabase(), db);

    // Cut to two pages: the database's error, never a signal.
    std::filesystem::resize_file(file, 8192);
    EXPECT_EQ(Message([&] { app.GetTemplateDatabase()->AllRows(); }),
              "database disk image is malformed");

    // The failed connection is let go: the next request opens the file anew
    // (here a new file under the name; the old one would read on cut).
    const std::vector<CRecordset_Distance> rebuilt = Rows(2, u"new");
#ifdef _WIN32
    // Windows keeps a file open by the failed connection from being
    // replaced: it is written over.
    WriteSqliteTemplateDatabase(dir.text("new.db"), rebuilt);
    {
        std::ifstream in(dir.path() / "new.db", std::ios::binary);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
    }
#else
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rebuilt);
#endif
    CTemplateDatabase* again = app.GetTemplateDatabase();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->Failed());
    EXPECT_EQ(again->AllRows(), rebuilt);
}

TEST(TemplateFaults, ALibraryFileOffersOnlyATableAndEveryStatementIsBoundInTime) {
    qztest::TempDir dir;
    // An endless query behind the table's name, in any case.
    Exec(dir.path() / "view.db",
         "create view prot_distance as with recursive n(i) as (select 1 union all select i + 1"
         " from n) select i as nID, 'M' as strManufacturer, 'S' as strProtSort, 'X' as"
         " strProtModel, 'Z' as strZoneName, 0, 0, 0, 0, x'' as ProtSettings, '' as strMemo"
         " from n");
    EXPECT_EQ(Message([&] { OpenSqliteTemplateDatabase(dir.text("view.db")); }),
              "Prot_Distance is not a table");

#ifndef _WIN32
    // A library is known by its header alone, however large the file.
    Exec(dir.path() / "huge.db", "create table Prot_Distance (nID integer primary key)");
    std::filesystem::resize_file(dir.path() / "huge.db", std::uintmax_t(1) << 40);
    EXPECT_TRUE(IsSqliteFile(dir.text("huge.db")));
#endif

    // The database's own message, though it quotes bytes that are no UTF-8.
    Exec(dir.path() / "schema.db",
         "create table Prot_Distance (nID integer primary key); pragma writable_schema=on;"
         " insert into sqlite_master values('view', cast(x'ff41' as text), cast(x'ff41' as"
         " text), 0, 'create view x as select')");
    EXPECT_EQ(Message([&] { OpenSqliteTemplateDatabase(dir.text("schema.db")); }),
              "malformed database schema (\uFFFDA) - incomplete input");

    // A table too large for the time given: stopped, with a message that
    // says so; the connection is then failed and let go.
    WriteSqliteTemplateDatabase(dir.text("large.db"), Rows(3000));
    auto db = OpenSqliteTemplateDatabase(dir.text("large.db"), std::chrono::milliseconds(0));
    EXPECT_EQ(Message([&] { db->AllRows(); }),
              "the statement took longer than 0 s and was stopped");
    EXPECT_TRUE(db->Failed());

#ifndef _WIN32
    // A server may offer a view; its statements end at the driver's query
    // timeout (here 1 s rather than 30).
    qztest::PgServer server;
    if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
    ASSERT_TRUE(server.Running()) << server.Error();
    qztest::ToolRun made = qztest::RunCommand(
        "psql -h '" + server.Directory() +
        "' -U postgres -d postgres -qAt -v ON_ERROR_STOP=1 -c \"" +
        "create view prot_distance as with recursive n(i) as (select 1 union all select i + 1 from"
        " n) select i as nid, 'M'::varchar as strmanufacturer, 'S'::varchar as strprotsort,"
        " 'X'::varchar as strprotmodel, 'Z'::varchar as strzonename, 0 as zzd_mode,"
        " 0::real as zzd_1, 0::real as zzd_2, 0::real as zzd_3, ''::bytea as protsettings,"
        " ''::varchar as strmemo from n; grant select on prot_distance to quarn_reader\" 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
    auto pg = OpenOdbcConnection(FromUtf8(server.Connect("quarn_reader")), 1);
    const std::string timeout = Message([&] { pg->Manufacturers(); });
    EXPECT_TRUE(timeout.starts_with("the statement took longer than 1 s and was cancelled ("))
        << timeout;
#endif
}

#ifndef _WIN32
// A server restarted under an open connection: the statement fails as a lost
// connection, and a new connection reads on.
TEST(TemplateFaults, AServerRestartLosesTheConnectionAndANewOneReads) {
    qztest::PgServer server;
    if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
    ASSERT_TRUE(server.Running()) << server.Error();
    const std::vector<CRecordset_Distance> rows = Rows(3);
    WriteOdbcTemplateDatabase(FromUtf8(server.Connect("postgres")), rows);
    const Text connect = FromUtf8(server.Connect("quarn_reader"));
    auto db = OpenOdbcConnection(connect);
    EXPECT_EQ(db->Manufacturers().size(), 3u);
    EXPECT_EQ(db->AllRows(), rows);
    ASSERT_TRUE(server.Restart());
    try {
        db->Manufacturers();
        ADD_FAILURE() << "read on a dropped connection";
    } catch (const CDBException& e) {
        EXPECT_TRUE(e.m_bLostConnection)
            << ToUtf8Lossy(e.m_strState) << " " << ToUtf8Lossy(e.m_strError);
    }
    EXPECT_TRUE(db->Failed());
    EXPECT_EQ(OpenOdbcConnection(connect)->AllRows(), rows);
}
#endif
