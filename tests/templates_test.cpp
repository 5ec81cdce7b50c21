#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "app/app.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "test_util.h"

using namespace qz;

namespace {

CRecordset_Distance Row(std::int32_t id, Text maker, Text sort, Text model, Text zone,
                        std::vector<std::uint8_t> settings = {1, 0, 0, 0, 0, 0, 0, 0}) {
    CRecordset_Distance r;
    r.nID = id;
    r.strManufacturer = std::move(maker);
    r.strProtSort = std::move(sort);
    r.strProtModel = std::move(model);
    r.strZoneName = std::move(zone);
    r.Zzd_Mode = id % 4;
    r.Zzd_1 = 1.5f * static_cast<float>(id);
    r.Zzd_2 = 75.25f;
    r.Zzd_3 = -3.0f;
    r.ProtSettings = std::move(settings);
    r.strMemo = u"memo";
    return r;
}

// A library with quotes, pattern characters, long texts, an empty and a
// large characteristic, and rows whose columns are NULL.
std::vector<CRecordset_Distance> FixtureRows() {
    std::vector<std::uint8_t> large(10000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<CRecordset_Distance> rows = {
        Row(1, u"Borealis", u"Line", u"BX-100", u"Z2 phase-phase"),
        Row(2, u"Borealis", u"Line", u"BX-100", u"Z1 earth"),
        Row(3, u"Borealis", u"Transformer", u"BT-7", u"Z3 earth", {}),
        Row(4, u"O'Hara", u"Feeder's", u"Q'1", u"Z1 earth", large),
        Row(5, u"A_c", u"Li%", u"M_1", u"Z4 earth"),
        Row(6, u"Abc", u"Line", u"MX1", u"Z2 earth"),
        Row(7, u"Abc", u"Lima", u"MX2", u"Z1 earth"),
        Row(8, u"Borealis", u"Line", u"BX-100", Text(300, u'\u00e9')),
    };
    rows[7].strMemo = Text(256, u'm');
    rows[0].strMemo = u"Δ 测试";
    return rows;
}

std::string Utf8(const std::filesystem::path& p) {
    return p.string();
}

// A private unixODBC configuration: the SQLite ODBC driver under the Access
// driver's name, the data source opening a copy of `database`.  The driver
// manager reads its configuration once per process, so there is one, and
// its data source's file is replaced instead.
void ConfigureOdbc(const std::filesystem::path& database) {
    static qztest::TempDir config;
    static const bool written = [&] {
        const std::filesystem::path& folder = config.path();
        std::ofstream(folder / "odbcinst.ini")
            << "[" << ToUtf8(kTemplateDriver) << "]\nDriver=" << QZ_SQLITE_ODBC_DRIVER << "\n";
        std::ofstream(folder / "odbc.ini")
            << "[" << ToUtf8(kTemplateDataSource) << "]\nDriver=" << ToUtf8(kTemplateDriver)
            << "\nDatabase=" << Utf8(folder / "source.db") << "\n";
        setenv("ODBCSYSINI", Utf8(folder).c_str(), 1);
        setenv("ODBCINI", Utf8(folder / "odbc.ini").c_str(), 1);
        return true;
    }();
    (void)written;
    std::filesystem::copy_file(database, config.path() / "source.db",
                               std::filesystem::copy_options::overwrite_existing);
}

// Every statement over the whole library, each level from the one above.
struct Walk {
    std::vector<Text> makers;
    std::vector<std::vector<Text>> sorts, models;
    std::vector<std::vector<CRecordset_Distance>> zones;
    std::vector<std::optional<CRecordset_Distance>> ones;
    bool operator==(const Walk&) const = default;
};

Walk WalkAll(CTemplateDatabase& db) {
    Walk w;
    w.makers = db.Manufacturers();
    for (const Text& maker : w.makers) {
        for (const Text& sort : w.sorts.emplace_back(db.ProtSorts(maker))) {
            for (const Text& model : w.models.emplace_back(db.ProtModels(maker, sort))) {
                for (const CRecordset_Distance& r :
                     w.zones.emplace_back(db.Zones(maker, sort, model)))
                    w.ones.push_back(db.Zone(r.nID));
            }
        }
    }
    w.ones.push_back(db.Zone(999));
    return w;
}

}  // namespace

TEST(Templates, BothBackendsReadTheSameRowsForEveryStatement) {
    qztest::TempDir dir;
    std::vector<CRecordset_Distance> rows = FixtureRows();
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rows);
    ConfigureOdbc(dir.path() / "lib.db");
    auto sqlite = OpenSqliteTemplateDatabase(dir.text("lib.db"));
    // The DBQ is the Access driver's; this driver opens the data source's file.
    auto odbc = OpenOdbcTemplateDatabase(dir.text("ignored.mdb"));

    Walk walk = WalkAll(*sqlite);
    EXPECT_TRUE(walk == WalkAll(*odbc));
    EXPECT_EQ(walk.makers, (std::vector<Text>{u"A_c", u"Abc", u"Borealis", u"O'Hara"}));
    for (auto* db : {sqlite.get(), odbc.get()}) {
        // "=" takes a pattern character literally, "like" as a pattern.
        EXPECT_EQ(db->ProtSorts(u"A_c"), std::vector<Text>{u"Li%"});
        EXPECT_EQ(db->ProtModels(u"A_c", u"Li%"), (std::vector<Text>{u"MX1", u"MX2", u"M_1"}));
        // A quote is a value like any other.
        EXPECT_EQ(db->ProtSorts(u"O'Hara"), std::vector<Text>{u"Feeder's"});
        ASSERT_EQ(db->Zones(u"O'Hara", u"Feeder's", u"Q'1").size(), 1u);

        std::vector<CRecordset_Distance> zones = db->Zones(u"Borealis", u"Line", u"BX-100");
        ASSERT_EQ(zones.size(), 3u);
        EXPECT_EQ(zones[0], rows[1]);
        EXPECT_EQ(zones[1], rows[0]);
        // Texts over 255 characters read cut to 255.
        EXPECT_EQ(zones[2].strZoneName, Text(255, u'\u00e9'));
        EXPECT_EQ(zones[2].strMemo, Text(255, u'm'));
        EXPECT_EQ(db->Zone(3)->ProtSettings.size(), 0u);
        EXPECT_EQ(db->Zone(4)->ProtSettings, rows[3].ProtSettings);
        EXPECT_FALSE(db->Zone(0));
    }
}

TEST(Templates, NullColumnsReadEmptyAndFailuresCarryTheDriversText) {
    qztest::TempDir dir;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Utf8(dir.path() / "nulls.db").c_str(), &db), SQLITE_OK);
        // Made by another tool: no primary key, a zero-length block beside NULLs.
        ASSERT_EQ(
            sqlite3_exec(
                db,
                "create table Prot_Distance (nID INTEGER, strManufacturer TEXT, strProtSort TEXT,"
                " strProtModel TEXT, strZoneName TEXT, Zzd_Mode INTEGER, Zzd_1 REAL, Zzd_2 REAL,"
                " Zzd_3 REAL, ProtSettings BLOB, strMemo TEXT);"
                "insert into Prot_Distance values (5, 'M', NULL, NULL, NULL, NULL, NULL, NULL, "
                "NULL,"
                " NULL, NULL);"
                "insert into Prot_Distance values (6, 'M', 'S', 'X', 'Z', 2, 1, 2, 3, x'', 'r');",
                nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    std::ofstream(dir.path() / "junk.db")
        << "not a database at all, but long enough to have a header";
    ConfigureOdbc(dir.path() / "nulls.db");
    auto sqlite = OpenSqliteTemplateDatabase(dir.text("nulls.db"));
    auto odbc = OpenOdbcTemplateDatabase(dir.text("x.mdb"));
    for (auto* db : {sqlite.get(), odbc.get()}) {
        CRecordset_Distance expected;
        expected.nID = 5;
        expected.strManufacturer = u"M";
        EXPECT_EQ(db->Zone(5), expected);
        EXPECT_EQ(db->Zone(6)->ProtSettings.size(), 0u);
        EXPECT_EQ(db->ProtSorts(u"M"), (std::vector<Text>{u"", u"S"}));
    }

    auto message = [](auto open) {
        try {
            open();
        } catch (const CDBException& e) {
            return ToUtf8(e.m_strError);
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { OpenSqliteTemplateDatabase(dir.text("junk.db")); }),
              "file is not a database");
    EXPECT_EQ(message([&] { OpenSqliteTemplateDatabase(dir.text("missing.db")); }),
              "unable to open database file");
    // A file without the table fails at its first statement.
    WriteSqliteTemplateDatabase(dir.text("other.db"), {});
    {
        sqlite3* db = nullptr;
        sqlite3_open(Utf8(dir.path() / "other.db").c_str(), &db);
        sqlite3_exec(db, "drop table Prot_Distance", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    EXPECT_EQ(message([&] { OpenSqliteTemplateDatabase(dir.text("other.db")); }),
              "no such table: Prot_Distance");
    ConfigureOdbc(dir.path() / "other.db");
    EXPECT_NE(message([&] {
                  OpenOdbcTemplateDatabase(dir.text("x.mdb"))->Manufacturers();
              }).find("no such table"),
              std::string::npos);
    // A data source the driver manager does not know.
}

TEST(Templates, TheLibraryObjectKeepsReleasesAndRetriesItsDatabase) {
    qztest::TempDir dir;
    std::filesystem::create_directories(dir.path() / "host" / "Template");
    CQuarnZGraphApp app(dir.text("docs"));
    app.InitFromExecutable(dir.text("host/quarn-host"));
    // No file: no database and no error, again and again.
    EXPECT_EQ(app.GetTemplateDatabase(), nullptr);
    EXPECT_EQ(app.GetTemplateDatabase(), nullptr);

    // A file that is not SQLite goes to ODBC, whose data source opens the fixture.
    std::filesystem::path mdb = dir.path() / "host" / "Template" / "QuarnTemplate.mdb";
    std::ofstream(mdb) << "Standard Jet DB";
    WriteSqliteTemplateDatabase(dir.text("lib.db"), FixtureRows());
    ConfigureOdbc(dir.path() / "lib.db");
    CTemplateDatabase* odbc = app.GetTemplateDatabase();
    ASSERT_NE(odbc, nullptr);
    EXPECT_EQ(odbc->Manufacturers().size(), 4u);
    EXPECT_EQ(app.GetTemplateDatabase(), odbc);
    app.Release();
    EXPECT_EQ(app.pDatabase, nullptr);

    // An SQLite file is read directly; a failed open throws and is retried.
    std::filesystem::copy_file(dir.path() / "lib.db", mdb,
                               std::filesystem::copy_options::overwrite_existing);
    {
        std::fstream damage(mdb, std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(16);
        damage.write("\xff\xff\xff", 3);  // an impossible page size
    }
    EXPECT_THROW(app.GetTemplateDatabase(), CDBException);
    EXPECT_EQ(app.pDatabase, nullptr);
    std::filesystem::copy_file(dir.path() / "lib.db", mdb,
                               std::filesystem::copy_options::overwrite_existing);
    CTemplateDatabase* sqlite = app.GetTemplateDatabase();
    ASSERT_NE(sqlite, nullptr);
    EXPECT_EQ(sqlite->Zone(4)->strManufacturer, u"O'Hara");
    // Released, the file can go, and nothing is opened again.
    app.Release();
    std::filesystem::remove(mdb);
    EXPECT_EQ(app.GetTemplateDatabase(), nullptr);
}

TEST(Templates, TheToolBuildsTheSampleLibraryAndRefusesABrokenFormula) {
    qztest::TempDir dir;
    std::string lib = (dir.path() / "lib.mdb").string();
    qztest::ToolRun run = qztest::Quarnz(
        "template build '" QZ_SOURCE_DIR "/examples/templates/sample.json' -o '" + lib + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    // Each characteristic is the element list in formula form as the archive
    // writer stores it, and reads back whole.
    auto db = OpenSqliteTemplateDatabase(FromUtf8(lib));
    std::set<std::int32_t> kinds, modes;
    for (std::int32_t id = 1; std::optional<CRecordset_Distance> r = db->Zone(id); ++id) {
        PictList picts;
        CArchiveReader ar(r->ProtSettings.data(), r->ProtSettings.size());
        ASSERT_GT(LoadPicts(ar, picts, PictForm::kFormula), 0) << id;
        EXPECT_EQ(ar.Remaining(), 0u) << id;
        for (const auto& p : picts) kinds.insert(p->Kind());
        modes.insert(r->Zzd_Mode);
    }
    EXPECT_EQ(kinds.size(), 4u);
    EXPECT_EQ(modes.size(), 4u);
    run = qztest::Quarnz("template list --json '" + lib + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)[1]["strManufacturer"], "Meridian Grid Devices");
    run = qztest::Quarnz("template show '" + lib + "' 1 --values 10,90,0", dir);
    EXPECT_NE(run.out.find("circle  Z1 = 10.000Ω ∠ 90.000°"), std::string::npos) << run.out;

    std::ofstream(dir.path() / "bad.json") << R"({"zones": [
        {"zone": "Z1", "elements": [{"kind": "lens", "ptZ1": ["polar", "1", "2"], "ptZ2": ["rect", "0", "0"],
                                     "strInnerAngle": "90"}]},
        {"zone": "Z2", "mode": 1, "elements": [{"kind": "line", "ptZ1": ["rect", "RZD", "0"],
                                                "ptZ2": ["rect", "2+FOO", "XZD"]}]}]})";
    std::filesystem::remove(lib);
    run = qztest::Quarnz(
        "template build '" + (dir.path() / "bad.json").string() + "' -o '" + lib + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("row 2 (Z2): element 1 ptZ2 formula 1 \"2+FOO\": error at position 3"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(lib));
}
