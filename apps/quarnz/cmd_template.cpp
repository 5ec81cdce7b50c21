// quarnz template: builds a template library from a readable JSON source,
// copies one to an ODBC data source, lists its tree and shows a zone's
// characteristic for a setting.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/plot_image.h"
#include "apps/quarnz/template_source.h"
#include "base/platform.h"
#include "base/quote.h"
#include "formula/formula_parser.h"
#include "records/geometry.h"
#include "records/setting.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "zones/describe.h"

namespace quarnz {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

void Build(const std::string& source, const std::string& out, bool allowEmpty) {
    std::vector<qz::CRecordset_Distance> rows = ReadJsonSource(source, allowEmpty);
    try {
        qz::WriteSqliteTemplateDatabase(qz::FromUtf8(out), rows);
    } catch (const qz::CDBException& e) {
        Fail(out, e.what());
    }
}

// A connection string as a message names it: its passwords hidden whole as
// the driver manager parses them, a braced value running to the first "}"
// that is not doubled.
std::string Shown(const std::string& connect) {
    std::string shown;
    std::size_t at = 0;
    while (at < connect.size()) {
        std::size_t equals = connect.find('=', at), semicolon = connect.find(';', at);
        if (equals == std::string::npos || semicolon < equals) {
            shown +=
                connect.substr(at, semicolon == std::string::npos ? semicolon : semicolon + 1 - at);
            at = semicolon == std::string::npos ? connect.size() : semicolon + 1;
            continue;
        }
        std::string key = connect.substr(at, equals - at);
        key.erase(0, key.find_first_not_of(" \t"));
        key.erase(key.find_last_not_of(" \t") + 1);
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::size_t value = connect.find_first_not_of(" \t", equals + 1), end = value;
        if (value != std::string::npos && connect[value] == '{') {
            for (end = value + 1; end < connect.size(); ++end)
                if (connect[end] == '}' && (end + 1 == connect.size() || connect[++end] != '}'))
                    break;
            end = connect.find(';', end);
        } else {
            end = semicolon;
        }
        if (end == std::string::npos) end = connect.size();
        shown += connect.substr(at, equals + 1 - at);
        shown += key == "pwd" || key == "password" ? "***"
                                                   : connect.substr(equals + 1, end - equals - 1);
        if (end < connect.size()) shown += ';';
        at = end + 1;
    }
    return shown;
}

// The driver manager takes a connection string's length as a 16-bit count.
qz::Text Connection(const std::string& odbc) {
    qz::Text connect = qz::FromUtf8(odbc);
    if (connect.size() > 32767)
        Fail(Shown(odbc).substr(0, 60) + "...",
             "the connection string is " + std::to_string(connect.size()) +
                 " characters long, more than the 32,767 the driver manager takes");
    return connect;
}

// Whether a source is an SQLite library, which is told by reading it whole.
bool IsSqliteSource(const std::string& source) {
    CheckReadableSize(source);
    return qz::IsSqliteFile(qz::FromUtf8(source));
}

// A library file, or with `odbc` the data source of that connection string
// (messages then name the connection string).
std::unique_ptr<qz::CTemplateDatabase> Open(const std::string& file, const std::string& odbc) {
    try {
        if (!odbc.empty()) return qz::OpenOdbcConnection(Connection(odbc));
        if (!qz::CurrentVfs().exists(qz::FromUtf8(file))) Fail(file, "no such file");
        if (!IsSqliteSource(file)) Fail(file, "not an SQLite template library");
        return qz::OpenSqliteTemplateDatabase(qz::FromUtf8(file));
    } catch (const qz::CDBException& e) {
        Fail(odbc.empty() ? file : Shown(odbc), e.what());
    }
}

// Refuses what the copy would change without a word: the backend reads ids
// through an int and texts cut at the server's length, a NUL ends a text for
// the host, and a zone's id is exact in a float only up to 2^24.
void CheckSqliteSource(const std::string& source) {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    // Whatever does not open or read here fails as the backend says, later.
    if (sqlite3_open_v2(source.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, qz::kSelectAllRows, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_column_count(stmt) >= 11) {
        static const std::pair<int, const char*> kTexts[] = {{1, "strManufacturer"},
                                                             {2, "strProtSort"},
                                                             {3, "strProtModel"},
                                                             {4, "strZoneName"},
                                                             {10, "strMemo"}};
        std::string error;
        while (error.empty() && sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* id = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const std::string where = "id " + std::string(id ? id : "NULL") + ": ";
            const sqlite3_int64 n = sqlite3_column_int64(stmt, 0);
            if (sqlite3_column_type(stmt, 0) != SQLITE_INTEGER || n < -kMaxId || n > kMaxId)
                error = where + "nID: not a whole number within ±" + std::to_string(kMaxId) +
                        ", which a zone's id carries exactly";
            for (auto [column, member] : kTexts) {
                if (!error.empty()) break;
                const auto* text = sqlite3_column_text(stmt, column);
                std::string_view utf8(reinterpret_cast<const char*>(text),
                                      text ? std::size_t(sqlite3_column_bytes(stmt, column)) : 0);
                std::size_t characters = std::count_if(utf8.begin(), utf8.end(), [](char c) {
                    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                });
                if (utf8.find('\0') != std::string_view::npos)
                    error = where + member + ": holds a NUL character, which would cut the text";
                else if (characters > qz::kTemplateTextLength)
                    error = where + member + ": " + std::to_string(characters) +
                            " characters, more than the " +
                            std::to_string(qz::kTemplateTextLength) + " a library holds";
            }
        }
        if (!error.empty()) {
            sqlite3_finalize(stmt);
            sqlite3_close(db);
            Fail(source, error);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

// Replaces the data source's library with a SQLite library's rows or a JSON
// source's, all or nothing.
void Push(const std::string& source, const std::string& odbc, bool allowEmpty) {
    const qz::Text connect = Connection(odbc);
    std::vector<qz::CRecordset_Distance> rows;
    if (IsSqliteSource(source)) {
        try {
            rows = qz::OpenSqliteTemplateDatabase(qz::FromUtf8(source))->AllRows();
        } catch (const qz::CDBException& e) {
            Fail(source, e.what());
        }
        if (rows.empty() && !allowEmpty)
            Fail(source, "no zones (an empty library is pushed only with --allow-empty)");
        CheckSqliteSource(source);
    } else {
        rows = ReadJsonSource(source, allowEmpty);
    }
    try {
        qz::WriteOdbcTemplateDatabase(connect, rows);
    } catch (const qz::CDBException& e) {
        Fail(Shown(odbc), e.what());
    }
}

void List(const std::string& file, const std::string& odbc, bool asJson) {
    auto db = Open(file, odbc);
    const std::string subject = odbc.empty() ? file : Shown(odbc);
    auto s = [](const qz::Text& t) { return qz::ToUtf8Lossy(t); };
    ordered_json tree = ordered_json::array();
    std::ostringstream text;
    try {
        for (const qz::Text& maker : db->Manufacturers()) {
            ordered_json sorts = ordered_json::array();
            text << s(maker) << "\n";
            for (const qz::Text& sort : db->ProtSorts(maker)) {
                ordered_json models = ordered_json::array();
                text << "  " << s(sort) << "\n";
                for (const qz::Text& model : db->ProtModels(maker, sort)) {
                    ordered_json zones = ordered_json::array();
                    text << "    " << s(model) << "\n";
                    for (const qz::CRecordset_Distance& r : db->ZoneLeaves(maker, sort, model)) {
                        zones.push_back({{"nID", r.nID}, {"strZoneName", s(r.strZoneName)}});
                        text << "      " << s(r.strZoneName) << " (id " << r.nID << ")\n";
                    }
                    models.push_back({{"strProtModel", s(model)}, {"zones", zones}});
                }
                sorts.push_back({{"strProtSort", s(sort)}, {"models", models}});
            }
            tree.push_back({{"strManufacturer", s(maker)}, {"sorts", sorts}});
        }
    } catch (const qz::CDBException& e) {
        Fail(subject, e.what());
    }
    std::cout << (asJson ? tree.dump(2) + "\n" : text.str());
}

void Show(const std::string& file, std::int32_t id, const std::vector<float>& values,
          const std::string& out) {
    auto db = Open(file, {});
    std::optional<qz::CRecordset_Distance> r;
    try {
        r = db->Zone(id);
    } catch (const qz::CDBException& e) {
        Fail(file, e.what());
    }
    if (!r) Fail(file, "no zone with id " + std::to_string(id));
    if (!values.empty()) {
        r->setting.Zzd_1 = values[0];
        r->setting.Zzd_2 = values[1];
        r->setting.Zzd_3 = values[2];
    }
    qz::PictList picts;
    qz::CArchiveReader ar(r->ProtSettings.data(), r->ProtSettings.size());
    if (!r->ProtSettings.empty() &&
        (qz::LoadPicts(ar, picts, qz::PictForm::kFormula), ar.Remaining() != 0))
        Fail(file, "the characteristic of id " + std::to_string(id) + " does not read whole");
    qz::CFormulaParser parser;
    qz::BindSetting(parser, r->setting);
    qz::InstantiatePicts(picts, parser);
    char setting[128];
    std::snprintf(setting, sizeof setting, "mode %d: %g, %g, %g", r->setting.Zzd_Mode,
                  r->setting.Zzd_1, r->setting.Zzd_2, r->setting.Zzd_3);
    std::cout << qz::ToUtf8Lossy(r->strManufacturer) << " / " << qz::ToUtf8Lossy(r->strProtSort)
              << " / " << qz::ToUtf8Lossy(r->strProtModel) << " / "
              << qz::ToUtf8Lossy(r->strZoneName) << " (id " << r->nID << ")\n"
              << setting << "\n"
              << qz::DescribePictList(picts, qz::PictForm::kNumeric);
    if (!out.empty())
        WritePlotImage({{r->strZoneName, {}, false, r->setting, &picts, 0, 0, {}, {}}},
                       SheetOptions{}, 1, file, out);
}

void AddTemplate(CLI::App& app) {
    struct Options {
        std::string source, file, out, odbc;
        std::int32_t id = 0;
        std::vector<float> values;
        bool json = false, allowEmpty = false;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("template", "Build, list and show template libraries");
    cmd->require_subcommand(1);
    CLI::App* build = cmd->add_subcommand("build", "Build a template library from a JSON source");
    build->add_option("SOURCE", opt->source, "the JSON source")->required();
    build->add_option("-o,--output", opt->out, "the library file to write")->required();
    build->add_flag("--allow-empty", opt->allowEmpty, "write a library of no zones");
    build->callback([opt] { Build(opt->source, opt->out, opt->allowEmpty); });
    CLI::App* push = cmd->add_subcommand(
        "push", "Replace the rows of an ODBC data source's library, in one transaction");
    push->add_option("SOURCE", opt->source, "a template library or its JSON source")->required();
    push->add_option("--odbc", opt->odbc, "the connection string")->required();
    push->add_flag("--allow-empty", opt->allowEmpty, "empty the data source's library");
    push->callback([opt] { Push(opt->source, opt->odbc, opt->allowEmpty); });
    CLI::App* list =
        cmd->add_subcommand("list", "Print the manufacturer / sort / model / zone tree");
    CLI::Option* file = list->add_option("FILE", opt->file, "the template library");
    CLI::Option* odbc =
        list->add_option("--odbc", opt->odbc, "the connection string of a data source instead");
    file->excludes(odbc);
    list->add_flag("--json", opt->json, "the tree as JSON");
    list->callback([opt] {
        if (opt->file.empty() && opt->odbc.empty()) throw CLI::RequiredError("FILE or --odbc");
        List(opt->file, opt->odbc, opt->json);
    });
    CLI::App* show =
        cmd->add_subcommand("show", "Evaluate and describe (and plot) one zone's characteristic");
    show->add_option("FILE", opt->file, "the template library")->required();
    show->add_option("ID", opt->id, "the zone's id")->required();
    show->add_option("--values", opt->values,
                     "the setting values Zzd_1,Zzd_2,Zzd_3 instead of the zone's")
        ->delimiter(',')
        ->expected(3);
    show->add_option("-o,--output", opt->out, "a PNG file for the R-X plot");
    show->callback([opt] { Show(opt->file, opt->id, opt->values, opt->out); });
}

const bool registered = RegisterCommand({AddTemplate});

}  // namespace

}  // namespace quarnz
