// The template library's ODBC data source for the tests, on Linux and under
// Wine alike.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "templates/odbc/odbc_template_db.h"
#include "test_util.h"

namespace qztest {

#ifndef _WIN32
// The driver manager reads its configuration once per process, on its first
// use, whichever test that is: the configuration is made before any test.
inline const std::filesystem::path& OdbcConfigFolder() {
    static qztest::TempDir config;
    static const bool written = [&] {
        const std::filesystem::path& folder = config.path();
        std::ofstream(folder / "odbcinst.ini") << "[" << qz::ToUtf8(qz::kTemplateDriver)
                                               << "]\nDriver=" << QZ_SQLITE_ODBC_DRIVER << "\n";
        std::ofstream(folder / "odbc.ini")
            << "[" << qz::ToUtf8(qz::kTemplateDataSource)
            << "]\nDriver=" << qz::ToUtf8(qz::kTemplateDriver)
            << "\nDatabase=" << (folder / "source.db").string() << "\n";
        setenv("ODBCSYSINI", folder.string().c_str(), 1);
        setenv("ODBCINI", (folder / "odbc.ini").string().c_str(), 1);
        return true;
    }();
    (void)written;
    return config.path();
}
inline const bool kOdbcConfigured = !OdbcConfigFolder().empty();
#endif

// The data source "MS Access Database" of the Access driver's name, opening a
// copy of `database`: Debian's SQLite ODBC driver, which opens the data
// source's file.  The driver manager reads its configuration once per
// process, so there is one, and its data source's file is replaced instead.
// False when there is no configuration to use.
inline bool ConfigureOdbc(const std::filesystem::path& database) {
#ifdef _WIN32
    // Wine's odbc32 hands the calls to the host's unixODBC, which reads the
    // Unix environment Wine started with: the configuration is made before,
    // and its data source's file named here.
    const wchar_t* file = _wgetenv(L"QZ_ODBC_DATABASE");
    if (!file || !*file) return false;
    std::filesystem::path target(file);
#else
    std::filesystem::path target = OdbcConfigFolder() / "source.db";
#endif
    // Removed first: mingw's copy_file refuses to overwrite.
    std::filesystem::remove(target);
    std::filesystem::copy_file(database, target);
    return true;
}

}  // namespace qztest
