// The template library read from an SQLite file with the embedded library.
#pragma once

#include <memory>

#include "templates/template_db.h"

namespace qz {

// True when the file at `path` begins with the SQLite file header.
bool IsSqliteFile(const Text& path);

// Opens the file read-only; throws CDBException with the library's message.
std::unique_ptr<CTemplateDatabase> OpenSqliteTemplateDatabase(const Text& path);

// Writes a new template library file holding these rows (the tools' and
// tests' way of making one; the library itself only reads).  A file already
// at `path` is replaced.  Throws CDBException.
void WriteSqliteTemplateDatabase(const Text& path, std::span<const CRecordset_Distance> rows);

}  // namespace qz
