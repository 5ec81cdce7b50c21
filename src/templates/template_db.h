// The template library: one table of protection zones, read-only, behind one
// small interface with a backend per way of reaching the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/text.h"
#include "records/setting.h"

namespace qz {

// One row of Prot_Distance, the columns in table order.  NULL reads as an
// empty text, 0 or an empty block.
struct CRecordset_Distance {
    std::int32_t nID = 0;
    Text strManufacturer;
    Text strProtSort;
    Text strProtModel;
    Text strZoneName;
    ZoneSetting setting;  // Zzd_Mode, Zzd_1, Zzd_2, Zzd_3
    std::vector<std::uint8_t> ProtSettings;
    Text strMemo;

    bool operator==(const CRecordset_Distance&) const = default;
};

// Texts are bound as at most this many characters; longer ones read cut.
inline constexpr std::size_t kTemplateTextLength = 255;

// The statements the library sends, values bound as parameters.
inline constexpr const char* kSelectManufacturers =
    "select distinct strManufacturer from Prot_Distance order by strManufacturer";
inline constexpr const char* kSelectProtSorts =
    "select distinct strProtSort from Prot_Distance where strManufacturer=? order by strProtSort";
inline constexpr const char* kSelectProtModels =
    "select distinct strProtModel from Prot_Distance where strManufacturer like ? and strProtSort "
    "like ?"
    " order by strProtModel";
inline constexpr const char* kSelectZones =
    "select * from Prot_Distance where strManufacturer like ? and strProtSort like ? and "
    "strProtModel like ?"
    " order by strZoneName";
inline constexpr const char* kSelectZone = "select * from Prot_Distance where nID=?";
// Not one of the library's: the tools' copy of a whole library.
inline constexpr const char* kSelectAllRows = "select * from Prot_Distance order by nID";

// A failure of the driver or library, carrying its own message and, from
// ODBC, its state.
class CDBException : public std::runtime_error {
  public:
    explicit CDBException(const Text& message, Text state = {})
        : std::runtime_error(ToUtf8Lossy(message)),
          m_strError(message),
          m_strState(std::move(state)) {}
    Text m_strError;
    Text m_strState;
    // Set when a statement on an open connection failed with a
    // communication-link state (08xxx), or the backend otherwise knows the
    // connection is gone: a new connection may succeed.
    bool m_bLostConnection = false;
};

using TemplateValue = std::variant<TextView, std::int32_t>;

// What of each row a statement's caller reads: every column, or only the id
// and zone name the import tree shows (the statement selects every column
// all the same; reading fewer spares a driver converting the rest).
enum class RowColumns { kAll, kIdAndName };

class CTemplateDatabase {
  public:
    virtual ~CTemplateDatabase() = default;
    // The backend that reads the library, such as "SQLite" or "ODBC".
    virtual std::string_view Backend() const = 0;

    std::vector<Text> Manufacturers();
    std::vector<Text> ProtSorts(TextView manufacturer);
    std::vector<Text> ProtModels(TextView manufacturer, TextView sort);
    std::vector<CRecordset_Distance> Zones(TextView manufacturer, TextView sort, TextView model);
    // The same rows as the import tree lists them: nID and strZoneName, the
    // other members left empty.
    std::vector<CRecordset_Distance> ZoneLeaves(TextView manufacturer, TextView sort,
                                                TextView model);
    // The first row with this id, if any.
    std::optional<CRecordset_Distance> Zone(std::int32_t id);
    // Every row by id: what the tools copy from one library to another.
    std::vector<CRecordset_Distance> AllRows();
    // True once a statement failed: the connection may be gone or the file
    // changed under it, so its holder opens a new one.
    bool Failed() const { return failed_; }

  protected:
    // Runs a statement (one of the constants above, so a backend may keep it
    // prepared by its address) and returns column 1 of each row as text.
    virtual std::vector<Text> QueryColumn(const char* sql,
                                          std::span<const TemplateValue> values) = 0;
    // The same, returning rows with `columns` read; at most `limit` rows
    // when not 0.
    virtual std::vector<CRecordset_Distance> QueryRows(const char* sql,
                                                       std::span<const TemplateValue> values,
                                                       std::size_t limit, RowColumns columns) = 0;

  private:
    template <typename Query>
    auto Statement(Query&& query) -> decltype(query());
    bool failed_ = false;
};

// The open template library, or nullptr when there is none; a failed open
// throws CDBException.  The import dialog asks before every statement.
using TemplateSource = std::function<CTemplateDatabase*()>;

}  // namespace qz
