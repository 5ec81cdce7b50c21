// The template library reached through the ODBC driver manager, as the
// product does on Windows.
#pragma once

#include <memory>

#include "templates/template_db.h"

namespace qz {

// The data source the library registers and connects to.
inline constexpr TextView kTemplateDataSource = u"MS Access Database";
inline constexpr TextView kTemplateDriver = u"Microsoft Access Driver (*.mdb)";

// Registers the data source (its result is not looked at: it may exist
// already) and connects with the template path as DBQ; throws CDBException
// with the driver's message.
std::unique_ptr<CTemplateDatabase> OpenOdbcTemplateDatabase(const Text& templatePath);

// The driver's query timeout of each statement, in seconds.
inline constexpr int kOdbcQueryTimeout = 30;

// Connects with a connection string as the driver manager takes it (a data
// source, or a driver with its attributes); registers nothing.
std::unique_ptr<CTemplateDatabase> OpenOdbcConnection(TextView connect,
                                                      int timeoutSeconds = kOdbcQueryTimeout);

// Rows a copy sends in one statement: a round trip per row would cost many
// times what the server needs to store it.
inline constexpr std::size_t kOdbcRowsPerInsert = 256;

// Replaces every row of the data source's Prot_Distance with `rows`, making
// the table (in PostgreSQL's dialect) and the index the import tree's
// statements read by when they are missing, in one transaction: a failure
// throws CDBException and leaves the old rows.
void WriteOdbcTemplateDatabase(TextView connect, std::span<const CRecordset_Distance> rows);

}  // namespace qz
