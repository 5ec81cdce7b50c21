#include "templates/odbc/odbc_template_db.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <variant>

#include "templates/odbc/odbc_row.h"

namespace qz {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

SQLWCHAR* Wide(const char16_t* text) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text));
}

// The first diagnostic record's message, else a generic one.
Text Diagnostic(SQLSMALLINT type, SQLHANDLE handle, Text* state = nullptr) {
    char16_t sqlState[6] = {};
    char16_t message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, 1, Wide(sqlState), &native, Wide(message),
                                  static_cast<SQLSMALLINT>(std::size(message)), &length);
    if (!SQL_SUCCEEDED(rc)) return u"ODBC call failed";
    if (state) *state = sqlState;
    return Text(message,
                std::min<std::size_t>(static_cast<std::size_t>(length), std::size(message) - 1));
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
    if (SQL_SUCCEEDED(rc)) return;
    Text state;
    Text message = Diagnostic(type, handle, &state);
    throw CDBException(message, state);
}

// The current row of a statement, as the row reader sees it.
class StatementColumns final : public OdbcColumns {
  public:
    explicit StatementColumns(SQLHSTMT stmt) : stmt_(stmt) {}
    SQLRETURN GetData(SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN size,
                      SQLLEN* indicator) override {
        return SQLGetData(stmt_, column, type, buffer, size, indicator);
    }
    Text Diagnostic(Text* state) override { return qz::Diagnostic(SQL_HANDLE_STMT, stmt_, state); }

  private:
    SQLHSTMT stmt_;
};

// A parameter's value: the library's statements bind texts and ids, a
// copy of a library every column type.
using OdbcValue = std::variant<TextView, std::int32_t, float, std::span<const std::uint8_t>>;

// Copies replace the table's rows in PostgreSQL's dialect.  Texts sort and
// compare by code point as in the embedded library, whatever the server's
// locale; one copy at a time, while readers go on reading the old rows.
constexpr const char* kCreateTable =
    "create table if not exists Prot_Distance (nID integer primary key,"
    " strManufacturer varchar(255) collate \"C\", strProtSort varchar(255) collate \"C\","
    " strProtModel varchar(255) collate \"C\", strZoneName varchar(255) collate \"C\","
    " Zzd_Mode integer, Zzd_1 real, Zzd_2 real, Zzd_3 real, ProtSettings bytea,"
    " strMemo varchar(255) collate \"C\")";
// The four list statements each find their rows by a leading part of this
// index: without it every one of a tree fill's thousands of statements scans
// the whole table.  The LIKE patterns become index ranges only in the C
// collation.  Made only where missing and on a table: creating it, even
// "if not exists", takes the table's owner, and a view has none.  Looked
// for under the table's lock, so a push that waited sees the one before's.
constexpr const char* kCreateIndex =
    "do $$ begin if to_regclass('prot_distance_tree') is null and (select relkind from pg_class"
    " where oid = to_regclass('prot_distance')) = 'r' then create index Prot_Distance_Tree on"
    " Prot_Distance (strManufacturer collate \"C\", strProtSort collate \"C\", strProtModel"
    " collate \"C\", strZoneName collate \"C\"); end if; end $$";
constexpr const char* kLockTable = "lock table Prot_Distance in exclusive mode";
constexpr const char* kDeleteRows = "delete from Prot_Distance";

// PostgreSQL's protocol counts a statement's parameters in 16 bits.
static_assert(kOdbcRowsPerInsert * 11 <= 65535);

// An insert of `rows` rows, their values bound in column order.
Text InsertRows(std::size_t rows) {
    Text sql =
        u"insert into Prot_Distance (nID, strManufacturer, strProtSort, strProtModel, "
        u"strZoneName, Zzd_Mode, Zzd_1, Zzd_2, Zzd_3, ProtSettings, strMemo) values ";
    for (std::size_t i = 0; i < rows; ++i)
        sql += i ? u",(?,?,?,?,?,?,?,?,?,?,?)" : u"(?,?,?,?,?,?,?,?,?,?,?)";
    return sql;
}

class OdbcTemplateDatabase final : public CTemplateDatabase {
  public:
    OdbcTemplateDatabase(TextView connect, int timeoutSeconds) : timeout_(timeoutSeconds) {
        try {
            if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
                throw CDBException(u"ODBC environment could not be made");
            Check(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION,
                                reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                  SQL_HANDLE_ENV, env_);
            Check(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_HANDLE_ENV, env_);
            SQLSMALLINT outLength = 0;
            Check(SQLDriverConnectW(dbc_, nullptr, Wide(connect.data()),
                                    static_cast<SQLSMALLINT>(connect.size()), nullptr, 0,
                                    &outLength, SQL_DRIVER_NOPROMPT),
                  SQL_HANDLE_DBC, dbc_);
            connected_ = true;
        } catch (...) {
            Free();
            throw;
        }
    }
    ~OdbcTemplateDatabase() override { Free(); }
    std::string_view Backend() const override { return "ODBC"; }

    // All or nothing: a failure rolls back and leaves the old rows.
    void Replace(std::span<const CRecordset_Distance> rows) {
        Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_HANDLE_DBC, dbc_);
        try {
            for (const char* sql : {kCreateTable, kLockTable, kCreateIndex, kDeleteRows})
                Execute(sql, {});
            // The rows in a few statements rather than a round trip each.
            std::vector<OdbcValue> values;
            SQLHSTMT full = nullptr, last = nullptr;
            for (std::size_t first = 0; first < rows.size(); first += kOdbcRowsPerInsert) {
                const auto batch =
                    rows.subspan(first, std::min(kOdbcRowsPerInsert, rows.size() - first));
                values.clear();
                for (const CRecordset_Distance& r : batch)
                    values.insert(values.end(), {r.nID, TextView(r.strManufacturer),
                                                 TextView(r.strProtSort), TextView(r.strProtModel),
                                                 TextView(r.strZoneName), r.setting.Zzd_Mode,
                                                 r.setting.Zzd_1, r.setting.Zzd_2, r.setting.Zzd_3,
                                                 std::span(r.ProtSettings), TextView(r.strMemo)});
                // Full batches share one statement; only the last may be shorter.
                SQLHSTMT& insert = batch.size() == kOdbcRowsPerInsert ? full : last;
                if (!insert) insert = NewStatement(InsertRows(batch.size()));
                Execute(insert, values);
            }
            Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
        } catch (...) {
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            throw;
        }
    }

  protected:
    std::vector<Text> QueryColumn(const char* sql, std::span<const TemplateValue> values) override {
        std::vector<Text> out;
        Run(sql, values, 0, [&](OdbcColumns& row) { out.push_back(ReadOdbcText(row, 1)); });
        return out;
    }

    std::vector<CRecordset_Distance> QueryRows(const char* sql,
                                               std::span<const TemplateValue> values,
                                               std::size_t limit, RowColumns columns) override {
        std::vector<CRecordset_Distance> out;
        Run(sql, values, limit,
            [&](OdbcColumns& row) { out.push_back(ReadOdbcRow(row, columns)); });
        return out;
    }

  private:
    void Free() {
        for (SQLHSTMT stmt : owned_) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        owned_.clear();
        statements_.clear();
        if (connected_) SQLDisconnect(dbc_);
        if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
        dbc_ = env_ = nullptr;
        connected_ = false;
    }

    SQLHSTMT Prepare(const char* sql) {
        auto found = statements_.find(sql);
        if (found != statements_.end()) return found->second;
        return statements_[sql] = NewStatement(FromAscii(sql));
    }

    // Freed with the connection.
    SQLHSTMT NewStatement(const Text& sql) {
        SQLHSTMT stmt = nullptr;
        Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_);
        // A driver without a timeout runs the statement unbounded rather
        // than not at all.
        SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout_)), 0);
        SQLRETURN rc = SQLPrepareW(stmt, Wide(sql.c_str()), static_cast<SQLINTEGER>(sql.size()));
        if (!SQL_SUCCEEDED(rc)) {
            Text state;
            Text message = Diagnostic(SQL_HANDLE_STMT, stmt, &state);
            CDBException error(message, state);
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            throw error;
        }
        owned_.push_back(stmt);
        return stmt;
    }

    // Closes the cursor whatever happens, keeping the statement prepared.
    struct Close {
        SQLHSTMT s;
        ~Close() {
            SQLFreeStmt(s, SQL_CLOSE);
            SQLFreeStmt(s, SQL_RESET_PARAMS);
        }
    };

    // Binds the values in order and runs the statement; false when it
    // touched no row.
    static bool Execute(SQLHSTMT stmt, std::span<const OdbcValue> values) {
        std::vector<SQLLEN> lengths(values.size());
        static std::uint8_t none = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            SQLUSMALLINT index = static_cast<SQLUSMALLINT>(i + 1);
            SQLRETURN rc;
            const OdbcValue& value = values[i];
            if (const TextView* text = std::get_if<TextView>(&value)) {
                lengths[i] = static_cast<SQLLEN>(text->size() * sizeof(char16_t));
                rc = SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                      std::max<SQLULEN>(text->size(), 1), 0, Wide(text->data()),
                                      lengths[i], &lengths[i]);
            } else if (const auto* bytes = std::get_if<std::span<const std::uint8_t>>(&value)) {
                lengths[i] = static_cast<SQLLEN>(bytes->size());
                rc = SQLBindParameter(
                    stmt, index, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_VARBINARY,
                    std::max<SQLULEN>(bytes->size(), 1), 0,
                    bytes->empty() ? &none : const_cast<std::uint8_t*>(bytes->data()), lengths[i],
                    &lengths[i]);
            } else if (const float* real = std::get_if<float>(&value)) {
                rc = SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_FLOAT, SQL_REAL, 0, 0,
                                      const_cast<float*>(real), 0, nullptr);
            } else {
                rc = SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                      const_cast<std::int32_t*>(&std::get<std::int32_t>(value)), 0,
                                      nullptr);
            }
            Check(rc, SQL_HANDLE_STMT, stmt);
        }
        SQLRETURN rc = SQLExecute(stmt);
        if (rc == SQL_NO_DATA) return false;
        Check(rc, SQL_HANDLE_STMT, stmt);
        return true;
    }

    void Execute(const char* sql, std::span<const OdbcValue> values) {
        SQLHSTMT stmt = Prepare(sql);
        Close close{stmt};
        Execute(stmt, values);
    }

    template <typename Row>
    void Run(const char* sql, std::span<const TemplateValue> templateValues, std::size_t limit,
             Row&& row) {
        std::vector<OdbcValue> values;
        for (const TemplateValue& v : templateValues)
            values.push_back(std::visit([](auto x) { return OdbcValue(x); }, v));
        const auto started = std::chrono::steady_clock::now();
        try {
            SQLHSTMT stmt = Prepare(sql);
            Close close{stmt};
            if (!Execute(stmt, values)) return;
            std::size_t count = 0;
            for (;;) {
                SQLRETURN rc = SQLFetch(stmt);
                if (rc == SQL_NO_DATA) break;
                StatementColumns columns(stmt);
                CheckOdbcRead(rc, columns);
                row(columns);
                if (limit && ++count == limit) break;
            }
        } catch (const CDBException& e) {
            // What the driver's words leave out: that the time ran out (the
            // PostgreSQL driver has the server cancel the statement, 57014,
            // as an administrator's cancel does), or that the connection is
            // gone (then the state may be the server's for its shutdown,
            // 57P01 or 57P02, rather than 08xxx).
            bool timedOut =
                e.m_strState == u"HYT00" ||
                (e.m_strState == u"57014" &&
                 std::chrono::steady_clock::now() - started >= std::chrono::seconds(timeout_));
            CDBException failure =
                timedOut ? CDBException(Format("the statement took longer than %d s and was "
                                               "cancelled (",
                                               timeout_) +
                                            e.m_strError + u")",
                                        e.m_strState)
                         : e;
            SQLUINTEGER dead = SQL_CD_FALSE;
            failure.m_bLostConnection = e.m_strState == u"57P01" || e.m_strState == u"57P02" ||
                                        (SQL_SUCCEEDED(SQLGetConnectAttr(
                                             dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
                                         dead == SQL_CD_TRUE);
            throw failure;
        }
    }

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool connected_ = false;
    int timeout_;
    std::map<const char*, SQLHSTMT> statements_;
    std::vector<SQLHSTMT> owned_;
};

}  // namespace

std::unique_ptr<CTemplateDatabase> OpenOdbcTemplateDatabase(const Text& templatePath) {
    // Every entry ends with a NUL, the list with one more.
    static const char16_t kAttributes[] =
        u"DSN=MS Access Database\0Description=\0FileType=\0DataDirectory=\0MaxScanRows=\0";
    SQLConfigDataSourceW(nullptr, ODBC_ADD_DSN,
                         reinterpret_cast<LPCWSTR>(u"Microsoft Access Driver (*.mdb)"),
                         reinterpret_cast<LPCWSTR>(kAttributes));
    Text connect = u"ODBC;DSN=MS Access Database;DBQ=" + templatePath;
    // The "ODBC;" prefix is the framework's, not the driver manager's.
    return OpenOdbcConnection(TextView(connect).substr(5));
}

std::unique_ptr<CTemplateDatabase> OpenOdbcConnection(TextView connect, int timeoutSeconds) {
    return std::make_unique<OdbcTemplateDatabase>(connect, timeoutSeconds);
}

void WriteOdbcTemplateDatabase(TextView connect, std::span<const CRecordset_Distance> rows) {
    // Unbounded: a copy waits for the one before it to commit.
    OdbcTemplateDatabase(connect, 0).Replace(rows);
}

}  // namespace qz
