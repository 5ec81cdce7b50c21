#include "templates/sqlite/sqlite_template_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "base/platform.h"

namespace qz {

bool IsSqliteFile(const Text& path) {
    static constexpr char kHeader[] = "SQLite format 3";  // with its NUL
    std::vector<std::uint8_t> bytes;
    return CurrentVfs().read(path, bytes, sizeof kHeader) && bytes.size() >= sizeof kHeader &&
           std::memcmp(bytes.data(), kHeader, sizeof kHeader) == 0;
}

namespace {

// SQLite prepares a `like ?` statement anew for each new pattern, to find
// the index that serves it.  A value without a pattern character matches as
// "=" under NOCASE does (both fold ASCII case only), which the same index
// serves with one preparation.
constexpr const char* kExactProtModels =
    "select distinct strProtModel from Prot_Distance where strManufacturer=? collate nocase and"
    " strProtSort=? collate nocase order by strProtModel";
constexpr const char* kExactZones =
    "select * from Prot_Distance where strManufacturer=? collate nocase and strProtSort=? collate"
    " nocase and strProtModel=? collate nocase order by strZoneName";

const char* WithoutPatterns(const char* sql, std::span<const TemplateValue> values) {
    for (const TemplateValue& v : values)
        if (const TextView* text = std::get_if<TextView>(&v))
            if (text->find_first_of(u"%_") != TextView::npos) return sql;
    if (sql == kSelectProtModels) return kExactProtModels;
    if (sql == kSelectZones) return kExactZones;
    return sql;
}

// Bound as UTF-8: SQLite takes a UTF-16 text's first unit U+FEFF or U+FFFE
// for a byte-order mark, dropping it or reading the rest byte-swapped.
std::string BoundText(TextView text) {
    return ToUtf8Lossy(text);
}

// As UTF-16, which SQLite converts leniently: a message may quote bytes of a
// broken file that are no valid UTF-8.
Text Message(sqlite3* db) {
    const void* message = sqlite3_errmsg16(db);
    return message ? Text(static_cast<const char16_t*>(message)) : Text(u"out of memory");
}

class SqliteTemplateDatabase final : public CTemplateDatabase {
  public:
    std::string_view Backend() const override { return "SQLite"; }
    SqliteTemplateDatabase(const Text& path, std::chrono::milliseconds limit) : limit_(limit) {
        int rc = sqlite3_open_v2(ToUtf8(path).c_str(), &db_,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            Text message = db_ ? Message(db_) : FromUtf8Lossy(sqlite3_errstr(rc));
            sqlite3_close(db_);
            throw CDBException(message);
        }
        // Pages are copied, never mapped: a file cut under the host would
        // fault on a mapped page.  Locks are held only while a statement runs,
        // so others may read and change the file, and a change is seen.
        sqlite3_exec(db_, "pragma mmap_size=0", nullptr, nullptr, nullptr);
        sqlite3_progress_handler(db_, 1000, &SqliteTemplateDatabase::OverTime, this);
        try {
            // A file that is no database fails only when first read.  A view
            // may run any query, endlessly: a file's library is a table.
            if (!IsTable()) throw CDBException(u"Prot_Distance is not a table");
            Prepare(kSelectManufacturers);
        } catch (...) {
            sqlite3_close(db_);
            throw;
        }
    }
    ~SqliteTemplateDatabase() override {
        for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
        sqlite3_close(db_);
    }

  protected:
    std::vector<Text> QueryColumn(const char* sql, std::span<const TemplateValue> values) override {
        std::vector<Text> out;
        Run(sql, values, 0, [&](sqlite3_stmt* stmt) { out.push_back(ReadText(stmt, 0)); });
        return out;
    }

    std::vector<CRecordset_Distance> QueryRows(const char* sql,
                                               std::span<const TemplateValue> values,
                                               std::size_t limit, RowColumns columns) override {
        std::vector<CRecordset_Distance> out;
        Run(sql, values, limit, [&](sqlite3_stmt* stmt) {
            if (sqlite3_column_count(stmt) < 11)
                throw CDBException(u"Prot_Distance has fewer than 11 columns");
            CRecordset_Distance& r = out.emplace_back();
            r.nID = sqlite3_column_int(stmt, 0);
            if (columns == RowColumns::kIdAndName) {
                r.strZoneName = ReadText(stmt, 4);
                return;
            }
            r.strManufacturer = ReadText(stmt, 1);
            r.strProtSort = ReadText(stmt, 2);
            r.strProtModel = ReadText(stmt, 3);
            r.strZoneName = ReadText(stmt, 4);
            r.setting.Zzd_Mode = sqlite3_column_int(stmt, 5);
            r.setting.Zzd_1 = static_cast<float>(sqlite3_column_double(stmt, 6));
            r.setting.Zzd_2 = static_cast<float>(sqlite3_column_double(stmt, 7));
            r.setting.Zzd_3 = static_cast<float>(sqlite3_column_double(stmt, 8));
            const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, 9));
            r.ProtSettings.assign(blob, blob + sqlite3_column_bytes(stmt, 9));
            r.strMemo = ReadText(stmt, 10);
        });
        return out;
    }

  private:
    [[noreturn]] void Fail() {
        if (sqlite3_errcode(db_) == SQLITE_INTERRUPT)
            throw CDBException(Format("the statement took longer than %g s and was stopped",
                                      std::chrono::duration<double>(limit_).count()));
        throw CDBException(Message(db_));
    }

    static int OverTime(void* self) {
        auto* db = static_cast<SqliteTemplateDatabase*>(self);
        return std::chrono::steady_clock::now() - db->started_ > db->limit_;
    }

    // Only a table of that name, whatever the case, with pages of its own.
    bool IsTable() {
        sqlite3_stmt* stmt = nullptr;
        started_ = std::chrono::steady_clock::now();
        if (sqlite3_prepare_v2(db_,
                               "select type = 'table' and rootpage > 0 from sqlite_master"
                               " where name = 'Prot_Distance' collate nocase",
                               -1, &stmt, nullptr) != SQLITE_OK)
            Fail();
        struct Finalize {
            sqlite3_stmt* s;
            ~Finalize() { sqlite3_finalize(s); }
        } finalize{stmt};
        int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail();
        return rc == SQLITE_DONE || sqlite3_column_int(stmt, 0) != 0;
    }

    sqlite3_stmt* Prepare(const char* sql) {
        auto found = statements_.find(sql);
        if (found != statements_.end()) return found->second;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) !=
            SQLITE_OK)
            Fail();
        statements_.emplace(sql, stmt);
        return stmt;
    }

    // Texts as the record binds them: at most 255 characters.
    static Text ReadText(sqlite3_stmt* stmt, int column) {
        const void* text = sqlite3_column_text16(stmt, column);
        if (!text) return {};
        std::size_t units = static_cast<std::size_t>(sqlite3_column_bytes16(stmt, column)) / 2;
        Text out(static_cast<const char16_t*>(text), units);
        if (out.size() > kTemplateTextLength) out.resize(kTemplateTextLength);
        return out;
    }

    template <typename Row>
    void Run(const char* sql, std::span<const TemplateValue> values, std::size_t limit, Row&& row) {
        // Before preparing: a schema changed meanwhile is read again then.
        started_ = std::chrono::steady_clock::now();
        sqlite3_stmt* stmt = Prepare(WithoutPatterns(sql, values));
        // Reset whatever happens, so the statement can be run again.
        struct Reset {
            sqlite3_stmt* s;
            ~Reset() {
                sqlite3_reset(s);
                sqlite3_clear_bindings(s);
            }
        } reset{stmt};
        int index = 1;
        for (const TemplateValue& v : values) {
            int rc;
            if (const TextView* text = std::get_if<TextView>(&v)) {
                const std::string utf8 = BoundText(*text);
                rc = sqlite3_bind_text(stmt, index, utf8.data(), static_cast<int>(utf8.size()),
                                       SQLITE_TRANSIENT);
            } else {
                rc = sqlite3_bind_int(stmt, index, std::get<std::int32_t>(v));
            }
            if (rc != SQLITE_OK) Fail();
            ++index;
        }
        std::size_t count = 0;
        for (;;) {
            int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) Fail();
            row(stmt);
            if (limit && ++count == limit) break;
        }
    }

    sqlite3* db_ = nullptr;
    std::map<const char*, sqlite3_stmt*> statements_;
    std::chrono::milliseconds limit_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace

void WriteSqliteTemplateDatabase(const Text& path, std::span<const CRecordset_Distance> rows) {
    // Made in memory and saved whole under a fresh name that then replaces
    // the file: a failure leaves the old library, and a host reading it keeps
    // reading it (or, on Windows, keeps it from being replaced).
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    auto fail = [&] {
        Text message = Message(db);
        sqlite3_finalize(insert);
        sqlite3_close(db);
        throw CDBException(message);
    };
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) fail();
    if (sqlite3_exec(db,
                     "create table Prot_Distance (nID INTEGER PRIMARY KEY, strManufacturer TEXT, "
                     "strProtSort TEXT,"
                     " strProtModel TEXT, strZoneName TEXT, Zzd_Mode INTEGER, Zzd_1 REAL, Zzd_2 "
                     "REAL, Zzd_3 REAL,"
                     " ProtSettings BLOB, strMemo TEXT); begin",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
    if (sqlite3_prepare_v2(db, "insert into Prot_Distance values (?,?,?,?,?,?,?,?,?,?,?)", -1,
                           &insert, nullptr) != SQLITE_OK)
        fail();
    auto text = [&](int index, const Text& value) {
        const std::string utf8 = BoundText(value);
        return sqlite3_bind_text(insert, index, utf8.data(), static_cast<int>(utf8.size()),
                                 SQLITE_TRANSIENT);
    };
    for (const CRecordset_Distance& r : rows) {
        bool ok = sqlite3_bind_int(insert, 1, r.nID) == SQLITE_OK &&
                  text(2, r.strManufacturer) == SQLITE_OK && text(3, r.strProtSort) == SQLITE_OK &&
                  text(4, r.strProtModel) == SQLITE_OK && text(5, r.strZoneName) == SQLITE_OK &&
                  sqlite3_bind_int(insert, 6, r.setting.Zzd_Mode) == SQLITE_OK &&
                  sqlite3_bind_double(insert, 7, r.setting.Zzd_1) == SQLITE_OK &&
                  sqlite3_bind_double(insert, 8, r.setting.Zzd_2) == SQLITE_OK &&
                  sqlite3_bind_double(insert, 9, r.setting.Zzd_3) == SQLITE_OK &&
                  sqlite3_bind_blob(insert, 10, r.ProtSettings.data(),
                                    static_cast<int>(r.ProtSettings.size()),
                                    SQLITE_STATIC) == SQLITE_OK &&
                  text(11, r.strMemo) == SQLITE_OK;
        if (!ok || sqlite3_step(insert) != SQLITE_DONE) fail();
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    insert = nullptr;
    // The tree's statements each find their rows through an index: "=" and
    // distinct through the plain one, "like" (case-blind) through NOCASE ones
    // led by the manufacturer for the models and by the model for the zones;
    // the statistics make the planner take the narrow one.
    if (sqlite3_exec(
            db,
            "create index Prot_Distance_Sort on Prot_Distance (strManufacturer, strProtSort);"
            "create index Prot_Distance_Model on Prot_Distance (strManufacturer collate nocase,"
            " strProtSort collate nocase, strProtModel collate nocase);"
            "create index Prot_Distance_Zone on Prot_Distance (strProtModel collate nocase,"
            " strProtSort collate nocase, strManufacturer collate nocase);"
            "commit; analyze",
            nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image) fail();
    std::vector<std::uint8_t> bytes(image, image + size);
    sqlite3_free(image);
    sqlite3_close(db);
    if (!SaveFileReplacing(path, bytes))
        throw CDBException(
            u"cannot be written, or the file there cannot be replaced (on Windows, while a "
            u"program such as a host has it open); it is left as it was");
}

std::unique_ptr<CTemplateDatabase> OpenSqliteTemplateDatabase(const Text& path,
                                                              std::chrono::milliseconds limit) {
    return std::make_unique<SqliteTemplateDatabase>(path, limit);
}

}  // namespace qz
