// The import tree of a lab's template library of 20,000 zones filled with
// the per-level statements, side by side with one ordered scan of the whole
// table reading the same columns.  The fill runs on SQLite and through ODBC
// (unixODBC with the SQLite ODBC driver).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "bench_zones.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"

using namespace qz;

namespace {

const std::filesystem::path& Folder() {
    static std::filesystem::path folder = [] {
        std::filesystem::path f = std::filesystem::temp_directory_path() / "qz-templates-bench";
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

// Written once per run.
const Text& Library() {
    static Text path = [] {
        std::vector<CRecordset_Distance> rows = qzbench::LabLibrary();
        Text p = FromUtf8((Folder() / "library.db").string());
        WriteSqliteTemplateDatabase(p, rows);
        return p;
    }();
    return path;
}

std::unique_ptr<CTemplateDatabase> OdbcLibrary() {
    std::ofstream(Folder() / "odbcinst.ini")
        << "[" << ToUtf8(kTemplateDriver) << "]\nDriver=" QZ_SQLITE_ODBC_DRIVER "\n";
    std::ofstream(Folder() / "odbc.ini")
        << "[" << ToUtf8(kTemplateDataSource) << "]\nDriver=" << ToUtf8(kTemplateDriver)
        << "\nDatabase=" << ToUtf8(Library()) << "\n";
    setenv("ODBCSYSINI", Folder().c_str(), 1);
    setenv("ODBCINI", (Folder() / "odbc.ini").c_str(), 1);
    return OpenOdbcTemplateDatabase(u"unused.mdb");
}

// Every level as the import dialog fills it; returns the zones seen.
std::size_t Fill(CTemplateDatabase& db) {
    std::size_t zones = 0;
    for (const Text& maker : db.Manufacturers())
        for (const Text& sort : db.ProtSorts(maker))
            for (const Text& model : db.ProtModels(maker, sort))
                zones += db.ZoneLeaves(maker, sort, model).size();
    return zones;
}

void FillTreeSqlite(benchmark::State& state) {
    auto db = OpenSqliteTemplateDatabase(Library());
    for (auto _ : state) {
        std::size_t zones = Fill(*db);
        if (zones != 20000) state.SkipWithError("wrong zone count");
        benchmark::DoNotOptimize(zones);
    }
}
BENCHMARK(FillTreeSqlite)->Unit(benchmark::kMillisecond);

void FillTreeOdbc(benchmark::State& state) {
    auto db = OdbcLibrary();
    for (auto _ : state) {
        std::size_t zones = Fill(*db);
        if (zones != 20000) state.SkipWithError("wrong zone count");
        benchmark::DoNotOptimize(zones);
    }
}
BENCHMARK(FillTreeOdbc)->Unit(benchmark::kMillisecond);

// The yardstick: the whole table in tree order, every column read as the
// record reads it.
void OrderedScanSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToUtf8(Library()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    // As the library opens it.
    sqlite3_exec(db, "pragma locking_mode=exclusive; pragma mmap_size=268435456", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select * from Prot_Distance order by strManufacturer, strProtSort, "
                       "strProtModel, strZoneName",
                       -1, &stmt, nullptr);
    for (auto _ : state) {
        std::vector<CRecordset_Distance> rows;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            CRecordset_Distance& r = rows.emplace_back();
            r.nID = sqlite3_column_int(stmt, 0);
            Text* texts[] = {&r.strManufacturer, &r.strProtSort, &r.strProtModel, &r.strZoneName};
            for (int c = 0; c < 4; ++c)
                texts[c]->assign(static_cast<const char16_t*>(sqlite3_column_text16(stmt, c + 1)),
                                 static_cast<std::size_t>(sqlite3_column_bytes16(stmt, c + 1)) / 2);
            r.setting = {sqlite3_column_int(stmt, 5),
                         static_cast<float>(sqlite3_column_double(stmt, 6)),
                         static_cast<float>(sqlite3_column_double(stmt, 7)),
                         static_cast<float>(sqlite3_column_double(stmt, 8))};
            const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, 9));
            r.ProtSettings.assign(blob, blob + sqlite3_column_bytes(stmt, 9));
            r.strMemo.assign(static_cast<const char16_t*>(sqlite3_column_text16(stmt, 10)),
                             static_cast<std::size_t>(sqlite3_column_bytes16(stmt, 10)) / 2);
        }
        sqlite3_reset(stmt);
        if (rows.size() != 20000) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows.data());
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
BENCHMARK(OrderedScanSqlite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
