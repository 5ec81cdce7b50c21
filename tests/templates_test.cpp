#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/app.h"
#include "odbc_config.h"
#include "templates/odbc/odbc_row.h"
#include "templates/odbc/odbc_template_db.h"
#include "test_util.h"

#include <sqlite3.h>

#include "templates/sqlite/sqlite_template_db.h"
#ifndef _WIN32
#include "pg_server.h"
#endif

using namespace qz;
using qztest::ConfigureOdbc;

namespace {

CRecordset_Distance Row(std::int32_t id, Text maker, Text sort, Text model, Text zone,
                        std::vector<std::uint8_t> settings = {1, 0, 0, 0, 0, 0, 0, 0}) {
    CRecordset_Distance r;
    r.nID = id;
    r.strManufacturer = std::move(maker);
    r.strProtSort = std::move(sort);
    r.strProtModel = std::move(model);
    r.strZoneName = std::move(zone);
    r.setting = {id % 4, 1.5f * static_cast<float>(id), 75.25f, -3.0f};
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

constexpr const char* kNoOdbc =
    "no ODBC data source: scripts/windows-test makes one and names its file in QZ_ODBC_DATABASE, "
    "and the library built from tests/data/template-texts.json in QZ_TEMPLATE_TEXTS";

// Under Wine a copy_file that overwrites fails ("File exists").
void CopyOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::remove(to);
    std::filesystem::copy_file(from, to);
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
                std::vector<CRecordset_Distance> leaves;
                for (const CRecordset_Distance& r :
                     w.zones.emplace_back(db.Zones(maker, sort, model))) {
                    w.ones.push_back(db.Zone(r.nID));
                    CRecordset_Distance& leaf = leaves.emplace_back();
                    leaf.nID = r.nID;
                    leaf.strZoneName = r.strZoneName;
                }
                // The tree's rows: the same ids and names, nothing else.
                EXPECT_TRUE(db.ZoneLeaves(maker, sort, model) == leaves);
            }
        }
    }
    w.ones.push_back(db.Zone(999));
    return w;
}

// A library read through `db` is its source `file` (under the source tree)
// as the tool builds it: each level of the tree in the database's order
// (byte order of UTF-8, SQLite's; no names that differ in case only or hold
// pattern characters), every row whole, its texts cut to 255 characters, alike
// through both statements that read rows, and each characteristic decoding to
// the source's elements.
void ExpectLibraryAsSource(CTemplateDatabase& db, const std::string& file) {
    std::ifstream in(QZ_SOURCE_DIR "/" + file, std::ios::binary);
    ASSERT_TRUE(in) << file << " does not open";
    const nlohmann::json source = nlohmann::json::parse(in).at("zones");
    auto member = [&](std::int32_t id, const char* name) {
        return source.at(static_cast<std::size_t>(id - 1)).at(name).get<std::string>();
    };
    using Ids = std::vector<std::int32_t>;
    std::map<std::string, std::map<std::string, std::map<std::string, Ids>>> tree;
    for (std::int32_t id = 1; id <= static_cast<std::int32_t>(source.size()); ++id)
        tree[member(id, "manufacturer")][member(id, "sort")][member(id, "model")].push_back(id);
    Walk expected;
    std::vector<Ids> expectedIds;
    for (auto& [maker, sorts] : tree) {
        expected.makers.push_back(FromUtf8(maker));
        std::vector<Text>& sortNames = expected.sorts.emplace_back();
        for (auto& [sort, models] : sorts) {
            sortNames.push_back(FromUtf8(sort));
            std::vector<Text>& modelNames = expected.models.emplace_back();
            for (auto& [model, ids] : models) {
                modelNames.push_back(FromUtf8(model));
                std::ranges::sort(ids, {}, [&](std::int32_t id) { return member(id, "zone"); });
                expectedIds.push_back(ids);
            }
        }
    }

    Walk walk = WalkAll(db);
    EXPECT_EQ(walk.makers, expected.makers);
    EXPECT_EQ(walk.sorts, expected.sorts);
    EXPECT_EQ(walk.models, expected.models);
    std::vector<Ids> ids;
    std::size_t one = 0;
    for (const std::vector<CRecordset_Distance>& zones : walk.zones) {
        Ids& group = ids.emplace_back();
        for (const CRecordset_Distance& r : zones) {
            group.push_back(r.nID);
            EXPECT_EQ(walk.ones.at(one++), r);
            if (r.nID < 1 || r.nID > static_cast<std::int32_t>(source.size())) continue;
            SCOPED_TRACE(r.nID);
            const nlohmann::json& z = source.at(static_cast<std::size_t>(r.nID - 1));
            CRecordset_Distance want = r;
            auto text = [&](const char* name) {
                return FromUtf8(member(r.nID, name)).substr(0, kTemplateTextLength);
            };
            want.strManufacturer = text("manufacturer");
            want.strProtSort = text("sort");
            want.strProtModel = text("model");
            want.strZoneName = text("zone");
            want.strMemo = text("memo");
            want.setting = {z.at("mode").get<std::int32_t>(), z.at("values").at(0).get<float>(),
                            z.at("values").at(1).get<float>(), z.at("values").at(2).get<float>()};
            EXPECT_EQ(r, want);
            PictList picts;
            CArchiveReader ar(r.ProtSettings.data(), r.ProtSettings.size());
            LoadPicts(ar, picts, PictForm::kFormula);
            EXPECT_EQ(ar.Remaining(), 0u);
            std::vector<std::string> got, stored;
            for (const auto& p : picts) got.push_back(PictKindName(p->Kind()));
            for (const nlohmann::json& e : z.at("elements"))
                stored.push_back(e.at("kind").get<std::string>());
            EXPECT_EQ(got, stored);
        }
    }
    EXPECT_EQ(ids, expectedIds);
    EXPECT_FALSE(walk.ones.back());

    // Values are bound: "=" takes a pattern character literally and "like" as
    // a pattern, and a quote or a text beyond ASCII is a value like any other.
    const auto& [maker, sorts] = *tree.begin();
    std::set<Text> models;
    for (const auto& [sort, byModel] : sorts)
        for (const auto& [model, zoneIds] : byModel) models.insert(FromUtf8(model));
    EXPECT_EQ(db.ProtModels(FromUtf8(maker), u"%"),
              std::vector<Text>(models.begin(), models.end()));
    EXPECT_EQ(db.ProtSorts(FromUtf8(maker) + u"%"), std::vector<Text>{});
    EXPECT_EQ(db.ProtSorts(u"O'Hara \u6d4b\u8bd5"), std::vector<Text>{});
}

}  // namespace

// Under Wine the ODBC side is Debian's SQLite ODBC driver through odbc32 and
// the SQLite side the library compiled in, so the two builds are compared.
TEST(Templates, BothBackendsReadTheSameRowsForEveryStatement) {
    qztest::TempDir dir;
    std::vector<CRecordset_Distance> rows = FixtureRows();
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rows);
    if (!ConfigureOdbc(dir.path() / "lib.db")) GTEST_SKIP() << kNoOdbc;
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

// Names that differ in case only, and zones of one name, in an order of
// ids unlike the order of their texts: the library's statements give the
// rows, in the order, that the plain `like` statements give.
TEST(Templates, StatementsReadAsTheirPlainLikeForms) {
    qztest::TempDir dir;
    std::vector<CRecordset_Distance> rows;
    const char16_t* makers[] = {u"abc", u"ABC", u"Abc", u"a%c"};
    const char16_t* sorts[] = {u"Line", u"LINE", u"line"};
    const char16_t* models[] = {u"m-1", u"M-1", u"m_1"};
    for (int i = 0; i < 108; ++i) {
        CRecordset_Distance& r = rows.emplace_back();
        r.nID = 1000 - 7 * i;
        r.strManufacturer = makers[i % 4];
        r.strProtSort = sorts[i / 4 % 3];
        r.strProtModel = models[i / 12 % 3];
        r.strZoneName = i % 2 ? u"Z1" : u"z1";
    }
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rows);
    auto db = OpenSqliteTemplateDatabase(dir.text("lib.db"));

    sqlite3* plain = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir.path() / "lib.db").string().c_str(), &plain,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    auto column = [&](const char* sql, std::vector<Text> values, int at) {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(plain, sql, -1, &stmt, nullptr), SQLITE_OK);
        for (std::size_t k = 0; k < values.size(); ++k)
            sqlite3_bind_text16(stmt, int(k + 1), values[k].data(), int(values[k].size() * 2),
                                SQLITE_TRANSIENT);
        std::vector<Text> out;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.emplace_back(static_cast<const char16_t*>(sqlite3_column_text16(stmt, at)));
        sqlite3_finalize(stmt);
        return out;
    };
    for (const char16_t* maker : makers)
        for (const char16_t* sort : sorts) {
            std::vector<Text> modelNames = db->ProtModels(maker, sort);
            EXPECT_EQ(modelNames, column(kSelectProtModels, {maker, sort}, 0));
            for (const char16_t* model : models) {
                std::vector<Text> ids;
                for (const CRecordset_Distance& r : db->Zones(maker, sort, model))
                    ids.push_back(Format("%d", r.nID));
                EXPECT_EQ(ids, column(kSelectZones, {maker, sort, model}, 0));
            }
        }
    sqlite3_close(plain);
    // Case folded, and "-" no pattern: three makers of four, two models of three.
    EXPECT_EQ(db->Zones(u"ABC", u"line", u"M-1").size(), 54u);
}

TEST(Templates, ATextLedByAByteOrderMarkIsStoredAndFoundWhole) {
    qztest::TempDir dir;
    CRecordset_Distance row;
    row.nID = 1;
    row.strManufacturer = u"\uFEFFMaker";
    row.strProtSort = u"\uFEFF";
    row.strProtModel = u"\uFFFEAB";  // not read as a byte-swapped "䄀䈀"
    WriteSqliteTemplateDatabase(dir.text("lib.db"), std::vector{row});
    auto db = OpenSqliteTemplateDatabase(dir.text("lib.db"));
    EXPECT_EQ(db->Manufacturers(), std::vector<Text>{u"\uFEFFMaker"});
    EXPECT_EQ(db->ProtSorts(u"\uFEFFMaker"), std::vector<Text>{u"\uFEFF"});
    // SQLite reads a noncharacter as U+FFFD.
    EXPECT_EQ(db->ProtModels(u"\uFEFFMaker", u"\uFEFF"), std::vector<Text>{u"\uFFFDAB"});
}

TEST(Templates, ABrokenSchemaQuotingNoValidTextFailsAsTheLibrarySays) {
    qztest::TempDir dir;
    WriteSqliteTemplateDatabase(dir.text("lib.db"), std::vector<CRecordset_Distance>{});
    std::string bytes = qztest::ReadText(dir.path() / "lib.db");
    std::size_t at = bytes.find("Prot_Distance_Zone on Prot_Distance (strProtModel");
    ASSERT_NE(at, std::string::npos);
    bytes[bytes.find("strProtModel", at) + 2] = '\x8d';
    std::ofstream(dir.path() / "lib.db", std::ios::binary) << bytes;
    try {
        OpenSqliteTemplateDatabase(dir.text("lib.db"));
        ADD_FAILURE() << "opened";
    } catch (const CDBException& e) {
        // SQLite's own conversion takes the stray byte for the character of
        // its value.
        EXPECT_EQ(e.m_strError,
                  u"malformed database schema (Prot_Distance_Zone) - no such column: "
                  u"st\u008DProtModel");
    }
}

TEST(Templates, AnOdbcDriverBreakingTheRulesIsReadWithinTheBuffers) {
    // Each call fills the whole buffer and answers with `length`.
    struct Careless final : OdbcColumns {
        SQLLEN length = 0;
        SQLRETURN GetData(SQLUSMALLINT, SQLSMALLINT, SQLPOINTER buffer, SQLLEN size,
                          SQLLEN* indicator) override {
            std::memset(buffer, 'a', std::size_t(size));  // and no NUL
            *indicator = length;
            return SQL_SUCCESS;
        }
        Text Diagnostic(Text*) override { return u"none"; }
    } driver;
    driver.length = 600;
    EXPECT_EQ(ReadOdbcText(driver, 1), Text(255, u'\u6161'));
    driver.length = -5;
    try {
        ReadOdbcRow(driver);
        ADD_FAILURE() << "read";
    } catch (const CDBException& e) {
        EXPECT_EQ(e.m_strError, u"the driver gave a block the length -5");
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
    if (!ConfigureOdbc(dir.path() / "nulls.db")) GTEST_SKIP() << kNoOdbc;
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

// Under a folder named in Chinese: paths reach both backends as UTF-16.
TEST(Templates, TheLibraryObjectKeepsReleasesAndRetriesItsDatabase) {
    qztest::TempDir dir;
    const std::filesystem::path host = dir.path() / u8"主机 测试";
    std::filesystem::create_directories(host / "Template");
    CQuarnZGraphApp app(dir.text("docs"));
    app.InitFromExecutable(Text((host / "quarn-host").u16string()));
    // A file that is not SQLite goes to ODBC, whose data source opens the
    // fixture.  (Without a file and a data source there is none: the host
    // test, as the driver manager reads its configuration once.)
    std::filesystem::path mdb = host / "Template" / "QuarnTemplate.mdb";
    ASSERT_EQ(app.strTemplatePath, Text(mdb.u16string()));
    std::ofstream(mdb) << "Standard Jet DB";
    WriteSqliteTemplateDatabase(dir.text("lib.db"), FixtureRows());
    if (!ConfigureOdbc(dir.path() / "lib.db")) GTEST_SKIP() << kNoOdbc;
    CTemplateDatabase* odbc = app.GetTemplateDatabase();
    ASSERT_NE(odbc, nullptr);
    EXPECT_EQ(odbc->Backend(), "ODBC");
    EXPECT_EQ(odbc->Manufacturers().size(), 4u);
    EXPECT_EQ(app.GetTemplateDatabase(), odbc);
    app.Release();
    EXPECT_EQ(app.pDatabase, nullptr);

    // An SQLite file is read directly; a failed open throws and is retried.
    CopyOver(dir.path() / "lib.db", mdb);
    {
        std::fstream damage(mdb, std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(16);
        damage.write("\xff\xff\xff", 3);  // an impossible page size
    }
    EXPECT_THROW(app.GetTemplateDatabase(), CDBException);
    EXPECT_EQ(app.pDatabase, nullptr);
    CopyOver(dir.path() / "lib.db", mdb);
    CTemplateDatabase* sqlite = app.GetTemplateDatabase();
    ASSERT_NE(sqlite, nullptr);
    EXPECT_EQ(sqlite->Backend(), "SQLite");
    EXPECT_EQ(sqlite->Zone(4)->strManufacturer, u"O'Hara");

    // Rebuilt while it is open: Windows keeps an open file from being
    // replaced, so the build fails and the old library stays until released;
    // elsewhere the new file takes the name and the open one reads on.
    const std::vector<CRecordset_Distance> rebuilt = {FixtureRows().at(1)};
#ifdef _WIN32
    EXPECT_THROW(WriteSqliteTemplateDatabase(app.strTemplatePath, rebuilt), CDBException);
    EXPECT_EQ(sqlite->Zone(4)->strManufacturer, u"O'Hara");
    app.Release();
    EXPECT_EQ(app.GetTemplateDatabase()->AllRows().size(), FixtureRows().size());
    app.Release();
    WriteSqliteTemplateDatabase(app.strTemplatePath, rebuilt);
#else
    WriteSqliteTemplateDatabase(app.strTemplatePath, rebuilt);
    EXPECT_EQ(sqlite->Zone(4)->strManufacturer, u"O'Hara");
    app.Release();
#endif
    EXPECT_EQ(app.GetTemplateDatabase()->AllRows(), rebuilt);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(host / "Template"), {}), 1)
        << "a part file is left";

    // Released, the file can go: then the data source alone is the library.
    app.Release();
    std::filesystem::remove(mdb);
    odbc = app.GetTemplateDatabase();
    ASSERT_NE(odbc, nullptr);
    EXPECT_EQ(odbc->Backend(), "ODBC");
    EXPECT_EQ(odbc->Zone(4)->strManufacturer, u"O'Hara");
}

#ifndef _WIN32
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
        modes.insert(r->setting.Zzd_Mode);
    }
    EXPECT_EQ(kinds.size(), 4u);
    EXPECT_EQ(modes.size(), 4u);
    ExpectLibraryAsSource(*db, "examples/templates/sample.json");
    ConfigureOdbc(lib);
    ExpectLibraryAsSource(*OpenOdbcTemplateDatabase(dir.text("ignored.mdb")),
                          "examples/templates/sample.json");
    run = qztest::Quarnz("template list --json '" + lib + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)[1]["strManufacturer"], "Meridian Grid Devices");
    run = qztest::Quarnz("template show '" + lib + "' 1 --values 10,90,0", dir);
    EXPECT_NE(run.out.find("mho     Z1 = 10.000Ω ∠ 90.000°"), std::string::npos) << run.out;

    std::ofstream(dir.path() / "bad.json") << R"({"zones": [
        {"manufacturer": "M", "sort": "S", "model": "X", "zone": "Z1", "mode": 0, "values": [1, 2, 3],
         "elements": [{"kind": "lens", "ptZ1": ["polar", "1", "2"], "ptZ2": ["rect", "0", "0"],
                       "strInnerAngle": "90"}]},
        {"manufacturer": "M", "sort": "S", "model": "X", "zone": "Z2", "mode": 1, "values": [1, 2, 3],
         "elements": [{"kind": "line", "ptZ1": ["rect", "RZD", "0"], "ptZ2": ["rect", "2+FOO", "XZD"]}]}]})";
    std::filesystem::remove(lib);
    run = qztest::Quarnz(
        "template build '" + (dir.path() / "bad.json").string() + "' -o '" + lib + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("row 2 (Z2): element 1 ptZ2 formula 1 \"2+FOO\": error at position 3"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(lib));
}

// Values that are not finite read back as quarnz show writes them, but for
// NaN, which a library cannot keep; "circle" is another name of "mho".
TEST(Templates, TheSourceReadsNonFiniteValuesAsShowWritesThem) {
    qztest::TempDir dir;
    nlohmann::json shown = nlohmann::json::array();
    for (float v : {INFINITY, -INFINITY, NAN}) {
        CZoneLists lists;
        lists.fAllowedError = v;
        ASSERT_TRUE(lists.SaveZoneFile(dir.text("z.zone")));
        qztest::ToolRun run =
            qztest::Quarnz("show --json '" + (dir.path() / "z.zone").string() + "'", dir);
        ASSERT_EQ(run.status, 0) << run.err;
        shown.push_back(nlohmann::json::parse(run.out)["fAllowedError"]);
    }
    EXPECT_EQ(shown, (nlohmann::json{"inf", "-inf", "nan"}));
    const std::string lib = (dir.path() / "lib.mdb").string();
    auto build = [&](const nlohmann::json& third) {
        nlohmann::json z = {{"manufacturer", "M"},
                            {"sort", "S"},
                            {"model", "X"},
                            {"zone", "Z1"},
                            {"mode", 0},
                            {"elements", nlohmann::json::array()},
                            {"values", {shown[0], shown[1], third}}};
        z["elements"].push_back({{"kind", "circle"},
                                 {"ptZ1", {"polar", "5", "80"}},
                                 {"ptZ2", {"rect", "0", "0"}},
                                 {"strShiftAngle", "0"}});
        std::ofstream(dir.path() / "src.json")
            << nlohmann::json{{"zones", nlohmann::json::array({z})}}.dump();
        return qztest::Quarnz(
            "template build '" + (dir.path() / "src.json").string() + "' -o '" + lib + "'", dir);
    };
    qztest::ToolRun run = build(shown[2]);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("values: NaN, which a library cannot keep"), std::string::npos)
        << run.err;
    ASSERT_EQ(build(5).status, 0);
    run = qztest::Quarnz("template show '" + lib + "' 1", dir);
    EXPECT_NE(run.out.find("mode 0: inf, -inf, 5\nmho     Z1 = 5.000Ω ∠ 80.000°"),
              std::string::npos)
        << run.out;
}

// Sources that would give a wrong library, and command lines that would reach
// a server other than asked, are each refused in one line naming the fault;
// the library there is kept whole, also when the disk fills while writing.
TEST(Templates, TheToolRefusesWhatItCannotStoreWhole) {
    qztest::TempDir dir;
    const std::string lib = (dir.path() / "lib.mdb").string();
    const std::string zone =
        R"({"manufacturer": "M", "sort": "S", "model": "X", "zone": "Z1", "mode": 0,)"
        R"( "values": [1, 2, 3], "elements": [])";
    std::ofstream(dir.path() / "one.json") << R"({"zones": [)" << zone << "}]}";
    ASSERT_EQ(
        qztest::Quarnz(
            "template build '" + (dir.path() / "one.json").string() + "' -o '" + lib + "'", dir)
            .status,
        0);
    const std::string old = qztest::ReadText(lib);
    const std::string listed = qztest::Quarnz("template list --json '" + lib + "'", dir).out;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    mkfifo((dir.path() / "fifo.json").c_str(), 0600);
    std::filesystem::create_directory(dir.path() / "folder.json");
    std::ofstream(dir.path() / "big.json").close();
    std::filesystem::resize_file(dir.path() / "big.json", std::uintmax_t(30) << 30);  // sparse
    const std::pair<std::string, std::string> cases[] = {
        {R"({"zone": []})", R"(no "zones" array)"},
        {listed, R"(no "zones" array)"},
        {R"({"zones": []})", "no zones (an empty library is made only with --allow-empty)"},
        {R"({"zones": {"a": 1}})", R"("zones" is not an array)"},
        {R"({"zones": [{"zone": "Z1", "mode": 0, "values": [1, 2, 3], "elements": []}]})",
         R"(row 1: no "manufacturer")"},
        {R"({"zones": [)" + zone + R"(, "mode": 1e20}]})",
         "row 1 (Z1): mode: expected a whole number from 0 to 3"},
        {R"({"zones": [)" + zone + R"(, "values": [1e300, 0, 0]}]})",
         "row 1 (Z1): values: expected a number within a float's range"},
        {R"({"zones": [)" + zone + R"(, "model": "A\u0000B"}]})",
         "row 1 (Z1): model: holds a NUL character"},
        {R"({"zones": [)" + zone + R"(, "zone": 7}]})", "row 1: zone: expected a string"},
        {R"({"zones": [)" + zone +
             R"(, "elements": [{"kind": "arc", "ptZ0": ["rect", "0", "0"], "strRadius": "1",)"
             R"( "ptZ1": ["rect", "1", "0"], "ptZ2": ["rect", "0", "1"], "nClockwise": 1e20}]}]})",
         "element 1: nClockwise: expected a whole number"},
        {R"({"zones": )" + deep + "}", "nested deeper than 64 levels"},
        {"fifo.json", "fifo.json: cannot be opened as a regular file"},
        {"big.json", "big.json: 32212254720 bytes, more than the 1 GiB"},
        {"folder.json", "folder.json: cannot be opened as a regular file"},
    };
    for (const auto& [content, error] : cases) {
        std::filesystem::path source = dir.path() / "case.json";
        if (content.ends_with(".json"))
            source = dir.path() / content;
        else
            std::ofstream(source) << content;
        qztest::ToolRun run =
            qztest::Quarnz("template build '" + source.string() + "' -o '" + lib + "'", dir);
        EXPECT_EQ(run.status, 1) << error;
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        run = qztest::Quarnz("template push '" + source.string() + "' --odbc DSN=none", dir);
        EXPECT_EQ(run.status, 1) << error;
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    }
    EXPECT_EQ(qztest::ReadText(lib), old);
    std::ofstream(dir.path() / "empty.json") << R"({"zones": []})";
    EXPECT_EQ(qztest::Quarnz("template build '" + (dir.path() / "empty.json").string() +
                                 "' --allow-empty -o '" + (dir.path() / "empty.mdb").string() + "'",
                             dir)
                  .status,
              0);
    EXPECT_TRUE(OpenSqliteTemplateDatabase(dir.text("empty.mdb"))->AllRows().empty());

    // A library whose rows the copy would change.
    std::vector<std::pair<CRecordset_Distance, std::string>> rows(3);
    rows[0] = {{}, "id 16777217: nID: not a whole number"};
    rows[0].first.nID = 16777217;
    rows[1] = {{}, "id 2: strProtModel: holds a NUL"};
    rows[1].first.nID = 2;
    rows[1].first.strProtModel = Text(u"A\0B", 3);
    rows[2] = {{}, "id 3: strMemo: 256 characters"};
    rows[2].first.nID = 3;
    rows[2].first.strMemo = Text(256, u'm');
    for (const auto& [row, error] : rows) {
        WriteSqliteTemplateDatabase(dir.text("rows.db"), std::vector{row});
        qztest::ToolRun run = qztest::Quarnz(
            "template push '" + (dir.path() / "rows.db").string() + "' --odbc DSN=none", dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "rows.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "update Prot_Distance set nID = 4294967298", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    qztest::ToolRun run = qztest::Quarnz(
        "template push '" + (dir.path() / "rows.db").string() + "' --odbc DSN=none", dir);
    EXPECT_NE(run.err.find("id 4294967298: nID"), std::string::npos) << run.err;

    // The whole connection string reaches the driver manager, and no part of
    // a password shows.
    const std::string one = (dir.path() / "one.json").string();
    run = qztest::Quarnz(
        "template push '" + one + "' --odbc 'DSN=none;UID=" + std::string(32768, 'u') + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("characters long, more than the 32,767"), std::string::npos) << run.err;
    run = qztest::Quarnz(
        "template push '" + one + "' --odbc 'DSN=none;PWD={S3c}}ret3;x};Uid = u;pwd= ab'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("DSN=none;PWD=***;Uid = u;pwd=***:"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("ret3"), std::string::npos) << run.err;

    // A disk that fills while the library is written leaves the old one.
    run = qztest::RunCommand("ulimit -f 2; " QZ_QUARNZ_PATH " template build " QZ_SOURCE_DIR
                             "/examples/templates/sample.json -o '" +
                             lib + "' 2>&1");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(qztest::ReadText(lib), old);
    EXPECT_EQ(OpenSqliteTemplateDatabase(FromUtf8(lib))->AllRows().size(), 1u);
}

// A lab's shared library on PostgreSQL, filled by the tool: the statements
// read what the embedded library reads from the same rows, and a copy that
// fails part-way leaves the rows it would have replaced.
TEST(Templates, APostgresLibraryReadsAsTheEmbeddedOneAndIsReplacedWhole) {
    qztest::PgServer server;
    if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
    ASSERT_TRUE(server.Running()) << server.Error();
    qztest::TempDir dir;
    std::vector<CRecordset_Distance> rows = FixtureRows();
    // The server holds at most 255 characters; these are 510 UTF-16 units,
    // cut in the bound buffer as any long text.
    rows[7].strZoneName.clear();
    for (int i = 0; i < 255; ++i) rows[7].strZoneName += u"\U0001F600";
    rows[7].strMemo = Text(255, u'm');
    WriteSqliteTemplateDatabase(dir.text("lib.db"), rows);
    const std::string connect = "'" + server.Connect("postgres") + "'";
    qztest::ToolRun run = qztest::Quarnz(
        "template push '" + (dir.path() / "lib.db").string() + "' --odbc " + connect, dir);
    ASSERT_EQ(run.status, 0) << run.err;

    auto sqlite = OpenSqliteTemplateDatabase(dir.text("lib.db"));
    auto postgres = OpenOdbcConnection(FromUtf8(server.Connect("quarn_reader")));
    const std::vector<CRecordset_Distance> stored = postgres->AllRows();
    EXPECT_TRUE(WalkAll(*sqlite) == WalkAll(*postgres));
    EXPECT_EQ(stored, sqlite->AllRows());
    EXPECT_EQ(stored.at(7).strZoneName.size(), kTemplateTextLength);
    EXPECT_EQ(postgres->ProtModels(u"A_c", u"Li%"), (std::vector<Text>{u"MX1", u"MX2", u"M_1"}));

    const std::string zone =
        R"({"manufacturer": "M", "sort": "S", "model": "X", "mode": 0, "values": [1, 2, 3],)"
        R"( "elements": [], "zone": ")";
    std::ofstream(dir.path() / "long.json")
        << R"({"zones": [)" << zone << R"(Z1"}, )" << zone << std::string(256, 'x') << R"("}]})";
    run = qztest::Quarnz("template push '" + (dir.path() / "long.json").string() + "' --odbc '" +
                             server.Connect("postgres") + ";PWD={x;y};Password=secret'",
                         dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("value too long"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("PWD=***;Password=***:"), std::string::npos) << run.err;
    EXPECT_EQ(postgres->AllRows(), stored);

    // Rows over several statements arrive each once; a duplicate id after
    // two full statements leaves the rows before the push.
    std::vector<CRecordset_Distance> many;
    for (std::int32_t id = 1; id <= std::int32_t(2 * kOdbcRowsPerInsert + 3); ++id)
        many.push_back(
            Row(id, Format("M%d", id % 3), u"Line", Format("X%d", id % 7), Format("Z%d", id)));
    const Text admin = FromUtf8(server.Connect("postgres"));
    WriteOdbcTemplateDatabase(admin, many);
    EXPECT_TRUE(postgres->AllRows() == many);
    std::vector<CRecordset_Distance> doubled = many;
    doubled.back().nID = 1;
    EXPECT_THROW(WriteOdbcTemplateDatabase(admin, doubled), CDBException);
    EXPECT_TRUE(postgres->AllRows() == many);

    // Each list statement of the tree finds its rows by the index the push
    // made (no scan of the table even where the planner may not take one).
    const auto psql = [&](const std::string& commands) {
        return qztest::RunCommand("psql -h '" + server.Directory() +
                                  "' -U postgres -d postgres -qAt " + commands + " 2>&1");
    };
    const auto plan = [&](std::string sql, std::initializer_list<const char*> values) {
        for (const char* v : values) sql.replace(sql.find('?'), 1, "'" + std::string(v) + "'");
        return psql("-c 'set enable_seqscan = off' -c \"explain " + sql + "\"").out;
    };
    const std::string zones = plan(kSelectZones, {"M1", "Line", "X1"});
    EXPECT_NE(plan(kSelectManufacturers, {}).find("prot_distance_tree"), std::string::npos);
    for (const std::string& p :
         {plan(kSelectProtSorts, {"M1"}), plan(kSelectProtModels, {"M1", "Line"}), zones})
        EXPECT_NE(p.find("Index Cond"), std::string::npos) << p;
    // The pattern without wildcards is an index range, in the C collation.
    EXPECT_NE(zones.find("(strprotmodel)::text = 'X1'"), std::string::npos) << zones;
    // A role that may fill the table but does not own it still pushes: the
    // index is there, and making it would take the owner.
    qztest::ToolRun granted = psql(
        "-c 'create role filler login' -c 'grant create on schema public to filler'"
        " -c 'grant select, insert, delete on prot_distance to filler'");
    ASSERT_EQ(granted.status, 0) << granted.out;
    WriteOdbcTemplateDatabase(FromUtf8(server.Connect("filler")), many);
    EXPECT_EQ(postgres->AllRows().size(), many.size());

    // The sample library lists alike from the file and from the server.
    run = qztest::Quarnz(
        "template push '" QZ_SOURCE_DIR "/examples/templates/sample.json' --odbc " + connect, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string sample = (dir.path() / "sample.mdb").string();
    qztest::ToolRun file = qztest::Quarnz(
        "template build '" QZ_SOURCE_DIR "/examples/templates/sample.json' -o '" + sample + "'",
        dir);
    ASSERT_EQ(file.status, 0) << file.err;
    file = qztest::Quarnz("template list '" + sample + "'", dir);
    run = qztest::Quarnz("template list --odbc " + connect, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(run.out.empty());
    EXPECT_EQ(run.out, file.out) << file.err;
}
#endif

// The library where my_dll_Init looks beside the host (quarn-host's folder is
// the tests'), read by the SQLite compiled in on every platform.
TEST(Templates, TheSampleLibraryBesideTheHostReadsAsItsSource) {
    qztest::TempDir dir;
    CQuarnZGraphApp app(dir.text("docs"));
    app.Init();
    CTemplateDatabase* db = app.GetTemplateDatabase();
    ASSERT_NE(db, nullptr) << ToUtf8(app.strTemplatePath) << " is missing";
    EXPECT_EQ(db->Backend(), "SQLite");
    ExpectLibraryAsSource(*db, "examples/templates/sample.json");
}

// Texts beyond ASCII, quotes, texts cut to 255 characters and a
// characteristic read in several chunks, through ODBC: under Wine through
// odbc32, from a library the Linux tool built.
TEST(Templates, TextsAndLargeCharacteristicsReadThroughOdbcAsTheirSource) {
    const std::string source = "tests/data/template-texts.json";
#ifdef _WIN32
    const wchar_t* library = _wgetenv(L"QZ_TEMPLATE_TEXTS");
    if (!library || !*library || !ConfigureOdbc(library)) GTEST_SKIP() << kNoOdbc;
#else
    qztest::TempDir dir;
    const std::string library = (dir.path() / "texts.mdb").string();
    qztest::ToolRun run = qztest::Quarnz(
        "template build '" QZ_SOURCE_DIR "/" + source + "' -o '" + library + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    ConfigureOdbc(library);
#endif
    auto db = OpenOdbcTemplateDatabase(u"ignored.mdb");
    ExpectLibraryAsSource(*db, source);
    EXPECT_GT(db->Zone(1)->ProtSettings.size(), 4096u);
}
