// quarnz template: builds a template library from a readable JSON source,
// copies one to an ODBC data source, lists its tree and shows a zone's
// characteristic for a setting.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
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
        point.strFormula1 = qz::FromUtf8(p[1].get<std::string>());
        point.strFormula2 = qz::FromUtf8(p[2].get<std::string>());
    }
    void Real(qz::PictFieldName, const char*, float&) override {}
    void Formula(qz::PictFieldName name, qz::FormulaText& formula, float&) override {
        formula = qz::FromUtf8(Member(name).get<std::string>());
    }
    void Flag(qz::PictFieldName name, std::int32_t& value, const char*, const char*) override {
        value = Member(name).get<std::int32_t>();
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

qz::Text TextOf(const json& row, const char* key) {
    return row.contains(key) ? qz::FromUtf8(row.at(key).get<std::string>()) : qz::Text();
}

// The rows of a JSON source; a row that does not read or evaluate is named
// and nothing is returned.
std::vector<qz::CRecordset_Distance> ReadJsonSource(const std::string& source) {
    json doc;
    try {
        doc = json::parse(ReadFileBytes(source));
    } catch (const json::exception& e) {
        Fail(source, e.what());
    }
    std::vector<qz::CRecordset_Distance> rows;
    std::vector<std::string> errors;
    const json& list = doc.contains("zones") ? doc.at("zones") : json::array();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& z = list[i];
        std::string where = "row " + std::to_string(i + 1);
        try {
            qz::CRecordset_Distance& r = rows.emplace_back();
            r.nID = static_cast<std::int32_t>(i + 1);
            r.strManufacturer = TextOf(z, "manufacturer");
            r.strProtSort = TextOf(z, "sort");
            r.strProtModel = TextOf(z, "model");
            r.strZoneName = TextOf(z, "zone");
            where += " (" + qz::ToUtf8Lossy(r.strZoneName) + ")";
            r.Zzd_Mode = z.value("mode", 0);
            std::vector<float> v = z.value("values", std::vector<float>{});
            v.resize(3, 0.0f);
            r.Zzd_1 = v[0];
            r.Zzd_2 = v[1];
            r.Zzd_3 = v[2];
            r.strMemo = TextOf(z, "memo");
            qz::CFormulaParser parser;
            parser.BindSetting(r.Zzd_Mode, r.Zzd_1, r.Zzd_2, r.Zzd_3);
            qz::PictList picts;
            const json& elements = z.contains("elements") ? z.at("elements") : json::array();
            for (std::size_t k = 0; k < elements.size(); ++k) {
                const json& e = elements[k];
                std::string kind = e.value("kind", "");
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

void Build(const std::string& source, const std::string& out) {
    std::vector<qz::CRecordset_Distance> rows = ReadJsonSource(source);
    try {
        qz::WriteSqliteTemplateDatabase(qz::FromUtf8(out), rows);
    } catch (const qz::CDBException& e) {
        Fail(out, e.what());
    }
}

// A connection string as a message names it: its password hidden.
std::string Shown(const std::string& connect) {
    static const std::regex password(R"((^|;)(\s*(pwd|password)\s*=)(\{[^}]*\}|[^;]*))",
                                     std::regex::icase);
    return std::regex_replace(connect, password, "$1$2***");
}

// A library file, or with `odbc` the data source of that connection string
// (messages then name the connection string).
std::unique_ptr<qz::CTemplateDatabase> Open(const std::string& file, const std::string& odbc) {
    try {
        if (!odbc.empty()) return qz::OpenOdbcConnection(qz::FromUtf8(odbc));
        if (!qz::CurrentVfs().exists(qz::FromUtf8(file))) Fail(file, "no such file");
        if (!qz::IsSqliteFile(qz::FromUtf8(file))) Fail(file, "not an SQLite template library");
        return qz::OpenSqliteTemplateDatabase(qz::FromUtf8(file));
    } catch (const qz::CDBException& e) {
        Fail(odbc.empty() ? file : Shown(odbc), e.what());
    }
}

// Replaces the data source's library with a SQLite library's rows or a JSON
// source's, all or nothing.
void Push(const std::string& source, const std::string& odbc) {
    std::vector<qz::CRecordset_Distance> rows;
    if (qz::IsSqliteFile(qz::FromUtf8(source))) {
        try {
            rows = qz::OpenSqliteTemplateDatabase(qz::FromUtf8(source))->AllRows();
        } catch (const qz::CDBException& e) {
            Fail(source, e.what());
        }
    } else {
        rows = ReadJsonSource(source);
    }
    try {
        qz::WriteOdbcTemplateDatabase(qz::FromUtf8(odbc), rows);
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
                    for (const qz::CRecordset_Distance& r : db->Zones(maker, sort, model)) {
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
        bool json = false;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("template", "Build, list and show template libraries");
    cmd->require_subcommand(1);
    CLI::App* build = cmd->add_subcommand("build", "Build a template library from a JSON source");
    build->add_option("SOURCE", opt->source, "the JSON source")->required();
    build->add_option("-o,--output", opt->out, "the library file to write")->required();
    build->callback([opt] { Build(opt->source, opt->out); });
    CLI::App* push = cmd->add_subcommand(
        "push", "Replace the rows of an ODBC data source's library, in one transaction");
    push->add_option("SOURCE", opt->source, "a template library or its JSON source")->required();
    push->add_option("--odbc", opt->odbc, "the connection string")->required();
    push->callback([opt] { Push(opt->source, opt->odbc); });
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
