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
#include "base/platform.h"
#include "base/quote.h"
#include "formula/formula_parser.h"
#include "records/geometry.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "zones/describe.h"

namespace quarnz {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

const char* const kKinds[] = {"mho", "line", "arc", "lens"};

// A zone's id travels through a float in the host, exact only up to 2^24.
constexpr std::int64_t kMaxId = 16777216;
// Deeper nesting than any source needs; bounds the parser's work and stack.
constexpr int kMaxDepth = 64;

const std::string& StringOf(const json& v, const std::string& what) {
    if (!v.is_string()) throw std::runtime_error(what + ": expected a string");
    return v.get_ref<const std::string&>();
}

std::int32_t WholeNumberOf(const json& v, const std::string& what, std::int64_t low,
                           std::int64_t high) {
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= std::uint64_t(high))
        return static_cast<std::int32_t>(v.get<std::uint64_t>());
    if (v.is_number_integer() && !v.is_number_unsigned() && v.get<std::int64_t>() >= low &&
        v.get<std::int64_t>() <= high)
        return static_cast<std::int32_t>(v.get<std::int64_t>());
    throw std::runtime_error(what + ": expected a whole number from " + std::to_string(low) +
                             " to " + std::to_string(high));
}

// A float would take an out-of-range double to undefined behaviour.
float RealOf(const json& v, const std::string& what) {
    if (!v.is_number() || !std::isfinite(v.get<double>()) || std::fabs(v.get<double>()) > FLT_MAX)
        throw std::runtime_error(what + ": expected a number within a float's range");
    return static_cast<float>(v.get<double>());
}

// Fills an element's formulas from its JSON object, keyed by member name:
// a point is ["polar" or "rect", formula 1, formula 2], a formula a string,
// a flag a number.
class JsonFormulas final : public qz::PictFieldEditor {
  public:
    explicit JsonFormulas(const json& j) : j_(j) {}
    void Point(qz::PictFieldName name, qz::PictPoint& point, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        const json& p = Member(name);
        if (!p.is_array() || p.size() != 3 || !p[0].is_string() ||
            (p[0] != "polar" && p[0] != "rect"))
            throw std::runtime_error(std::string(name.member) +
                                     ": expected [\"polar\" or \"rect\", formula, formula]");
        point.nCoord = p[0] == "polar" ? 0 : 1;
        point.strFormula1 = qz::FromUtf8(StringOf(p[1], std::string(name.member) + " formula 1"));
        point.strFormula2 = qz::FromUtf8(StringOf(p[2], std::string(name.member) + " formula 2"));
    }
    void Real(qz::PictFieldName, const char*, float&) override {}
    void Formula(qz::PictFieldName name, qz::FormulaText& formula, float&) override {
        formula = qz::FromUtf8(StringOf(Member(name), name.member));
    }
    void Flag(qz::PictFieldName name, std::int32_t& value, const char*, const char*) override {
        value = WholeNumberOf(Member(name), name.member, INT32_MIN, INT32_MAX);
    }

  private:
    const json& Member(qz::PictFieldName name) {
        if (!j_.contains(name.member)) throw std::runtime_error(std::string("no ") + name.member);
        return j_.at(name.member);
    }
    const json& j_;
};

// Every formula of an element evaluated; the first that fails is named.
class FormulaCheck final : public qz::PictFieldVisitor {
  public:
    explicit FormulaCheck(qz::CFormulaParser& parser) : parser_(parser) {}
    void Point(qz::PictFieldName name, const qz::PictPoint& point, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        Check(std::string(name.member) + " formula 1", point.strFormula1.str());
        Check(std::string(name.member) + " formula 2", point.strFormula2.str());
    }
    void Real(qz::PictFieldName, const char*, const float&) override {}
    void Formula(qz::PictFieldName name, const qz::FormulaText& formula, const float&) override {
        Check(name.member, formula.str());
    }
    void Flag(qz::PictFieldName, const std::int32_t&, const char*, const char*) override {}
    std::string error;

  private:
    void Check(const std::string& what, qz::TextView formula) {
        if (!error.empty()) return;
        std::uint16_t position = 0;
        qz::Text text;
        parser_.Evaluate(formula, position, text);
        if (!text.empty())
            error = what + " \"" + qz::ToUtf8Lossy(formula) + "\": error at position " +
                    std::to_string(position) + ": " + qz::ToUtf8Lossy(text);
    }
    qz::CFormulaParser& parser_;
};

// What the stored text cannot carry: the host reads texts up to a NUL.
void CheckText(const qz::Text& text, const char* member) {
    if (text.find(u'\0') != qz::Text::npos)
        throw std::runtime_error(std::string(member) +
                                 ": holds a NUL character, which would cut the text");
}

const json& Required(const json& z, const char* key) {
    if (!z.contains(key)) throw std::runtime_error(std::string("no \"") + key + "\"");
    return z.at(key);
}

qz::Text TextOf(const json& z, const char* key) {
    qz::Text text = qz::FromUtf8(StringOf(z.at(key), key));
    CheckText(text, key);
    return text;
}

// The rows of a JSON source; a row that does not read or evaluate is named
// and nothing is returned, as for a source with no zones unless `allowEmpty`.
std::vector<qz::CRecordset_Distance> ReadJsonSource(const std::string& source, bool allowEmpty) {
    json doc;
    try {
        doc = json::parse(ReadFileBytes(source), [](int depth, json::parse_event_t, json&) {
            if (depth > kMaxDepth)
                throw std::length_error("nested deeper than " + std::to_string(kMaxDepth) +
                                        " levels");
            return true;
        });
    } catch (const json::exception& e) {
        Fail(source, e.what());
    } catch (const std::length_error& e) {
        Fail(source, e.what());
    }
    if (!doc.is_object() || !doc.contains("zones"))
        Fail(source, "no \"zones\" array: a template source is {\"zones\": [...]}");
    const json& list = doc.at("zones");
    if (!list.is_array()) Fail(source, "\"zones\" is not an array");
    if (list.empty() && !allowEmpty)
        Fail(source, "no zones (an empty library is made only with --allow-empty)");
    if (list.size() > std::size_t(kMaxId))
        Fail(source,
             "more than " + std::to_string(kMaxId) + " zones, the most a zone's id carries");
    std::vector<qz::CRecordset_Distance> rows;
    std::vector<std::string> errors;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& z = list[i];
        std::string where = "row " + std::to_string(i + 1);
        try {
            if (!z.is_object()) throw std::runtime_error("expected an object");
            for (const char* key :
                 {"manufacturer", "sort", "model", "zone", "mode", "values", "elements"})
                Required(z, key);
            qz::CRecordset_Distance& r = rows.emplace_back();
            r.nID = static_cast<std::int32_t>(i + 1);
            r.strZoneName = TextOf(z, "zone");
            where += " (" + qz::ToUtf8Lossy(r.strZoneName) + ")";
            r.strManufacturer = TextOf(z, "manufacturer");
            r.strProtSort = TextOf(z, "sort");
            r.strProtModel = TextOf(z, "model");
            r.Zzd_Mode = WholeNumberOf(z.at("mode"), "mode", 0, 3);
            const json& v = z.at("values");
            if (!v.is_array() || v.size() != 3)
                throw std::runtime_error("values: expected three numbers");
            r.Zzd_1 = RealOf(v[0], "values");
            r.Zzd_2 = RealOf(v[1], "values");
            r.Zzd_3 = RealOf(v[2], "values");
            if (z.contains("memo")) r.strMemo = TextOf(z, "memo");
            qz::CFormulaParser parser;
            parser.BindSetting(r.Zzd_Mode, r.Zzd_1, r.Zzd_2, r.Zzd_3);
            qz::PictList picts;
            const json& elements = z.at("elements");
            if (!elements.is_array()) throw std::runtime_error("elements: expected an array");
            for (std::size_t k = 0; k < elements.size(); ++k) {
                const json& e = elements[k];
                std::string kind = e.is_object() && e.contains("kind") && e.at("kind").is_string()
                                       ? e.at("kind")
                                       : "";
                std::int32_t code = 0;
                while (code < 4 && kind != kKinds[code]) ++code;
                if (code == 4)
                    throw std::runtime_error("element " + std::to_string(k + 1) +
                                             ": unknown kind \"" + kind +
                                             "\" (mho, line, arc or lens)");
                std::unique_ptr<qz::CPict> pict = qz::CreatePict(code);
                JsonFormulas fill(e);
                try {
                    pict->VisitFields(fill);
                } catch (const std::exception& x) {
                    throw std::runtime_error("element " + std::to_string(k + 1) + ": " + x.what());
                }
                FormulaCheck check(parser);
                pict->VisitFields(check);
                if (!check.error.empty())
                    throw std::runtime_error("element " + std::to_string(k + 1) + " " +
                                             check.error);
                picts.push_back(std::move(pict));
            }
            qz::CArchiveWriter ar(r.ProtSettings);
            qz::StorePicts(ar, picts, qz::PictForm::kFormula);
        } catch (const std::exception& x) {
            errors.push_back(where + ": " + x.what());
        }
    }
    if (!errors.empty()) {
        for (std::size_t i = 0; i + 1 < errors.size(); ++i)
            std::fprintf(stderr, "quarnz: %s: %s\n", qz::QuoteForMessage(source).c_str(),
                         qz::QuoteForMessage(errors[i]).c_str());
        Fail(source, errors.back());
    }
    return rows;
}

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
        r->Zzd_1 = values[0];
        r->Zzd_2 = values[1];
        r->Zzd_3 = values[2];
    }
    qz::PictList picts;
    qz::CArchiveReader ar(r->ProtSettings.data(), r->ProtSettings.size());
    if (!r->ProtSettings.empty() &&
        (qz::LoadPicts(ar, picts, qz::PictForm::kFormula), ar.Remaining() != 0))
        Fail(file, "the characteristic of id " + std::to_string(id) + " does not read whole");
    qz::CFormulaParser parser;
    parser.BindSetting(r->Zzd_Mode, r->Zzd_1, r->Zzd_2, r->Zzd_3);
    qz::InstantiatePicts(picts, parser);
    char setting[128];
    std::snprintf(setting, sizeof setting, "mode %d: %g, %g, %g", r->Zzd_Mode, r->Zzd_1, r->Zzd_2,
                  r->Zzd_3);
    std::cout << qz::ToUtf8Lossy(r->strManufacturer) << " / " << qz::ToUtf8Lossy(r->strProtSort)
              << " / " << qz::ToUtf8Lossy(r->strProtModel) << " / "
              << qz::ToUtf8Lossy(r->strZoneName) << " (id " << r->nID << ")\n"
              << setting << "\n"
              << qz::DescribePictList(picts, qz::PictForm::kNumeric);
    if (!out.empty())
        WritePlotImage(
            {{r->strZoneName, {}, false, r->Zzd_Mode, r->Zzd_1, r->Zzd_2, r->Zzd_3, &picts}},
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
