// A fetched row's columns converted from what the driver hands back, apart
// from the driver: the statement is seen only through SQLGetData and its
// first diagnostic record.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "templates/template_db.h"

namespace qz {

class OdbcColumns {
  public:
    virtual ~OdbcColumns() = default;
    // SQLGetData on the current row.
    virtual SQLRETURN GetData(SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN size,
                              SQLLEN* indicator) = 0;
    // The first diagnostic record's message and state; a generic message
    // when there is none.
    virtual Text Diagnostic(Text* state) = 0;
};

// A fetch or read that warns: a cut text (01004) is no error, an error in the
// row (01S01) is.  Throws CDBException.
void CheckOdbcRead(SQLRETURN rc, OdbcColumns& columns);

// A text column, at most kTemplateTextLength units; NULL reads empty.
Text ReadOdbcText(OdbcColumns& columns, SQLUSMALLINT column);

// A row of Prot_Distance, its columns read in order as SQLGetData requires;
// with kIdAndName only the id and the zone's name.
CRecordset_Distance ReadOdbcRow(OdbcColumns& columns, RowColumns which = RowColumns::kAll);

}  // namespace qz
