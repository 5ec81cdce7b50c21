// The template library read from an SQLite file with the embedded library.
#pragma once

#include <chrono>
#include <memory>

#include "templates/template_db.h"

namespace qz {

// True when the file at `path` begins with the SQLite file header.
bool IsSqliteFile(const Text& path);

// How long one statement may run before it is stopped with an error.
inline constexpr std::chrono::milliseconds kSqliteStatementLimit{10000};

// Opens the file read-only; throws CDBException with the library's message,
// or when its Prot_Distance is not a table.
std::unique_ptr<CTemplateDatabase> OpenSqliteTemplateDatabase(
    const Text& path, std::chrono::milliseconds limit = kSqliteStatementLimit);

// Writes a new template library file holding these rows (the tools' and
// tests' way of making one; the library itself only reads).  A file already
// at `path` is replaced.  Throws CDBException.
void WriteSqliteTemplateDatabase(const Text& path, std::span<const CRecordset_Distance> rows);

}  // namespace qz
