#include "templates/odbc/odbc_row.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qz {

namespace {

template <typename T>
T ReadNumber(OdbcColumns& columns, SQLUSMALLINT column, SQLSMALLINT type) {
    T value = 0;
    SQLLEN indicator = 0;
    CheckOdbcRead(columns.GetData(column, type, &value, sizeof value, &indicator), columns);
    return indicator == SQL_NULL_DATA ? T(0) : value;
}

// The whole value, in chunks: each call but the last fills the buffer.
std::vector<std::uint8_t> ReadBlock(OdbcColumns& columns, SQLUSMALLINT column) {
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[4096];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = columns.GetData(column, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) break;
        CheckOdbcRead(rc, columns);
        if (indicator < 0 && indicator != SQL_NO_TOTAL)
            throw CDBException(Format("the driver gave a block the length %lld",
                                      static_cast<long long>(indicator)));
        std::size_t got = indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof chunk)
                              ? sizeof chunk
                              : static_cast<std::size_t>(indicator);
        out.insert(out.end(), chunk, chunk + got);
        if (rc == SQL_SUCCESS) break;
    }
    return out;
}

}  // namespace

void CheckOdbcRead(SQLRETURN rc, OdbcColumns& columns) {
    if (SQL_SUCCEEDED(rc) && rc != SQL_SUCCESS_WITH_INFO) return;
    Text state;
    Text message = columns.Diagnostic(&state);
    if (rc == SQL_SUCCESS_WITH_INFO) {
        if (state == u"01S01") throw CDBException(message);
        return;
    }
    throw CDBException(message, state);
}

Text ReadOdbcText(OdbcColumns& columns, SQLUSMALLINT column) {
    char16_t buffer[kTemplateTextLength + 1] = {};
    SQLLEN indicator = 0;
    CheckOdbcRead(columns.GetData(column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), columns);
    if (indicator == SQL_NULL_DATA) return {};
    // Up to the NUL, never past the buffer: a driver may leave it out.
    return Text(buffer, std::find(buffer, buffer + kTemplateTextLength, u'\0'));
}

CRecordset_Distance ReadOdbcRow(OdbcColumns& columns, RowColumns which) {
    CRecordset_Distance r;
    r.nID = ReadNumber<SQLINTEGER>(columns, 1, SQL_C_SLONG);
    if (which == RowColumns::kIdAndName) {
        r.strZoneName = ReadOdbcText(columns, 5);
        return r;
    }
    r.strManufacturer = ReadOdbcText(columns, 2);
    r.strProtSort = ReadOdbcText(columns, 3);
    r.strProtModel = ReadOdbcText(columns, 4);
    r.strZoneName = ReadOdbcText(columns, 5);
    r.setting.Zzd_Mode = ReadNumber<SQLINTEGER>(columns, 6, SQL_C_SLONG);
    r.setting.Zzd_1 = ReadNumber<SQLREAL>(columns, 7, SQL_C_FLOAT);
    r.setting.Zzd_2 = ReadNumber<SQLREAL>(columns, 8, SQL_C_FLOAT);
    r.setting.Zzd_3 = ReadNumber<SQLREAL>(columns, 9, SQL_C_FLOAT);
    r.ProtSettings = ReadBlock(columns, 10);
    r.strMemo = ReadOdbcText(columns, 11);
    return r;
}

}  // namespace qz
